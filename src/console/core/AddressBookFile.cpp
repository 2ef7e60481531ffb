#include "console/core/AddressBookFile.h"

#include <algorithm>
#include <utility>

#include "framework/core/SysUtils.h"

namespace {

constexpr std::string_view kAddress = "Address";
constexpr std::string_view kConvert = "ConvertJOHABtoKSC5601";
constexpr std::string_view kSendCrLf = "SendENTERasCRLF";
constexpr std::string_view kAddLf = "AddLFToReceivedCR";
constexpr std::string_view kAutoWrap = "EnableLineAutoWrap";
constexpr std::string_view kLocalEcho = "EnableLocalEcho";
constexpr std::string_view kMemoCount = "MemoLineCount";
constexpr std::string_view kMemoLine = "MemoLine";

std::string MemoKey(size_t n) { return std::string(kMemoLine) + std::to_string(n); }

// An integer value as TIniFile::ReadInteger takes it: a missing, empty or malformed value
// gives `fallback`.
int32_t ReadInt(const IIniStore& book, std::string_view section, std::string_view key,
                int32_t fallback) {
    const auto text = book.ReadValue(section, key);
    return text ? StrToIntDef(*text, fallback) : fallback;
}

bool ReadFlag(const IIniStore& book, std::string_view section, std::string_view key,
              bool fallback) {
    return ReadInt(book, section, key, fallback ? 1 : 0) != 0;
}

// The entry's values encoded for writing; std::nullopt when one cannot be stored.
struct EncodedEntry {
    std::string address;
    std::vector<std::string> memo;
};

std::optional<EncodedEntry> Encode(const HostEntry& entry) {
    EncodedEntry out;
    auto address = EncodeIniValue(entry.Address);
    if (!address) return std::nullopt;
    out.address = std::move(*address);
    out.memo.reserve(entry.MemoLines.size());
    for (const std::string& line : entry.MemoLines) {
        auto encoded = EncodeIniValue(line);
        if (!encoded) return std::nullopt;
        out.memo.push_back(std::move(*encoded));
    }
    return out;
}

// Writes the section's keys in file order: false at the first write that fails, or, when
// putting an entry back (`everyKey`), after trying every key.
bool WriteSection(IIniStore& book, std::string_view name, const HostEntry& entry,
                  const EncodedEntry& values, bool everyKey = false) {
    auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
    std::vector<std::pair<std::string, std::string>> keys = {
        {std::string(kAddress), values.address},
        {std::string(kConvert), flag(entry.ConvertJOHABtoKSC5601)},
        {std::string(kSendCrLf), flag(entry.SendENTERasCRLF)},
        {std::string(kAddLf), flag(entry.AddLFToReceivedCR)},
        {std::string(kAutoWrap), flag(entry.EnableLineAutoWrap)},
        {std::string(kLocalEcho), flag(entry.EnableLocalEcho)},
        {std::string(kMemoCount), std::to_string(values.memo.size())},
    };
    for (size_t n = 0; n < values.memo.size(); ++n) keys.emplace_back(MemoKey(n), values.memo[n]);
    bool written = true;
    for (const auto& [key, value] : keys) {
        if (book.WriteValue(name, key, value)) continue;
        written = false;
        if (!everyKey) break;
    }
    return written;
}

// The section name as the file holds it, when there is one.
std::optional<std::string> StoredName(const IIniStore& book, std::string_view name) {
    const std::string_view wanted = TrimHostName(name);
    for (std::string& s : book.ListSections()) {
        if (SameIniName(s, wanted)) return std::move(s);
    }
    return std::nullopt;
}

// Erases every section of this name: a hand-edited file may hold the same name twice,
// and the profile functions erase only the first each time.
bool EraseSections(IIniStore& book, std::string_view name) {
    for (size_t left = book.ListSections().size(); left > 0 && book.HasSection(name); --left) {
        if (!book.DeleteSection(name)) return false;
    }
    return true;
}

}  // namespace

std::string_view HostEntryStatusText(HostEntryStatus status) {
    switch (status) {
        case HostEntryStatus::Ok:
            return "";
        case HostEntryStatus::NameMissing:
            return "Hostname is missing!";
        case HostEntryStatus::NameInvalid:
            return "A hostname cannot contain \"]\" or a line break, "
                   "nor begin with \";\" or \"[\".";
        case HostEntryStatus::NameExists:
            return "Same hostname already exists!\nPlease, use a different hostname.";
        case HostEntryStatus::ValueInvalid:
            return "The address and the memo lines cannot contain line breaks.";
        case HostEntryStatus::WriteFailed:
            return "The address book could not be written.";
    }
    return "";
}

std::string_view TrimHostName(std::string_view name) { return TrimIni(name); }

HostEntryStatus CheckHostName(std::string_view name) {
    const std::string_view n = TrimHostName(name);
    if (n.empty()) return HostEntryStatus::NameMissing;
    if (n.front() == ';' || n.front() == '[' ||
        n.find_first_of(std::string_view("]\r\n\0", 4)) != std::string_view::npos) {
        return HostEntryStatus::NameInvalid;
    }
    return HostEntryStatus::Ok;
}

bool SameHostName(std::string_view a, std::string_view b) { return SameIniName(a, b); }

std::vector<std::string> ListHostEntries(const IIniStore& book) { return book.ListSections(); }

bool HostEntryExists(const IIniStore& book, std::string_view name) {
    return StoredName(book, name).has_value();
}

std::optional<HostEntry> LoadHostEntry(const IIniStore& book, std::string_view name) {
    auto stored = StoredName(book, name);
    if (!stored) return std::nullopt;
    const std::string& s = *stored;
    HostEntry e;
    e.Address = book.ReadValue(s, kAddress).value_or("");
    e.ConvertJOHABtoKSC5601 = ReadFlag(book, s, kConvert, false);
    e.SendENTERasCRLF = ReadFlag(book, s, kSendCrLf, false);
    e.AddLFToReceivedCR = ReadFlag(book, s, kAddLf, false);
    e.EnableLineAutoWrap = ReadFlag(book, s, kAutoWrap, true);
    e.EnableLocalEcho = ReadFlag(book, s, kLocalEcho, false);
    // A count from a damaged file cannot ask for more lines than the section has keys.
    const int32_t count = ReadInt(book, s, kMemoCount, 0);
    const size_t lines = std::min(count > 0 ? static_cast<size_t>(count) : size_t{0},
                                  book.ListKeys(s).size());
    e.MemoLines.reserve(lines);
    for (size_t n = 0; n < lines; ++n) {
        e.MemoLines.push_back(book.ReadValue(s, MemoKey(n)).value_or(""));
    }
    e.Name = std::move(*stored);
    return e;
}

HostEntrySaveResult SaveHostEntry(IIniStore& book, std::string_view loadedName,
                                  const HostEntry& entry) {
    const std::string name(TrimHostName(entry.Name));
    if (const HostEntryStatus s = CheckHostName(name); s != HostEntryStatus::Ok) return {s, {}};
    const auto values = Encode(entry);
    if (!values) return {HostEntryStatus::ValueInvalid, {}};

    const std::string_view loaded = TrimHostName(loadedName);
    const bool sameEntry = !loaded.empty() && SameHostName(loaded, name);
    if (!sameEntry && HostEntryExists(book, name)) return {HostEntryStatus::NameExists, {}};

    if (sameEntry) {
        // The section is rewritten in place of itself: erase, then write. Should either
        // fail, put the old entry back as well as we can: a store that caches the file
        // (as the profile functions may) can hold the change that did not reach the file,
        // and a later write would carry it there.
        const auto old = LoadHostEntry(book, loaded);
        auto restore = [&] {
            book.DeleteSection(name);
            if (old) {
                if (const auto oldValues = Encode(*old)) WriteSection(book, old->Name, *old, *oldValues, true);
            }
        };
        if (!EraseSections(book, loaded) || !WriteSection(book, name, entry, *values)) {
            restore();
            return {HostEntryStatus::WriteFailed, {}};
        }
        return {HostEntryStatus::Ok, name};
    }

    // New entry or a new name: the new section first, then the old one goes.
    if (!WriteSection(book, name, entry, *values)) {
        book.DeleteSection(name);  // do not leave half an entry behind
        return {HostEntryStatus::WriteFailed, {}};
    }
    if (!loaded.empty() && !EraseSections(book, loaded)) {
        return {HostEntryStatus::WriteFailed, {}};
    }
    return {HostEntryStatus::Ok, name};
}

HostEntryStatus EraseHostEntry(IIniStore& book, std::string_view name) {
    const auto stored = StoredName(book, name);
    if (!stored) return HostEntryStatus::Ok;
    return EraseSections(book, *stored) ? HostEntryStatus::Ok : HostEntryStatus::WriteFailed;
}

std::string AddressBookFilePath(std::string_view programFolder) {
    return IniFilePath(programFolder, AddressBookFileName);
}
