// The dispatcher's three threads over a line made of queues. Run natively under
// ThreadSanitizer (tools/comm-tsan) and AddressSanitizer; the line holds a thread where
// the threads meet, to open the windows in which they could race.
#include "comm/core/DispatcherThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <chrono>
#include <future>
#include <new>
#include <stdexcept>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "comm/core/CommErrors.h"
#include "comm/core/FakeLine.h"
#include "comm/core/SameBytes.h"

using namespace quiro::comm::test;
using namespace std::chrono_literals;

namespace {

// The port's side of the notifications: an event handler that takes every byte offered.
struct Reader {
  explicit Reader(TLinkBaseDispatcher& d) : d(d) {
    d.RegisterEventTriggerHandler({&Reader::Call, this});
    d.ChangeLengthTrigger(1);
  }
  static void Call(void* self, uint32_t msg, uint32_t count, int32_t) {
    auto* r = static_cast<Reader*>(self);
    if (msg == LinkMsgLineLost) {
      r->why = -int32_t(count);
      ++r->lost;
    }
    if (msg != LinkMsgTriggerAvail) return;
    std::string buf(count, '\0');
    if (r->d.GetBlock(reinterpret_cast<uint8_t*>(buf.data()), count) != 0) return;
    std::lock_guard l(r->m);
    r->got += buf;
  }
  std::string Got() {
    std::lock_guard l(m);
    return got;
  }
  TLinkBaseDispatcher& d;
  std::mutex m;
  std::string got;
  std::atomic<int> lost{0};
  std::atomic<int32_t> why{0};  // the failure told with the line
};

bool Eventually(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 10s) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

std::string Pattern(size_t n, int seed) {
  std::string s(n, '\0');
  uint32_t x = uint32_t(seed) * 2654435761u + 1;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = char(x >> 24);
  }
  return s;
}

TEST(DispatcherThreads, DataGoesBothWays) {
  FakeLine line;
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 300, true, true), 0);
  EXPECT_EQ(line.ActiveThreadCount(), 3);
  Reader reader(line);
  std::string in = Pattern(100000, 1), out = Pattern(20000, 2);
  for (size_t i = 0; i < in.size(); i += 777) line.Receive(in.substr(i, 777));
  // Output through a small ring, so that it wraps and is straightened.
  for (size_t i = 0; i < out.size();) {
    size_t n = std::min<size_t>(97, out.size() - i);
    if (line.PutBlock(reinterpret_cast<const uint8_t*>(out.data() + i), uint32_t(n)) == 0)
      i += n;
    else
      std::this_thread::yield();
  }
  EXPECT_TRUE(Eventually([&] { return reader.Got().size() >= in.size(); }));
  EXPECT_TRUE(Eventually([&] { return line.Written().size() >= out.size(); }));
  EXPECT_TRUE(Same(reader.Got(), in));
  EXPECT_TRUE(Same(line.Written(), out));
  EXPECT_EQ(line.DonePort(), 0);
  EXPECT_EQ(line.ActiveThreadCount(), 0);
}


// ---- Closing and flushing, with a thread held where it could race -------------------------

// Runs fn on its own thread, and joins it; a run that does not end within the bound is a
// deadlock, and the program cannot go on.
void MustFinish(const char* what, const std::function<void()>& fn) {
  std::promise<void> done;
  std::future<void> f = done.get_future();
  std::thread run([&] {
    fn();
    done.set_value();
  });
  if (f.wait_for(10s) != std::future_status::ready) {
    ADD_FAILURE() << what << " did not end: deadlock";
    std::fflush(nullptr);
    std::_Exit(1);
  }
  run.join();
}

// A hold for a thread at a race point, released when the test says so (or after a bound).
struct Hold {
  std::mutex m;
  std::condition_variable cv;
  bool held = false, released = false;
  void Wait() {
    std::unique_lock l(m);
    held = true;
    cv.notify_all();
    cv.wait_for(l, 10s, [&] { return released; });
  }
  void Release() {
    {
      std::lock_guard l(m);
      released = true;
    }
    cv.notify_all();
  }
  bool WaitHeld() {
    std::unique_lock l(m);
    return cv.wait_for(l, 10s, [&] { return held; });
  }
};

TEST(DispatcherThreads, AFullRingThatWrapsGoesOutOnce) {
  std::atomic<bool> fill{true};
  FakeLine line;
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 100, true, true), 0);
  // While the first run is written more comes; right after it the ring fills up, its
  // data wrapping around the end.
  line.onRace = [&](TLinkRacePoint p) {
    if (p == TLinkRacePoint::RunWritten && fill.exchange(false)) {
      EXPECT_EQ(line.PutString(std::string(80, 'c')), 0);
    }
  };
  line.HoldWrites(true);
  ASSERT_EQ(line.PutString(std::string(30, 'a')), 0);
  ASSERT_TRUE(Eventually([&] { return line.WritePending(); }));
  ASSERT_EQ(line.PutString(std::string(20, 'b')), 0);
  line.HoldWrites(false);
  std::string want = std::string(30, 'a') + std::string(20, 'b') + std::string(80, 'c');
  EXPECT_TRUE(Eventually([&] { return line.Written().size() >= want.size() && line.OutBuffUsed() == 0; }));
  EXPECT_TRUE(Same(line.Written(), want));
}

TEST(DispatcherThreads, StopWaitsForTheThreadsWithoutHoldingALock) {
  Hold hold;
  std::atomic<bool> armed{false};
  FakeLine line;
  line.onRace = [&](TLinkRacePoint p) {
    if (p == TLinkRacePoint::DispBeforeDataLock && armed.exchange(false)) hold.Wait();
    if (p == TLinkRacePoint::StopWaiting) hold.Release();
  };
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  armed = true;
  ASSERT_TRUE(hold.WaitHeld());  // the dispatcher thread is about to take the data lock
  MustFinish("closing", [&] { line.DonePort(); });
  EXPECT_EQ(line.ActiveThreadCount(), 0);
}

TEST(DispatcherThreads, DispatcherIsFreedOnlyAfterItsThreads) {
  Hold hold;
  auto line = std::make_unique<FakeLine>();
  line->onRace = [&](TLinkRacePoint p) {
    if (p == TLinkRacePoint::ThreadEnding) hold.Wait();
    if (p == TLinkRacePoint::Joining || p == TLinkRacePoint::Destroying) hold.Release();
  };
  ASSERT_EQ(line->InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  MustFinish("closing", [&] {
    line->DonePort();
    line.reset();  // what the port does once the close is done
  });
}

TEST(DispatcherThreads, FlushWaitsForTheOutputThreadItself) {
  FakeLine line;
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  line.FailNextWait(31);  // the com thread ends (the device cannot wait for events)
  ASSERT_TRUE(Eventually([&] { return line.ActiveThreadCount() == 2; }));
  line.HoldWrites(true);
  ASSERT_EQ(line.PutString("old"), 0);
  ASSERT_TRUE(Eventually([&] { return line.WritePending(); }));
  ASSERT_EQ(line.FlushOutBuffer(), 0);
  EXPECT_FALSE(line.WritePending());  // the output thread has stopped writing
  line.HoldWrites(false);
  ASSERT_EQ(line.PutString("new"), 0);
  EXPECT_TRUE(Eventually([&] { return line.Written().size() >= 3; }));
  // The output thread takes the bytes off its ring once the write is done, just after they
  // reach the line.
  EXPECT_TRUE(Eventually([&] { return line.OutBuffUsed() == 0; })) << line.OutBuffUsed();
  EXPECT_EQ(line.Written(), "new");
}

TEST(DispatcherThreads, DeviceIsClosedOnlyAfterTheThreadsStopped) {
  std::atomic<bool> joining{false}, closed{false};
  FakeLine line;
  line.onRace = [&](TLinkRacePoint p) {
    if (p == TLinkRacePoint::Joining) joining = true;
  };
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  line.HoldNextRead();
  line.Receive("x");
  ASSERT_TRUE(Eventually([&] { return line.InRead(); }));  // a read is in the driver
  std::thread closing([&] {
    line.DonePort();
    closed = true;
  });
  EXPECT_TRUE(Eventually([&] { return joining || closed; }));
  line.ReleaseRead();
  closing.join();
}

TEST(DispatcherThreads, WaitsThatFailAtOnceDoNotSpin) {
  FakeLine line;
  line.FailWaitsAtOnce(31);
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  EXPECT_TRUE(Eventually([&] { return line.ActiveThreadCount() == 2; }, 3s)) << line.Waits() << " waits";
  EXPECT_LE(line.Waits(), 2);
}

TEST(DispatcherThreads, UnsupportedEventsAreDroppedFromTheMask) {
  FakeLine line;
  line.RefuseMaskBits(evCts | evDsr | evRlsd | evRing, 50);
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  Reader reader(line);
  line.Receive("by event");
  EXPECT_TRUE(Eventually([&] { return reader.Got() == "by event"; }));
  EXPECT_EQ(line.ActiveThreadCount(), 3);
  EXPECT_EQ(line.Masks(), (std::vector<uint32_t>{TLinkThreadedDispatcher::kMaskNT, evRxChar | evBreak | evErr}));
}

TEST(DispatcherThreads, InputIsReadWithoutDeviceEvents) {
  FakeLine line;
  line.ReportNoEvents();
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  Reader reader(line);
  line.Receive("no event came");
  EXPECT_TRUE(Eventually([&] { return reader.Got() == "no event came"; }));
}
TEST(DispatcherThreads, ALostLineIsToldOnceAndNotPolledHard) {
  FakeLine line;
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  Reader reader(line);
  line.Gone();
  ASSERT_TRUE(Eventually([&] { return reader.lost == 1; }));
  EXPECT_TRUE(line.LineLost());
  // The rounds go on at the tick: a dozen status queries take several ticks.
  int queries = line.StatusQueries();
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Eventually([&] { return line.StatusQueries() >= queries + 12; }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
  EXPECT_EQ(reader.lost, 1);
  EXPECT_EQ(ClassifyDeviceError(109), TLinkDeviceError::Gone);
  EXPECT_EQ(ClassifyDeviceError(995), TLinkDeviceError::Other);  // an aborted wait
}

TEST(DispatcherThreads, InputThatCannotBeReadIsNotAskedForAgainAtOnce) {
  FakeLine line;
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  Reader reader(line);
  line.FailReads(109);  // the driver holds input, but the line behind it is gone
  line.Receive("stuck");
  ASSERT_TRUE(Eventually([&] { return reader.lost == 1; }));
  int queries = line.StatusQueries();
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Eventually([&] { return line.StatusQueries() >= queries + 12; }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
}

// The port's hidden window on the main thread: each trigger message runs the handler
// there while the dispatcher thread waits for it.
class MainThread : public ILinkNotifier {
 public:
  using Handler = std::function<void(uint32_t msg, uint32_t wParam)>;
  MainThread(TLinkBaseDispatcher& d, Handler h) : d_(d), h_(std::move(h)), thread_([this] { Run(); }) {}
  ~MainThread() override {
    {
      std::lock_guard l(m_);
      quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  TLinkNotifyOutcome SendTriggerMessage(TLinkWindow, uint32_t msg, uint32_t wParam, int32_t, uint32_t) override {
    std::unique_lock l(m_);
    uint64_t mine = ++sent_;
    queue_.push_back({msg, wParam});
    cv_.notify_all();
    cv_.wait(l, [&] { return done_ >= mine; });
    return TLinkNotifyOutcome::Delivered;
  }
  uint64_t Done() {
    std::lock_guard l(m_);
    return done_;
  }

 private:
  void Run() {
    for (;;) {
      std::pair<uint32_t, uint32_t> msg;
      {
        std::unique_lock l(m_);
        cv_.wait(l, [&] { return quit_ || !queue_.empty(); });
        if (quit_) return;
        msg = queue_.front();
        queue_.pop_front();
      }
      h_(msg.first, msg.second);
      d_.NotifyDelivered();
      {
        std::lock_guard l(m_);
        ++done_;
      }
      cv_.notify_all();
    }
  }
  TLinkBaseDispatcher& d_;
  Handler h_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::pair<uint32_t, uint32_t>> queue_;
  uint64_t sent_ = 0, done_ = 0;
  bool quit_ = false;
  std::thread thread_;
};

TEST(DispatcherThreads, CloseFromInsideATriggerHandler) {
  auto line = std::make_unique<FakeLine>();
  ASSERT_EQ(line->InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  std::string got;
  std::atomic<bool> closed{false};
  {
    MainThread main(*line, [&](uint32_t msg, uint32_t count) {
      if (msg != LinkMsgTriggerAvail || closed) return;
      std::string buf(count, '\0');
      line->GetBlock(reinterpret_cast<uint8_t*>(buf.data()), count);
      got += buf;
      line->DonePort();  // the handler closes the port
      closed = true;
    });
    line->SetNotifier(&main);
    line->RegisterWndTriggerHandler(1);
    line->UpdateHandlerFlags(fuEnablePort);
    line->ChangeLengthTrigger(1);
    line->Receive("bye");
    ASSERT_TRUE(Eventually([&] { return main.Done() >= 1 && closed; }));
    EXPECT_TRUE(line->ClosePending());
    // What the port does once the notification is over: free the dispatcher.
    MustFinish("freeing the dispatcher", [&] { line.reset(); });
  }
  EXPECT_EQ(got, "bye");
}

TEST(DispatcherThreads, OpenAndCloseAThousandTimes) {
  for (int i = 0; i < 1000; ++i) {
    FakeLine line;
    ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
    Reader reader(line);
    line.Receive("ab");
    ASSERT_EQ(line.PutString("cd"), 0);
    if (i % 3 == 0) Eventually([&] { return reader.Got().size() == 2; });
    ASSERT_EQ(line.DonePort(), 0);
    // Closed at once, or, when a notification was running, by the teardown when the
    // line goes.
    ASSERT_TRUE(line.ActiveThreadCount() == 0 || line.ClosePending());
  }
}

// A write the device fails: what went out is gone from the ring, the rest stays there as
// unsent, and the session hears that the line failed, once; nothing spins.
TEST(DispatcherThreads, AFailedWriteKeepsTheRestAndIsTold) {
  FakeLine line;
  ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  Reader reader(line);
  line.FailNextWrite(5);
  ASSERT_EQ(line.PutString("hello, world"), 0);
  ASSERT_TRUE(Eventually([&] { return reader.lost == 1; }));
  EXPECT_EQ(reader.why, ecDeviceWriteError);
  EXPECT_EQ(line.Written(), "hello");
  EXPECT_EQ(line.OutBuffUsed(), 7);
  EXPECT_EQ(line.LineFailure(), ecDeviceWriteError);
  line.Gone();  // a later failure is not told again
  ASSERT_EQ(line.PutString("!"), 0);  // the device is tried again with the next output
  EXPECT_TRUE(Eventually([&] { return line.Written() == "hello, world!"; }));
  EXPECT_EQ(reader.lost, 1);
  EXPECT_EQ(line.DonePort(), 0);
}

// An error that no code on a dispatcher thread handles ends the session as a failed line:
// the program goes on, the thread's clean-up runs, and the port closes as usual.
TEST(DispatcherThreads, AnErrorOnAThreadFailsTheLineNotTheProgram) {
  struct Row {
    TLinkThreadKind thread;
    std::exception_ptr error;
    int32_t told;
  };
  const Row rows[] = {
      {TLinkThreadKind::Com, std::make_exception_ptr(std::runtime_error("com")), ecGeneralFailure},
      {TLinkThreadKind::Disp, std::make_exception_ptr(std::bad_alloc()), ecOutOfMemory},
      {TLinkThreadKind::Out, std::make_exception_ptr(EPutBlockFail(ecPutBlockFail, false)), ecPutBlockFail},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(int(row.thread));
    FakeLine line;
    ASSERT_EQ(line.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
    Reader reader(line);
    line.ThrowOnce(row.thread, row.error);
    line.Receive("x");  // wakes the com thread and makes the dispatcher thread read
    ASSERT_EQ(line.PutString("y"), 0);
    ASSERT_TRUE(Eventually([&] { return reader.lost == 1; }));
    EXPECT_EQ(reader.why, row.told);
    EXPECT_TRUE(Eventually([&] { return line.ActiveThreadCount() == 2; }));
    MustFinish("closing", [&] { line.DonePort(); });
    EXPECT_EQ(line.ActiveThreadCount(), 0);
    EXPECT_EQ(reader.lost, 1);
  }
}

}  // namespace
