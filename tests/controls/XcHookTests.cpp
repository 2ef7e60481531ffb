// Hooks on real windows: re-created and freed controls, a nested loop inside a handler,
// and a foreign subclass put over a hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "controls/XcHook.h"
#include "framework/Forms.h"

namespace {

using Log = std::vector<std::string>;
constexpr UINT kPing = WM_APP + 21;

bool Logged(UINT msg) {
    return msg == kPing || msg == WM_DESTROY;
}

// Logs "P" when a logged message reaches its own procedure; answers a ping with 1.
class Probe : public TWinControl {
public:
    Probe(TComponent* owner, Log& log) : TWinControl(owner), log(log) {
        SetParent(dynamic_cast<TWinControl*>(owner));
    }
    Log& log;
    void WndProc(TMessage& m) override {
        if (Logged(m.Msg)) log.push_back("P");
        TWinControl::WndProc(m);
        if (m.Msg == kPing) m.Result = 1;
    }
};

class Hooks : public ::testing::Test {
protected:
    void SetUp() override {
        app.OnException = [this](TComponent*, std::exception_ptr e) {
            errors.push_back(TApplication::ExceptionMessage(e));
        };
        app.ProcessMessages();  // records of earlier tests are released
        baseline = Records();
    }
    // Logs "b<tag>"/"a<tag>"; the before-handler handles with result 42 ('H') or throws ('X').
    TXcWindowHook* AddHook(const std::string& tag, char before = '-', TWinControl* on = nullptr) {
        auto* hook = new TXcWindowHook(form);
        hook->BeforeMessage = [this, tag, before](TComponent*, TMessage& m, bool& handled) {
            if (!Logged(m.Msg)) return;
            log.push_back("b" + tag);
            if (before == 'X') throw std::runtime_error("hook failed");
            if (before == 'H') handled = true, m.Result = 42;
        };
        hook->AfterMessage = [this, tag](TComponent*, TMessage& m, bool&) {
            if (Logged(m.Msg)) log.push_back("a" + tag);
        };
        hook->SetWinControl(on ? on : probe);
        return hook;
    }
    LRESULT Ping() {
        log.clear();
        return SendMessageA(probe->Handle(), kPing, 0, 0);
    }
    static int Records() { return HookListInstance() ? HookListInstance()->Count() : 0; }

    Log log, errors;  // outlive the application, whose end the hooks may still see
    TApplication app;
    TForm* form = app.CreateForm<TForm>();
    Probe* probe = new Probe(form, log);
    int baseline = 0;
};

TEST_F(Hooks, TwoHooksOnARecreatedControl) {
    AddHook("1", 'X');
    auto* second = AddHook("2", 'H');
    EXPECT_EQ(Ping(), 42);  // what the handling before-handler wrote
    second->SetActive(false);
    EXPECT_EQ(Ping(), 1);  // a failing handler is reported and the message goes on
    EXPECT_EQ(log, (Log{"b1", "P", "a1"}));
    EXPECT_EQ(errors, (Log{"hook failed"}));
    second->SetActive(true);
    log.clear();
    probe->RecreateWnd();  // a handled WM_DESTROY still reaches the control
    EXPECT_EQ(log, (Log{"b2", "P", "a2"}));
    Ping();
    EXPECT_EQ(log, (Log{"P"}));  // the new window is not watched yet
    app.ProcessMessages();
    Ping();
    EXPECT_EQ(log, (Log{"b2"}));
}

TEST_F(Hooks, FreedInEveryOrder) {
    auto* other = new Probe(form, log);
    auto* onProbe = AddHook("1");
    auto* onOther = AddHook("2", '-', other);
    auto* onForm = new TXcWindowHook(form);
    onForm->SetIsForm(true);
    EXPECT_TRUE(onForm->IsForm());
    log.clear();
    delete probe;  // the control first: its hooks are not called with it
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(onProbe->WinControl(), nullptr);
    onOther->SetActive(false);
    delete other;    // a deactivated hook's control
    delete onProbe;  // a hook whose control is gone
    AddHook("3", '-', new Probe(form, log));
    log.clear();
    delete form;  // the form, watched by a hook it owns; its hooks no longer call it
    EXPECT_EQ(log, (Log{"P"}));
    app.ProcessMessages();
    EXPECT_EQ(Records(), baseline);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Hooks, AHookLetGoInsideItsHandlerWhileTheQueueIsPumped) {
    auto* hook = AddHook("1");
    hook->BeforeMessage = [this, hook](TComponent*, TMessage& m, bool&) {
        if (m.Msg != kPing) return;
        hook->SetWinControl(nullptr);
        app.ProcessMessages();  // a nested loop: the record must outlive this message
    };
    EXPECT_EQ(Ping(), 1);
    app.ProcessMessages();
    EXPECT_EQ(Records(), baseline);
}

// Stands in for a subclass that other code installs over a hook and never removes.
WNDPROC gUnder = nullptr;
LRESULT CALLBACK Foreign(HWND h, UINT m, WPARAM w, LPARAM l) {
    return CallWindowProcA(gUnder, h, m, w, l);
}

TEST_F(Hooks, AForeignSubclassOverAHookOutlivesIt) {
    auto* hook = AddHook("1");
    HWND h = probe->Handle();
    gUnder = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Foreign)));
    delete hook;
    app.ProcessMessages();  // the record is freed
    EXPECT_EQ(Records(), baseline);
    EXPECT_EQ(Ping(), 1);
    AddHook("2");  // a new hook joins the chain still under the foreign subclass
    Ping();
    EXPECT_EQ(log, (Log{"b2", "P", "a2"}));
}

}  // namespace
