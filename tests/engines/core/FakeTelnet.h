// A telnet object for the terminal engine's tests and fuzz target.
#pragma once

#include "engines/core/DravelTerminal.h"

#include <cstdint>

// A telnet object that understands just enough: IAC IAC is data, IAC WILL/DO x is a
// three-byte command, anything else after IAC is a two-byte command.
struct FakeTelnet : TerminalTelnetHandler, TerminalTelnetHost {
    int modeBefore = -1, returnMode = 3, state = 0;
    bool present = true;
    TerminalTelnetHandler* SyncTelnet(int, int) override
    {
        return present ? this : nullptr;
    }
    void BeginTelnetCommand(int mode) override
    {
        modeBefore = mode;
        returnMode = 3;
        state = 0;
    }
    int ProcessTelnetCommand(uint8_t b) override
    {
        if (state == 0 && b == 0xFF) {
            returnMode = modeBefore;
            return 0;
        }
        if (state == 0 && b >= 251 && b <= 254) {
            state = 1;
            return 1;
        }
        returnMode = modeBefore;
        return 1;
    }
    int ReturnMode() const override { return returnMode; }
};
