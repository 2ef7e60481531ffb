#include "console/core/SendQueue.h"

#include <algorithm>

bool SendQueue::Send(quiro::engines::ByteChannel& port, std::string_view bytes) {
    if (!port.IsOpen()) {
        waiting_.clear();
        return false;
    }
    waiting_.append(bytes);
    return Resume(port);
}

bool SendQueue::Resume(quiro::engines::ByteChannel& port) {
    if (!port.IsOpen()) {
        waiting_.clear();
        return false;
    }
    if (waiting_.empty())
        return false;
    size_t n = std::min<size_t>(waiting_.size(), port.OutputFree());
    if (n > 0 && port.PutBlock(reinterpret_cast<const uint8_t*>(waiting_.data()),
                               static_cast<uint32_t>(n)))
        waiting_.erase(0, n);
    return !waiting_.empty();
}
