#include "engines/core/CaptureFormat.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

char Shown(uint8_t b) {
    return (b < 33 || b >= 127) ? '.' : static_cast<char>(b);
}

}  // namespace

CaptureTime LocalCaptureTime() {
    std::time_t now = std::time(nullptr);
    CaptureTime t;
    if (const std::tm* tm = std::localtime(&now)) {
        t.year = tm->tm_year + 1900;
        t.month = tm->tm_mon + 1;
        t.day = tm->tm_mday;
        t.hour = tm->tm_hour;
        t.minute = tm->tm_min;
        t.second = tm->tm_sec;
    }
    return t;
}

void HexDumpFormatter::Begin(const CaptureTime& time, size_t blockLength) {
    char header[96];
    std::snprintf(header, sizeof header, "<RECV> %04d-%02d-%02d %02d:%02d:%02d (%llu bytes)\r",
                  time.year, time.month, time.day, time.hour, time.minute, time.second,
                  static_cast<unsigned long long>(blockLength));
    text_ = header;
    // Header, then per 16 bytes a row of 16 * 3 + 1 + 4 + 16 + 1 characters.
    text_.reserve(text_.size() + (blockLength / 16 + 1) * 70 + 1);
    rowCount_ = 0;
}

void HexDumpFormatter::Add(uint8_t byte) {
    row_[rowCount_++] = byte;
    text_ += kHexDigits[byte >> 4];
    text_ += kHexDigits[byte & 15];
    text_ += ' ';
    if (rowCount_ == 8) text_ += ' ';
    if (rowCount_ == 16) {
        CloseRow();
        text_ += '\r';
    }
}

void HexDumpFormatter::CloseRow() {
    text_ += "    ";
    for (int i = 0; i < rowCount_; ++i) text_ += Shown(row_[i]);
    rowCount_ = 0;
}

const std::string& HexDumpFormatter::Finish() {
    if (rowCount_ > 0) {
        // Pad the last row so that its characters line up with the full rows above.
        text_.append(static_cast<size_t>(16 - rowCount_) * 3, ' ');
        if (rowCount_ <= 8) text_ += ' ';
        CloseRow();
        text_ += '\r';
    }
    text_ += '\r';  // a blank line ends each block
    return text_;
}

void CaptureRecorder::BeginBlock(size_t blockLength, const CaptureTime& time) {
    active_ = on_ && sink_ != nullptr;
    blockHex_ = hex_;
    text_.clear();
    if (active_ && blockHex_) hex_dump_.Begin(time, blockLength);
}

void CaptureRecorder::EndBlock() {
    if (!active_) return;
    active_ = false;
    if (blockHex_) {
        const std::string& dump = hex_dump_.Finish();
        sink_->InsertCaptureText(dump);
    } else if (!text_.empty()) {
        sink_->InsertCaptureText(text_);
    }
    text_.clear();
}
