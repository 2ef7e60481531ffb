#include "console/core/AddressScheme.h"

#include <gtest/gtest.h>

#include "TableKit.h"
#include "console/core/ConsoleSettings.h"
#include "framework/core/MemIniStore.h"
#include "framework/core/Strings.h"

namespace {

TEST(AddressScheme, Table) {
    const char* roads[] = {"", "telnet", "phone", "serial"};
    for (const TableRow& row : ReadTable("address.txt")) {
        const std::string text = ParseBytes(row.at(1));
        if (row[0] == "scheme") {
            AddressScheme r = ParseAddressScheme(text);
            EXPECT_EQ(roads[r.kind], row.at(2)) << row[1];
            EXPECT_EQ(r.address, ParseBytes(row.at(3))) << row[1];
            EXPECT_EQ(r.local, row.at(4) == "local") << row[1];
        } else if (row[0] == "split") {
            HostPort r = SplitHostPort(text);
            EXPECT_EQ(r.host + " " + std::to_string(r.port), row.at(2) + " " + row.at(3));
        } else {
            auto a = ParseInetAddress(text);
            std::string shown = a ? Format("%d %d %d %d", (*a)[0], (*a)[1], (*a)[2], (*a)[3]) : "none";
            EXPECT_EQ(shown, row.at(2)) << row[1];
        }
    }
}

TEST(AddressScheme, SessionTargetFromTheBookOrTheText) {
    MemIniStore book = MemIniStore::Parse("[My BBS]\nAddress=telnet://bbs:2323\nEnableLocalEcho=1\n");
    ConsoleSettings settings;
    settings.SendENTERasCRLF = true;
    settings.LineAutoWrap = false;
    SessionTarget t = ResolveSessionTarget(book, "My BBS", settings);
    EXPECT_EQ(SessionCaption(t.hostName, t.address), "My BBS: telnet://bbs:2323");
    EXPECT_EQ(t.flags, (SessionFlags{false, false, false, true, true}));
    // The book's names match as the profile functions match sections: blanks and case aside.
    t = ResolveSessionTarget(book, " my bbs", settings);
    EXPECT_EQ(SessionCaption(t.hostName, t.address), "My BBS: telnet://bbs:2323");
    t = ResolveSessionTarget(book, "bbs.example", settings);
    EXPECT_EQ(SessionCaption(t.hostName, t.address), "bbs.example");
    EXPECT_EQ(t.flags, (SessionFlags{false, true, false, false, false}));
}

TEST(AddressScheme, QuickLinksKeepTwentyRecentAddresses) {
    TStringList items;
    for (int i = 1; i <= 21; ++i)
        EXPECT_TRUE(AddAddressToQuickLinks(items, "host" + std::to_string(i)));
    ASSERT_EQ(items.Count(), QuickLinksMax);
    EXPECT_EQ(items.Strings(0), "host21");
    EXPECT_EQ(items.Strings(19), "host2");  // host1 was pushed out

    const std::string stored = items.Text();
    EXPECT_FALSE(AddAddressToQuickLinks(items, "host21"));  // already on top: nothing to save
    EXPECT_FALSE(AddAddressToQuickLinks(items, ""));
    EXPECT_EQ(items.Text(), stored);

    EXPECT_TRUE(AddAddressToQuickLinks(items, "HOST5"));  // found whatever the case, moved up
    EXPECT_EQ(items.Count(), QuickLinksMax);
    EXPECT_EQ(items.Strings(0), "HOST5");
    EXPECT_EQ(items.IndexOf("host4"), 17);
}

TEST(AddressScheme, CompletionFindsTheFirstItemWithThePrefix) {
    TStringList items;
    items.SetText("bbs.one\r\nBBS.two\r\nbbs.three\r\n");
    EXPECT_EQ(FindCompletion(items, "bbs.t"), 2);  // case-sensitive: not "BBS.two"
    EXPECT_EQ(FindCompletion(items, "B"), 1);
    EXPECT_EQ(FindCompletion(items, ""), 0);
    EXPECT_EQ(FindCompletion(items, "bbs.one.more"), -1);
}

}  // namespace
