// The transfer engine's Win32 surroundings: the pump timer under the message loop, and a
// whole transfer between two engines over the Win32 files and timer.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "engines/Win32FileStore.h"
#include "engines/Win32ZModemLinks.h"
#include "engines/core/ZModemTestKit.h"
#include "framework/Forms.h"

namespace {

class Win32Loop : public ::testing::Test {
protected:
    void SetUp() override {
        MSG m;  // nothing left over from an earlier test
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        app.OnException = [this](TComponent*, std::exception_ptr e) {
            errors.push_back(TApplication::ExceptionMessage(e));
        };
    }

    // Runs the message loop until done() holds; false when it still fails after ten seconds.
    bool RunUntil(const std::function<bool()>& done) {
        const DWORD start = GetTickCount();
        for (;;) {
            app.ProcessMessages();
            if (done()) return true;
            if (GetTickCount() - start > 10000) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }

    // A second timer as a yardstick: after it has ticked n times, a pump that should have
    // ticked by then has had its chance to.
    void LetTimePass(int n) {
        TWin32PumpTimer witness;
        int ticks = 0;
        witness.SetHandler([&] { ++ticks; });
        witness.SetInterval(10);
        witness.SetEnabled(true);
        ASSERT_TRUE(RunUntil([&] { return ticks >= n; }));
    }

    TApplication app;
    std::vector<std::string> errors;
};

using PumpTimerTest = Win32Loop;

}  // namespace

// Stopping or freeing a timer from its own tick is the framework timer's (ThreadTimerTests);
// the pump adds that it starts off, ticks only with a handler, and runs a copy of its handler.
TEST_F(PumpTimerTest, StartsOffTicksWithAHandlerAndRunsACopyOfIt) {
    TWin32PumpTimer pump;
    int ticks = 0;
    pump.SetHandler([&] { ++ticks; });
    pump.SetInterval(10);
    EXPECT_FALSE(pump.Enabled());
    LetTimePass(3);
    EXPECT_EQ(ticks, 0);

    pump.SetEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return ticks >= 3; }));
    pump.SetHandler(nullptr);  // enabled without a handler: silent
    const int seen = ticks;
    LetTimePass(3);
    EXPECT_EQ(ticks, seen);

    // Drops its own handler (as the engine's DetachTimer does) and still uses what it holds.
    auto held = std::make_shared<std::string>("held");
    std::string after;
    pump.SetHandler([&, held] {
        pump.SetHandler(nullptr);
        after = *held + " after";
    });
    ASSERT_TRUE(RunUntil([&] { return !after.empty(); }));
    EXPECT_EQ(after, "held after");
    EXPECT_EQ(held.use_count(), 1);  // the handler is gone
    EXPECT_TRUE(errors.empty());
}

TEST_F(PumpTimerTest, AnExceptionGoesToTheApplicationAndThePumpGoesOn) {
    TWin32PumpTimer pump;
    int ticks = 0;
    pump.SetInterval(10);
    pump.SetHandler([&] {
        if (++ticks == 1) throw std::runtime_error("thrown in a tick");
    });
    pump.SetEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return ticks >= 3; }));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("thrown in a tick"), std::string::npos);
}

namespace {

using zmtest::Bytes;

// The same bytes from the same seed; every value from 0 to 255 occurs, runs of the
// escaped ones (ZDLE, XON, 0xFF) included.
Bytes Noise(size_t n, uint32_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = static_cast<uint8_t>(seed >> 16);
    }
    for (size_t i = 0; i < 256; ++i) b[i] = static_cast<uint8_t>(i);
    for (uint8_t c : {0x18, 0x11, 0xFF, 0x13, 0x7F})
        b.insert(b.begin() + static_cast<ptrdiff_t>(n / 2), 40, c);
    return b;
}

using Transfer = Win32Loop;

}  // namespace

// Over a telnet line, where 0xFF travels doubled as well (the engine's escaping on either
// kind of line is its own tests').
TEST_F(Transfer, FileWithEveryByteValueArrivesIntactOverATelnetLine) {
    ScratchFolder up, down;
    const Bytes data = Noise(100000, 7);
    const std::string name = "every byte.bin";
    {
        TWin32FileStore files;
        const int h = files.Create(up / name);
        ASSERT_GE(h, 0);
        ASSERT_TRUE(files.Write(h, data.data(), static_cast<uint32_t>(data.size())));
    }

    // Declared last, the engines go first: before the timer and the files they use.
    TWin32FileStore senderFiles, receiverFiles;
    TWin32Clock clock;
    TWin32PumpTimer pump;
    zmtest::FakeLine toReceiver, toSender;
    toReceiver.winsock = toSender.winsock = true;  // a telnet line
    std::vector<std::string> sent, received;
    TFunctionStatusOutlet sentLabel([&](const std::string& t) { sent.push_back(t); });
    TFunctionStatusOutlet receivedLabel([&](const std::string& t) { received.push_back(t); });
    IDravelZModem sender, receiver;

    receiver.SetFileStore(&receiverFiles);
    receiver.SetClock(&clock);
    receiver.SetStatusLabel(&receivedLabel);
    receiver.Start(&toSender, IDravelZModem::DirectionReceive, down.Path(), "");
    receiver.SendZRINIT();

    sender.SetFileStore(&senderFiles);
    sender.SetClock(&clock);
    sender.SetStatusLabel(&sentLabel);
    sender.Start(&toReceiver, IDravelZModem::DirectionSend, up.Path(), name);
    sender.StartSender(&pump);
    EXPECT_EQ(pump.Interval(), 100u);
    EXPECT_FALSE(pump.Enabled());
    // One block per tick as in the program, without waiting out 300 ticks of 100 ms.
    pump.SetInterval(1);

    auto deliver = [](zmtest::FakeLine& line, IDravelZModem& to) {
        for (uint8_t c : line.Take()) to.ProcessByte(c);
    };
    const bool done = RunUntil([&] {
        while (!toReceiver.out.empty() || !toSender.out.empty()) {
            deliver(toReceiver, receiver);
            deliver(toSender, sender);
        }
        sender.CheckTimeout();
        receiver.CheckTimeout();
        return sender.State() == IDravelZModem::StateFinished &&
               receiver.State() == IDravelZModem::StateFinished;
    });
    ASSERT_TRUE(done) << "sender state " << int(sender.State()) << " status " << sender.Status()
                      << ", receiver state " << int(receiver.State()) << " status "
                      << receiver.Status();
    EXPECT_FALSE(pump.Enabled());

    sender.ShowStatus();
    receiver.ShowStatus();
    EXPECT_EQ(sender.Status(), ZModemRunning);
    EXPECT_EQ(receiver.Status(), ZModemRunning);
    ASSERT_FALSE(sent.empty());
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(sent.back(), "Upload... OK");
    EXPECT_EQ(received.back(), "Download... OK");
    EXPECT_EQ(receiver.BytesTransferred(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(senderFiles.OpenCount(), 0u);
    EXPECT_EQ(receiverFiles.OpenCount(), 0u);

    TWin32FileStore files;
    const int h = files.OpenExisting(down / name, false);
    ASSERT_GE(h, 0);
    Bytes got(data.size() + 1);
    int32_t n = files.Read(h, got.data(), static_cast<uint32_t>(got.size()));
    ASSERT_EQ(n, static_cast<int32_t>(data.size()));
    got.resize(data.size());
    EXPECT_TRUE(got == data) << "the received file differs";
    files.Close(h);
    EXPECT_TRUE(errors.empty());
}
