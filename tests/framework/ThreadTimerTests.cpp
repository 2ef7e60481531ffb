// Timers that stop or free themselves in their tick, and threads whose Synchronize is
// served by the loops of the main thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "framework/Forms.h"
#include "framework/Threads.h"
#include "framework/Timers.h"
#include "framework/PumpUntil.h"

namespace {

TEST(Timer, FreesOrStopsItselfInItsTick) {
    TApplication app;
    int selfFreeing = 0, stopping = 0, witness = 0;
    auto* gone = new TTimer(nullptr);
    gone->SetInterval(1);
    gone->SetOnTimer([&](TComponent*) {
        ++selfFreeing;
        delete gone;
    });
    TTimer stops(nullptr);
    stops.SetInterval(1);
    stops.SetOnTimer([&](TComponent* sender) {
        ++stopping;
        static_cast<TTimer*>(sender)->SetEnabled(false);
    });
    TTimer counter(nullptr);
    counter.SetInterval(15);
    counter.SetOnTimer([&](TComponent*) { ++witness; });
    ASSERT_TRUE(PumpUntil([&] { return witness >= 4; }));
    EXPECT_EQ(selfFreeing, 1);
    EXPECT_EQ(stopping, 1);
    // Enabled again it ticks again; no handler means no timer.
    stops.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return stopping == 2; }));
    counter.SetOnTimer(nullptr);
    int before = witness;
    stops.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return stopping == 3; }));
    EXPECT_EQ(witness, before);
}

class FnThread : public TThread {
public:
    explicit FnThread(std::function<void(FnThread&)> body) : FBody(std::move(body)) {}
    ~FnThread() override {
        Terminate();
        if (!Suspended() && !FreeOnTerminate && !Finished()) WaitFor();
    }
    using TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(FnThread&)> FBody;
};

TEST(Thread, JoinedWhileItSynchronizes) {
    TApplication app;
    std::atomic<int> onMain{0};
    FnThread t([&](FnThread& self) {
        for (int i = 0; i < 3; ++i)
            self.Synchronize([&] { onMain += GetCurrentThreadId() == MainThreadID(); });
        self.ReturnValue = 42;
    });
    t.Start();
    EXPECT_EQ(t.WaitFor(), 42);  // would deadlock if WaitFor did not serve the requests
    EXPECT_EQ(onMain, 3);
    EXPECT_FALSE(t.FatalException);
}

TEST(Thread, ModalLoopServesSynchronize) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    std::unique_ptr<FnThread> t;
    form->OnShow = [&](TComponent*) {
        t = std::make_unique<FnThread>([&](FnThread& self) {
            self.Synchronize([&] { form->ModalResult = mrOk; });
        });
        t->Start();
    };
    EXPECT_EQ(form->ShowModal(), mrOk);
    t->WaitFor();
}

BOOL CALLBACK PressOk(HWND wnd, LPARAM found) {
    char title[64] = {};
    GetWindowTextA(wnd, title, sizeof title);
    if (std::string(title) == "Synchronize test") {
        PostMessageA(wnd, WM_COMMAND, IDOK, 0);
        *reinterpret_cast<bool*>(found) = true;
    }
    return TRUE;
}

TEST(Thread, MessageBoxLoopServesSynchronize) {
    TApplication app;
    bool found = false;
    FnThread t([&](FnThread& self) {
        // Runs inside the message box's own loop, the only loop the main thread runs.
        self.Synchronize([&] { EnumThreadWindows(GetCurrentThreadId(), &PressOk, reinterpret_cast<LPARAM>(&found)); });
    });
    t.Start();
    EXPECT_EQ(MessageBoxA(nullptr, "closed by a worker thread", "Synchronize test", MB_OK), IDOK);
    t.WaitFor();
    EXPECT_TRUE(found);
}

TEST(Thread, ExceptionsGoBackToTheirThreadAndSelfFreeingThreadsFreeThemselves) {
    TApplication app;
    std::string caught;
    FnThread t([&](FnThread& self) {
        try {
            self.Synchronize([] { throw Exception("from the main thread"); });
        } catch (const Exception& e) {
            caught = e.Message;
        }
        throw Exception("ends Execute");
    });
    t.Start();
    t.WaitFor();
    EXPECT_EQ(caught, "from the main thread");
    ASSERT_TRUE(t.FatalException);
    EXPECT_EQ(TApplication::ExceptionMessage(t.FatalException), "ends Execute");

    std::atomic<bool> freed{false};
    struct Flagged : FnThread {
        std::atomic<bool>& f;
        Flagged(std::atomic<bool>& flag)
            : FnThread([](FnThread& self) { self.Synchronize([] {}); }), f(flag) {}
        ~Flagged() override { f = true; }
    };
    auto* loose = new Flagged(freed);
    loose->FreeOnTerminate = true;
    EXPECT_THROW(loose->WaitFor(), EThread);
    loose->Start();
    ASSERT_TRUE(PumpUntil([&] { return freed.load(); }));

    // Freeing a thread that never started does not hang.
    delete new FnThread([](FnThread&) { ADD_FAILURE() << "ran"; });
}

TEST(Event, WaitsAndTimesOut) {
    TEvent manual(true, false);
    EXPECT_EQ(manual.WaitFor(0), wrTimeout);
    manual.SetEvent();
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);
    TEvent automatic(false, true);
    EXPECT_EQ(automatic.WaitFor(0), wrSignaled);
    EXPECT_EQ(automatic.WaitFor(0), wrTimeout);
}

}  // namespace
