#include "framework/core/CommandLine.h"

namespace quiro::framework {

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (true) {
        while (i < n && blank(line[i])) ++i;
        if (i >= n) break;
        std::string arg;
        bool quoted = false;
        if (args.empty()) {
            // The program name: quotes delimit, backslashes are literal.
            while (i < n && (quoted || !blank(line[i]))) {
                if (line[i] == '"')
                    quoted = !quoted;
                else
                    arg += line[i];
                ++i;
            }
            args.push_back(arg);
            continue;
        }
        while (i < n && (quoted || !blank(line[i]))) {
            if (line[i] == '\\') {
                size_t slashes = 0;
                while (i < n && line[i] == '\\') ++slashes, ++i;
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';  // "" inside quotes: a literal quote
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += line[i++];
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace quiro::framework
