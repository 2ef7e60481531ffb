// The message-loop contract every window of the program relies on.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/WindowUtils.h"
#include "framework/core/Exception.h"
#include "framework/core/SysUtils.h"

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kThrow = WM_APP + 2;
constexpr UINT kStop = WM_APP + 3;

class ProbeForm : public TForm {
public:
    explicit ProbeForm(TComponent* owner) : TForm(owner) {}
    std::vector<UINT> seen;
    void WndProc(TMessage& m) override {
        if (m.Msg == kPing || m.Msg == kStop) seen.push_back(m.Msg);
        if (m.Msg == kThrow) throw Exception("thrown in a window procedure");
        if (m.Msg == kStop && Application) Application->Terminate();
        TForm::WndProc(m);
    }
};

class Loop : public ::testing::Test {
protected:
    void SetUp() override {
        // A stray WM_QUIT of an earlier test must not end this one.
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        app.OnException = [this](TComponent*, std::exception_ptr e) {
            errors.push_back(TApplication::ExceptionMessage(e));
        };
    }
    TApplication app;
    std::vector<std::string> errors;
};

TEST_F(Loop, OnMessageSeesPostedMessagesFirstAndCanSwallowThem) {
    auto* form = new ProbeForm(&app);
    HWND h = form->Handle();
    std::vector<UINT> order;
    app.OnMessage = [&](MSG& msg, bool& handled) {
        if (msg.hwnd != h) return;
        order.push_back(msg.message);
        if (msg.message == kPing && msg.wParam == 1) handled = true;  // swallowed
    };
    PostMessageA(h, kPing, 1, 0);
    PostMessageA(h, kPing, 2, 0);
    PostMessageA(h, kStop, 0, 0);
    app.Run();
    EXPECT_EQ(order, (std::vector<UINT>{kPing, kPing, kStop}));
    EXPECT_EQ(form->seen, (std::vector<UINT>{kPing, kStop}));  // the swallowed one never arrived
    EXPECT_TRUE(app.Terminated());
}

// Keys typed while posted messages wait go first, each key's character right after it;
// a character posted before the keys comes before them.
TEST_F(Loop, WaitingKeysAndTheirCharactersGoBeforePostedMessages) {
    auto* form = new ProbeForm(&app);
    HWND h = form->Handle();
    form->Show();
    SetForegroundWindow(h);
    SetFocus(h);
    ASSERT_EQ(GetFocus(), h);
    std::vector<std::pair<UINT, WPARAM>> order;
    app.OnMessage = [&](MSG& msg, bool&) {
        if (msg.hwnd == h && (msg.message == kPing || msg.message == kStop ||
                              (msg.message >= WM_KEYDOWN && msg.message <= WM_CHAR)))
            order.emplace_back(msg.message, msg.wParam);
    };
    PostMessageA(h, kPing, 0, 0);
    PostMessageA(h, WM_CHAR, 'x', 0);
    PostMessageA(h, kStop, 0, 0);
    std::vector<INPUT> keys;
    for (WORD vk : {WORD('A'), WORD('B')})
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.dwFlags = up;
            keys.push_back(in);
        }
    ASSERT_EQ(SendInput(UINT(keys.size()), keys.data(), sizeof(INPUT)), keys.size());
    ASSERT_NE(HIWORD(GetQueueStatus(QS_KEY)) & QS_KEY, 0u);
    app.Run();
    const std::vector<std::pair<UINT, WPARAM>> expected{
        {WM_CHAR, 'x'}, {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYUP, 'A'}, {WM_KEYDOWN, 'B'},
        {WM_CHAR, 'b'}, {WM_KEYUP, 'B'},   {kPing, 0},      {kStop, 0}};
    EXPECT_EQ(order, expected);
}

TEST_F(Loop, OnIdleRunsOnceTheQueueIsEmpty) {
    auto* form = new ProbeForm(&app);
    HWND h = form->Handle();
    int idles = 0;
    size_t seenAtIdle = 0;
    app.OnIdle = [&](TComponent*, bool& done) {
        ++idles;
        seenAtIdle = form->seen.size();
        app.Terminate();
        done = true;
    };
    for (int i = 0; i < 5; ++i) PostMessageA(h, kPing, 0, 0);
    app.Run();
    EXPECT_GE(idles, 1);
    EXPECT_EQ(seenAtIdle, 5u);
}

TEST_F(Loop, ExceptionInAWindowProcedureReachesOnExceptionAndTheLoopGoesOn) {
    auto* form = new ProbeForm(&app);
    HWND h = form->Handle();
    PostMessageA(h, kThrow, 0, 0);
    PostMessageA(h, kPing, 0, 0);
    PostMessageA(h, kStop, 0, 0);
    app.Run();
    EXPECT_EQ(errors, std::vector<std::string>{"thrown in a window procedure"});
    EXPECT_EQ(form->seen, (std::vector<UINT>{kPing, kStop}));
}

TEST_F(Loop, ExceptionInOnMessageIsHandledTooAndTheSilentOneSaysNothing) {
    auto* form = new ProbeForm(&app);
    HWND h = form->Handle();
    app.OnMessage = [&](MSG& msg, bool&) {
        if (msg.message == kPing && msg.wParam == 1) Abort();
        if (msg.message == kPing) throw std::runtime_error("bad filter");
    };
    PostMessageA(h, kPing, 1, 0);
    PostMessageA(h, kPing, 0, 0);
    PostMessageA(h, kStop, 0, 0);
    app.Run();
    EXPECT_EQ(errors, std::vector<std::string>{"bad filter"});
}

TEST_F(Loop, ModalLoopKeepsTheContract) {
    auto* form = new ProbeForm(&app);
    HWND h = form->Handle();
    int filtered = 0;
    app.OnMessage = [&](MSG& msg, bool&) {
        if (msg.hwnd == h && msg.message == kPing) ++filtered;
    };
    int idles = 0;
    app.OnIdle = [&](TComponent*, bool& done) {
        ++idles;
        form->ModalResult = mrOk;
        done = false;
    };
    PostMessageA(h, kPing, 0, 0);
    PostMessageA(h, kThrow, 0, 0);
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(filtered, 1);
    EXPECT_GE(idles, 1);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(form->Visible());
}

TEST_F(Loop, CloseAsksFirstAndClosingTheMainFormEndsTheProgram) {
    auto* main = app.CreateForm<ProbeForm>();
    auto* other = app.CreateForm<ProbeForm>();
    EXPECT_EQ(app.MainForm(), main);
    bool allow = false;
    main->OnCloseQuery = [&](TComponent*, bool& can) { can = allow; };
    other->Show();
    other->Close();
    EXPECT_FALSE(other->Visible());  // a secondary form hides by default
    main->Show();
    PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
    app.ProcessMessages();
    EXPECT_TRUE(main->Visible());
    EXPECT_FALSE(app.Terminated());
    allow = true;
    PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
    app.Run();
    EXPECT_TRUE(app.Terminated());
}

TEST_F(Loop, FormFreedFromItsOwnCloseHandler) {
    auto* main = app.CreateForm<ProbeForm>();
    auto* other = app.CreateForm<ProbeForm>();
    other->OnClose = [](TComponent*, TCloseAction& a) { a = caFree; };
    other->Show();
    other->Close();
    app.ProcessMessages();
    EXPECT_EQ(app.ComponentCount(), 1);
    EXPECT_EQ(app.Components(0), main);
}

TEST_F(Loop, UtilityWindowDeliversToItsMethod) {
    std::vector<UINT> got;
    HWND h = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == kPing) {
            got.push_back(m.Msg);
            m.Result = 42;
            return;
        }
        if (m.Msg == kThrow) throw Exception("method failed");
        DefaultUtilMessage(nullptr, m);
    });
    EXPECT_EQ(SendMessageA(h, kPing, 0, 0), 42);
    SendMessageA(h, kThrow, 0, 0);
    EXPECT_EQ(errors, std::vector<std::string>{"method failed"});
    DeallocateHWnd(h);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(got.size(), 1u);
}

}  // namespace
