#include "framework/core/EditMask.h"

#include <gtest/gtest.h>

namespace {

TEST(EditMask, FieldsAndPositions) {
    TEditMask date = ParseEditMask("!99/99/9999;1; ", '-', ':');
    EXPECT_EQ(date.Length(), 10);
    EXPECT_TRUE(date.SaveLiterals);
    EXPECT_EQ(date.Blank, ' ');
    EXPECT_TRUE(date.IsLiteral(2));
    EXPECT_EQ(date.Positions[2].Literal, '-');  // the locale's date separator
    EXPECT_EQ(date.NextEditable(2), 3);
    EXPECT_EQ(date.PrevEditable(5), 4);
    EXPECT_EQ(date.NextEditable(10), 10);

    TEditMask code = ParseEditMask(">LL\\;0<l;0", '/', ':');
    EXPECT_FALSE(code.SaveLiterals);
    EXPECT_EQ(code.Blank, '_');
    EXPECT_EQ(code.Length(), 5);
    EXPECT_EQ(code.Positions[2].Literal, ';');
    char c = 'a';
    EXPECT_TRUE(code.Accepts(0, c));
    EXPECT_EQ(c, 'A');
    c = 'Q';
    EXPECT_TRUE(code.Accepts(4, c));
    EXPECT_EQ(c, 'q');
    c = '5';
    EXPECT_FALSE(code.Accepts(0, c));
    EXPECT_TRUE(code.Accepts(3, c));
    EXPECT_FALSE(code.Accepts(2, c));  // a literal
    c = '\xB0';                         // a lead byte counts as a letter
    EXPECT_TRUE(code.Accepts(1, c));
}

TEST(EditMask, EditTextAndText) {
    TEditMask date = ParseEditMask("!99/99/9999;1; ", '/', ':');
    const struct {
        const char* text;
        const char* edit;
    } rows[] = {
        {"12/25/2024", "12/25/2024"},
        {"", "  /  /    "},
        {"1225", "12/25/    "},
        {"12/x5/2024", "12/52/024 "},  // what does not fit is skipped
        {"1 /5 /2024", "1 /5 /2024"},  // blanks stay empty positions
    };
    for (const auto& r : rows) EXPECT_EQ(date.EditText(r.text), r.edit) << r.text;
    EXPECT_EQ(date.Text("12/25/2024"), "12/25/2024");

    TEditMask phone = ParseEditMask("000-0000;0;_", '/', ':');
    EXPECT_EQ(phone.EditText("1234567"), "123-4567");
    EXPECT_EQ(phone.EditText("12"), "12_-____");
    EXPECT_EQ(phone.Text("123-4567"), "1234567");
    EXPECT_EQ(phone.Text("12_-____"), "12     ");
}

}  // namespace
