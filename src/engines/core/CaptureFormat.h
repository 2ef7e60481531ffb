// Capture of received data into the capture editor: as the text placed on the screen, or
// as a hex dump of the bytes as they arrived. One received block gives at most one
// delivery to the sink, whatever its size.
//
// Hex dump of a block (lines end with "\r", the editor's line separator):
//   <RECV> 2026-12-06 21:40:00 (20 bytes)
//   41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50     ABCDEFGHIJKLMNOP
//   51 52 53 54                                          QRST
//   (blank line)
// Bytes below 33 and from 127 up show as '.' in the character column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Where captured text goes (the capture editor inserts it at the end of its text).
class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    virtual void InsertCaptureText(std::string_view text) = 0;
};

struct CaptureTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

// The local time now, for the dump's header.
CaptureTime LocalCaptureTime();

// Builds the hex dump of one block.
class HexDumpFormatter {
public:
    void Begin(const CaptureTime& time, size_t blockLength);
    void Add(uint8_t byte);
    void Add(const uint8_t* data, size_t n) {
        for (size_t i = 0; i < n; ++i) Add(data[i]);
    }
    // Closes the block (pads the last row, adds the blank line) and returns the whole text.
    const std::string& Finish();
    const std::string& Text() const { return text_; }

private:
    void CloseRow();

    std::string text_;
    uint8_t row_[16] = {};
    int rowCount_ = 0;
};

// The terminal's capture outlet: the mode switches, the buffer of the block in progress
// and its delivery.
class CaptureRecorder {
public:
    bool On() const { return on_; }
    bool Hex() const { return hex_; }
    void SetOn(bool on) { on_ = on; }
    void SetHex(bool hex) { hex_ = hex; }
    void SetSink(CaptureSink* sink) { sink_ = sink; }
    CaptureSink* Sink() const { return sink_; }

    // Start of a received block: the dump's header in hex mode, an empty buffer otherwise.
    void BeginBlock(size_t blockLength, const CaptureTime& time);
    // Every received byte, before any interpretation (hex mode only).
    void ReceivedByte(uint8_t byte) {
        if (active_ && blockHex_) hex_dump_.Add(byte);
    }
    // Text mode: a character placed on the screen (a double-byte one as its two bytes; the
    // terminal hands over a line feed as a CR).
    void PlacedByte(uint8_t byte) {
        if (active_ && !blockHex_) text_ += static_cast<char>(byte);
    }
    // End of the block: delivers everything of the block in one call (nothing when empty or
    // without a sink) and empties the buffer.
    void EndBlock();

private:
    bool on_ = false;
    bool hex_ = false;
    bool active_ = false;    // a block is in progress with capture on and a sink
    bool blockHex_ = false;  // the mode of that block
    CaptureSink* sink_ = nullptr;
    std::string text_;
    HexDumpFormatter hex_dump_;
};
