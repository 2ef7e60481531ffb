// Linked into every test program: a test that runs longer than the limit (240 s, or
// QUIRO_TEST_TIMEOUT seconds) ends the program with its name on the error output, so that a
// hang fails fast and says where it stands instead of waiting for the runner's time-out.
// With QUIRO_CURRENT_TEST_FILE set (the Wine harness sets it) the name of the running test is
// kept in that file, so that the harness can say which test was running if Wine itself dies.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

class TestWatchdog : public ::testing::EmptyTestEventListener {
public:
    void OnTestProgramStart(const ::testing::UnitTest&) override {
        const char* limit = std::getenv("QUIRO_TEST_TIMEOUT");
        if (limit && std::atoi(limit) > 0) limit_ = std::chrono::seconds(std::atoi(limit));
        thread_ = std::thread([this] { Watch(); });
    }
    void OnTestStart(const ::testing::TestInfo& test) override {
        std::lock_guard<std::mutex> lock(m_);
        name_ = std::string(test.test_suite_name()) + "." + test.name();
        deadline_ = Clock::now() + limit_;
        running_ = true;
        if (const char* file = std::getenv("QUIRO_CURRENT_TEST_FILE"); file && *file) {
            if (std::FILE* f = std::fopen(file, "w")) {
                std::fputs(name_.c_str(), f);
                std::fclose(f);
            }
        }
        cv_.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::lock_guard<std::mutex> lock(m_);
        running_ = false;
        cv_.notify_all();
    }
    void OnTestProgramEnd(const ::testing::UnitTest&) override {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
            cv_.notify_all();
        }
        if (thread_.joinable()) thread_.join();
    }

private:
    using Clock = std::chrono::steady_clock;
    void Watch() {
        std::unique_lock<std::mutex> lock(m_);
        while (!stop_) {
            if (!running_) {
                cv_.wait(lock);
            } else if (cv_.wait_until(lock, deadline_) == std::cv_status::timeout && running_ &&
                       Clock::now() >= deadline_) {
                std::fprintf(stderr, "\nwatchdog: %s still running after %lld s; stopping\n",
                             name_.c_str(), static_cast<long long>(limit_.count()));
                std::fflush(stderr);
                std::fflush(stdout);
                std::_Exit(124);
            }
        }
    }

    std::chrono::seconds limit_{240};
    std::mutex m_;
    std::condition_variable cv_;
    std::thread thread_;
    std::string name_;
    Clock::time_point deadline_;
    bool running_ = false, stop_ = false;
};

[[maybe_unused]] const bool kRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new TestWatchdog);
    return true;
}();

}  // namespace
