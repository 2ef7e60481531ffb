// The address book file "Quiro.DAT": one INI section per host entry, named by the host
// name, with these keys in this order:
//   Address                string, default empty
//   ConvertJOHABtoKSC5601  "1"/"0", default 0
//   SendENTERasCRLF        "1"/"0", default 0
//   AddLFToReceivedCR      "1"/"0", default 0
//   EnableLineAutoWrap     "1"/"0", default 1
//   EnableLocalEcho        "1"/"0", default 0
//   MemoLineCount          integer, default 0
//   MemoLine0, MemoLine1 ... the memo lines, default empty
// Any non-zero integer reads as true. The file lives in the program's folder and is
// created by the first save; a missing file is an empty book.
//
// Host names are trimmed and matched without regard to ASCII case, as the profile
// functions match section names. A name that a section header cannot hold (one with "]",
// a line break or a NUL, or starting with ";" or "[") is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/IniStore.h"

inline constexpr std::string_view AddressBookFileName = "Quiro.DAT";

struct HostEntry {
    std::string Name;     // the section name
    std::string Address;  // as typed in the address box
    bool ConvertJOHABtoKSC5601 = false;
    bool SendENTERasCRLF = false;
    bool AddLFToReceivedCR = false;
    bool EnableLineAutoWrap = true;
    bool EnableLocalEcho = false;
    std::vector<std::string> MemoLines;

    bool operator==(const HostEntry&) const = default;
};

enum class HostEntryStatus {
    Ok,
    NameMissing,    // empty (or blank) host name
    NameInvalid,    // a name a section header cannot hold
    NameExists,     // another entry already has this name
    ValueInvalid,   // the address or a memo line holds a line break or a NUL
    WriteFailed,    // the file could not be written; see SaveHostEntry for what remains
};

// The text to show the user for a status ("" for Ok).
std::string_view HostEntryStatusText(HostEntryStatus status);

// The host name as it is stored: without surrounding blanks.
std::string_view TrimHostName(std::string_view name);
// Checks a host name (after trimming): Ok, NameMissing or NameInvalid.
HostEntryStatus CheckHostName(std::string_view name);
// True when two host names name the same entry.
bool SameHostName(std::string_view a, std::string_view b);

// All host names, in file order.
std::vector<std::string> ListHostEntries(const IIniStore& book);
// True when the book has an entry of this name.
bool HostEntryExists(const IIniStore& book, std::string_view name);
// The entry of this name with the defaults for missing keys (Name as stored in the file),
// or std::nullopt when the book has none.
std::optional<HostEntry> LoadHostEntry(const IIniStore& book, std::string_view name);

struct HostEntrySaveResult {
    HostEntryStatus status = HostEntryStatus::Ok;
    std::string savedName;  // the name the entry was stored under (trimmed); empty on failure
};

// Saves `entry` under its (trimmed) name, replacing the entry `loadedName` (empty for a new
// entry). The section is written afresh at the end of the file, keys in order, so memo
// lines beyond the new count vanish. Refused, with the book unchanged, when the name is
// missing or invalid, a value cannot be stored, or another entry (other than `loadedName`)
// already has the name.
// When the name changes, the new section is written before the old one is erased, so a
// write failure never loses the old entry: on WriteFailed the old entry is still there
// (and, if only its erasing failed, the new one too).
HostEntrySaveResult SaveHostEntry(IIniStore& book, std::string_view loadedName,
                                  const HostEntry& entry);
// Erases the entry of this name (every section of the name, should a hand-edited file
// hold it twice); a missing entry is no failure.
HostEntryStatus EraseHostEntry(IIniStore& book, std::string_view name);

// Full name of the address book file in the program's folder.
std::string AddressBookFilePath(std::string_view programFolder);
