#include "console/core/AddressBookFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/MemIniStore.h"

namespace {

using Names = std::vector<std::string>;

// What the next opening of the file would see.
MemIniStore Reread(const MemIniStore& book) { return MemIniStore::Parse(book.Serialize()); }

HostEntry Entry(std::string name, std::string address, std::vector<std::string> memo = {}) {
    HostEntry e;
    e.Name = std::move(name);
    e.Address = std::move(address);
    e.MemoLines = std::move(memo);
    return e;
}

const char* const kBook =
    "[A]\r\nAddress=a.example\r\n"
    "[B]\r\nAddress=b.example\r\nEnableLineAutoWrap=0\r\nMemoLineCount=3\r\n"
    "MemoLine0=one\r\nMemoLine1=two\r\nMemoLine2=three\r\n"
    "[C]\r\nAddress=c.example\r\n";

TEST(AddressBookFile, SaveRewritesTheEntryAtTheEndWithKeysInOrder) {
    MemIniStore book = MemIniStore::Parse(kBook);
    HostEntry b = *LoadHostEntry(book, "B");
    b.MemoLines = {"only"};
    b.SendENTERasCRLF = true;
    ASSERT_EQ(SaveHostEntry(book, "B", b).savedName, "B");
    ASSERT_EQ(SaveHostEntry(book, "", Entry("New", "n")).status, HostEntryStatus::Ok);
    const MemIniStore again = Reread(book);
    EXPECT_EQ(ListHostEntries(again), (Names{"A", "C", "B", "New"}));
    EXPECT_EQ(again.ListKeys("B"),
              (Names{"Address", "ConvertJOHABtoKSC5601", "SendENTERasCRLF", "AddLFToReceivedCR",
                     "EnableLineAutoWrap", "EnableLocalEcho", "MemoLineCount", "MemoLine0"}));
    EXPECT_EQ(again.ReadValue("B", "SendENTERasCRLF"), "1");
    EXPECT_EQ(again.ReadValue("B", "EnableLineAutoWrap"), "0");
    EXPECT_EQ(*LoadHostEntry(again, "B"), b);
    EXPECT_EQ(again.ListKeys("New").back(), "MemoLineCount");  // an empty memo: no lines
    EXPECT_EQ(again.ReadValue("New", "MemoLineCount"), "0");
    EXPECT_FALSE(LoadHostEntry(MemIniStore(), "A"));  // a missing file is an empty book
    EXPECT_EQ(AddressBookFilePath("C:\\Quiro"), "C:\\Quiro\\Quiro.DAT");
}

struct LoadCase {
    const char* section;  // keys of section [H]
    bool wrap;
    bool echo;
    std::vector<std::string> memo;
};

const LoadCase kLoads[] = {
    {"", true, false, {}},  // no keys: wrap on, the rest off
    {"EnableLineAutoWrap=0\n", false, false, {}},
    {"EnableLineAutoWrap=7\nEnableLocalEcho=-1\n", true, true, {}},
    {"EnableLineAutoWrap=$0\nEnableLocalEcho=0x10\n", false, true, {}},
    {"EnableLineAutoWrap=yes\nEnableLocalEcho=1x\n", true, false, {}},
    {"EnableLineAutoWrap=\nEnableLocalEcho=\n", true, false, {}},
    {"MemoLineCount=2\nMemoLine1=b\n", true, false, {"", "b"}},
    {"MemoLineCount=1\nMemoLine0=a\nMemoLine1=b\n", true, false, {"a"}},
    {"MemoLineCount=-4\nMemoLine0=a\n", true, false, {}},
    {"MemoLineCount=2000000000\nMemoLine0=a\n", true, false, {"a", ""}},  // bounded by keys
    {"MemoLineCount=99999999999999999999\nMemoLine0=a\n", true, false, {}},
};

TEST(AddressBookFile, MissingKeysTakeTheirDefaults) {
    for (const LoadCase& c : kLoads) {
        const MemIniStore book = MemIniStore::Parse(std::string("[H]\n") + c.section);
        HostEntry expected = Entry("H", "", c.memo);
        expected.EnableLineAutoWrap = c.wrap;
        expected.EnableLocalEcho = c.echo;
        EXPECT_EQ(LoadHostEntry(book, "H"), expected) << c.section;
    }
}

struct NameCase {
    const char* name;
    HostEntryStatus status;
    const char* saved;
};

const NameCase kNames[] = {
    {" \t ", HostEntryStatus::NameMissing, ""},
    {"  my bbs  ", HostEntryStatus::Ok, "my bbs"},
    {"a[b;c=d", HostEntryStatus::Ok, "a[b;c=d"},
    {"\xB3\xAA\xC0\xCC\xC5\xCD", HostEntryStatus::Ok, "\xB3\xAA\xC0\xCC\xC5\xCD"},
    {"a]b", HostEntryStatus::NameInvalid, ""},
    {";bbs", HostEntryStatus::NameInvalid, ""},
    {" [bbs", HostEntryStatus::NameInvalid, ""},
    {"a\r\nb", HostEntryStatus::NameInvalid, ""},
    {"a", HostEntryStatus::NameExists, ""},  // "A" is in the book
    {" C ", HostEntryStatus::NameExists, ""},
};

TEST(AddressBookFile, NameRulesRefuseWhatCannotReadBack) {
    for (const NameCase& c : kNames) {
        MemIniStore book = MemIniStore::Parse(kBook);
        const std::string before = book.Serialize();
        const auto r = SaveHostEntry(book, "", Entry(c.name, "x"));
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.savedName, c.saved) << c.name;
        if (r.status != HostEntryStatus::Ok) {
            EXPECT_EQ(book.Serialize(), before) << c.name;
            EXPECT_FALSE(HostEntryStatusText(r.status).empty());
        } else {
            EXPECT_EQ(ListHostEntries(Reread(book)).back(), c.saved);
        }
    }
}

TEST(AddressBookFile, NamesMatchWithoutRegardToCase) {
    MemIniStore book = MemIniStore::Parse(kBook);
    EXPECT_EQ(LoadHostEntry(book, " b ")->Name, "B");
    const std::string before = book.Serialize();  // renaming A onto "c" is refused
    EXPECT_EQ(SaveHostEntry(book, "A", Entry("c", "y")).status, HostEntryStatus::NameExists);
    EXPECT_EQ(book.Serialize(), before);
    ASSERT_EQ(SaveHostEntry(book, "a", Entry("ALPHA", "z")).status, HostEntryStatus::Ok);
    ASSERT_EQ(SaveHostEntry(book, "alpha", Entry("Alpha", "z")).status, HostEntryStatus::Ok);
    EXPECT_EQ(ListHostEntries(book), (Names{"B", "C", "Alpha"}));
    EXPECT_EQ(EraseHostEntry(book, "alPHA"), HostEntryStatus::Ok);
    EXPECT_EQ(EraseHostEntry(book, "nothing"), HostEntryStatus::Ok);
    EXPECT_EQ(ListHostEntries(book), (Names{"B", "C"}));
    // A hand-edited file holding one name twice: saving and erasing take both.
    book = MemIniStore::Parse("[D]\nAddress=1\n[E]\n[d]\nAddress=2\nx=y\n");
    ASSERT_EQ(SaveHostEntry(book, "d", Entry("D", "3")).status, HostEntryStatus::Ok);
    EXPECT_EQ(ListHostEntries(book), (Names{"E", "D"}));
    EXPECT_EQ(EraseHostEntry(book, "D"), HostEntryStatus::Ok);
    EXPECT_EQ(ListHostEntries(book), (Names{"E"}));
}

TEST(AddressBookFile, ValuesReadBackExactly) {
    MemIniStore book;
    HostEntry e = Entry("H", "  telnet://bbs.example:23 ", {"  indented", "\"quoted\"", "", "'"});
    e.ConvertJOHABtoKSC5601 = e.AddLFToReceivedCR = e.EnableLocalEcho = true;
    e.EnableLineAutoWrap = false;
    ASSERT_EQ(SaveHostEntry(book, "", e).status, HostEntryStatus::Ok);
    EXPECT_EQ(LoadHostEntry(Reread(book), "H"), e);
    EXPECT_EQ(SaveHostEntry(book, "", Entry("I", "x", {"line\nbreak"})).status,
              HostEntryStatus::ValueInvalid);
    EXPECT_FALSE(HostEntryExists(book, "I"));
}

TEST(AddressBookFile, FailedWritesAreReportedAndLoseNothing) {
    const HostEntry oldA = *LoadHostEntry(MemIniStore::Parse(kBook), "A");
    const HostEntry oldB = *LoadHostEntry(MemIniStore::Parse(kBook), "B");
    const HostEntry z = Entry("Z", "z.example", {"m0", "m1"});
    const HostEntry newB = Entry("B", "new.example");
    // The file refuses writes from each point of a save on, for good (-1) or once (1).
    for (const int failures : {-1, 1}) {
        for (int n = 0; n <= 12; ++n) {
            MemIniStore book = MemIniStore::Parse(kBook);
            book.FailWritesAfter(n, failures);
            const bool saved = SaveHostEntry(book, "A", z).status == HostEntryStatus::Ok;
            // A rename writes the new entry before erasing the old: the old survives every
            // failure, and after a passing failure no half entry is left.
            EXPECT_EQ(LoadHostEntry(book, "A"), saved ? std::nullopt : std::optional(oldA)) << n;
            const auto newZ = LoadHostEntry(book, "Z");
            if (saved || (newZ && failures > 0)) {
                EXPECT_EQ(newZ, z) << n;
            }
            if (failures < 0) continue;
            // Under its own name the entry is erased first; a passing failure while writing
            // it again puts the old one back.
            book = MemIniStore::Parse(kBook);
            book.FailWritesAfter(n, failures);
            const bool rewritten = SaveHostEntry(book, "B", newB).status == HostEntryStatus::Ok;
            EXPECT_EQ(LoadHostEntry(book, "B"), rewritten ? newB : oldB) << n;
        }
    }
    // A store that keeps a write it could not pass on (a cache over a locked file): after
    // a failed rewrite it still holds the old entry, so a later write cannot lose it.
    struct CachingStore : MemIniStore {
        bool locked = true;
        using MemIniStore::MemIniStore;
        bool WriteValue(std::string_view s, std::string_view k, std::string_view v) override {
            return MemIniStore::WriteValue(s, k, v) && !locked;
        }
        bool DeleteSection(std::string_view s) override { return MemIniStore::DeleteSection(s) && !locked; }
    };
    CachingStore cached;
    static_cast<MemIniStore&>(cached) = MemIniStore::Parse(kBook);
    EXPECT_EQ(SaveHostEntry(cached, "B", newB).status, HostEntryStatus::WriteFailed);
    EXPECT_EQ(LoadHostEntry(cached, "B"), oldB);
    // A read-only file: each change is reported and nothing changes.
    MemIniStore book = MemIniStore::Parse(kBook);
    book.FailWritesAfter(0);
    EXPECT_EQ(SaveHostEntry(book, "", Entry("New", "n")).status, HostEntryStatus::WriteFailed);
    EXPECT_EQ(SaveHostEntry(book, "B", newB).status, HostEntryStatus::WriteFailed);
    EXPECT_EQ(EraseHostEntry(book, "C"), HostEntryStatus::WriteFailed);
    EXPECT_EQ(book.Serialize(), MemIniStore::Parse(kBook).Serialize());
}

}  // namespace
