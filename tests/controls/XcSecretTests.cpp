// The secret panel under a real window: playing hides the children and scrolls the lines,
// each tick on the main thread; at the end the children come back.
#include <windows.h>

#include "ControlKit.h"
#include "controls/XcSecret.h"
#include "framework/StdCtrls.h"

using namespace uitest;

namespace {

class SecretPanel : public ControlForm {};

class CountingPanel : public TSecretPanel {
public:
    using TSecretPanel::TSecretPanel;
    int ticks = 0, otherThread = 0;

protected:
    void TimerExpired() override {
        ++ticks;
        if (GetCurrentThreadId() != GetWindowThreadProcessId(Handle(), nullptr)) ++otherThread;
        TSecretPanel::TimerExpired();
    }
};

TEST_F(SecretPanel, ScrollsOnTheMainThreadAndRestoresItsChildren) {
    auto* panel = new CountingPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 200, 90);
    panel->SetCaption("not drawn");
    panel->Font()->SetSize(12);
    panel->SetTextStyle(bvLowered);
    for (const char* s : {"", "  ", "Quiro 2", "\xC7\xD1\xB1\xDB terminal", "for BBS"})
        panel->Lines()->Add(s);
    auto* edit = new TEdit(panel);
    edit->SetParent(panel);
    edit->SetBounds(10, 10, 100, 21);
    auto* button = new TButton(panel);
    button->SetParent(panel);
    button->SetBounds(10, 40, 75, 25);
    int started = 0, stopped = 0;
    panel->OnStartPlay = [&](TComponent*) { ++started; };
    panel->OnStopPlay = [&](TComponent*) { ++stopped; };
    ShowForm();
    ASSERT_TRUE(IsWindowVisible(edit->Handle()));

    panel->SetInterval(5);
    panel->Play();
    EXPECT_EQ(started, 1);
    EXPECT_FALSE(IsWindowVisible(edit->Handle()));
    EXPECT_FALSE(IsWindowVisible(button->Handle()));
    EXPECT_TRUE(PumpUntil([&] { return panel->ScrollPosition() >= panel->ScrollMaximum() / 2; }));
    Shot("secret-panel-playing");
    EXPECT_TRUE(PumpUntil([&] { return stopped == 1; }, 20000));
    EXPECT_FALSE(panel->Active());
    EXPECT_EQ(panel->ScrollPosition(), 0);
    EXPECT_TRUE(IsWindowVisible(edit->Handle()));
    EXPECT_TRUE(IsWindowVisible(button->Handle()));
    // Two blank lines skipped: the text area's height and three lines, a pixel a tick.
    EXPECT_GE(panel->ticks, panel->ScrollMaximum());
    EXPECT_EQ(panel->otherThread, 0);

    // Cycled: it starts again instead of stopping; Stop ends it.
    panel->Cycled = true;
    panel->Play();
    int seen = 0;
    EXPECT_TRUE(PumpUntil([&] {
        seen = std::max(seen, panel->ScrollPosition());
        return seen >= panel->ScrollMaximum() && panel->ScrollPosition() < 10;
    }, 20000));
    EXPECT_TRUE(panel->Active());
    panel->Stop();
    EXPECT_EQ(stopped, 2);
}

}  // namespace
