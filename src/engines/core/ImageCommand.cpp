#include "engines/core/ImageCommand.h"

#include <algorithm>
#include <iterator>

void ImageCommand::Start() {
    state_ = State::Command;
    count_ = 0;
    inNumber_ = false;
    std::fill(std::begin(numbers_), std::end(numbers_), 0);
}

ImageCommand::Result ImageCommand::Byte(uint8_t byte) {
    if (state_ == State::Command) {
        if (byte != 'A') return Result::Ignored;
        state_ = State::Numbers;
        return Result::More;
    }
    if (byte >= '0' && byte <= '9') {
        if (!inNumber_) {
            inNumber_ = true;
            ++count_;
        }
        if (count_ <= kMaxNumbers) {
            int& n = numbers_[count_ - 1];
            n = std::min(n * 10 + (byte - '0'), kMaxValue);
        }
        return Result::More;
    }
    if (byte == '\r') {
        // 1-based on the wire; a missing number (or 0) stays at the first cell.
        column_ = std::max(numbers_[0] - 1, 0);
        row_ = std::max(numbers_[1] - 1, 0);
        Start();
        return Result::Position;
    }
    // Blanks end a number; any other byte (such as the separator after 'A') is passed over.
    if (byte == ' ' || byte == '\t') inNumber_ = false;
    return Result::More;
}
