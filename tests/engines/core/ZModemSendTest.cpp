// The engine sending a file to a scripted receiver.
#include <gtest/gtest.h>

#include "ZModemTestKit.h"

using namespace zmtest;

namespace {

Bytes Pattern(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 13 + (i >> 9));
    return b;
}

struct Sender : ::testing::Test {
    FakeLine line;
    MemFiles files;
    FakeClock clock;
    FakeTimer timer;
    Label label;
    IDravelZModem zm;

    void Begin(size_t size, Bytes content = {})
    {
        files.files["up\\f.bin"] = content.empty() ? Pattern(size) : content;
        zm.SetFileStore(&files);
        zm.SetClock(&clock);
        zm.SetStatusLabel(&label);
        zm.Start(&line, IDravelZModem::DirectionSend, "up", "f.bin");
        zm.StartSender(&timer);
    }
    void Feed(const Bytes& b)
    {
        for (uint8_t c : b)
            zm.ProcessByte(c);
    }
    Bytes Zrinit(uint8_t zf0 = 0x27) { return Hex(ZRINIT, uint32_t(zf0) << 24); }
    // Offered, asked for the start: the next tick sends data.
    void Streaming(size_t size, Bytes content = {}, uint8_t zf0 = 0x27)
    {
        Begin(size, content);
        Feed(Zrinit(zf0));
        Feed(Hex(ZRPOS, 0));
        line.Take();
    }
};

}  // namespace

TEST_F(Sender, StartsWithZrqinitAndOffersTheFile)
{
    Begin(100);
    EXPECT_EQ(timer.interval, 100u);
    EXPECT_FALSE(timer.enabled);
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZRQINIT});
    Feed(Zrinit());
    auto frames = ReadFrames(line.Take());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, ZFILE);
    EXPECT_EQ(frames[0].kind, ZBIN32);
    EXPECT_EQ(frames[1].data.size(), 128u);
    EXPECT_EQ(frames[1].end, ZCRCW);
    EXPECT_TRUE(frames[1].crcOk);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(frames[1].data.data())), "f.bin");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(frames[1].data.data()) + 6), "100 0 0 0 1 100");
    // The owner may delete the timer first once it is detached.
    Feed(Hex(ZRPOS, 0));
    zm.DetachTimer();
    EXPECT_FALSE(timer.enabled);
    EXPECT_FALSE(timer.handler);
}

TEST_F(Sender, PacesOneBlockPerTickAndOnlyWithRoom)
{
    const Bytes content = Pattern(5000);
    Streaming(5000, content);
    EXPECT_TRUE(timer.enabled);
    line.free = 2048;
    timer.Tick();
    EXPECT_TRUE(line.out.empty());
    line.free = 1u << 20;
    // The first block after a ZRPOS is acknowledged before the stream goes on.
    timer.Tick();
    Bytes all = line.Take();
    EXPECT_FALSE(timer.enabled);
    Feed(Hex(ZACK, 1024));
    int ticks = 1;
    while (timer.enabled && ticks < 20) {
        timer.Tick();
        ++ticks;
        Bytes out = line.Take();
        EXPECT_FALSE(out.empty());
        all.insert(all.end(), out.begin(), out.end());
    }
    EXPECT_EQ(ticks, 5);
    Bytes received;
    int blocks = 0;
    auto frames = ReadFrames(all);
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames[0].type, ZDATA);
    EXPECT_EQ(frames[1].end, ZCRCW);
    EXPECT_EQ(frames[2].type, ZDATA);
    EXPECT_EQ(frames[2].pos, 1024u);
    EXPECT_EQ(frames[3].end, ZCRCG);
    for (const Frame& f : frames) {
        if (f.header)
            continue;
        ++blocks;
        EXPECT_TRUE(f.crcOk);
        EXPECT_LE(f.data.size(), 1024u);
        received.insert(received.end(), f.data.begin(), f.data.end());
    }
    EXPECT_EQ(blocks, ticks);
    EXPECT_EQ(received, content);
    // The last tick ended with ZCRCE and ZEOF(length); the next ZRINIT gets ZFIN.
    Feed(Zrinit());
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZFIN});
    Feed(Hex(ZFIN));
    EXPECT_EQ(line.Take(), B("OO"));
    EXPECT_EQ(zm.State(), IDravelZModem::StateFinished);
    EXPECT_EQ(zm.Status(), ZModemRunning);
}

TEST_F(Sender, ZrposWhileStreamingResumesBehindAnAcknowledgedBlock)
{
    const Bytes content = Pattern(8192);
    Streaming(8192, content);
    timer.Tick();
    Feed(Hex(ZACK, 1024));
    for (int i = 0; i < 3; ++i)
        timer.Tick();  // streaming up to 4096
    line.Take();
    auto expectBlock = [&](uint32_t pos, uint8_t end) {
        timer.Tick();
        timer.Tick();  // a ZCRCW block waits for its ZACK
        auto frames = ReadFrames(line.Take());
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0].type, ZDATA);
        EXPECT_EQ(frames[0].pos, pos);
        EXPECT_EQ(frames[1].end, end);
        EXPECT_EQ(frames[1].data, Bytes(content.begin() + pos, content.begin() + pos + 1024));
    };
    // The receiver lost the block at 2048.
    Feed(Hex(ZRPOS, 2048));
    expectBlock(2048, ZCRCW);
    // It asks for the same place again (for data still in flight then, or because that
    // block was hit): one block more, not another stream.
    Feed(Hex(ZRPOS, 2048));
    expectBlock(2048, ZCRCW);
    // No ZACK comes: after a quiet spell the sender goes on behind a new header.
    clock.now += 11000;
    EXPECT_EQ(zm.CheckTimeout(), 0);
    expectBlock(3072, ZCRCW);
    Feed(Hex(ZACK, 4096));
    timer.Tick();
    auto frames = ReadFrames(line.Take());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].pos, 4096u);
    EXPECT_EQ(frames[1].end, ZCRCG);
    // A ZACK for another place moves the sender there, never without a header.
    Feed(Hex(ZACK, 1024));
    timer.Tick();
    frames = ReadFrames(line.Take());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, ZDATA);
    EXPECT_EQ(frames[0].pos, 1024u);
    EXPECT_EQ(frames[1].data, Bytes(content.begin() + 1024, content.begin() + 2048));
}

TEST_F(Sender, ClosingExchangeSurvivesLostAnswers)
{
    Streaming(100);
    timer.Tick();  // the whole file, its ZEOF
    line.Take();
    Feed(Zrinit());
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZFIN});
    // The receiver has confirmed the file; its ZFIN is lost: ZFIN once more, then the
    // transfer ends as it went.
    clock.now += 11000;
    EXPECT_EQ(zm.CheckTimeout(), 0);
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZFIN});
    clock.now += 11000;
    EXPECT_EQ(zm.CheckTimeout(), 1);
    EXPECT_EQ(zm.State(), IDravelZModem::StateFinished);
    EXPECT_EQ(zm.Status(), ZModemRunning);
}

TEST_F(Sender, WorstCaseTickWaitsForRoomInsteadOfBreakingAFrame)
{
    // Every byte needs escaping: a tick is about 2,100 bytes.
    Streaming(1024, Bytes(1024, 0x18), 0x27 | ESCCTL);
    line.free = 2060;  // more than 2048, less than the tick
    timer.Tick();
    EXPECT_TRUE(line.out.empty());
    EXPECT_EQ(zm.Position(), 0u);
    line.free = 5000;
    timer.Tick();
    auto frames = ReadFrames(line.Take());
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1].data, Bytes(1024, 0x18));
    EXPECT_EQ(frames[2].type, ZEOF);
    // A write the line refuses ends the transfer with a status.
    Streaming(3000);
    line.refuse = true;
    timer.Tick();
    EXPECT_EQ(zm.Status(), ZModemSendFailed);
    EXPECT_EQ(zm.State(), IDravelZModem::StateAborted);
}

TEST_F(Sender, PositionAtOrPastTheEndGetsZeof)
{
    for (size_t size : {0u, 700u}) {
        SCOPED_TRACE(size);
        Begin(size);
        Feed(Zrinit());
        line.Take();
        Feed(Hex(ZRPOS, uint32_t(size)));
        EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZEOF, uint32_t(size)}}));
        EXPECT_FALSE(timer.enabled);
        Feed(Zrinit());
        EXPECT_EQ(Types(line.Take()), std::vector<int>{ZFIN});
    }
}

TEST_F(Sender, SkippedFileMovesOnAtOnce)
{
    files.files["up\\g.bin"] = Pattern(10);
    Begin(100);
    zm.QueueFile("up", "g.bin");
    Feed(Zrinit());
    line.Take();
    Feed(Hex(ZSKIP));
    auto frames = ReadFrames(line.Take());
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].type, ZFILE);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(frames[1].data.data())), "g.bin");
    Feed(Hex(ZSKIP));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZFIN});
    Feed(Hex(ZFIN));
    EXPECT_EQ(zm.State(), IDravelZModem::StateFinished);
    EXPECT_EQ(zm.Status(), ZModemSkipped);
    EXPECT_EQ(zm.SkippedFiles(), 2);
    EXPECT_EQ(label.texts.back(), "Skipped...");
}

TEST_F(Sender, OwnFramesEchoedBackAreIgnored)
{
    Begin(100);
    Bytes echo = line.Take();  // our ZRQINIT
    Feed(echo);
    EXPECT_TRUE(line.out.empty());
    Feed(Zrinit());
    echo = line.Take();  // our ZFILE
    Feed(echo);
    EXPECT_TRUE(line.out.empty());
    EXPECT_EQ(zm.State(), IDravelZModem::StateHeader);
    Feed(Hex(ZDATA));
    EXPECT_EQ(zm.Status(), ZModemUnknownHeader);
}

TEST_F(Sender, GivesUpWithoutReceiverAfterSixIdlePeriods)
{
    Begin(100);
    line.Take();
    for (int i = 1; i < 6; ++i) {
        clock.now += 11000;
        EXPECT_EQ(zm.CheckTimeout(), 0);
    }
    EXPECT_EQ(Types(line.Take()), std::vector<int>(5, ZRQINIT));
    clock.now += 11000;
    EXPECT_EQ(zm.CheckTimeout(), 1);
    EXPECT_EQ(zm.Status(), ZModemStartFailed);
    // Without a timer the sender cannot start at all.
    IDravelZModem other;
    other.Start(&line, IDravelZModem::DirectionSend, "up", "f.bin");
    other.StartSender(nullptr);
    EXPECT_EQ(other.Status(), ZModemStartFailed);
}

TEST_F(Sender, MissingFileAndClosedLine)
{
    Begin(10);
    files.files.clear();
    Feed(Zrinit());
    EXPECT_EQ(zm.Status(), ZModemOpenFailed);
    Streaming(5000);
    line.open = false;
    timer.Tick();
    EXPECT_FALSE(timer.enabled);
    Feed(Hex(ZNAK));  // the answer finds the line closed
    EXPECT_EQ(zm.State(), IDravelZModem::StateFinished);
    EXPECT_EQ(zm.Status(), ZModemCancelled);
    line.open = true;
}
