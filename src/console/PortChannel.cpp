#include "console/PortChannel.h"

bool TPortChannel::IsOpen() const { return FPort && FPort->Open(); }

bool TPortChannel::IsWinsock() const { return FPort && FPort->DeviceLayer() == dlWinsock; }

uint32_t TPortChannel::OutputFree() const {
    if (!IsOpen()) return 0;
    try {
        return FPort->GetOutBuffFree();
    } catch (const std::exception&) {
        return 0;
    }
}

bool TPortChannel::PutBlock(const uint8_t* data, uint32_t len) {
    if (!IsOpen()) return false;
    try {
        FPort->PutBlock(data, len);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
