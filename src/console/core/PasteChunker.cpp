#include "console/core/PasteChunker.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "engines/core/PaintRuns.h"

PasteChunker::PasteChunker(std::string text, bool sendEnterAsCrLf)
    : text_(std::move(text)), crlf_(sendEnterAsCrLf) {}

std::string PasteChunker::Next(size_t room) {
    std::string out;
    while (room > 0) {
        if (pendingLf_) {
            out += '\n';
            pendingLf_ = false;
            --room;
            continue;
        }
        if (pos_ < text_.size() && text_[pos_] == '\n') {
            const size_t end = text_.find_first_not_of('\n', pos_);
            pendingLf_ = crlf_ && pos_ > 0;
            pos_ = end == std::string::npos ? text_.size() : end;
            continue;
        }
        if (pos_ == text_.size()) break;
        // Up to the next LF, as far as room allows, whole characters only.
        const size_t lf = text_.find('\n', pos_);
        const std::string_view line = std::string_view(text_).substr(
            pos_, (lf == std::string::npos ? text_.size() : lf) - pos_);
        const size_t limit = std::min(line.size(), room);
        size_t take = 0;
        while (take < limit) {
            const size_t next = take + static_cast<size_t>(CharacterLength(line, take));
            if (next > limit) break;
            take = next;
        }
        if (take == 0) break;  // a double-byte character waits for two bytes of room
        out.append(line.substr(0, take));
        pos_ += take;
        room -= take;
    }
    return out;
}

size_t PasteChunker::Pump(const std::function<size_t()>& room,
                          const std::function<void(const std::string&)>& put) {
    size_t sent = 0;
    while (!Done()) {
        const size_t free = room();
        if (free == 0) break;
        const std::string chunk = Next(free);
        if (chunk.empty()) break;
        put(chunk);
        sent += chunk.size();
    }
    return sent;
}
