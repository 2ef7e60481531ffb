#include "windows/core/RtfText.h"

#include <cstdio>

bool IsDoubleByteCodePage(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool IsLeadByte(int codePage, uint8_t b) {
    switch (codePage) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

bool IsTrailByte(int codePage, uint8_t b) {
    switch (codePage) {
    case 932: return b >= 0x40 && b <= 0xFC && b != 0x7F;
    case 936: return b >= 0x40 && b <= 0xFE && b != 0x7F;
    case 949: return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
    case 950: return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE);
    default: return false;
    }
}

size_t CharacterLength(std::string_view text, size_t i, int codePage) {
    if (i >= text.size()) return 0;
    if (i + 1 < text.size() && IsLeadByte(codePage, static_cast<uint8_t>(text[i])) &&
        IsTrailByte(codePage, static_cast<uint8_t>(text[i + 1])))
        return 2;
    return 1;
}

std::string RtfHeader(const RtfFont& font) {
    std::string h = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset" + std::to_string(font.charset) + " " +
                    font.name + ";}}{\\colortbl;\\red" + std::to_string(font.color & 0xFF) + "\\green" +
                    std::to_string((font.color >> 8) & 0xFF) + "\\blue" + std::to_string((font.color >> 16) & 0xFF) +
                    ";}\\pard\\plain\\f0\\fs" + std::to_string(font.points * 2) + "\\cf1 ";
    return h;
}

namespace {

bool RtfSpecial(uint8_t b) { return b == '\\' || b == '{' || b == '}'; }

void HexEscape(std::string& out, uint8_t b) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\'%02x", b);
    out += hex;
}

}  // namespace

int AppendRtfBody(std::string& out, std::string_view text, int codePage) {
    int count = 0;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<uint8_t>(text[i]);
        const size_t n = CharacterLength(text, i, codePage);
        if (n == 2) {
            const auto trail = static_cast<uint8_t>(text[i + 1]);
            if (RtfSpecial(trail)) {
                // The reader would take the trail byte for RTF's own: both as hex bytes.
                HexEscape(out, b);
                HexEscape(out, trail);
            } else {
                out.append(text.substr(i, 2));
            }
            ++count;
        } else if (IsLeadByte(codePage, b)) {
            // A lead byte without its trail byte: dropped.
        } else if (b == '\r') {
            out += "\\par ";
            ++count;
        } else if (RtfSpecial(b)) {
            out += '\\';
            out += static_cast<char>(b);
            ++count;
        } else if (b >= 32) {
            out += static_cast<char>(b);
            ++count;
        }
        i += n;
    }
    return count;
}

RtfGroup WrapAsRtf(std::string_view text, const RtfFont& font, int codePage) {
    RtfGroup group;
    group.rtf = RtfHeader(font);
    group.characters = AppendRtfBody(group.rtf, text, codePage);
    group.rtf += '}';
    return group;
}
