#include "framework/core/ShortCuts.h"

#include <gtest/gtest.h>

namespace {

TEST(ShortCuts, TextOfTheProgramsShortcuts) {
    const std::pair<TShortCut, const char*> cases[] = {
        {ShortCut('C', ssCtrl), "Ctrl+C"},
        {ShortCut('Z', ssCtrl | ssShift), "Shift+Ctrl+Z"},
        {ShortCut(0x2D, ssShift), "Shift+Ins"},
        {ShortCut(0x2D, ssCtrl), "Ctrl+Ins"},
        {ShortCut(0x2E, ssShift), "Shift+Del"},
        {ShortCut(0x20, ssCtrl), "Ctrl+Space"},
        {ShortCut(0x0D, ssAlt), "Alt+Enter"},
        {ShortCut(0xC0, ssAlt), "Alt+`"},
        {ShortCut(0xBF, ssAlt), "Alt+/"},
        {ShortCut('1', ssAlt), "Alt+1"},
        {ShortCut(0x21, ssCtrl), "Ctrl+PgUp"},
        {ShortCut(0x73, ssAlt), "Alt+F4"},
        {ShortCut(0x87, 0), "F24"},
        {ShortCut(0x65, 0), "Num 5"},
        {ShortCut('A', ssLeft | ssDouble), "A"},  // mouse bits are no part of a shortcut
        {0, ""},
        {ShortCut(0xFF, ssCtrl), ""},  // a key without a name
    };
    for (const auto& [sc, text] : cases) EXPECT_EQ(ShortCutToText(sc), text) << std::hex << sc;
    EXPECT_EQ(ShortCut(0x1FF, 0), scNone);

    uint16_t key = 0;
    TShiftState shift = 0;
    ShortCutToKey(ShortCut(0x22, ssCtrl | ssAlt | ssShift), key, shift);
    EXPECT_EQ(key, 0x22);
    EXPECT_EQ(shift, ssCtrl | ssAlt | ssShift);
}

TEST(ShortCuts, AcceleratorOfACaption) {
    EXPECT_EQ(AccelChar("&File"), 'F');
    EXPECT_EQ(AccelChar("Save &as"), 'A');
    EXPECT_EQ(AccelChar("Font && &Directories"), 'D');  // "&&" is a literal ampersand
    EXPECT_EQ(AccelChar("Font && Directories"), 0);
    EXPECT_EQ(AccelChar("trailing&"), 0);
    EXPECT_TRUE(IsAccel('f', "&File"));
    EXPECT_TRUE(IsAccel('F', "&file"));
    EXPECT_FALSE(IsAccel('i', "&File"));
    EXPECT_FALSE(IsAccel('x', "No accelerator"));
    EXPECT_EQ(StripHotkey("Font && &Directories"), "Font & Directories");
    EXPECT_EQ(StripHotkey("&OK"), "OK");
}

}  // namespace
