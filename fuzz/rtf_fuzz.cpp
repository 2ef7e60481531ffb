// Captured host text as an RTF group, read back by a small reader of the only words the
// group uses: the text comes back as it went in, less the bytes the wrapper drops (control
// bytes other than CR, lead bytes without a trail byte), the count of characters matches
// what came back, and nothing closes the group early. The plain-text block reader gives
// the same bytes whatever the block edges. A host's memo as the memo window's group: the
// header, the time stamp, the text without its leading blanks read back the same way, and
// the group's own end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "windows/core/EditorRules.h"
#include "windows/core/OnLineMemoText.h"
#include "windows/core/RtfText.h"

namespace {

constexpr int kCodePages[] = {932, 936, 949, 950, 1252};

// What the body should bring back.
std::string Kept(std::string_view text, int codePage) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t n = CharacterLength(text, i, codePage);
        const auto b = static_cast<uint8_t>(text[i]);
        if (n == 2 || (!IsLeadByte(codePage, b) && (b >= 32 || b == '\r'))) out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

int Hex(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

// The body read back; false when a brace would end the group.
bool ReadBody(std::string_view rtf, std::string& out) {
    for (size_t i = 0; i < rtf.size();) {
        const char c = rtf[i];
        if (c == '{' || c == '}') return false;
        if (c != '\\') {
            out += c;
            ++i;
        } else if (rtf.substr(i, 5) == "\\par ") {
            out += '\r';
            i += 5;
        } else if (i + 3 < rtf.size() && rtf[i + 1] == '\'') {
            out += static_cast<char>(Hex(rtf[i + 2]) * 16 + Hex(rtf[i + 3]));
            i += 4;
        } else if (i + 1 < rtf.size() && (rtf[i + 1] == '\\' || rtf[i + 1] == '{' || rtf[i + 1] == '}')) {
            out += rtf[i + 1];
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

int Characters(std::string_view text, int codePage) {
    int n = 0;
    for (size_t i = 0; i < text.size(); i += CharacterLength(text, i, codePage)) ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int codePage = kCodePages[data[0] % 5];
    const size_t edge = data[1];
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    std::string body;
    const int count = AppendRtfBody(body, text, codePage);
    std::string back;
    if (!ReadBody(body, back)) std::abort();
    if (back != Kept(text, codePage)) std::abort();
    if (count != Characters(back, codePage)) std::abort();

    const RtfFont font{129, "Gulim", 9, 0x00FF00};
    const TDateTime when = EncodeDate(2024, 1, 1) + EncodeTime(edge % 24, edge % 60, 59 - edge % 60, 0);
    const std::string memo = MemoRtf(text, font, codePage, when);
    const std::string header = RtfHeader(font), end = "\\par }";
    if (memo.size() < header.size() + end.size() || memo.compare(0, header.size(), header) != 0 ||
        memo.compare(memo.size() - end.size(), end.size(), end) != 0)
        std::abort();
    std::string memoBack;
    if (!ReadBody(std::string_view(memo).substr(header.size(), memo.size() - header.size() - end.size()), memoBack))
        std::abort();
    const std::string_view shown = text.substr(std::min(text.find_first_not_of(' '), text.size()));
    if (memoBack != MemoTimeStamp(when) + Kept(shown, codePage)) std::abort();

    CodePageBlockReader reader(codePage);
    std::string whole;
    for (size_t at = 0; at < text.size(); at += edge + 1) whole += reader.Take(text.substr(at, edge + 1), false);
    whole += reader.Take({}, true);
    if (whole != text) std::abort();
    return 0;
}
