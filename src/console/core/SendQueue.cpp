#include "console/core/SendQueue.h"

#include <algorithm>

bool SendQueue::Send(quiro::engines::ByteChannel& port, std::string_view bytes) {
    if (!port.IsOpen()) {
        Drop();
        return false;
    }
    waiting_.append(bytes);
    run_.total += bytes.size();
    return Resume(port);
}

bool SendQueue::Resume(quiro::engines::ByteChannel& port) {
    if (!port.IsOpen()) {
        Drop();
        return false;
    }
    if (waiting_.empty())
        return false;
    size_t n = std::min<size_t>(waiting_.size(), port.OutputFree());
    if (n > 0 && port.PutBlock(reinterpret_cast<const uint8_t*>(waiting_.data()),
                               static_cast<uint32_t>(n))) {
        waiting_.erase(0, n);
        run_.sent += n;
    }
    if (waiting_.empty()) run_ = Progress{};
    return !waiting_.empty();
}

void SendQueue::Drop() {
    if (!waiting_.empty()) dropped_ = run_;
    waiting_.clear();
    run_ = Progress{};
}

std::optional<SendQueue::Progress> SendQueue::TakeDropped() {
    std::optional<Progress> d = dropped_;
    dropped_.reset();
    return d;
}
