// In-band pictures ("Image Pack"): the host sends a JPEG picture in printable text lines,
// each answered by the terminal before the next comes:
//
//   SOH 'A' sep row SP column CR     the cell the next picture is placed at (1-based)
//   SOH 'D' sep data CR              picture bytes; '#' c stands for c XOR 0x40, "##" for
//                                    '#'; NUL is dropped; any other byte stands for itself
//   SOH 'Z' CR (or NUL)              the picture is complete
//
// `sep` is one byte ('#' and the byte after it count as one). This unit holds the viewer's
// parser of that stream, when a picture that is still arriving is decoded again, and the
// viewer's size and place; the windows only carry them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engines/core/ZModemLinks.h"

class IDravelTelnet;

// What the terminal sends back.
inline constexpr char kImageDownloadReady[] = "\x1B&3\r";  // after ESC "&Q"
inline constexpr char kImageStreamReady[] = "\x01" "A#@\r";
inline constexpr char kImageLineTaken[] = "\x01" "D#@\r";
inline constexpr char kImageCancel[] = "\x1B\x1B\x1B";
inline constexpr char kImageClose[] = "\x1B\x1B\x1B\r";

class ImagePackParser {
public:
    enum State : int {
        PictureEnded = -1,
        LineEnded = -2,
        Idle = 0,
        DataLine = 1,
        CommandExpected = 2,
        PositionNumbers = 3,
    };
    enum Command : int { NoCommand = 0, DataCommand = 1, PositionCommand = 3, EndCommand = -1 };

    // The picture never grows past this: a stream that would is ended (Overflowed()).
    static constexpr size_t kMaxPictureBytes = 8u << 20;
    // Position numbers saturate here (further digits are read and change nothing).
    static constexpr int kMaxNumber = 32767;

    // Runs the bytes through the stream's state machine; the state after the last byte (an
    // empty block leaves it as it is). Stops early at a picture that has grown too large.
    int Parse(const uint8_t* data, size_t length);

    int State() const { return state_; }
    void SetState(int state) { state_ = state; }
    int CurrentCommand() const { return command_; }

    // State, command and numbers back to the start, the picture emptied.
    void Reset();

    const std::vector<uint8_t>& Picture() const { return picture_; }
    // The stream went past kMaxPictureBytes: it was ended there (state PictureEnded).
    bool Overflowed() const { return overflowed_; }

    // A position command ended since the last call: the 0-based cell it names (row = first
    // number - 1, column = second number - 1; a missing number reads as 0, giving -1).
    bool TakePosition(int& row, int& column);

private:
    void Append(uint8_t byte);

    int state_ = Idle;
    int command_ = NoCommand;
    bool escape_ = false;
    int numberIndex_ = 0;
    int numbers_[2] = {0, 0};
    bool positionReady_ = false;
    int positionRow_ = 0, positionColumn_ = 0;
    bool overflowed_ = false;
    std::vector<uint8_t> picture_;
};

// When a picture that is still arriving is decoded again. Each decode reads the whole
// stream, so decoding at every line would cost the square of the picture's size: a decode
// is due only when the stream has grown by kStep bytes since the last one and the last
// decode is kCostShare times its own duration (at least kMinInterval) in the past. The
// time spent decoding then stays a fixed share of the time the picture takes to arrive.
class ImageDecodeSchedule {
public:
    static constexpr size_t kStep = 3072;
    static constexpr uint32_t kMinIntervalMs = 40;
    static constexpr uint32_t kCostShare = 3;
    // A finished stream is decoded only when it holds more than this.
    static constexpr size_t kFinalMinimum = 1024;

    void Reset();
    // Whether the stream has grown enough since the last decode.
    bool Grown(size_t streamSize) const { return streamSize >= decodedSize_ + kStep; }
    bool Due(size_t streamSize, uint32_t nowMs) const { return Grown(streamSize) && WaitMs(nowMs) == 0; }
    // How long a grown stream still has to wait (0: now).
    uint32_t WaitMs(uint32_t nowMs) const;
    // A decode of `streamSize` bytes ran from `startMs` to `endMs`.
    void Decoded(size_t streamSize, uint32_t startMs, uint32_t endMs);
    size_t DecodedSize() const { return decodedSize_; }
    static bool FinalDue(size_t streamSize) { return streamSize > kFinalMinimum; }

private:
    size_t decodedSize_ = 0;
    bool anyDecode_ = false;
    uint32_t lastEnd_ = 0;
    uint32_t nextGap_ = 0;
};

// Telnet commands inside the picture stream of a telnet session: the telnet object answers
// or drops them, IAC IAC stands for one 0xFF. A command split across blocks goes on in the
// next one.
class TelnetDataStrip {
public:
    // Strips `data` in place; returns the data bytes left at its start.
    size_t Strip(IDravelTelnet& telnet, uint8_t* data, size_t length);
    void Reset() { inCommand_ = false; }

private:
    bool inCommand_ = false;
};

// The viewer's client size for a picture: the picture above the button bar, at least five
// Close buttons wide; never larger than `maxClientWidth` x `maxClientHeight` (the screen's
// work area less the window's frame). `pictureWidth` x `pictureHeight` is then the size the
// picture is shown at: the whole picture, scaled down when it does not fit.
struct ViewerSize {
    int clientWidth = 0, clientHeight = 0;
    int pictureWidth = 0, pictureHeight = 0;
};
ViewerSize FitViewerSize(int pictureWidth, int pictureHeight, int buttonBarHeight, int closeButtonWidth,
                         int maxClientWidth, int maxClientHeight);

// The files of a picture the host sends by ZModem, in the temporary folder: a name the host
// chose never replaces a file that is there already (another free name is taken, keeping the
// extension), no file grows past kMaxBytes (the write fails and the transfer ends), and
// every file made is known, so that all of them can be removed afterwards.
class PictureDownloadFiles : public quiro::engines::FileStore {
public:
    static constexpr int64_t kMaxBytes = 16 << 20;

    explicit PictureDownloadFiles(quiro::engines::FileStore& files) : files_(files) {}

    int Create(const std::string& path) override;
    int OpenExisting(const std::string& path, bool forWriting) override;
    int32_t Read(int handle, uint8_t* buffer, uint32_t len) override { return files_.Read(handle, buffer, len); }
    bool Write(int handle, const uint8_t* data, uint32_t len) override;
    bool Seek(int handle, uint64_t position) override;
    int64_t Size(int handle) override { return files_.Size(handle); }
    void Close(int handle) override;
    bool Remove(const std::string& path) override { return files_.Remove(path); }

    // The files made, oldest first; the last one is the picture.
    const std::vector<std::string>& Created() const { return created_; }
    // Closes what is open and removes every file made.
    void RemoveAll();

private:
    bool Exists(const std::string& path);

    quiro::engines::FileStore& files_;
    std::vector<std::string> created_;
    std::map<int, int64_t> ends_;  // open handles and the end of what was written
};
