// The main window's send routine (SendString) over a port whose writes are all or nothing:
// what the port's output buffer has room for goes out at once, the rest waits, in order,
// until the port reports room again (its output-free trigger calls Resume). Nothing is
// sent on a closed port, and what waits is dropped when the session ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engines/core/ZModemLinks.h"

class SendQueue {
public:
    // Sends `bytes` after anything still waiting. True when bytes are left waiting (the
    // caller arms the port's output-free trigger).
    bool Send(quiro::engines::ByteChannel& port, std::string_view bytes);
    // Sends as much of what waits as the port takes now. True when bytes are still
    // waiting. A closed port drops them.
    bool Resume(quiro::engines::ByteChannel& port);
    // The session ended.
    void Clear() { waiting_.clear(); }
    size_t Waiting() const { return waiting_.size(); }

private:
    std::string waiting_;
};
