// Spin edits under real windows: the buttons step the text, leaving the edit holds it to
// the limits, the text keeps clear of the button; a held diagonal spin button repeats.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "ControlKit.h"
#include "controls/XcSpin.h"

using namespace uitest;

namespace {

class SpinEdits : public ControlForm {
public:
    void SetUp() override {
        ControlForm::SetUp();
        standard = new TXcSpinEdit(form);
        standard->SetParent(form);
        standard->SetButtonKind(bkStandard);
        standard->SetAlignment(taRightJustify);
        standard->SetBounds(20, 20, 120, 21);
        standard->SetMinValue(1);
        standard->SetMaxValue(10);
        standard->SetValue(9);
        standard->OnChange = [this](TComponent*) { ++changes; };

        diagonal = new TXcSpinEdit(form);
        diagonal->SetParent(form);
        diagonal->SetBounds(20, 60, 120, 24);
        diagonal->SetValueType(vtFloat);
        diagonal->SetIncrement(0.25);
        diagonal->SetValue(1.5);

        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(20, 100, 120, 21);
        ShowForm();
    }
    std::string Text(TWinControl* c) {
        char buf[64] = {};
        GetWindowTextA(c->Handle(), buf, sizeof buf);
        return buf;
    }
    TXcSpinEdit* standard = nullptr;
    TXcSpinEdit* diagonal = nullptr;
    TEdit* other = nullptr;
    int changes = 0;
};

TEST_F(SpinEdits, UpDownStepsClampsAndLeavesRoomForItself) {
    HWND updown = standard->UpDown()->Handle();
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(updown, UDM_GETBUDDY, 0, 0)),
              standard->Handle());
    RECT r{};
    SendMessageA(standard->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    // The text ends 2 pixels before the button (less the edit's margin and the pixel the
    // system keeps inside a sunken edge).
    const int room = standard->ClientWidth() - standard->UpDown()->Width() - 2;
    LRESULT margins = SendMessageA(standard->Handle(), EM_GETMARGINS, 0, 0);
    EXPECT_LE(r.right, room);
    EXPECT_GE(r.right, room - 1 - HIWORD(margins));
    RECT ud;
    GetWindowRect(updown, &ud);
    EXPECT_EQ(ud.right - ud.left, 15);  // at most 15 wide

    RECT client;
    GetClientRect(updown, &client);
    ClickAt(updown, client.right / 2, 2);  // the upper button
    EXPECT_EQ(Text(standard), "10");
    EXPECT_EQ(changes, 1);
    ClickAt(updown, client.right / 2, 2);  // at the top: no change
    EXPECT_EQ(Text(standard), "10");
    EXPECT_EQ(changes, 1);
    ClickAt(updown, client.right / 2, client.bottom - 2);
    EXPECT_EQ(Text(standard), "9");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(form->ActiveControl(), standard);  // a press focuses the edit
    EXPECT_EQ(SendMessageA(updown, UDM_GETPOS32, 0, 0), 0);  // back in the middle

    // The arrow keys go through the up-down (its buddy link).
    PressKey(VK_DOWN, 0, standard->Handle());
    EXPECT_EQ(Text(standard), "8");

    // Typed: digits only; out of the limits until the edit is left.
    SendMessageA(standard->Handle(), EM_SETSEL, 0, -1);
    for (char c : std::string("5x0")) PostMessageA(standard->Handle(), WM_CHAR, c, 1);
    Pump();
    EXPECT_EQ(Text(standard), "50");
    other->SetFocus();
    Pump();
    EXPECT_EQ(Text(standard), "10");
    EXPECT_EQ(standard->Value(), 10);

    // Too low a height comes back to the least the font needs.
    standard->SetHeight(6);
    EXPECT_GE(standard->Height(), 4 + 1 + 8);
    Shot("spin-edits");
}

TEST_F(SpinEdits, DiagonalButtonHalves) {
    EXPECT_EQ(Text(diagonal), "1.50");
    TXcSpinButton* button = diagonal->SpinButton();
    ASSERT_NE(button, nullptr);
    HWND holder = button->Parent()->Handle();
    const int size = button->Width();
    EXPECT_EQ(size, diagonal->ClientHeight());
    EXPECT_EQ(button->Parent()->Left() + size, diagonal->ClientWidth());

    ClickAt(holder, 3, 3);  // the upper half
    EXPECT_EQ(Text(diagonal), "1.75");
    ClickAt(holder, size - 3, size - 3);
    ClickAt(holder, size - 3, size - 3);
    EXPECT_EQ(Text(diagonal), "1.25");
    EXPECT_EQ(form->ActiveControl(), diagonal);
}

// A spin button whose left button counts as down while the test holds it (the thread's key
// state is shared with the other programs on the display).
class HeldSpinButton : public TXcSpinButton {
public:
    using TXcSpinButton::TXcSpinButton;
    bool held = false;

protected:
    bool LeftButtonDown() const override { return held; }
};

TEST_F(SpinEdits, HeldSpinButtonRepeats) {
    auto* button = new HeldSpinButton(form);
    button->SetParent(form);
    button->SetBounds(200, 60, 20, 20);
    std::vector<DWORD> clicks;
    button->OnTopClick = [&](TComponent*) { clicks.push_back(GetTickCount()); };
    int bottoms = 0;
    button->OnBottomClick = [&](TComponent*) { ++bottoms; };
    TSpinButtonState held = sbNotDown;
    for (int attempt = 0; attempt < 5; ++attempt) {
        clicks.clear();
        button->held = true;
        bool valid = HoldLeftButton(
            form->Handle(), POINT{203, 63}, [&] { return clicks.size() >= 4; },
            [&] {
                held = button->State();
                Shot("spin-button-held");
                button->held = false;
            });
        if (valid) break;
    }
    EXPECT_EQ(held, sbTopDown);
    EXPECT_EQ(button->State(), sbNotDown);
    EXPECT_EQ(bottoms, 0);
    ASSERT_GE(clicks.size(), 4u);
    EXPECT_GE(clicks[1] - clicks[0], 350u);
    EXPECT_LT(clicks[1] - clicks[0], 1500u);
    for (size_t i = 2; i < clicks.size(); ++i) {
        EXPECT_GE(clicks[i] - clicks[i - 1], 80u) << i;
        EXPECT_LT(clicks[i] - clicks[i - 1], 1000u) << i;
    }
}

}  // namespace
