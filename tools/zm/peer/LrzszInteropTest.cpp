// The ZModem engine against Debian's lrzsz (sz and rz) over a socket pair, with and
// without a relay that damages the line.
#include <gtest/gtest.h>

#include "LrzszRuns.h"

using namespace peer;
using namespace quiro::zmtool;

namespace {

struct Fixture {
    TempDir tmp;
    std::string src = tmp.Sub("src"), dst = tmp.Sub("dst");
    std::vector<std::pair<std::string, Bytes>> files;

    Fixture(uint32_t seed = 1, size_t big = 150000)
    {
        files = {{"big.bin", RandomBytes(big, seed)},
                 {"small.txt", Bytes{'h', 'e', 'l', 'l', 'o', '\r', '\n', 0xFF, 0x18, 0x11}},
                 {"empty", {}}};
        for (auto& [name, data] : files)
            WriteFile(src + "/" + name, data);
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> n;
        for (auto& f : files)
            n.push_back(f.first);
        return n;
    }
    void ExpectArrived(const std::string& dir) const
    {
        for (auto& [name, data] : files) {
            Bytes got;
            EXPECT_TRUE(ReadFile(dir + "/" + name, got)) << name;
            EXPECT_EQ(got, data) << name;
        }
    }
};

const std::string HexZack = "**\x18" "B03";

}  // namespace

TEST(Lrzsz, DownloadsFromSz)
{
    struct Row {
        const char* what;
        std::vector<std::string> options;
        bool expectAcks;
    } rows[] = {
        {"plain", {}, false},
        {"CRC-16", {"-o"}, false},
        {"escaped controls, ZSINIT", {"-e"}, true},
        {"windowed", {"-w", "2048"}, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Fixture f;
        std::vector<std::string> args = {"sz", "-q"};
        args.insert(args.end(), r.options.begin(), r.options.end());
        for (auto& n : f.Names())
            args.push_back(n);
        Outcome run = Transfer(false, args, f.src, f.dst);
        EXPECT_TRUE(run.ok) << "status " << run.status;
        EXPECT_EQ(run.peerExit, 0);
        f.ExpectArrived(f.dst);
        if (r.expectAcks) {
            EXPECT_GT(Count(run.sent, HexZack), 0u);
        }
    }
}

TEST(Lrzsz, UploadsToRz)
{
    for (const char* option : {"", "-e"}) {
        SCOPED_TRACE(option);
        Fixture f;
        std::vector<std::string> args = {"rz", "-q"};
        if (*option)
            args.push_back(option);
        Outcome run = Transfer(true, args, f.dst, f.src, f.Names());
        EXPECT_TRUE(run.ok) << "status " << run.status;
        EXPECT_EQ(run.peerExit, 0);
        f.ExpectArrived(f.dst);
    }
}

TEST(Lrzsz, UploadOfAnExistingFileIsSkipped)
{
    Fixture f;
    const Bytes old = RandomBytes(5000, 99);
    WriteFile(f.dst + "/small.txt", old);
    Outcome run = Transfer(true, {"rz", "-q"}, f.dst, f.src, {"small.txt"});
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.end, SessionEnd::Finished);
    EXPECT_EQ(run.status, ZModemSkipped);
    Bytes got;
    ReadFile(f.dst + "/small.txt", got);
    EXPECT_EQ(got, old);
}

TEST(Lrzsz, RzResumingAPartialOrCompleteFile)
{
    // rz -r asks for the rest of what it has; a complete file asks at the end, which
    // must get ZEOF at once rather than a stall.
    for (size_t have : {size_t(70000), size_t(150000)}) {
        SCOPED_TRACE(have);
        Fixture f;
        const Bytes& big = f.files[0].second;
        WriteFile(f.dst + "/big.bin", Bytes(big.begin(), big.begin() + long(have)));
        Outcome run = Transfer(true, {"rz", "-q", "-r"}, f.dst, f.src, {"big.bin"});
        EXPECT_TRUE(run.ok) << run.status;
        Bytes got;
        ReadFile(f.dst + "/big.bin", got);
        EXPECT_EQ(got, big);
    }
}

TEST(Lrzsz, ResumesOnlyWhenTheSenderAsks)
{
    Fixture f;
    const Bytes& big = f.files[0].second;
    // Asked (sz -r) and shorter: the old bytes stay, the rest is appended.
    WriteFile(f.dst + "/big.bin", Bytes(big.begin(), big.begin() + 100000));
    Outcome run = Transfer(false, {"sz", "-q", "-r", "big.bin"}, f.src, f.dst);
    EXPECT_TRUE(run.ok) << run.status;
    EXPECT_EQ(run.startPosition, 100000);
    Bytes got;
    ReadFile(f.dst + "/big.bin", got);
    EXPECT_EQ(got, big);
    // Not asked: an unrelated file of that name is left alone.
    const Bytes unrelated = RandomBytes(1000, 5);
    WriteFile(f.dst + "/big.bin", unrelated);
    run = Transfer(false, {"sz", "-q", "big.bin"}, f.src, f.dst);
    EXPECT_TRUE(run.ok) << run.status;
    EXPECT_EQ(run.lastName, "big_1.bin");
    ReadFile(f.dst + "/big.bin", got);
    EXPECT_EQ(got, unrelated);
    ReadFile(f.dst + "/big_1.bin", got);
    EXPECT_EQ(got, big);
}

TEST(Lrzsz, NoisyLineCompletesAtLeastAsOftenAsLrzsz)
{
    // A line of 100 KB/s with tens of kilobytes in flight and a damaged byte in ten
    // thousand, both ways; then one so bad that nothing can get through. The same damage
    // with rz or sz on our end of the line. The full sweep is bench_zmodem_noise.
    std::vector<NoisyCase> cases;
    for (bool upload : {false, true}) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            NoisyCase c;
            c.upload = upload;
            c.seed = seed;
            c.limitMs = 40000;
            cases.push_back(c);
        }
        NoisyCase hopeless;
        hopeless.upload = upload;
        hopeless.faultOneIn = 50;
        hopeless.seed = 21;
        hopeless.limitMs = 15000;
        cases.push_back(hopeless);
    }
    auto results = NoisyTransfers(cases, unsigned(2 * cases.size()));
    int ours[2] = {}, theirs[2] = {};
    for (size_t i = 0; i < cases.size(); ++i) {
        const NoisyCase& c = cases[i];
        const auto& [our, their] = results[i];
        std::printf("%s seed %u 1/%u: ours %s (status %d, %.1f s), %s %s\n",
                    c.upload ? "upload" : "download", c.seed, c.faultOneIn,
                    our.ok ? "ok" : "failed", our.status, our.ms / 1000.0,
                    c.upload ? "sz" : "rz", their.ok ? "ok" : "failed");
        EXPECT_FALSE(our.wrongBytes) << "reported OK with wrong content, seed " << c.seed;
        if (c.faultOneIn == 50) {
            EXPECT_FALSE(our.ok);
            EXPECT_NE(our.status, ZModemRunning);
            continue;
        }
        ours[c.upload] += our.ok;
        theirs[c.upload] += their.ok;
    }
    EXPECT_GE(ours[0], theirs[0]) << "downloads";
    EXPECT_GE(ours[1], theirs[1]) << "uploads";
    EXPECT_GE(ours[0] + ours[1], 5);
}

#ifdef QUIRO_ZM_TOOL
TEST(ZmTool, TransfersWithLrzszAndReportsByExitStatus)
{
    Fixture f;
    int sv[2];
    // zm receive <-> sz
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv);
    pid_t zm = Spawn({QUIRO_ZM_TOOL, "receive", f.dst}, f.tmp.path, sv[0]);
    std::vector<std::string> args = {"sz", "-q"};
    for (auto& n : f.Names())
        args.push_back(n);
    pid_t sz = Spawn(args, f.src, sv[1]);
    ::close(sv[0]);
    ::close(sv[1]);
    EXPECT_EQ(Reap(zm, 20000), 0);
    Reap(sz, 5000);
    f.ExpectArrived(f.dst);
    // zm send -> rz, where the first file already exists: skipped, so exit status 1.
    std::string again = f.tmp.Sub("again");
    WriteFile(again + "/small.txt", {'x'});
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv);
    zm = Spawn({QUIRO_ZM_TOOL, "--tick", "0", "send", f.src + "/small.txt", f.src + "/big.bin"},
               f.tmp.path, sv[0]);
    pid_t rz = Spawn({"rz", "-q"}, again, sv[1]);
    ::close(sv[0]);
    ::close(sv[1]);
    EXPECT_EQ(Reap(zm, 20000), 1);
    Reap(rz, 5000);
    Bytes got;
    EXPECT_TRUE(ReadFile(again + "/big.bin", got));
    EXPECT_EQ(got, f.files[0].second);
}
#endif
