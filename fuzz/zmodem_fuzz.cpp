// Feeds arbitrary host bytes to the ZModem engine in both directions, with time-outs and
// sender ticks interleaved. The first byte picks the direction, the line kind and image
// pack; a 0xFE byte in the stream advances the clock by 11 s and runs the time-out step
// (the byte itself is fed too).
#include <cstdint>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    FakeLine line;
    line.winsock = mode & 2;
    line.free = 65536;
    Files files;
    files.files["up\\file.bin"] = std::vector<uint8_t>(3000 + (mode >> 4) * 100, 0x18);
    files.files["down\\a.txt"] = std::vector<uint8_t>(10, 'x');
    FakeClock clock;
    clock.now = 0xFFFF0000u;
    FakeTimer timer;
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
            if ((i & 7) == 0)
                timer.Tick();
            line.out.clear();
        }
        zm.CheckTimeout();
    }
    return 0;
}
