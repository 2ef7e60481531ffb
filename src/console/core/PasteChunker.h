// Clipboard text on its way to the host, in chunks that fit the port's output buffer.
//
// The text is taken as bytes (clipboard text already converted to the console's code
// page). LF bytes are never sent from it: a line end CR LF reaches the host as CR, or as
// CR LF when Enter is sent as CR LF, where one LF stands for each run of LFs that follows
// text. A chunk never ends inside a double-byte character, so each chunk can be echoed
// on its own.
//
// Nothing waits here: the owner sends what fits now and asks again when the port has
// room (its output trigger or a timer); dropping the object drops what is left.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

class PasteChunker {
public:
    PasteChunker(std::string text, bool sendEnterAsCrLf);

    // The next bytes to send, at most `room` of them; empty when nothing fits or
    // nothing is left.
    std::string Next(size_t room);
    // Sends chunks with `put` while `room` reports free space and bytes are left;
    // returns the number of bytes sent.
    size_t Pump(const std::function<size_t()>& room,
                const std::function<void(const std::string&)>& put);

    bool Done() const { return pos_ == text_.size() && !pendingLf_; }
    // Bytes of the text not yet sent or skipped.
    size_t Remaining() const { return text_.size() - pos_; }

private:
    std::string text_;
    size_t pos_ = 0;
    bool crlf_;
    bool pendingLf_ = false;  // an LF is owed for the run of LFs just skipped
};
