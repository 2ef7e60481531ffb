// Stream -> screen tables. Each file under data/terminal/ holds cases:
//   == case name
//   opts: cols=N rows=N fg=I bg=I block=N johab lfcr nowrap rz memo
//   in: bytes       (\e \r \n \b \t \xhh \\ escapes; several in: lines are joined)
//   in*N: bytes     (the bytes repeated N times)
//   any other line: must appear verbatim in the termdump-style snapshot of the result
//                   (plus "memo: TEXT" per line handed to the on-line memo window)
#include "engines/core/DravelTerminal.h"
#include "engines/core/TerminalSnapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct StreamCase {
    std::string File, Name;
    int Line = 0;
    std::string Options;
    std::string Input;
    std::vector<std::string> Expected;
};

std::string Unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
        case 'e': out += '\x1b'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 'b': out += '\b'; break;
        case 't': out += '\t'; break;
        case 'x':
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
            break;
        default: out += c; break;
        }
    }
    return out;
}

std::vector<StreamCase> LoadCases()
{
    std::vector<StreamCase> cases;
    const std::filesystem::path dir = std::filesystem::path(QUIRO_SOURCE_DIR) / "tests/engines/core/data/terminal";
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".txt")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::string line;
        int n = 0;
        while (std::getline(in, line)) {
            ++n;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            if (line.rfind("== ", 0) == 0) {
                cases.push_back(StreamCase{f.filename().string(), line.substr(3), n, "", "", {}});
                continue;
            }
            if (cases.empty())
                continue;
            StreamCase& c = cases.back();
            if (line.rfind("opts:", 0) == 0) {
                c.Options += line.substr(5) + " ";
            } else if (line.rfind("in:", 0) == 0) {
                c.Input += Unescape(line.substr(line[3] == ' ' ? 4 : 3));
            } else if (line.rfind("in*", 0) == 0) {
                const size_t colon = line.find(':');
                const int times = std::stoi(line.substr(3, colon - 3));
                const std::string piece = Unescape(line.substr(colon + 2));
                for (int k = 0; k < times; ++k)
                    c.Input += piece;
            } else {
                c.Expected.push_back(line);
            }
        }
    }
    return cases;
}

struct Recorder : TerminalSender, TerminalMemoOutlet {
    std::string Sent;
    std::vector<std::string> Memos;
    void SendString(const std::string& bytes) override { Sent += bytes; }
    bool MemoWindowEnabled() const override { return true; }
    void ShowOnLineMemo(const std::string& line) override { Memos.push_back(line); }
};

std::string RunCase(const StreamCase& c)
{
    int cols = 80, rows = 24, fg = 15, bg = 4, block = 4096;
    bool johab = false, lfcr = false, nowrap = false, rz = false, memo = false;
    std::istringstream opts(c.Options);
    std::string o;
    while (opts >> o) {
        const size_t eq = o.find('=');
        const std::string key = o.substr(0, eq);
        const int value = eq == std::string::npos ? 0 : std::stoi(o.substr(eq + 1));
        if (key == "cols") cols = value;
        else if (key == "rows") rows = value;
        else if (key == "fg") fg = value;
        else if (key == "bg") bg = value;
        else if (key == "block") block = value;
        else if (key == "johab") johab = true;
        else if (key == "lfcr") lfcr = true;
        else if (key == "nowrap") nowrap = true;
        else if (key == "rz") rz = true;
        else if (key == "memo") memo = true;
        else ADD_FAILURE() << c.File << ":" << c.Line << ": unknown option " << o;
    }
    ScreenModel screen;
    Recorder rec;
    TerminalOutlets outlets;
    outlets.Sender = &rec;
    if (memo)
        outlets.Memo = &rec;
    TDravelTerminal t(screen, ColorIndexToColor(fg), ColorIndexToColor(bg), outlets);
    t.SetScreenSize(cols, rows);
    t.JohabInput = johab;
    t.AddLfToCr = lfcr;
    t.AutoWrap = !nowrap;
    int fired = 0;
    const auto* p = reinterpret_cast<const uint8_t*>(c.Input.data());
    for (size_t at = 0; at < c.Input.size(); at += block)
        fired |= t.ProcessReceived(rz, p + at, std::min<size_t>(block, c.Input.size() - at));
    std::string out = TerminalSnapshot(t, rec.Sent, fired);
    out += "memos: " + std::to_string(rec.Memos.size()) + "\n";
    for (const auto& m : rec.Memos)
        out += "memo: " + EscapeTerminalBytes(m) + "\n";
    return out;
}

TEST(TerminalStreams, TablesGiveTheirScreens)
{
    const std::vector<StreamCase> cases = LoadCases();
    ASSERT_GT(cases.size(), 50u);
    for (const StreamCase& c : cases) {
        const std::string snapshot = RunCase(c);
        std::vector<std::string> lines;
        std::istringstream s(snapshot);
        for (std::string l; std::getline(s, l);)
            lines.push_back(l);
        for (const std::string& want : c.Expected)
            EXPECT_NE(std::find(lines.begin(), lines.end(), want), lines.end())
                << c.File << ":" << c.Line << " [" << c.Name << "] expected: " << want
                << "\n--- snapshot ---\n" << snapshot;
    }
}

} // namespace
