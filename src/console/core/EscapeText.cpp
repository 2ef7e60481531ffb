#include "console/core/EscapeText.h"

namespace {

// Value of a hexadecimal digit (either case), or -1. ASCII only: bytes of the
// code page's double-byte characters are never digits.
int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string ExpandEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c != '\\') {
            out.push_back(c);
            ++i;
            continue;
        }
        ++i;                   // the backslash is always removed
        if (i >= n) break;     // a lone backslash at the end
        if (text[i] != 'x') {  // any other character stands for itself
            out.push_back(text[i]);
            ++i;
            continue;
        }
        ++i;                  // the "x"
        if (n - i < 2) break;  // "\x" cut off by the end: it and the one character go
        const int high = HexValue(static_cast<unsigned char>(text[i]));
        if (high < 0) continue;  // only "\x" is dropped; the character is looked at again
        const int low = HexValue(static_cast<unsigned char>(text[i + 1]));
        if (low < 0) {
            out.push_back(static_cast<char>(high * 16));
            ++i;
        } else {
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        }
    }
    return out;
}
