// In-memory surroundings for the ZModem engine and the telnet object, and a small
// independent reader of ZModem frames to check what the engine sends.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engines/core/CrcTables.h"
#include "engines/core/ZModem.h"

namespace zmtest {

using Bytes = std::vector<uint8_t>;
using namespace quiro::engines;
using namespace quiro::engines::zproto;

inline Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct FakeLine : ByteChannel {
    Bytes out;
    bool open = true;
    bool winsock = false;
    uint32_t free = 1u << 20;
    bool refuse = false;
    bool IsOpen() const override { return open; }
    bool IsWinsock() const override { return winsock; }
    uint32_t OutputFree() const override { return free; }
    bool PutBlock(const uint8_t* d, uint32_t n) override
    {
        if (refuse || n > free)
            return false;
        out.insert(out.end(), d, d + n);
        return true;
    }
    Bytes Take()
    {
        Bytes r;
        r.swap(out);
        return r;
    }
};

struct MemFiles : FileStore {
    std::map<std::string, Bytes> files;
    std::map<int, std::pair<std::string, size_t>> open;
    int next = 3;
    bool failWrites = false;
    int Create(const std::string& p) override
    {
        files[p].clear();
        open[next] = {p, 0};
        return next++;
    }
    int OpenExisting(const std::string& p, bool) override
    {
        if (!files.count(p))
            return -1;
        open[next] = {p, 0};
        return next++;
    }
    int32_t Read(int h, uint8_t* b, uint32_t n) override
    {
        auto& [p, pos] = open.at(h);
        const Bytes& d = files[p];
        uint32_t k = pos < d.size() ? uint32_t(std::min<size_t>(n, d.size() - pos)) : 0;
        if (k)
            std::memcpy(b, d.data() + pos, k);
        pos += k;
        return int32_t(k);
    }
    bool Write(int h, const uint8_t* b, uint32_t n) override
    {
        if (failWrites)
            return false;
        auto& [p, pos] = open.at(h);
        Bytes& d = files[p];
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
    int64_t Size(int h) override { return int64_t(files[open.at(h).first].size()); }
    void Close(int h) override { open.erase(h); }
    bool Remove(const std::string& p) override { return files.erase(p) > 0; }
};

struct FakeClock : Clock {
    uint32_t now = 0xFFFFF000u;  // close to the wrap on purpose
    uint32_t NowMs() override { return now; }
};

struct FakeTimer : PumpTimer {
    uint32_t interval = 0;
    bool enabled = false;
    std::function<void()> handler;
    void SetInterval(uint32_t ms) override { interval = ms; }
    void SetEnabled(bool on) override { enabled = on; }
    bool Enabled() const override { return enabled; }
    void SetHandler(std::function<void()> h) override { handler = std::move(h); }
    void Tick()
    {
        if (enabled && handler)
            handler();
    }
};

struct Label : StatusOutlet {
    std::vector<std::string> texts;
    void ShowStatusText(const std::string& t) override { texts.push_back(t); }
};

// What a ZModem peer sends, built from the frame encoders (checked byte by byte in the
// frame tests).
inline Bytes Hex(uint8_t type, uint32_t pos = 0)
{
    uint8_t d[4];
    StorePosition(d, pos);
    Bytes out;
    AppendHexHeader(out, type, d);
    return out;
}
inline Bytes Flags(uint8_t type, uint8_t zf0, bool bin32 = true)
{
    uint8_t d[4] = {0, 0, 0, zf0};
    Bytes out;
    if (bin32)
        AppendBinaryHeader32(out, type, d, {false, false});
    else
        AppendBinaryHeader16(out, type, d, {false, false});
    return out;
}
inline Bytes Bin32(uint8_t type, uint32_t pos, EscapeMode m = {false, false})
{
    uint8_t d[4];
    StorePosition(d, pos);
    Bytes out;
    AppendBinaryHeader32(out, type, d, m);
    return out;
}
inline Bytes Bin16(uint8_t type, uint32_t pos)
{
    uint8_t d[4];
    StorePosition(d, pos);
    Bytes out;
    AppendBinaryHeader16(out, type, d, {false, false});
    return out;
}
inline Bytes Sub32(const Bytes& data, uint8_t end, EscapeMode m = {false, false})
{
    Bytes out;
    AppendDataSubpacket32(out, data.data(), data.size(), end, m);
    return out;
}
inline Bytes Sub16(const Bytes& data, uint8_t end)
{
    Bytes out;
    AppendDataSubpacket16(out, data.data(), data.size(), end, {false, false});
    return out;
}
inline Bytes FileInfo(const std::string& name, const std::string& info)
{
    Bytes b(name.begin(), name.end());
    b.push_back(0);
    b.insert(b.end(), info.begin(), info.end());
    b.push_back(0);
    return b;
}
inline Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes r;
    for (const Bytes& p : parts)
        r.insert(r.end(), p.begin(), p.end());
    return r;
}

// Reads frames out of what the engine sent: headers (hex or binary, which the engine
// always sends with CRC-32) and data subpackets, with whether a subpacket's CRC holds.
struct Frame {
    bool header = false;
    uint8_t kind = 0, type = 0;
    uint32_t pos = 0;
    Bytes data;
    uint8_t end = 0;
    bool crcOk = false;
};

inline std::vector<Frame> ReadFrames(const Bytes& s)
{
    std::vector<Frame> frames;
    size_t i = 0;
    bool isEnd = false;
    auto next = [&]() -> int {
        isEnd = false;
        while (i < s.size()) {
            uint8_t c = s[i++];
            if (c == XON || c == XOFF)
                continue;
            if (c != ZDLE)
                return c;
            if (i >= s.size())
                return -1;
            c = s[i++];
            isEnd = c >= ZCRCE && c <= ZCRCW;
            return isEnd ? c : c == ZRUB0 ? 0x7F : c == ZRUB1 ? 0xFF : c ^ 0x40;
        }
        return -1;
    };
    auto take = [&](Bytes& into, size_t n) {
        for (int c; into.size() < n && (c = next()) >= 0;)
            into.push_back(uint8_t(c));
    };
    bool dataFollows = false;
    while (i < s.size()) {
        if (dataFollows) {
            Frame f;
            int v;
            while ((v = next()) >= 0 && !isEnd)
                f.data.push_back(uint8_t(v));
            if (v < 0)
                break;
            f.end = uint8_t(v);
            Bytes crc;
            take(crc, 4);
            Bytes all = f.data;
            all.push_back(f.end);
            f.crcOk = crc.size() == 4 && Crc32Of(all.data(), all.size()) == LoadPosition(crc.data());
            frames.push_back(f);
            dataFollows = f.end == ZCRCG || f.end == ZCRCQ;
            continue;
        }
        if (s[i] != ZPAD) {
            ++i;
            continue;
        }
        while (i < s.size() && s[i] == ZPAD)
            ++i;
        if (i + 1 >= s.size() || s[i] != ZDLE)
            continue;
        Frame f;
        f.header = true;
        f.kind = s[i + 1];
        i += 2;
        Bytes h;
        if (f.kind == ZHEX) {
            auto hv = [](uint8_t c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
            for (; h.size() < 5 && i + 1 < s.size(); i += 2)
                h.push_back(uint8_t(hv(s[i]) << 4 | hv(s[i + 1])));
        } else {
            take(h, 9);
        }
        if (h.size() < 5)
            break;
        f.type = h[0];
        f.pos = LoadPosition(h.data() + 1);
        frames.push_back(f);
        dataFollows = f.kind != ZHEX && (f.type == ZFILE || f.type == ZDATA || f.type == ZSINIT);
    }
    return frames;
}

// Header types in order, for compact assertions.
inline std::vector<int> Types(const Bytes& s)
{
    std::vector<int> t;
    for (const Frame& f : ReadFrames(s))
        if (f.header)
            t.push_back(f.type);
    return t;
}

// Header types with their positions.
using Hdrs = std::vector<std::pair<int, uint32_t>>;
inline Hdrs Headers(const Bytes& s)
{
    Hdrs h;
    for (const Frame& f : ReadFrames(s))
        if (f.header)
            h.emplace_back(f.type, f.pos);
    return h;
}

}  // namespace zmtest
