// Host bytes through the telnet object the way the terminal hands them over: every IAC
// starts a command, and the object keeps the bytes while the receive mode is its own.
#include <cstdint>

#include "engines/core/Telnet.h"

namespace {

struct Line : quiro::engines::ByteChannel {
    size_t sent = 0;
    bool IsOpen() const override { return true; }
    bool IsWinsock() const override { return true; }
    uint32_t OutputFree() const override { return 4096; }
    bool PutBlock(const uint8_t* d, uint32_t n) override
    {
        for (uint32_t i = 0; i < n; ++i)
            sent += d[i];
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Line line;
    IDravelTelnet telnet;
    telnet.SetPort(&line);
    if (size >= 4)
        telnet.SetWindowSize(uint16_t(data[0] << 8 | data[1]), uint16_t(data[2] << 8 | data[3]));
    telnet.SendTelnetWillOptions();
    int mode = 0;
    size_t dataBytes = 0;
    for (size_t i = 0; i < size; ++i) {
        uint8_t b = data[i];
        if (mode == IDravelTelnet::TelnetMode) {
            int r = telnet.ProcessTelnetCommand(b);
            mode = telnet.ReturnMode();
            if (r == 0)
                ++dataBytes;  // IAC IAC: a data byte in the restored mode
            if (mode < 0 || mode > 4)
                __builtin_trap();
        } else if (b == IDravelTelnet::IAC) {
            telnet.BeginCommand(mode);
            mode = IDravelTelnet::TelnetMode;
        } else {
            ++dataBytes;
            if (b == 0x1B)
                mode = mode == 1 ? 0 : 1;  // stand-in for the terminal's escape mode
        }
        if ((i & 63) == 0)
            telnet.SendWindowSize();
    }
    return 0;
}
