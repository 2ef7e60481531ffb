// Feeds arbitrary host bytes to the ZModem engine in both directions, with time-outs and
// sender ticks interleaved. The first byte picks the direction, the line kind and image
// pack; a 0xFE byte in the stream advances the clock by 11 s and runs the time-out step
// (the byte itself is fed too).
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engines/core/ZModem.h"

using namespace quiro::engines;

namespace {

struct Line : ByteChannel {
    bool winsock = false;
    uint32_t free = 65536;
    size_t sent = 0;
    bool IsOpen() const override { return true; }
    bool IsWinsock() const override { return winsock; }
    uint32_t OutputFree() const override { return free; }
    bool PutBlock(const uint8_t*, uint32_t len) override
    {
        if (len > free)
            return false;
        sent += len;
        return true;
    }
};

struct Files : FileStore {
    std::map<std::string, std::vector<uint8_t>> data;
    std::map<int, std::pair<std::string, size_t>> open;
    int next = 3;
    int Create(const std::string& p) override
    {
        data[p].clear();
        open[next] = {p, 0};
        return next++;
    }
    int OpenExisting(const std::string& p, bool) override
    {
        if (!data.count(p))
            return -1;
        open[next] = {p, 0};
        return next++;
    }
    int32_t Read(int h, uint8_t* b, uint32_t n) override
    {
        auto& [p, pos] = open.at(h);
        auto& d = data[p];
        uint32_t k = pos < d.size() ? uint32_t(std::min<size_t>(n, d.size() - pos)) : 0;
        if (k)
            std::memcpy(b, d.data() + pos, k);
        pos += k;
        return int32_t(k);
    }
    bool Write(int h, const uint8_t* b, uint32_t n) override
    {
        auto& [p, pos] = open.at(h);
        auto& d = data[p];
        if (pos + n > (1u << 22))
            return false;
        if (d.size() < pos + n)
            d.resize(pos + n);
        std::memcpy(d.data() + pos, b, n);
        pos += n;
        return true;
    }
    bool Seek(int h, uint64_t p) override
    {
        open.at(h).second = size_t(p);
        return true;
    }
    int64_t Size(int h) override { return int64_t(data[open.at(h).first].size()); }
    void Close(int h) override { open.erase(h); }
    bool Remove(const std::string& p) override { return data.erase(p) > 0; }
};

struct FakeClock : Clock {
    uint32_t now = 0xFFFF0000u;
    uint32_t NowMs() override { return now; }
};

struct Timer : PumpTimer {
    bool on = false;
    std::function<void()> h;
    void SetInterval(uint32_t) override {}
    void SetEnabled(bool e) override { on = e; }
    bool Enabled() const override { return on; }
    void SetHandler(std::function<void()> f) override { h = std::move(f); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    Line line;
    line.winsock = mode & 2;
    Files files;
    files.data["up\\file.bin"] = std::vector<uint8_t>(3000 + (mode >> 4) * 100, 0x18);
    files.data["down\\a.txt"] = std::vector<uint8_t>(10, 'x');
    FakeClock clock;
    Timer timer;
    {
        IDravelZModem zm;
        zm.SetFileStore(&files);
        zm.SetClock(&clock);
        if (mode & 1) {
            zm.Start(&line, IDravelZModem::DirectionSend, "up", "file.bin");
            zm.StartSender(&timer);
        } else {
            zm.Start(&line, IDravelZModem::DirectionReceive, "down", "");
            zm.SetImagePack((mode & 4) ? 1 : 0);
            zm.SendZRINIT();
        }
        for (size_t i = 1; i < size; ++i) {
            if (zm.ProcessByte(data[i]) == 0)
                break;
            if (data[i] == 0xFE) {
                clock.now += 11000;
                zm.CheckTimeout();
            }
            if (timer.on && timer.h && (i & 7) == 0)
                timer.h();
        }
        zm.CheckTimeout();
    }
    return 0;
}
