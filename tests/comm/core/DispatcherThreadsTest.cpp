// The dispatcher's three threads over a line made of queues. Run natively under
// ThreadSanitizer (tools/comm-tsan) and AddressSanitizer; the line holds a thread where
// the threads meet, to open the windows in which they could race.
#include "comm/core/DispatcherThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "comm/core/FakeLine.h"

using namespace quiro::comm::test;
using namespace std::chrono_literals;

namespace {

// ---- Closing and flushing, with a thread held where it could race -------------------------

// Runs fn on its own thread; a run that does not end within the bound is a deadlock, and
// the program cannot go on.
void MustFinish(const char* what, std::function<void()> fn) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> f = done->get_future();
  std::thread([fn = std::move(fn), done] {
    fn();
    done->set_value();
  }).detach();
  if (f.wait_for(10s) != std::future_status::ready) {
    ADD_FAILURE() << what << " did not end: deadlock";
    std::fflush(nullptr);
    std::_Exit(1);
  }
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

}  // namespace
