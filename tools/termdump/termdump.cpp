// termdump [--cols N] [--rows N] [--fg I] [--bg I] [--johab] [--lf-after-cr]
//          [--no-autowrap] [--rz-detect] [--block N] [FILE]
// Feeds FILE (or standard input) to the terminal engine in blocks of N bytes and prints
// the screen, the cursor and what the engine sent back to the host.
#include "engines/core/DravelTerminal.h"
#include "engines/core/TerminalSnapshot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

struct Collector : TerminalSender {
    std::string Sent;
    void SendString(const std::string& bytes) override { Sent += bytes; }
};

int Usage()
{
    std::fprintf(stderr, "usage: termdump [--cols N] [--rows N] [--fg I] [--bg I] [--johab] "
                         "[--lf-after-cr] [--no-autowrap] [--rz-detect] [--block N] [FILE]\n");
    return 2;
}

bool Number(const char* text, long lo, long hi, long& out)
{
    char* end = nullptr;
    out = std::strtol(text, &end, 10);
    return end != text && *end == 0 && out >= lo && out <= hi;
}

} // namespace

int main(int argc, char** argv)
{
    long cols = 80, rows = 24, fg = 15, bg = 4, block = 4096;
    bool johab = false, lfcr = false, noWrap = false, rz = false;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&](long lo, long hi, long& out) {
            if (i + 1 >= argc || !Number(argv[i + 1], lo, hi, out)) {
                std::fprintf(stderr, "termdump: %s needs a number from %ld to %ld\n", a, lo, hi);
                std::exit(2);
            }
            ++i;
        };
        if (!std::strcmp(a, "--cols"))
            value(1, 100000, cols);
        else if (!std::strcmp(a, "--rows"))
            value(1, 100000, rows);
        else if (!std::strcmp(a, "--fg"))
            value(0, 15, fg);
        else if (!std::strcmp(a, "--bg"))
            value(0, 15, bg);
        else if (!std::strcmp(a, "--block"))
            value(1, 1L << 30, block);
        else if (!std::strcmp(a, "--johab"))
            johab = true;
        else if (!std::strcmp(a, "--lf-after-cr"))
            lfcr = true;
        else if (!std::strcmp(a, "--no-autowrap"))
            noWrap = true;
        else if (!std::strcmp(a, "--rz-detect"))
            rz = true;
        else if (a[0] == '-' && a[1] != 0)
            return Usage();
        else if (!file)
            file = a;
        else
            return Usage();
    }

    std::string data;
    if (file && std::strcmp(file, "-") != 0) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "termdump: cannot open %s\n", file);
            return 1;
        }
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        std::cin >> std::noskipws;
        data.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    }

    ScreenModel screen;
    Collector sender;
    TerminalOutlets outlets;
    outlets.Sender = &sender;
    TDravelTerminal terminal(screen, ColorIndexToColor(static_cast<int>(fg)),
                             ColorIndexToColor(static_cast<int>(bg)), outlets);
    terminal.SetScreenSize(static_cast<int>(cols), static_cast<int>(rows));
    terminal.JohabInput = johab ? 1 : 0;
    terminal.AddLfToCr = lfcr ? 1 : 0;
    terminal.AutoWrap = noWrap ? 0 : 1;

    int fired = 0;
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    for (size_t at = 0; at < data.size(); at += static_cast<size_t>(block)) {
        const size_t n = std::min(static_cast<size_t>(block), data.size() - at);
        if (terminal.ProcessReceived(rz ? 1 : 0, p + at, n))
            fired = 1;
    }
    const std::string out = TerminalSnapshot(terminal, sender.Sent, fired);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
