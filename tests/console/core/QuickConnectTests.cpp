#include "console/core/QuickConnect.h"

#include <gtest/gtest.h>

#include "framework/core/MemIniStore.h"

namespace {

std::string Shown(const QuickConnectButton& b) {
    return std::to_string(b.favourite) + " " + b.caption + " " + b.address + (b.phone ? " phone " : " lan ") +
           std::to_string(b.left) + "+" + std::to_string(b.width);
}

// Buttons sit side by side from the given left: each as wide as its caption (8 pixels a
// byte here) with a 16-pixel glyph's room on both sides; names match the book's whatever
// their case.
TEST(QuickConnect, OneButtonPerFavouriteWithAnAddress) {
    const MemIniStore book = MemIniStore::Parse(
        "[Woods]\nAddress=telnet://woods.example\n[Modem]\nAddress=5550100\n"
        "[Empty]\nAddress=\n[Serial]\nAddress=com://1,9600\n[Plain]\n[Dial]\nAddress=phone://bbs\n");
    const std::array<std::string, 5> favourites{"woods", "Modem", "Gone", "Serial", "Dial"};
    std::vector<std::string> shown;
    for (const QuickConnectButton& b : PlanQuickConnectButtons(
             book, favourites, 92, 16, [](std::string_view caption) { return int(caption.size()) * 8; }))
        shown.push_back(Shown(b));
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "0 woods telnet://woods.example lan 92+72",
                         "1 Modem 5550100 phone 164+72",
                         "3 Serial com://1,9600 lan 236+80",
                         "4 Dial phone://bbs phone 316+64",
                     }));
    // An empty address, a section without one and empty favourites give nothing.
    const std::array<std::string, 5> none{"Empty", "", "Plain", "", ""};
    EXPECT_TRUE(PlanQuickConnectButtons(book, none, 0, 16, [](std::string_view) { return 10; }).empty());
}

// On a bar too short for them the buttons shrink until all are on it: the narrow ones keep
// their width, the wide ones share the rest; where they fit they stay as planned.
TEST(QuickConnect, ButtonsShrinkToTheBar) {
    const struct {
        std::vector<int> widths;
        int right;
        const char* placed;  // left+width of each
    } rows[] = {
        {{72, 72, 80}, 400, "92+72 164+72 236+80"},
        {{72, 72, 80}, 316, "92+72 164+72 236+80"},
        {{72, 72, 80}, 315, "92+72 164+72 236+79"},
        {{40, 200, 200}, 292, "92+40 132+80 212+80"},
        {{40, 200, 200}, 293, "92+40 132+81 213+80"},
        {{50, 50, 50, 50, 50}, 192, "92+20 112+20 132+20 152+20 172+20"},
        {{64, 64}, 92, "92+0 92+0"},
        {{64}, 50, "92+0"},
    };
    for (const auto& row : rows) {
        std::vector<QuickConnectButton> planned;
        for (int w : row.widths) {
            QuickConnectButton b;
            b.left = planned.empty() ? 92 : planned.back().left + planned.back().width;
            b.width = w;
            planned.push_back(b);
        }
        std::string placed;
        for (const QuickConnectButton& b : FitQuickConnectButtons(planned, row.right))
            placed += (placed.empty() ? "" : " ") + std::to_string(b.left) + "+" +
                      std::to_string(b.width);
        EXPECT_EQ(placed, row.placed) << row.right;
    }
}

}  // namespace
