// The comm port as the engines' byte channel: the send routine's queue, the telnet object
// and the transfer engine write to the host through it.
#pragma once

#include "comm/core/CommPort.h"
#include "engines/core/ZModemLinks.h"

class TPortChannel : public quiro::engines::ByteChannel {
public:
    explicit TPortChannel(TLinkCustomComPort* port = nullptr) : FPort(port) {}
    void SetPort(TLinkCustomComPort* port) { FPort = port; }

    bool IsOpen() const override;
    bool IsWinsock() const override;
    uint32_t OutputFree() const override;
    // All or nothing; a port that refuses the block (full, closed, failed) gives false.
    bool PutBlock(const uint8_t* data, uint32_t len) override;

private:
    TLinkCustomComPort* FPort;
};
