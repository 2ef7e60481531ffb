// The on-line memo window and the character table on their own, under Wine: the memo's
// text, clearing and font; the table's cells against the built-in fonts, its highlight,
// its keys and its picks. The road from a host and the keyboard is the console's
// end-to-end test.
#include <gtest/gtest.h>

#include <memory>

#include "controls/RichEditKit.h"  // K(): Korean text in code page 949
#include "engines/core/DravelHanguel.h"
#include "framework/Libraries.h"
#include "framework/UiTestKit.h"
#include "windows/CharTable.h"
#include "windows/OnLineMemo.h"

namespace {

struct FakeTableHost : CharacterTableHost {
    std::string console, editor;
    TForm* windows[2] = {nullptr, nullptr};
    void PickToConsole(const std::string& bytes) override { console += bytes; }
    void PickToEditor(const std::string& bytes) override { editor += bytes; }
    TForm* TargetWindow(int target) override { return target == 0 || target == 1 ? windows[target] : nullptr; }
};

struct MainForm : ::testing::Test {
    void SetUp() override {
        StartLibraries();
        uitest::DrainQueue();
        main = app.CreateForm<TForm>();
        main->SetCaption("Quiro 2 [ bbs ]");
        main->SetBounds(40, 40, 560, 300);
        main->Show();
    }
    TApplication app;
    TForm* main = nullptr;
};

struct Memo : MainForm {};

TEST_F(Memo, ClearsAndTakesANewFont) {
    auto* memo = new TOnLineMemoForm(main);
    memo->Clock = [] { return EncodeDate(2024, 5, 1) + EncodeTime(21, 7, 3, 0); };
    TFont font;
    font.SetName(K("굴림체"));
    font.SetSize(12);
    font.SetCharset(HANGEUL_CHARSET);
    memo->SetMemoFont(font);
    memo->Show();
    TXcRichEdit* view = memo->ONLINEMEMO_View;
    memo->AddMemo(K("  첫 메모"));
    memo->AddMemo("x");
    EXPECT_EQ(view->GetTextRange(0, view->TextLength()), "[09:07:03 PM] " + K("첫 메모") + "\r[09:07:03 PM] x\r");
    memo->ONLINEMEMO_MENU_ClearClick();
    memo->AddMemo("after");
    EXPECT_EQ(view->GetTextRange(0, view->TextLength()), "[09:07:03 PM] after\r");
    // A new font: the text already there takes its face, size and colour.
    font.SetSize(15);
    font.SetColor(clMaroon);
    memo->SetMemoFont(font);
    view->SetSelection(2, 4, false);
    EXPECT_EQ(view->SelAttributes()->Size(), 15);
    EXPECT_EQ(view->SelAttributes()->Color(), clMaroon);
    EXPECT_EQ(view->SelAttributes()->Name(), K("굴림체"));
}

struct Table : MainForm {
    void SetUp() override {
        MainForm::SetUp();
        editorWindow = app.CreateForm<TForm>();
        editorWindow->SetCaption(" bbs - Capture Edit [untitled]");
        host.windows[0] = main;
        host.windows[1] = editorWindow;
        table = new TCharacterTableForm(main, host);
        ASSERT_EQ(fonts.LoadBitmapFonts(nullptr), 1) << fonts.BitmapFontError();
    }
    // The cell of a code in the built-in fonts: its ink at (x, y).
    bool FontInk(uint16_t code, int x, int y) {
        const int lead = code >> 8, trail = code & 0xFF;
        const bool hanja = lead >= 0xCA;
        const MonoImage& font = hanja ? fonts.BitmapFonts().hanja : fonts.BitmapFonts().ksc5601;
        return font.Ink((trail - 0xA1) * 16 + x, (lead - (hanja ? 0xCA : 0xA1)) * 16 + y);
    }
    // A point of the paint box, in the client coordinates of the window it is drawn on.
    POINT At(int x, int y) {
        return POINT{table->CTABLE_PaintBox->Left() + x, table->CTABLE_PaintBox->Top() + y};
    }
    HWND Tabs() { return table->CTABLE_TabCtrl_CharGroup->Handle(); }
    void MouseTo(int x, int y) {
        const POINT p = At(x, y);
        PostMessageA(Tabs(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        uitest::Pump();
    }
    bool Dark(int x, int y) {
        const POINT p = At(x, y);
        return uitest::PixelAt(Tabs(), p.x, p.y) == RGB(0, 0, 0);
    }
    // A paper pixel of the cell of `code` (the glyph leaves some).
    POINT Paper(uint16_t code) {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (!FontInk(code, x, y)) return POINT{x, y};
        return POINT{-1, -1};
    }

    FakeTableHost host;
    TForm* editorWindow = nullptr;
    TCharacterTableForm* table = nullptr;
    TDravelHanguel fonts;
};

// Every cell of the Symbol, Hanguel and Hanja tabs is the font's cell, black on white, and
// the rest of the grid is blank.
TEST_F(Table, CellsAreTheBuiltInFontsCells) {
    EXPECT_EQ(table->TabIndex(), 3);  // no syllable: the Symbol tab
    struct Tab {
        int tab;
        uint16_t syllable;
        size_t cells;
    } tabs[] = {{3, 0, 183}, {1, 0, 93}, {0, 0xC7D1, 14}};
    for (const Tab& t : tabs) {
        if (t.syllable)
            table->SetHanjaSyllable(t.syllable);
        else
            table->SelectTab(t.tab);
        ASSERT_EQ(table->TabIndex(), t.tab);
        ASSERT_EQ(table->Cells().size(), t.cells);
        TBitmap grid;
        grid.SetPixelFormat(pf24bit);
        grid.SetSize(480, 112);
        table->PaintCells(grid.Canvas());
        int wrong = 0;
        for (int y = 0; y < 112; ++y)
            for (int x = 0; x < 480; ++x) {
                const size_t cell = static_cast<size_t>(y / 16 * 30 + x / 16);
                const bool ink = cell < t.cells && FontInk(table->Cells()[cell], x % 16, y % 16);
                wrong += (grid.Canvas()->Pixels(x, y) == clBlack) != ink;
            }
        EXPECT_EQ(wrong, 0) << "tab " << t.tab;
    }
    // The reading's Hanja in order, from its first (0xF9CE, U+5BD2 in glibc's table).
    EXPECT_EQ(table->Cells().front(), 0xF9CE);
}

TEST_F(Table, HoverInvertsACellAndRestoresIt) {
    table->Show();
    uitest::Pump();
    const std::vector<uint16_t>& cells = table->Cells();
    const POINT a = Paper(cells[0]), b = Paper(cells[31]);
    ASSERT_GE(a.x, 0);
    ASSERT_GE(b.x, 0);
    EXPECT_FALSE(Dark(a.x, a.y));
    MouseTo(5, 5);
    EXPECT_EQ(table->Highlighted(), 0);
    EXPECT_TRUE(Dark(a.x, a.y));
    MouseTo(16 + 5, 16 + 5);
    EXPECT_EQ(table->Highlighted(), 31);
    EXPECT_FALSE(Dark(a.x, a.y));
    EXPECT_TRUE(Dark(16 + b.x, 16 + b.y));
    // A repaint draws the highlight as it stands.
    table->CTABLE_PaintBox->Invalidate();
    uitest::Pump();
    EXPECT_TRUE(Dark(16 + b.x, 16 + b.y));
    EXPECT_FALSE(Dark(a.x, a.y));
}

// (The console's picks by key and by mouse are the end-to-end test's.) Kept visible, for
// the editor: Space picks; Esc closes; the caption names the window served.
TEST_F(Table, KeptVisibleItPicksForTheEditorUntilEsc) {
    table->SetHanjaSyllable(0);
    table->SetTarget(TableTargetConsole);
    EXPECT_EQ(table->Caption(), "Quiro 2 [ bbs ]");
    table->SetTarget(TableTargetEditor);
    EXPECT_EQ(table->Caption(), " bbs - Capture Edit [untitled]");
    table->CTABLE_BTN_KeepVisible->SetDown(true);
    table->Show();
    uitest::Pump();
    const HWND window = table->Handle();
    uitest::PressKey(VK_TAB, ssShift, window);  // Symbol -> Wide ASCII
    uitest::PressKey(VK_RIGHT, 0, window);      // the first cell, "!"
    uitest::PressKey(VK_SPACE, 0, window);
    uitest::PressKey(VK_SPACE, 0, window);
    EXPECT_EQ(host.editor, "\xA3\xA1\xA3\xA1");
    EXPECT_EQ(host.console, "");
    EXPECT_TRUE(table->Visible());
    uitest::PressKey(VK_ESCAPE, 0, window);
    EXPECT_FALSE(table->Visible());
    table->SetTarget(TableTargetNone);
    EXPECT_EQ(table->Caption(), " Character Table ");
}

}  // namespace
