// The main window's send routine (SendString) over a port whose writes are all or nothing:
// what the port's output buffer has room for goes out at once, the rest waits, in order,
// until the port reports room again (its output-free trigger calls Resume). Nothing is
// sent on a closed port, and what waits is dropped when the session ends; the queue then
// tells how much of what it was given went out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <optional>
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
    void Clear() { Drop(); }
    size_t Waiting() const { return waiting_.size(); }

    // Bytes of the sends since the queue was last empty: how many went out of how many.
    struct Progress {
        size_t sent = 0;
        size_t total = 0;
    };
    // The sends that were cut short since the last call, when bytes were dropped (a closed
    // port, Clear); the report is given once.
    std::optional<Progress> TakeDropped();

private:
    void Drop();

    std::string waiting_;
    Progress run_;                     // since the queue was last empty
    std::optional<Progress> dropped_;  // not yet reported
};
