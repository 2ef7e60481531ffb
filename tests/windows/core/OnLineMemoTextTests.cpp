// A host's memo as the memo window's RTF group.
#include <gtest/gtest.h>

#include "windows/core/OnLineMemoText.h"

namespace {

const RtfFont kFont{129, "Gulim", 9, 0x000000FF};
const std::string kHeader =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset129 Gulim;}}{\\colortbl;\\red255\\green0\\blue0;}"
    "\\pard\\plain\\f0\\fs18\\cf1 ";

TEST(OnLineMemoText, StampedTextWithoutLeadingBlanksEndsTheParagraph) {
    struct Case {
        int hour, minute, second;
        std::string text, rtf;
    } cases[] = {
        {14, 5, 9, "   hello", kHeader + "[02:05:09 PM] hello\\par }"},
        {0, 0, 0, "midnight", kHeader + "[12:00:00 AM] midnight\\par }"},
        {12, 0, 1, "noon", kHeader + "[12:00:01 PM] noon\\par }"},
        {9, 30, 0, "", kHeader + "[09:30:00 AM] \\par }"},
        // What the host sends is shown as it stands, whatever it holds.
        {23, 59, 59, " {\\par}\x01 \xC7\xD1\xC7", kHeader + "[11:59:59 PM] \\{\\\\par\\} \xC7\xD1\\par }"},
    };
    for (const Case& c : cases) {
        const TDateTime when = EncodeDate(2024, 3, 1) + EncodeTime(c.hour, c.minute, c.second, 0);
        EXPECT_EQ(MemoRtf(c.text, kFont, 949, when), c.rtf) << c.text;
    }
}

}  // namespace
