// Plain text as one RTF group, for a rich edit to take at its selection in a given font:
// the capture editor's insertions (captured text, typed Hangul, pasted and picked
// characters) and the on-line memo's messages build their groups here.
//
// The text is bytes of an ANSI code page. A paragraph break is CR; LF, Tab and the other
// bytes below 32 are dropped. In the double-byte code pages (932, 936, 949, 950) a lead
// byte and its trail byte are one character, written as a pair even when the trail byte
// is one of RTF's own characters; a lead byte without a trail byte is dropped, so that it
// never glues itself to what follows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct RtfFont {
    int charset = 0;
    std::string name;
    int points = 10;
    uint32_t color = 0;  // 0x00BBGGRR: the low byte is red
};

// Whether `codePage` has double-byte characters, and which bytes lead and trail them.
bool IsDoubleByteCodePage(int codePage);
bool IsLeadByte(int codePage, uint8_t byte);
bool IsTrailByte(int codePage, uint8_t byte);
// The length of the character at text[i]: 2 for a lead byte with its trail byte, else 1
// (0 at the end of the text).
size_t CharacterLength(std::string_view text, size_t i, int codePage);

// "{\rtf1\ansi\deff0{\fonttbl{\f0\fcharsetC NAME;}}{\colortbl;\redR\greenG\blueB;}
//  \pard\plain\f0\fsS\cf1 " with S twice the size in points. The colour is the table's
// second entry: readers take colour 0 for the automatic colour.
std::string RtfHeader(const RtfFont& font);
// Appends the text's RTF body to `out`; returns the count of characters it makes in the
// rich edit (a paragraph break, a pair and any other byte kept count one each).
int AppendRtfBody(std::string& out, std::string_view text, int codePage);

struct RtfGroup {
    std::string rtf;
    int characters = 0;
};
// Header, body and the closing brace.
RtfGroup WrapAsRtf(std::string_view text, const RtfFont& font, int codePage);
