#include "windows/core/HostListPresenter.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>

#include "console/core/TableKit.h"
#include "framework/core/MemIniStore.h"

namespace {

const char* const kBook = "[A]\r\nAddress=a\r\n[B]\r\nAddress=b\r\n[C]\r\nAddress=c\r\n";

struct ScriptedPrompts : HostListPrompts {
    std::vector<std::string> seen;
    std::deque<bool> answers;
    void ShowError(std::string_view text) override { seen.push_back("E:" + std::string(text)); }
    void ShowQuestion(std::string_view text) override { seen.push_back("Q:" + std::string(text)); }
    bool AskYesNo(std::string_view text) override {
        seen.push_back("W:" + std::string(text));
        bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return yes;
    }
    std::string WriteFailure() override { return "Quiro.DAT:\nAccess denied."; }
};

struct Dialog {
    MemIniStore book = MemIniStore::Parse(kBook);
    ScriptedPrompts prompts;
    std::array<std::string, MaxFavourites> bar{"b", "", "A", "", ""};
    int rebuilt = 0;
    HostListPresenter p{book, prompts, bar, [this] { ++rebuilt; }};
};

std::string Joined(const std::vector<std::string>& items, int selected, const char* separator) {
    std::string s;
    for (size_t i = 0; i < items.size(); ++i)
        s += (i ? separator : "") + std::string(static_cast<int>(i) == selected ? "*" : "") + items[i];
    return s;
}

std::string Escaped(std::string s) {
    for (size_t at; (at = s.find('\n')) != std::string::npos;) s.replace(at, 1, "\\n");
    return s;
}

// Runs one step; the result of connect and close, else -1.
int Step(Dialog& d, const std::string& step) {
    const size_t space = step.find(' ');
    const std::string verb = step.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : step.substr(space + 1);
    HostListPresenter& p = d.p;
    if (verb == "sel") p.SelectHost(std::stoi(arg));
    else if (verb == "name") p.EditHostName(arg);
    else if (verb == "addr") p.EditAddress(arg);
    else if (verb == "memo") {
        std::vector<std::string> lines;
        for (size_t from = 0, slash;; from = slash + 1) {
            slash = arg.find('/', from);
            lines.push_back(arg.substr(from, slash - from));
            if (slash == std::string::npos) break;
        }
        p.EditMemo(lines);
    } else if (verb == "echo") p.EditFlag(&HostEntry::EnableLocalEcho, true);
    else if (verb == "new") p.NewHost();
    else if (verb == "save") p.SaveHost();
    else if (verb == "del") p.DeleteHost();
    else if (verb == "refresh") p.Refresh();
    else if (verb == "connect") return p.Connect();
    else if (verb == "close") return p.CanClose();
    else if (verb == "fav+") p.AddToFavourites();
    else if (verb == "fav") p.SelectFavourite(std::stoi(arg));
    else if (verb == "up") p.MoveFavouriteUp();
    else if (verb == "down") p.MoveFavouriteDown();
    else if (verb == "fav-") p.DeleteFavourite();
    else if (verb == "yes" || verb == "no") d.prompts.answers.push_back(verb == "yes");
    else if (verb == "ro") d.book.FailWritesAfter(0);
    else ADD_FAILURE() << "unknown step " << step;
    return -1;
}

TEST(HostListPresenter, Steps) {
    std::ifstream in(std::string(QUIRO_SOURCE_DIR) + "/tests/windows/core/data/host_list_steps.txt");
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
        if (Trim(line).empty() || line[0] == '#') continue;
        const TableRow row = SplitCells(line);
        ASSERT_EQ(row.size(), 9u) << line;
        ++rows;
        Dialog d;
        int result = -1;
        for (size_t from = 0, semi; from < row[0].size(); from = semi + 1) {
            semi = std::min(row[0].find(';', from), row[0].size());
            std::string step = row[0].substr(from, semi - from);
            step.erase(0, step.find_first_not_of(' '));
            result = Step(d, step);
        }
        const HostListPresenter& p = d.p;
        const HostListButtons& b = p.Buttons();
        std::string buttons;
        const bool states[] = {b.newHost, b.saveHost, b.deleteHost, b.addToFavourites,
                               b.favouriteUp, b.favouriteDown, b.favouriteDelete};
        for (size_t i = 0; i < std::size(states); ++i)
            buttons += static_cast<char>(states[i] ? "NSDAUVX"[i] : "nsdauvx"[i]);
        buttons += p.Modified() ? '+' : '-';
        std::vector<std::string> sections;
        for (const std::string& s : d.book.ListSections())
            sections.push_back(s + "=" + d.book.ReadValue(s, "Address").value_or("?"));
        std::string bar;
        for (size_t i = 0; i < d.bar.size(); ++i) bar += (i ? "/" : "") + d.bar[i];
        std::vector<std::string> prompts;
        for (const std::string& s : d.prompts.seen) prompts.push_back(Escaped(s));

        const TableRow actual = {row[0],
                                 Joined(sections, p.HostIndex(), ","),
                                 Joined(p.Favourites(), p.FavouriteIndex(), ","),
                                 bar,
                                 p.LoadedName(),
                                 std::string(TrimHostName(p.Fields().Name)) + ":" + p.Fields().Address,
                                 buttons,
                                 Joined(prompts, -1, "; "),
                                 result < 0 ? "" : std::to_string(result)};
        EXPECT_EQ(actual, row) << line;
        // The list shows the book as it is, and the bar changed only by rebuilding it.
        EXPECT_EQ(p.Hosts(), d.book.ListSections()) << line;
        EXPECT_EQ(d.rebuilt > 0, bar != "b//A//") << line;
    }
    EXPECT_GT(rows, 40);
}

// A new entry starts with every box cleared; what was typed is what the file keeps.
TEST(HostListPresenter, NewEntryKeepsWhatWasTyped) {
    Dialog d;
    for (const char* step : {"new", "name \xB3\xAA\xC0\xCC\xC5\xCD", "addr 010-1234", "memo one//three",
                             "echo", "save"})
        Step(d, step);
    HostEntry expected;
    expected.Name = "\xB3\xAA\xC0\xCC\xC5\xCD";
    expected.Address = "010-1234";
    expected.EnableLineAutoWrap = false;
    expected.EnableLocalEcho = true;
    expected.MemoLines = {"one", "", "three"};
    EXPECT_EQ(LoadHostEntry(MemIniStore::Parse(d.book.Serialize()), expected.Name), expected);
    EXPECT_EQ(d.p.Fields(), expected);
}

}  // namespace
