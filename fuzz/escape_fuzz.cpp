// Escape text expansion against a second, literal implementation that edits the text in
// place, deleting escapes as it goes. Checks that both agree, that the result is never
// longer than the text, and (through the sanitizers) that nothing is read past the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/core/EscapeText.h"

namespace {

int Digit(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    const unsigned char u = (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

std::string InPlace(std::string t) {
    size_t i = t.find('\\');
    while (i != std::string::npos) {
        t.erase(i, 1);
        if (i >= t.size()) break;
        if (t[i] != 'x') {
            i = t.find('\\', i + 1);
            continue;
        }
        t.erase(i, 1);
        if (t.size() - i < 2) {
            t.resize(i);
            break;
        }
        const int c1 = Digit(t[i]);
        if (c1 >= 0) {
            t[i] = static_cast<char>(c1 * 16);
            const int c2 = Digit(t[i + 1]);
            if (c2 >= 0) {
                t[i] = static_cast<char>(c1 * 16 + c2);
                ++i;
                t.erase(i, 1);
            }
        }
        i = t.find('\\', i);
    }
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string bytes = ExpandEscapes(text);
    if (bytes.size() > size) std::abort();
    if (bytes != InPlace(std::string(text))) std::abort();
    return 0;
}
