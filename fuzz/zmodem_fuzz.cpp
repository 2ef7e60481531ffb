// Feeds arbitrary host bytes to the ZModem engine in both directions, with time-outs and
// sender ticks interleaved. The first byte picks the direction, the line kind and image
// pack; a 0xFE byte in the stream advances the clock by 11 s and runs the time-out step
// (the byte itself is fed too). Two engines take the same input, one byte by byte and one
// in blocks (cut after every 0xFE or 0xFD byte and, when sending, at every tick), and must
// answer, store and end alike.
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "engines/core/ZModemTestKit.h"

using namespace zmtest;

namespace {

// Writes stop at 4 MiB a file, so that no input can grow one without end.
struct Files : MemFiles {
    bool Write(int h, const uint8_t* b, uint32_t n) override
    {
        return open.at(h).second + n <= (1u << 22) && MemFiles::Write(h, b, n);
    }
};

struct Side {
    FakeLine line;
    Files files;
    FakeClock clock;
    FakeTimer timer;
    std::optional<IDravelZModem> zm;

    explicit Side(uint8_t mode)
    {
        line.winsock = mode & 2;
        line.free = 65536;
        files.files["up\\file.bin"] = std::vector<uint8_t>(3000 + (mode >> 4) * 100, 0x18);
        files.files["down\\a.txt"] = std::vector<uint8_t>(10, 'x');
        clock.now = 0xFFFF0000u;
        zm.emplace();
        zm->SetFileStore(&files);
        zm->SetClock(&clock);
        if (mode & 1) {
            zm->Start(&line, IDravelZModem::DirectionSend, "up", "file.bin");
            zm->StartSender(&timer);
        } else {
            zm->Start(&line, IDravelZModem::DirectionReceive, "down", "");
            zm->SetImagePack((mode & 4) ? 1 : 0);
            zm->SendZRINIT();
        }
    }
    // What the block's last byte asks for.
    void After(uint8_t b, size_t index)
    {
        if (b == 0xFE) {
            clock.now += 11000;
            zm->CheckTimeout();
        }
        if ((index & 7) == 0)
            timer.Tick();
    }
};

void Same(bool same)
{
    if (!same)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    const bool sending = mode & 1;
    Side bytes(mode), blocks(mode);
    size_t i = 1;
    while (i < size) {
        size_t last = i;
        while (last + 1 < size && data[last] != 0xFE && data[last] != 0xFD &&
               !(sending && (last & 7) == 0))
            ++last;
        const size_t n = last + 1 - i;
        size_t stop = n;
        for (size_t k = 0; k < n && stop == n; ++k)
            if (bytes.zm->ProcessByte(data[i + k]) == 0)
                stop = k;
        Same(blocks.zm->ProcessBytes(data + i, n) == stop);
        if (stop < n)
            break;
        bytes.After(data[last], last);
        blocks.After(data[last], last);
        Same(bytes.line.Take() == blocks.line.Take());
        Same(bytes.zm->State() == blocks.zm->State() && bytes.zm->Status() == blocks.zm->Status() &&
             bytes.zm->Position() == blocks.zm->Position());
        i = last + 1;
    }
    for (Side* s : {&bytes, &blocks}) {
        s->zm->CheckTimeout();
        s->zm.reset();
    }
    Same(bytes.line.out == blocks.line.out && bytes.files.files == blocks.files.files);
    return 0;
}
