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

void ExpectSameEntry(const HostEntry& a, const HostEntry& b) {
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.Address, b.Address);
    EXPECT_EQ(a.ConvertJOHABtoKSC5601, b.ConvertJOHABtoKSC5601);
    EXPECT_EQ(a.SendENTERasCRLF, b.SendENTERasCRLF);
    EXPECT_EQ(a.AddLFToReceivedCR, b.AddLFToReceivedCR);
    EXPECT_EQ(a.EnableLineAutoWrap, b.EnableLineAutoWrap);
    EXPECT_EQ(a.EnableLocalEcho, b.EnableLocalEcho);
    EXPECT_EQ(a.MemoLines, b.MemoLines);
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
    const auto r = SaveHostEntry(book, "B", b);
    ASSERT_EQ(r.status, HostEntryStatus::Ok);
    EXPECT_EQ(r.savedName, "B");
    const MemIniStore again = Reread(book);
    EXPECT_EQ(ListHostEntries(again), (Names{"A", "C", "B"}));
    EXPECT_EQ(again.ListKeys("B"),
              (Names{"Address", "ConvertJOHABtoKSC5601", "SendENTERasCRLF", "AddLFToReceivedCR",
                     "EnableLineAutoWrap", "EnableLocalEcho", "MemoLineCount", "MemoLine0"}));
    EXPECT_EQ(again.ReadValue("B", "EnableLineAutoWrap"), "0");
    EXPECT_EQ(again.ReadValue("B", "SendENTERasCRLF"), "1");
    EXPECT_EQ(again.ReadValue("B", "MemoLineCount"), "1");
    ExpectSameEntry(*LoadHostEntry(again, "B"), b);
}

TEST(AddressBookFile, EmptyMemoIsACountOfZeroAndNoLines) {
    MemIniStore book;
    ASSERT_EQ(SaveHostEntry(book, "", Entry("New", "x")).status, HostEntryStatus::Ok);
    EXPECT_EQ(Reread(book).ListKeys("New").back(), "MemoLineCount");
    EXPECT_EQ(book.ReadValue("New", "MemoLineCount"), "0");
}

TEST(AddressBookFile, MissingFileIsAnEmptyBook) {
    const MemIniStore book;
    EXPECT_TRUE(ListHostEntries(book).empty());
    EXPECT_FALSE(HostEntryExists(book, "A"));
    EXPECT_FALSE(LoadHostEntry(book, "A"));
    EXPECT_EQ(AddressBookFilePath("C:\\Quiro\\"), "C:\\Quiro\\Quiro.DAT");
}

struct LoadCase {
    const char* what;
    const char* section;  // keys of section [H]
    bool wrap;
    bool echo;
    std::vector<std::string> memo;
};

const LoadCase kLoads[] = {
    {"no keys: wrap on, the rest off", "", true, false, {}},
    {"zero turns wrap off", "EnableLineAutoWrap=0\n", false, false, {}},
    {"any non-zero is true", "EnableLineAutoWrap=7\nEnableLocalEcho=-1\n", true, true, {}},
    {"malformed takes the default", "EnableLineAutoWrap=yes\nEnableLocalEcho=1x\n", true, false, {}},
    {"hexadecimal as TIniFile reads it", "EnableLineAutoWrap=$0\nEnableLocalEcho=0x10\n", false,
     true, {}},
    {"empty takes the default", "EnableLineAutoWrap=\nEnableLocalEcho=\n", true, false, {}},
    {"missing memo line is empty", "MemoLineCount=2\nMemoLine1=b\n", true, false, {"", "b"}},
    {"lines beyond the count ignored", "MemoLineCount=1\nMemoLine0=a\nMemoLine1=b\n", true,
     false, {"a"}},
    {"negative count", "MemoLineCount=-4\nMemoLine0=a\n", true, false, {}},
    {"absurd count bounded by the keys", "MemoLineCount=2000000000\nMemoLine0=a\n", true, false,
     {"a", ""}},
    {"count beyond 64 bits", "MemoLineCount=99999999999999999999\nMemoLine0=a\n", true, false,
     {}},
};

TEST(AddressBookFile, MissingKeysTakeTheirDefaults) {
    for (const LoadCase& c : kLoads) {
        const MemIniStore book = MemIniStore::Parse(std::string("[H]\n") + c.section);
        const auto e = LoadHostEntry(book, "H");
        ASSERT_TRUE(e) << c.what;
        EXPECT_EQ(e->Address, "") << c.what;
        EXPECT_FALSE(e->ConvertJOHABtoKSC5601 || e->SendENTERasCRLF || e->AddLFToReceivedCR)
            << c.what;
        EXPECT_EQ(e->EnableLineAutoWrap, c.wrap) << c.what;
        EXPECT_EQ(e->EnableLocalEcho, c.echo) << c.what;
        EXPECT_EQ(e->MemoLines, c.memo) << c.what;
    }
}

struct NameCase {
    const char* name;
    HostEntryStatus status;
    const char* saved;
};

const NameCase kNames[] = {
    {"", HostEntryStatus::NameMissing, ""},
    {" \t ", HostEntryStatus::NameMissing, ""},
    {"  my bbs  ", HostEntryStatus::Ok, "my bbs"},
    {"a[b;c=d", HostEntryStatus::Ok, "a[b;c=d"},
    {"\xB3\xAA\xC0\xCC\xC5\xCD", HostEntryStatus::Ok, "\xB3\xAA\xC0\xCC\xC5\xCD"},
    {"a]b", HostEntryStatus::NameInvalid, ""},
    {"]", HostEntryStatus::NameInvalid, ""},
    {";bbs", HostEntryStatus::NameInvalid, ""},
    {" [bbs", HostEntryStatus::NameInvalid, ""},
    {"a\r\nb", HostEntryStatus::NameInvalid, ""},
    {"a\nb", HostEntryStatus::NameInvalid, ""},
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
            continue;
        }
        const MemIniStore again = Reread(book);
        EXPECT_EQ(ListHostEntries(again).back(), c.saved);
        EXPECT_EQ(LoadHostEntry(again, c.name)->Address, "x") << c.name;
    }
}

TEST(AddressBookFile, NamesMatchWithoutRegardToCase) {
    MemIniStore book = MemIniStore::Parse(kBook);
    EXPECT_EQ(LoadHostEntry(book, " b ")->Name, "B");
    // Renaming A onto an existing name in other case is refused; both stay.
    const std::string before = book.Serialize();
    EXPECT_EQ(SaveHostEntry(book, "A", Entry("c", "y")).status, HostEntryStatus::NameExists);
    EXPECT_EQ(book.Serialize(), before);
    // Changing only the case of its own name is a save of the same entry.
    const auto r = SaveHostEntry(book, "a", Entry("Alpha", "z"));
    ASSERT_EQ(r.status, HostEntryStatus::Ok);
    ASSERT_EQ(SaveHostEntry(book, "alpha", Entry("ALPHA", "z")).status, HostEntryStatus::Ok);
    EXPECT_EQ(ListHostEntries(book), (Names{"B", "C", "ALPHA"}));
    EXPECT_EQ(EraseHostEntry(book, "alPHA"), HostEntryStatus::Ok);
    EXPECT_EQ(EraseHostEntry(book, "nothing"), HostEntryStatus::Ok);
    EXPECT_EQ(ListHostEntries(book), (Names{"B", "C"}));
    EXPECT_TRUE(SameHostName(" Bbs", "bBS "));

    // A hand-edited file holding one name twice: saving and erasing take both.
    MemIniStore twice = MemIniStore::Parse("[D]\nAddress=1\n[E]\n[d]\nAddress=2\nx=y\n");
    ASSERT_EQ(SaveHostEntry(twice, "d", Entry("D", "3")).status, HostEntryStatus::Ok);
    EXPECT_EQ(ListHostEntries(twice), (Names{"E", "D"}));
    EXPECT_EQ(twice.ListKeys("D").size(), 7u);
    twice = MemIniStore::Parse("[D]\n[E]\n[d]\n");
    EXPECT_EQ(EraseHostEntry(twice, "D"), HostEntryStatus::Ok);
    EXPECT_EQ(ListHostEntries(twice), (Names{"E"}));
}

TEST(AddressBookFile, ValuesReadBackExactly) {
    MemIniStore book;
    HostEntry e = Entry("H", "  telnet://bbs.example:23 ", {"  indented", "\"quoted\"", "", "'"});
    e.ConvertJOHABtoKSC5601 = e.AddLFToReceivedCR = e.EnableLocalEcho = true;
    e.EnableLineAutoWrap = false;
    ASSERT_EQ(SaveHostEntry(book, "", e).status, HostEntryStatus::Ok);
    ExpectSameEntry(*LoadHostEntry(Reread(book), "H"), e);

    HostEntry bad = Entry("I", "x", {"line\nbreak"});
    EXPECT_EQ(SaveHostEntry(book, "", bad).status, HostEntryStatus::ValueInvalid);
    EXPECT_FALSE(HostEntryExists(book, "I"));
}

TEST(AddressBookFile, FailedWritesAreReportedAndLoseNothing) {
    const HostEntry oldA = *LoadHostEntry(MemIniStore::Parse(kBook), "A");
    const HostEntry renamed = Entry("Z", "z.example", {"m0", "m1"});
    // The file refuses writes from each point of a rename on, for good (-1) or just once (1):
    // the old entry survives every failure; after a passing failure no half entry is left.
    for (const int failures : {-1, 1}) {
        for (int n = 0; n <= 12; ++n) {
            MemIniStore book = MemIniStore::Parse(kBook);
            book.FailWritesAfter(n, failures);
            const auto r = SaveHostEntry(book, "A", renamed);
            const auto a = LoadHostEntry(book, "A");
            const auto z = LoadHostEntry(book, "Z");
            if (r.status == HostEntryStatus::Ok) {
                EXPECT_FALSE(a) << n;
                ASSERT_TRUE(z) << n;
                ExpectSameEntry(*z, renamed);
                continue;
            }
            EXPECT_EQ(r.status, HostEntryStatus::WriteFailed) << n;
            ASSERT_TRUE(a) << "old entry lost, n=" << n << " failures=" << failures;
            ExpectSameEntry(*a, oldA);
            if (z && failures > 0) ExpectSameEntry(*z, renamed);
        }
    }
    // Rewriting an entry under its own name must erase it first; a passing failure while
    // writing it again puts the old one back.
    const HostEntry oldB = *LoadHostEntry(MemIniStore::Parse(kBook), "B");
    const HostEntry newB = Entry("B", "new.example");
    for (int n = 0; n <= 10; ++n) {
        MemIniStore book = MemIniStore::Parse(kBook);
        book.FailWritesAfter(n, 1);
        const auto r = SaveHostEntry(book, "B", newB);
        const auto b = LoadHostEntry(book, "B");
        ASSERT_TRUE(b) << n;
        ExpectSameEntry(*b, r.status == HostEntryStatus::Ok ? newB : oldB);
    }
    // A read-only file: nothing changes, for a new entry, a rewrite and an erase.
    MemIniStore book = MemIniStore::Parse(kBook);
    const std::string before = book.Serialize();
    book.FailWritesAfter(0);
    EXPECT_EQ(SaveHostEntry(book, "", Entry("New", "n")).status, HostEntryStatus::WriteFailed);
    EXPECT_EQ(SaveHostEntry(book, "B", Entry("B", "n")).status, HostEntryStatus::WriteFailed);
    EXPECT_EQ(EraseHostEntry(book, "C"), HostEntryStatus::WriteFailed);
    EXPECT_EQ(book.Serialize(), before);
}

}  // namespace
