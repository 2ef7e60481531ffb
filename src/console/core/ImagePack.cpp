#include "console/core/ImagePack.h"

#include <algorithm>

#include "engines/core/Telnet.h"
#include "engines/core/ZModemNames.h"

namespace {
constexpr uint8_t SOH = 0x01, CR = 0x0D, NUL = 0x00;
}

void ImagePackParser::Reset() {
    state_ = Idle;
    command_ = NoCommand;
    escape_ = false;
    numberIndex_ = 0;
    numbers_[0] = numbers_[1] = 0;
    positionReady_ = false;
    overflowed_ = false;
    picture_.clear();
}

void ImagePackParser::Append(uint8_t byte) {
    if (picture_.size() >= kMaxPictureBytes) {
        overflowed_ = true;
        state_ = PictureEnded;
        command_ = EndCommand;
        return;
    }
    picture_.push_back(byte);
}

int ImagePackParser::Parse(const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length && !overflowed_; ++i) {
        const uint8_t b = data[i];
        switch (state_) {
        case DataLine:
            if (escape_) {
                Append(b == '#' ? b : uint8_t(b ^ 0x40));
                escape_ = false;
            } else if (b == NUL) {
                escape_ = false;
            } else if (b == CR) {
                state_ = LineEnded;
            } else if (b == '#') {
                escape_ = true;
            } else {
                Append(b);
            }
            break;
        case CommandExpected:
            if (command_ == EndCommand) {
                if (b == NUL || b == CR) state_ = command_ = EndCommand;
            } else if (command_ == NoCommand) {
                if (b == 'A') {
                    command_ = PositionCommand;
                    numberIndex_ = 0;
                    numbers_[0] = numbers_[1] = 0;
                } else if (b == 'D') {
                    command_ = DataCommand;
                    escape_ = false;
                } else if (b == 'Z') {
                    command_ = EndCommand;
                } else {
                    state_ = Idle;
                }
            } else if (escape_ || b != '#') {  // the separator
                escape_ = false;
                state_ = command_;
            } else {
                escape_ = true;
            }
            break;
        case PositionNumbers:
            if (b == CR) {
                positionRow_ = numbers_[0] - 1;
                positionColumn_ = numbers_[1] - 1;
                positionReady_ = true;
                state_ = Idle;
            } else if (b == ' ') {
                numberIndex_ = 1;
            } else if (b >= '0' && b <= '9') {
                int& n = numbers_[numberIndex_];
                n = std::min(n * 10 + (b - '0'), kMaxNumber);
            }
            break;
        default:
            if (b == SOH) {
                state_ = CommandExpected;
                command_ = NoCommand;
            }
            break;
        }
    }
    return state_;
}

bool ImagePackParser::TakePosition(int& row, int& column) {
    if (!positionReady_) return false;
    positionReady_ = false;
    row = positionRow_;
    column = positionColumn_;
    return true;
}

void ImageDecodeSchedule::Reset() { *this = ImageDecodeSchedule(); }

uint32_t ImageDecodeSchedule::WaitMs(uint32_t nowMs) const {
    if (!anyDecode_) return 0;
    const uint32_t since = nowMs - lastEnd_;
    return since >= nextGap_ ? 0 : nextGap_ - since;
}

void ImageDecodeSchedule::Decoded(size_t streamSize, uint32_t startMs, uint32_t endMs) {
    decodedSize_ = streamSize;
    anyDecode_ = true;
    lastEnd_ = endMs;
    const uint32_t cost = endMs - startMs;
    nextGap_ = std::max(kMinIntervalMs, cost > UINT32_MAX / kCostShare ? UINT32_MAX : cost * kCostShare);
}

size_t TelnetDataStrip::Strip(IDravelTelnet& telnet, uint8_t* data, size_t length) {
    size_t kept = 0;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t b = data[i];
        if (inCommand_) {
            const int r = telnet.ProcessTelnetCommand(b);
            inCommand_ = telnet.ReturnMode() == IDravelTelnet::TelnetMode;
            if (r == 0) data[kept++] = b;  // IAC IAC: one data 0xFF
        } else if (b == IDravelTelnet::IAC) {
            telnet.BeginCommand(0);
            inCommand_ = true;
        } else {
            data[kept++] = b;
        }
    }
    return kept;
}

ViewerSize FitViewerSize(int pictureWidth, int pictureHeight, int buttonBarHeight, int closeButtonWidth,
                         int maxClientWidth, int maxClientHeight) {
    ViewerSize v;
    int w = std::max(pictureWidth, 0), h = std::max(pictureHeight, 0);
    const int roomW = std::max(maxClientWidth, 1), roomH = std::max(maxClientHeight - buttonBarHeight, 1);
    if (w > roomW || h > roomH) {
        // Scaled down as a whole: the side that is tighter decides.
        if (int64_t(w) * roomH >= int64_t(h) * roomW) {
            h = std::max(1, int(int64_t(h) * roomW / w));
            w = roomW;
        } else {
            w = std::max(1, int(int64_t(w) * roomH / h));
            h = roomH;
        }
    }
    v.pictureWidth = w;
    v.pictureHeight = h;
    v.clientWidth = std::min(std::max(5 * closeButtonWidth, w), std::max(maxClientWidth, w));
    v.clientHeight = h + buttonBarHeight;
    return v;
}

bool PictureDownloadFiles::Exists(const std::string& path) {
    const int h = files_.OpenExisting(path, false);
    if (h < 0) return false;
    files_.Close(h);
    return true;
}

int PictureDownloadFiles::Create(const std::string& path) {
    std::string target = path;
    if (Exists(target)) {
        const size_t slash = path.find_last_of("\\/");
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        const std::string name = path.substr(folder.size());
        target.clear();
        for (int n = 1; n < 1000 && target.empty(); ++n) {
            const std::string candidate = folder + quiro::engines::NumberedName(name, n);
            if (!Exists(candidate)) target = candidate;
        }
        if (target.empty()) return -1;
    }
    const int h = files_.Create(target);
    if (h < 0) return h;
    created_.push_back(target);
    ends_[h] = 0;
    return h;
}

int PictureDownloadFiles::OpenExisting(const std::string& path, bool forWriting) {
    // Only the files of this picture are written to again.
    if (forWriting && std::find(created_.begin(), created_.end(), path) == created_.end()) return -1;
    const int h = files_.OpenExisting(path, forWriting);
    if (h >= 0 && forWriting) ends_[h] = files_.Size(h);
    return h;
}

bool PictureDownloadFiles::Write(int handle, const uint8_t* data, uint32_t len) {
    auto it = ends_.find(handle);
    if (it != ends_.end()) {
        if (it->second + int64_t(len) > kMaxBytes) return false;
        if (!files_.Write(handle, data, len)) return false;
        it->second += len;
        return true;
    }
    return files_.Write(handle, data, len);
}

bool PictureDownloadFiles::Seek(int handle, uint64_t position) {
    if (!files_.Seek(handle, position)) return false;
    auto it = ends_.find(handle);
    if (it != ends_.end()) it->second = int64_t(std::min<uint64_t>(position, uint64_t(kMaxBytes) + 1));
    return true;
}

void PictureDownloadFiles::Close(int handle) {
    ends_.erase(handle);
    files_.Close(handle);
}

void PictureDownloadFiles::RemoveAll() {
    for (const auto& [handle, end] : ends_) files_.Close(handle);
    ends_.clear();
    for (const std::string& path : created_) files_.Remove(path);
    created_.clear();
}
