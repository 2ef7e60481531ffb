// The terminal engine's telnet hand-off. The owner (the main window) gives it the port; the
// engine asks it for the telnet object at every reset and font change (SyncTelnet): on a
// Winsock line the object is created when missing, takes the screen size and, with the
// port open, sends the window size twice; on any other line it is deleted. The engine then
// hands it every byte that follows an IAC.
#pragma once

#include "engines/core/Telnet.h"
#include "engines/core/TerminalHooks.h"
#include "engines/core/ZModemLinks.h"

#include <memory>

class TerminalTelnetAdapter : public TerminalTelnetHost, public TerminalTelnetHandler {
public:
    explicit TerminalTelnetAdapter(quiro::engines::ByteChannel* port = nullptr) : port_(port) {}

    // The port whose line kind decides; an existing telnet object sends through the new one.
    void SetPort(quiro::engines::ByteChannel* port);

    // The telnet object while the line is telnet, else null: the main window offers the
    // options through it when the connection is up and asks for binary before a transfer.
    IDravelTelnet* Telnet() const { return telnet_.get(); }

    // TerminalTelnetHost
    TerminalTelnetHandler* SyncTelnet(int columns, int rows) override;

    // TerminalTelnetHandler (only called while the telnet object exists)
    void BeginTelnetCommand(int modeBeforeIac) override { telnet_->BeginCommand(modeBeforeIac); }
    int ProcessTelnetCommand(uint8_t byte) override { return telnet_->ProcessTelnetCommand(byte); }
    int ReturnMode() const override { return telnet_->ReturnMode(); }

private:
    quiro::engines::ByteChannel* port_ = nullptr;
    std::unique_ptr<IDravelTelnet> telnet_;
};
