#include "engines/core/TerminalTelnetAdapter.h"

#include <algorithm>

void TerminalTelnetAdapter::SetPort(quiro::engines::ByteChannel* port)
{
    port_ = port;
    if (telnet_)
        telnet_->SetPort(port);
}

TerminalTelnetHandler* TerminalTelnetAdapter::SyncTelnet(int columns, int rows)
{
    if (!port_ || !port_->IsWinsock()) {
        telnet_.reset();
        return nullptr;
    }
    if (!telnet_) {
        telnet_ = std::make_unique<IDravelTelnet>();
        telnet_->SetPort(port_);
    }
    // The engine keeps its size in range; a negative one would wrap to a huge window here.
    telnet_->SetWindowSize(static_cast<uint16_t>(std::clamp(columns, 0, 0xFFFF)),
                           static_cast<uint16_t>(std::clamp(rows, 0, 0xFFFF)));
    if (port_->IsOpen()) {
        telnet_->SendWindowSize();
        telnet_->SendWindowSize();
    }
    return this;
}
