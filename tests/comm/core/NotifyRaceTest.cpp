// A window handler and the notification's time-out. One still running when the time-out
// passes: the dispatcher must neither move on (re-notify, move the tail) nor let the
// handler's late reads fail or see other bytes: the notification stays open until the
// window procedure has returned. One taken by the window's thread only as its sender gave
// up: the message is sent again, and the two are handled once.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "comm/core/Dispatcher.h"
#include "comm/core/FakeDevice.h"

using namespace quiro::comm::test;

namespace {

constexpr TLinkWindow kWindow = 1;

// Stands for the main thread and its hidden port window: runs the port's handler for each
// posted trigger message, then tells the dispatcher that its procedure returned.
class WindowThread : public ILinkNotifier {
 public:
  explicit WindowThread(TLinkBaseDispatcher& d) : d_(d), thread_([this] { Run(); }) {}
  ~WindowThread() override {
    {
      std::lock_guard l(m_);
      quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }

  // The sender waits until the procedure returned, or, for a handler told to hang, until
  // it has started and read its first bytes, or, for a late pick-up, until the window's
  // thread has taken the message: the time-out has then passed, as far as the sender can
  // tell. A late message goes on once the next one is sent.
  TLinkNotifyOutcome SendTriggerMessage(TLinkWindow, uint32_t msg, uint32_t wParam, int32_t,
                                        uint32_t) override {
    std::unique_lock l(m_);
    queue_.push_back({msg, wParam});
    ++sent_;
    lateHeld_ = false;
    cv_.notify_all();
    cv_.wait(l, [&] { return returned_ == sent_ || (hanging_ && holding_) || lateHeld_; });
    return returned_ == sent_ ? TLinkNotifyOutcome::Delivered : TLinkNotifyOutcome::TimedOut;
  }

  void HangNextHandler() {
    std::lock_guard l(m_);
    hanging_ = true;
  }
  void TakeNextLate() {
    std::lock_guard l(m_);
    late_ = true;
  }
  int Handled() {
    std::lock_guard l(m_);
    return handled_;
  }
  void Release() {
    {
      std::lock_guard l(m_);
      hanging_ = false;
    }
    cv_.notify_all();
  }
  void WaitIdle() {
    std::unique_lock l(m_);
    cv_.wait(l, [&] { return returned_ == sent_ && queue_.empty(); });
  }
  std::string Read() {
    std::lock_guard l(m_);
    return read_;
  }
  int Messages() {
    std::lock_guard l(m_);
    return sent_;
  }
  int failedReads = 0;

 private:
  struct Msg {
    uint32_t id, wParam;
  };
  void Run() {
    for (;;) {
      Msg msg;
      {
        std::unique_lock l(m_);
        cv_.wait(l, [&] { return quit_ || !queue_.empty(); });
        if (quit_) return;
        msg = queue_.front();
        queue_.pop_front();
        if (late_) {
          late_ = false;
          lateHeld_ = true;
          cv_.notify_all();
          cv_.wait(l, [&] { return !lateHeld_; });
        }
      }
      // The window procedure.
      if (d_.NotifyEntering(kWindow)) {
        {
          std::lock_guard l(m_);
          ++handled_;
        }
        if (msg.id == LinkMsgTriggerAvail) Handle(msg.wParam);
        d_.NotifyDelivered();
      }
      {
        std::lock_guard l(m_);
        ++returned_;
        holding_ = false;
      }
      cv_.notify_all();
    }
  }
  // The application's OnTriggerAvail: reads everything announced, in two pieces; a hanging
  // handler stops between them until released.
  void Handle(uint32_t count) {
    std::string buf(count, '\0');
    uint32_t first = count / 2;
    bool ok = d_.GetBlock(reinterpret_cast<uint8_t*>(buf.data()), first) == 0;
    {
      std::unique_lock l(m_);
      if (hanging_) {
        holding_ = true;
        cv_.notify_all();
        cv_.wait(l, [&] { return !hanging_; });
      }
    }
    ok = ok && d_.GetBlock(reinterpret_cast<uint8_t*>(buf.data()) + first, count - first) == 0;
    std::lock_guard l(m_);
    if (ok)
      read_ += buf;
    else
      ++failedReads;
  }

  TLinkBaseDispatcher& d_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<Msg> queue_;
  int sent_ = 0, returned_ = 0, handled_ = 0;
  bool hanging_ = false, holding_ = false, quit_ = false, late_ = false, lateHeld_ = false;
  std::string read_;
  std::thread thread_;
};

// A device whose notices go to the window thread above.
class NotifyRace : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dev.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
    dev.SetNotifier(&window);
    dev.RegisterWndTriggerHandler(kWindow);
    dev.UpdateHandlerFlags(fuEnablePort);
    dev.ChangeLengthTrigger(1);
  }
  FakePlatform platform;
  FakeDevice dev;
  WindowThread window{dev};
};

TEST_F(NotifyRace, SlowHandlerKeepsTheNotificationOpen) {
  window.HangNextHandler();
  dev.Receive("abcdef");
  dev.ProcessComEvent(evRxChar);  // returns after the "time-out"; the handler still runs
  EXPECT_TRUE(dev.NotifyBusy());

  // The dispatcher thread goes on: new bytes come in, idle rounds pass.
  dev.Receive("ghi");
  dev.ProcessComEvent(evRxChar);
  dev.ProcessIdleRound();
  dev.ProcessIdleRound();
  EXPECT_EQ(window.Messages(), 1);  // no second notification while the first is open

  window.Release();  // the handler reads the rest of what it was offered
  window.WaitIdle();
  EXPECT_FALSE(dev.NotifyBusy());
  EXPECT_EQ(dev.InBuffUsed(), 3);

  dev.ProcessIdleRound();  // the bytes that came meanwhile are announced now
  window.WaitIdle();
  EXPECT_EQ(window.Messages(), 2);
  EXPECT_EQ(window.Read(), "abcdefghi");  // every byte once, in order
  EXPECT_EQ(window.failedReads, 0);
  EXPECT_EQ(dev.InBuffUsed(), 0);
}

TEST_F(NotifyRace, AMessageTakenJustAsItsSenderGaveUpIsHandledOnce) {
  window.TakeNextLate();
  dev.Receive("abcdef");
  dev.ProcessComEvent(evRxChar);  // given up, sent again; the late one runs, the other does not
  window.WaitIdle();
  EXPECT_EQ(window.Messages(), 2);
  EXPECT_EQ(window.Handled(), 1);
  EXPECT_FALSE(dev.NotifyBusy());
  EXPECT_EQ(window.Read(), "abcdef");
  EXPECT_EQ(dev.InBuffUsed(), 0);

  dev.Receive("gh");  // and the next notice goes as usual
  dev.ProcessComEvent(evRxChar);
  window.WaitIdle();
  EXPECT_EQ(window.Read(), "abcdefgh");
  EXPECT_EQ(window.Handled(), 2);
}

}  // namespace
