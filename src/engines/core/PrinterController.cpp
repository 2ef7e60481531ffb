#include "engines/core/PrinterController.h"

#include <cstring>

namespace {

constexpr uint8_t kEndPrint[] = {0x1B, '[', '4', 'i'};
constexpr int kEndLength = 4;

}  // namespace

PrinterController::~PrinterController() {
    // Its owner is going: the file is closed and kept, whatever it is, and nothing else is
    // asked of the outlet (a print would report to an owner that may be gone in part).
    if (!IsOpen()) return;
    Write(kEndPrint, static_cast<size_t>(held_));
    outlet_.ClosePrintFile(handle_);
    handle_ = -1;
}

std::string PrinterController::NamedFileFor(const std::string& configuredName) {
    std::string name = configuredName;
    if (!name.empty() && name.front() == '"') {
        name.erase(0, 1);
        if (!name.empty() && name.back() == '"') name.pop_back();
    }
    return name;
}

bool PrinterController::Start(int printMode, const std::string& configuredName) {
    if (IsOpen()) Finish();
    if (printMode == kTemporaryFile) {
        std::string name;
        const int handle = outlet_.CreateTemporaryPrintFile(&name);
        if (handle < 0) return false;
        handle_ = handle;
        temporaryName_ = name;
    } else if (printMode == kNamedFile) {
        const std::string name = NamedFileFor(configuredName);
        if (name.empty()) return false;
        const int handle = outlet_.CreatePrintFile(name);
        if (handle < 0) return false;
        handle_ = handle;
        temporaryName_.clear();
    } else {
        return false;
    }
    mode_ = printMode;
    held_ = 0;
    writeFailed_ = false;
    return true;
}

void PrinterController::Write(const uint8_t* data, size_t n) {
    if (n > 0 && !writeFailed_ && !outlet_.WritePrintFile(handle_, data, n)) writeFailed_ = true;
}

size_t PrinterController::Feed(const uint8_t* data, size_t n, bool* finished) {
    if (finished) *finished = false;
    if (!IsOpen()) return 0;
    // The block goes to the file in one write, up to the terminator or to a possible start
    // of it that the block ends with (held back until the next block tells). Only bytes
    // held back from an earlier block that turn out to be data make a write of their own.
    int carried = held_;  // held bytes that are not in this block
    size_t i = 0;
    while (i < n) {
        if (held_ == 0) {
            const void* esc = std::memchr(data + i, kEndPrint[0], n - i);
            if (!esc) {
                i = n;
                break;
            }
            i = static_cast<size_t>(static_cast<const uint8_t*>(esc) - data) + 1;
            held_ = 1;
            continue;
        }
        if (data[i] == kEndPrint[held_]) {
            ++i;
            if (++held_ == kEndLength) {
                // What came before the terminator; nothing when it began in an earlier block.
                if (carried == 0) Write(data, i - kEndLength);
                held_ = 0;
                Finish();
                if (finished) *finished = true;
                return i;
            }
            continue;
        }
        // The sequence broke off: the bytes held back were data. Those of this block stay in
        // the run; those of an earlier one go first. The byte that broke it may itself start
        // the terminator, so it is looked at again.
        Write(kEndPrint, static_cast<size_t>(carried));
        carried = 0;
        held_ = 0;
    }
    if (carried == 0) Write(data, n - static_cast<size_t>(held_));
    return n;
}

void PrinterController::Finish() {
    const int handle = handle_;
    handle_ = -1;
    held_ = 0;
    outlet_.ClosePrintFile(handle);
    // A job that did not reach its file whole, or did not go out whole, keeps its data in
    // the file (the outlet tells where).
    if (mode_ == kTemporaryFile && !temporaryName_.empty() && !writeFailed_ && outlet_.PrintRawFile(temporaryName_))
        outlet_.DeletePrintFile(temporaryName_);
    temporaryName_.clear();
}

void PrinterController::Reset() {
    if (!IsOpen()) return;
    Write(kEndPrint, static_cast<size_t>(held_));
    Finish();
}
