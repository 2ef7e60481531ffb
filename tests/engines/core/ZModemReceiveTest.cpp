// The engine receiving files from a scripted sender.
#include <gtest/gtest.h>

#include <functional>

#include "ZModemTestKit.h"

using namespace zmtest;

namespace {

struct Receiver : ::testing::Test {
    FakeLine line;
    MemFiles files;
    FakeClock clock;
    Label label;
    IDravelZModem zm;

    void SetUp() override
    {
        zm.SetFileStore(&files);
        zm.SetClock(&clock);
        zm.SetStatusLabel(&label);
        zm.Start(&line, IDravelZModem::DirectionReceive, "down", "");
        zm.SendZRINIT();
        line.Take();
    }
    // A new transfer into an empty folder.
    void Restart()
    {
        files.files.clear();
        zm.Start(&line, IDravelZModem::DirectionReceive, "down", "");
    }
    int Feed(const Bytes& b)
    {
        for (size_t i = 0; i < b.size(); ++i)
            if (zm.ProcessByte(b[i]) == 0)
                return int(i);
        return -1;
    }
    // ZFILE with its information block (CRC-32 unless told otherwise).
    Bytes Offer(const std::string& name, uint32_t length, uint8_t zf0 = 0)
    {
        return Cat({Flags(ZFILE, zf0),
                    Sub32(FileInfo(name, std::to_string(length) + " 0 100644 0 1 " +
                                             std::to_string(length)), ZCRCW)});
    }
    Bytes Data(uint32_t pos, const Bytes& d) { return Cat({Bin32(ZDATA, pos), Sub32(d, ZCRCE)}); }
};

Bytes Pattern(size_t n, uint8_t seed = 1)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(seed + i * 31 + (i >> 8));
    return b;
}

}  // namespace

TEST_F(Receiver, ReceivesABatchInEveryFrameKind)
{
    Bytes a = Pattern(3000), b = Pattern(10, 9);
    Feed(Hex(ZRQINIT));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZRINIT});
    Feed(Offer("a.bin", 3000));
    EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZRPOS, 0}}));
    // CRC-32 frames, with ZCRCG, ZCRCQ (acknowledged) and ZCRCE.
    Bytes p1(a.begin(), a.begin() + 1024), p2(a.begin() + 1024, a.begin() + 2048),
        p3(a.begin() + 2048, a.end());
    Feed(Cat({Bin32(ZDATA, 0), Sub32(p1, ZCRCG), Sub32(p2, ZCRCQ), Sub32(p3, ZCRCE)}));
    EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZACK, 2048}}));
    Feed(Hex(ZEOF, 3000));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZRINIT});
    // CRC-16 frames ('A' headers) with ZCRCW.
    Feed(Cat({Flags(ZFILE, 0, false), Sub16(FileInfo("b.txt", "10 0 0 0 1 10"), ZCRCW)}));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZRPOS});
    Feed(Cat({Bin16(ZDATA, 0), Sub16(b, ZCRCW)}));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZACK});
    Feed(Cat({Bin16(ZEOF, 10), Hex(ZFIN)}));
    EXPECT_EQ(Types(line.Take()), (std::vector<int>{ZRINIT, ZFIN}));
    EXPECT_EQ(zm.State(), IDravelZModem::StateFinished);
    EXPECT_EQ(zm.Status(), ZModemRunning);
    EXPECT_EQ(files.files["down\\a.bin"], a);
    EXPECT_EQ(files.files["down\\b.txt"], b);
    EXPECT_EQ(label.texts.size(), 0u);
    // "OO" is swallowed, and with it the sender has signed off; the next byte belongs to
    // the terminal.
    EXPECT_EQ(Feed(B("O")), -1);
    EXPECT_FALSE(zm.SenderSignedOff());
    EXPECT_EQ(Feed(B("O")), -1);
    EXPECT_TRUE(zm.SenderSignedOff());
    EXPECT_EQ(Feed(B("x")), 0);
}

TEST_F(Receiver, CancelNeedsFiveCans)
{
    Feed(Bytes(4, ZDLE));
    Feed(B("x"));
    EXPECT_EQ(zm.State(), IDravelZModem::StateHeader);
    Feed(Offer("a.bin", 100));
    Feed(Cat({Bin32(ZDATA, 0), Pattern(10), Bytes(5, ZDLE)}));
    EXPECT_EQ(zm.State(), IDravelZModem::StateAborted);
    EXPECT_EQ(zm.Status(), ZModemCancelled);
    EXPECT_EQ(Feed(B("a")), 0);
    // A ZCAN header ends it as well, without a word back.
    zm.Start(&line, IDravelZModem::DirectionReceive, "down", "");
    line.Take();
    Feed(Hex(ZCAN));
    EXPECT_EQ(zm.State(), IDravelZModem::StateAborted);
    EXPECT_EQ(zm.Status(), ZModemCancelled);
    EXPECT_TRUE(line.Take().empty());
}

TEST_F(Receiver, GarbledHeaderGetsZnakAndUnknownHeaderAborts)
{
    Bytes h = Hex(ZRQINIT);
    h[8] = '7';  // one hex digit wrong
    Feed(h);
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZNAK});
    EXPECT_EQ(zm.Status(), ZModemGarbledHeader);
    EXPECT_EQ(label.texts.back(), "Garbled Header...");
    // A ZNAK from the peer is answered with our last header, never with a ZNAK.
    Feed(Hex(ZNAK));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZRINIT});
    Feed(Hex(ZRPOS, 5));
    EXPECT_EQ(zm.Status(), ZModemUnknownHeader);
    EXPECT_EQ(zm.State(), IDravelZModem::StateAborted);
}

TEST_F(Receiver, AfterAskingForAPositionOnlyItsZdataCounts)
{
    const Bytes a = Pattern(4096);
    auto part = [&](size_t from, size_t n) {
        return Bytes(a.begin() + long(from), a.begin() + long(from + n));
    };
    Feed(Offer("a.bin", 4096));
    line.Take();
    Bytes bad = Sub32(part(1024, 1024), ZCRCG);
    bad[10] ^= 0x01;
    Feed(Cat({Bin32(ZDATA, 0), Sub32(part(0, 1024), ZCRCG), bad}));
    EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZRPOS, 1024}}));
    EXPECT_EQ(label.texts.back(), "CRC Error...");
    // What the sender streamed before it saw our ZRPOS (the rest of its frame, a restart
    // our ZRPOS has not reached, a damaged header, the ZEOF) is neither answered nor
    // taken for an error of its own.
    Bytes garbled = Bin32(ZDATA, 1024);
    garbled[5] ^= 0x04;
    Feed(Cat({Sub32(part(2048, 1024), ZCRCG), Sub32(part(3072, 1024), ZCRCE),
              Data(3072, part(3072, 1024)), garbled, Sub32(part(1024, 3072), ZCRCE),
              Hex(ZEOF, 4096)}));
    EXPECT_TRUE(line.Take().empty());
    EXPECT_EQ(zm.Status(), ZModemCrcError);
    EXPECT_EQ(label.texts.back(), "CRC Error...");
    EXPECT_EQ(files.files["down\\a.bin"], part(0, 1024));
    // Only our own time-out asks again.
    clock.now += 11000;
    EXPECT_EQ(zm.CheckTimeout(), 0);
    EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZRPOS, 1024}}));
    Feed(Cat({Data(1024, part(1024, 3072)), Hex(ZEOF, 4096), Hex(ZFIN)}));
    EXPECT_EQ(zm.Status(), ZModemRunning);
    EXPECT_EQ(files.files["down\\a.bin"], a);
}

TEST_F(Receiver, SenderOutOfStepMidFileGetsThePosition)
{
    // Not waiting for anything, 1024 bytes into a file. A header sent again would land
    // inside the sender's stream: only the position brings it back.
    Bytes garbled = Bin32(ZDATA, 1024);
    garbled[5] ^= 0x04;
    struct Row {
        const char* what;
        Bytes in;
    } rows[] = {
        {"ZDATA elsewhere", Data(2048, Pattern(100))},
        {"garbled header", Cat({garbled, Sub32(Pattern(100), ZCRCE)})},
        {"ZEOF elsewhere", Hex(ZEOF, 4096)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Restart();
        Feed(Cat({Offer("a.bin", 4096), Data(0, Pattern(1024))}));
        line.Take();
        Feed(r.in);
        EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZRPOS, 1024}}));
        EXPECT_EQ(files.files["down\\a.bin"], Pattern(1024));
    }
    EXPECT_EQ(label.texts.back(), "Garbled Header...");
}

TEST_F(Receiver, AnswersLostBetweenFilesAreGivenAgain)
{
    // A damaged ZFILE subpacket: the sender is asked for its offer again.
    Bytes info = Sub32(FileInfo("a.bin", "3 0 0 0 1 3"), ZCRCW);
    info[1] ^= 0x01;
    Feed(Cat({Flags(ZFILE, 0), info}));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZRINIT});
    EXPECT_TRUE(files.files.empty());
    Feed(Cat({Offer("a.bin", 3), Data(0, B("abc")), Hex(ZEOF, 3)}));
    EXPECT_EQ(Types(line.Take()), (std::vector<int>{ZRPOS, ZRINIT}));
    // Our ZRINIT did not arrive: the ZEOF comes again.
    Feed(Hex(ZEOF, 3));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZRINIT});
    EXPECT_EQ(files.files["down\\a.bin"], B("abc"));
}

TEST_F(Receiver, FinishingWithAFileCutShortIsNoSuccess)
{
    Feed(Offer("a.bin", 5000));
    Feed(Cat({Data(0, Pattern(100)), Hex(ZFIN)}));
    EXPECT_EQ(zm.State(), IDravelZModem::StateFinished);
    EXPECT_EQ(zm.Status(), ZModemCancelled);
    EXPECT_EQ(zm.IncompleteFiles(), 1);
}

TEST_F(Receiver, OverlongSubpacketIsADamagedOne)
{
    Feed(Offer("a.bin", 100000));
    line.Take();
    Feed(Bin32(ZDATA, 0));
    Feed(Bytes(IDravelZModem::MaxSubpacket + 10, 'A'));
    EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZRPOS, 0}}));
    EXPECT_EQ(zm.Status(), ZModemCrcError);
    EXPECT_TRUE(files.files["down\\a.bin"].empty());
}

TEST_F(Receiver, ExistingFilesAreResumedOnlyWhenAskedAndShorter)
{
    struct Row {
        const char* what;
        size_t existing;
        uint8_t zf0;
        int imagePack;
        uint32_t zrpos;
        const char* storedAs;
    } rows[] = {
        {"resume asked, shorter", 1000, ZCRECOV, 0, 1000, "a.bin"},
        {"no resume asked", 1000, 0, 0, 0, "a_1.bin"},
        {"resume asked, same length", 3000, ZCRECOV, 0, 0, "a_1.bin"},
        {"resume asked, longer", 4000, ZCRECOV, 0, 0, "a_1.bin"},
        {"image pack", 1000, ZCRECOV, 1, 0, "a.bin"},
    };
    const Bytes a = Pattern(3000);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        files.files.clear();
        // An unrelated old file, except for the part a resume keeps.
        Bytes old(r.existing, 0xEE);
        if (r.zrpos)
            std::copy(a.begin(), a.begin() + r.zrpos, old.begin());
        files.files["down\\a.bin"] = old;
        zm.Start(&line, IDravelZModem::DirectionReceive, "down\\", "");
        zm.SetImagePack(r.imagePack);
        line.Take();
        Feed(Offer("a.bin", 3000, r.zf0));
        EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZRPOS, r.zrpos}}));
        EXPECT_EQ(zm.FileName(), r.storedAs);
        Feed(Cat({Data(r.zrpos, Bytes(a.begin() + r.zrpos, a.end())), Hex(ZEOF, 3000), Hex(ZFIN)}));
        EXPECT_EQ(zm.Status(), ZModemRunning);
        EXPECT_EQ(files.files[std::string("down\\") + r.storedAs], a);
        if (std::string(r.storedAs) != "a.bin") {
            EXPECT_EQ(files.files["down\\a.bin"], old);  // left alone
        }
    }
}

TEST_F(Receiver, HostileNamesStayInTheDirectoryOrAreSkipped)
{
    Feed(Offer("..\\..\\evil.exe", 3));
    EXPECT_EQ(zm.FileName(), "evil.exe");
    Feed(Cat({Data(0, B("abc")), Hex(ZEOF, 3)}));
    line.Take();
    EXPECT_EQ(files.files["down\\evil.exe"], B("abc"));
    Feed(Offer("NUL", 3));
    EXPECT_EQ(Types(line.Take()), std::vector<int>{ZSKIP});
    EXPECT_EQ(zm.Status(), ZModemSkipped);
    Feed(Hex(ZFIN));
    EXPECT_EQ(zm.Status(), ZModemSkipped);
    EXPECT_EQ(files.files.size(), 1u);
    // Information without its terminator is read only inside the subpacket.
    zm.Start(&line, IDravelZModem::DirectionReceive, "down", "");
    Bytes info = B("x.bin");
    info.push_back(0);
    Bytes digits(900, '7');
    info.insert(info.end(), digits.begin(), digits.end());
    Feed(Cat({Flags(ZFILE, 0), Sub32(info, ZCRCW)}));
    EXPECT_EQ(zm.FileName(), "x.bin");
    EXPECT_EQ(zm.FileLength(), 0xFFFFFFFFu);
}

TEST_F(Receiver, TelnetDoubledFfSplitAcrossBlocks)
{
    line.winsock = true;
    zm.Start(&line, IDravelZModem::DirectionReceive, "down", "");
    Bytes d = {0xFF, 0x00, 0xFF, 0xFF, 0x41};
    Bytes stream = Cat({Offer("f", 5), Bin32(ZDATA, 0, {false, true}), Sub32(d, ZCRCE, {false, true}),
                        Hex(ZEOF, 5), Hex(ZFIN)});
    // What comes after the session's end: the telnet server's Data Mark when the sender's
    // side flushed its line stands before "OO", or twice instead of it; after one mark the
    // "OO" may still come. A doubled 0xFF is data, not a mark.
    struct Row {
        Bytes after;
        int consoleFrom;  // -1: all of it is the transfer's
        bool signedOff;
    } rows[] = {
        {{'O', 'O', '$'}, 2, true},
        {{0xFF, 0xF2, 'O', 'O', '$'}, 4, true},
        {{0xFF, 0xF2}, -1, false},
        {{0xFF, 0xF2, 0xFF, 0xF2}, -1, true},
        {{0xFF, 0xF2, 0xFF, 0xF2, '$'}, 4, true},
        {{0xFF, 0xFF, 0xFF, 0xFF}, -1, false},
    };
    for (const Row& r : rows) {
        const int row = int(&r - rows);
        Restart();
        // Byte by byte is how the blocks may split, including between the two 0xFF.
        for (uint8_t b : stream)
            zm.ProcessByte(b);
        EXPECT_EQ(zm.Status(), ZModemRunning);
        EXPECT_EQ(files.files["down\\f"], d);
        EXPECT_EQ(Feed(r.after), r.consoleFrom) << row;
        EXPECT_EQ(zm.SenderSignedOff(), r.signedOff) << row;
    }
}

TEST_F(Receiver, AttentionStringFromZsinitPrecedesEveryZrpos)
{
    Bytes attn = {0x03, 0x0A, 0x00};
    Feed(Cat({Hex(ZSINIT), Sub16(attn, ZCRCW)}));
    EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZACK, 1}}));
    Feed(Offer("a.bin", 100));
    line.Take();
    Bytes bad = Sub32(Pattern(50), ZCRCE);
    bad[3] ^= 0x20;
    Feed(Cat({Bin32(ZDATA, 0), bad}));
    Bytes out = line.Take();
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 2), (Bytes{0x03, 0x0A}));
    EXPECT_EQ(Types(out), std::vector<int>{ZRPOS});
    // The user cancels while the sender comes back: a cancel, not the CRC error.
    zm.Abort();
    EXPECT_EQ(zm.Status(), ZModemCancelled);
}

TEST_F(Receiver, ElevenIdlePeriodsTimeOutAcrossTheClockWrap)
{
    for (int i = 1; i <= 10; ++i) {
        clock.now += 10999;  // not yet more than ten whole seconds
        EXPECT_EQ(zm.CheckTimeout(), 0);
        clock.now += 1001;
        EXPECT_EQ(zm.CheckTimeout(), 0);
        EXPECT_EQ(label.texts.back(), "Time Out #" + std::to_string(i));
    }
    EXPECT_EQ(Types(line.Take()), std::vector<int>(10, ZNAK));
    clock.now += 12000;
    EXPECT_EQ(zm.CheckTimeout(), 1);
    EXPECT_EQ(zm.Status(), ZModemTimedOut);
}

TEST_F(Receiver, StreamedDataIsWrittenInLargePiecesAndBeforeEveryAnswer)
{
    const Bytes a = Pattern(48 * 1024);
    auto sub = [&](size_t k, uint8_t end) {
        return Sub32(Bytes(a.begin() + long(k * 1024), a.begin() + long(k * 1024 + 1024)), end);
    };
    Feed(Offer("s.bin", uint32_t(a.size())));
    const Bytes& file = files.files["down\\s.bin"];
    line.Take();
    Bytes stream = Bin32(ZDATA, 0);
    for (size_t k = 0; k < 40; ++k)
        stream = Cat({stream, sub(k, ZCRCG)});
    Feed(stream);
    EXPECT_EQ(file.size(), IDravelZModem::WriteBatch);
    EXPECT_EQ(zm.Position(), 40u * 1024);
    // What a ZCRCQ acknowledges is in the file when the ZACK goes.
    Feed(sub(40, ZCRCQ));
    EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZACK, 41u * 1024}}));
    EXPECT_EQ(file.size(), 41u * 1024);
    // The periodic time-out check writes what waits, without a word to the sender.
    Feed(sub(41, ZCRCG));
    EXPECT_EQ(zm.CheckTimeout(), 0);
    EXPECT_EQ(file.size(), 42u * 1024);
    EXPECT_TRUE(line.Take().empty());
    stream.clear();
    for (size_t k = 42; k < 48; ++k)
        stream = Cat({stream, sub(k, k < 47 ? ZCRCG : ZCRCE)});
    Feed(Cat({stream, Hex(ZEOF, uint32_t(a.size())), Hex(ZFIN)}));
    EXPECT_EQ(zm.Status(), ZModemRunning);
    EXPECT_EQ(file, a);
}

TEST_F(Receiver, WhatCameInWholeIsKeptWhenTheTransferBreaks)
{
    struct Row {
        const char* what;
        std::function<void()> brk;
    } rows[] = {
        {"sender cancels", [&] { Feed(Bytes(5, ZDLE)); }},
        {"we abort", [&] { zm.Abort(); }},
        {"the owner cleans up", [&] { zm.Cleanup(); }},
    };
    const Bytes a = Pattern(5000);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Restart();
        Feed(Cat({Offer("a.bin", 5000), Bin32(ZDATA, 0), Sub32(Bytes(a.begin(), a.begin() + 1024), ZCRCG),
                  Sub32(Bytes(a.begin() + 1024, a.begin() + 3072), ZCRCG), Bytes(a.begin() + 3072, a.begin() + 3100)}));
        r.brk();
        zm.CheckTimeout();
        EXPECT_EQ(files.files["down\\a.bin"], Bytes(a.begin(), a.begin() + 3072));
    }
    // The sender may resume from there.
    zm.Start(&line, IDravelZModem::DirectionReceive, "down", "");
    line.Take();
    Feed(Offer("a.bin", 5000, ZCRECOV));
    EXPECT_EQ(Headers(line.Take()), (Hdrs{{ZRPOS, 3072}}));
    Feed(Cat({Data(3072, Bytes(a.begin() + 3072, a.end())), Hex(ZEOF, 5000), Hex(ZFIN)}));
    EXPECT_EQ(zm.Status(), ZModemRunning);
    EXPECT_EQ(files.files["down\\a.bin"], a);
}

TEST_F(Receiver, RefusedWriteAbortsAndNothingIsWrittenAfterIt)
{
    struct Row {
        const char* what;
        std::function<void()> write;  // what makes the engine write the streamed data
    } rows[] = {
        {"frame end", [&] { Feed(Sub32(Pattern(100), ZCRCE)); }},
        {"time-out check", [&] { EXPECT_EQ(zm.CheckTimeout(), 1); }},
        {"damaged subpacket", [&] {
             Bytes bad = Sub32(Pattern(100), ZCRCG);
             bad[50] ^= 0x01;
             Feed(bad);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Restart();
        Feed(Cat({Offer("a.bin", 5000), Bin32(ZDATA, 0), Sub32(Pattern(2048), ZCRCG)}));
        line.Take();
        files.failWrites = true;
        r.write();
        EXPECT_EQ(zm.Status(), ZModemWriteFailed);
        EXPECT_EQ(zm.State(), IDravelZModem::StateAborted);
        Bytes out = line.Take();
        ASSERT_GE(out.size(), 20u);
        EXPECT_EQ(Bytes(out.end() - 20, out.end() - 10), Bytes(10, ZDLE));
        EXPECT_TRUE(Types(out).empty());
        files.failWrites = false;
        EXPECT_EQ(zm.CheckTimeout(), 1);
        EXPECT_TRUE(files.files["down\\a.bin"].empty());
    }
}

// A block of received bytes is taken exactly as the same bytes one at a time, wherever
// the blocks are cut: the answers, the files, the status and where the engine stopped.
TEST_F(Receiver, BlocksAreTakenAsByteByByte)
{
    const Bytes all = Pattern(600);  // every byte value
    const Bytes allFf = Cat({all, Bytes(40, 0xFF)});
    const EscapeMode telnet{false, true};
    Bytes flipped = Sub32(all, ZCRCE);
    flipped[300] ^= 0x08;
    // Flow-control characters (dropped) and escapes our encoder does not use, 50 bytes in.
    Bytes withFlow = Sub32(Cat({Bytes(50, 'a'), {XON ^ 0x40, 0x7F}, all}), ZCRCE);
    withFlow.erase(withFlow.begin() + 50, withFlow.begin() + 52);
    withFlow.insert(withFlow.begin() + 50, {XON, XOFF | 0x80, ZDLE, XON, ZDLE, ZRUB0});
    // Two telnet commands (a single 0xFF is dropped, the byte after it stays).
    Bytes iac = Sub32(Cat({Bytes(50, 'a'), {0xF1}, Bytes(50, 'b'), {0xF1}}), ZCRCG, telnet);
    iac.insert(iac.begin() + 50, 0xFF);
    iac.insert(iac.begin() + 102, 0xFF);
    // Plain runs of every length up to two words and more, each ended by an escape, a
    // doubled 0xFF or a flow-control character: a special byte at every place in a word.
    const uint8_t ends[] = {ZDLE, 0xFF, XON};
    Bytes runs;
    for (size_t n = 0; n < 20; ++n) {
        runs.insert(runs.end(), n, uint8_t('a' + n));
        runs.push_back(ends[n % 3]);
    }
    struct Row {
        const char* what;
        bool winsock;
        Bytes in;
        size_t leftOver;  // bytes at the end that the engine leaves to the terminal
    } rows[] = {
        {"every frame end, then terminal text", false,
         Cat({Offer("a", 2400), Bin32(ZDATA, 0), Sub32(all, ZCRCG), Sub32(all, ZCRCQ), Sub32(all, ZCRCW),
              Bin32(ZDATA, 1800), Sub32(all, ZCRCE), Hex(ZEOF, 2400), Hex(ZFIN), B("OO$ ls")}),
         4},
        {"CRC-16", false,
         Cat({Offer("b", 1200), Bin16(ZDATA, 0), Sub16(all, ZCRCG), Sub16(all, ZCRCE), Hex(ZEOF, 1200)}), 0},
        {"telnet line", true,
         Cat({Offer("c", 1382), Bin32(ZDATA, 0, telnet), Sub32(allFf, ZCRCG, telnet), iac,
              Sub32(allFf, ZCRCE, telnet), Hex(ZEOF, 1382)}),
         0},
        {"runs between escapes", true,
         Cat({Offer("d", 2 * uint32_t(runs.size())), Bin32(ZDATA, 0, telnet), Sub32(runs, ZCRCG, telnet),
              Sub32(runs, ZCRCE, telnet), Hex(ZEOF, 2 * uint32_t(runs.size()))}),
         0},
        {"damage, flow control, overlong, cancel", false,
         Cat({Offer("e", 5000), Bin32(ZDATA, 0), flipped, Bin32(ZDATA, 0), withFlow, Bin32(ZDATA, 652),
              Sub32(Bytes(IDravelZModem::MaxSubpacket + 1, 'A'), ZCRCE), Bin32(ZDATA, 652),
              Bytes(100, 'B'), Bytes(5, ZDLE), B("xyz")}),
         3},
    };
    struct Outcome {
        Bytes sent;
        std::map<std::string, Bytes> files;
        int status = 0, state = 0;
        size_t stop = 0;
        bool operator==(const Outcome&) const = default;
    };
    auto run = [](const Row& r, size_t block) {  // block 0: ProcessByte for every byte
        FakeLine line;
        line.winsock = r.winsock;
        MemFiles files;
        IDravelZModem zm;
        zm.SetFileStore(&files);
        zm.Start(&line, IDravelZModem::DirectionReceive, "down", "");
        Outcome o;
        o.stop = r.in.size();
        for (size_t i = 0; i < r.in.size() && o.stop == r.in.size(); i += block ? block : 1) {
            const size_t n = block ? std::min(block, r.in.size() - i) : 1;
            const size_t k = block ? zm.ProcessBytes(r.in.data() + i, n) : size_t(zm.ProcessByte(r.in[i]));
            if (k < n)
                o.stop = i + k;
        }
        o.status = zm.Status();
        o.state = zm.State();
        zm.Cleanup();
        o.sent = line.out;
        o.files = files.files;
        return o;
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const Outcome bytes = run(r, 0);
        EXPECT_FALSE(bytes.sent.empty());
        EXPECT_EQ(bytes.stop, r.in.size() - r.leftOver);
        for (size_t block : {1, 2, 3, 5, 7, 8, 9, 16, 63, 64, 1000, 100000})
            EXPECT_TRUE(run(r, block) == bytes) << "blocks of " << block;
    }
}
