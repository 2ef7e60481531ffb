// hangul-keys [--layout 1|2|3] [--editor] [--caps] [--hangul-off] KEYS
//
// Feeds KEYS to the console Hangul automaton (or, with --editor, the capture editor's),
// starting in Hangul mode unless --hangul-off. In KEYS, \b is Backspace, \s is
// Shift+Space, \\ is a backslash; every other character is that key. Prints one line per
// key, "KEY -> sent BYTES composing BYTES", then "sent: BYTES" (everything sent, in order)
// and "composing: BYTES" (the syllable still in progress, KS C 5601). BYTES show
// 0x20-0x7E as themselves and every other byte as \xhh.
#include <cstdio>
#include <cstring>
#include <string>

#include "engines/core/HangulKeyScript.h"

using namespace quiro::engines;

namespace {

int Usage() {
    std::fputs("usage: hangul-keys [--layout 1|2|3] [--editor] [--caps] [--hangul-off] KEYS\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    HangulScriptOptions options;
    const char* keys = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--layout") == 0 && i + 1 < argc) {
            const std::string v = argv[++i];
            if (v != "1" && v != "2" && v != "3") return Usage();
            options.layout = v[0] - '0';
        } else if (std::strncmp(arg, "--layout=", 9) == 0) {
            const std::string v = arg + 9;
            if (v != "1" && v != "2" && v != "3") return Usage();
            options.layout = v[0] - '0';
        } else if (std::strcmp(arg, "--editor") == 0) {
            options.editor = true;
        } else if (std::strcmp(arg, "--caps") == 0) {
            options.capsLock = true;
        } else if (std::strcmp(arg, "--hangul-off") == 0) {
            options.hangulOff = true;
        } else if (std::strcmp(arg, "--") == 0 && i + 1 < argc && !keys) {
            keys = argv[++i];
        } else if (arg[0] == '-' && arg[1] == '-' && !keys) {
            return Usage();
        } else if (!keys) {
            keys = arg;
        } else {
            return Usage();
        }
    }
    if (!keys) return Usage();

    const HangulScriptResult result = RunHangulKeys(ParseHangulKeys(keys), options);
    for (const HangulScriptStep& step : result.steps) {
        std::printf("%s -> sent %s composing %s\n", step.key.c_str(),
                    FormatHangulBytes(step.sent).c_str(),
                    FormatHangulBytes(step.composing).c_str());
    }
    std::printf("sent: %s\ncomposing: %s\n", FormatHangulBytes(result.sent).c_str(),
                FormatHangulBytes(result.composing).c_str());
    return 0;
}
