// The printer controller's terminator matcher and the image command collector on random
// streams cut into random blocks. The controller is checked against the plain rule: the
// file gets everything before the first ESC [ 4 i (on a file that fills up, as much of it
// as fits, and the job is then not printed; a job left open is kept, not printed), the
// screen everything after it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engines/core/ImageCommand.h"
#include "engines/core/PrinterController.h"

namespace {

class MemoryOutlet : public PrinterOutlet {
public:
    int CreateTemporaryPrintFile(std::string* name) override {
        *name = "tmp";
        return 7;
    }
    int CreatePrintFile(const std::string&) override { return 7; }
    bool WritePrintFile(int handle, const uint8_t* data, size_t size) override {
        if (handle != 7 || closed || size == 0 || failed) std::abort();
        const size_t taken = std::min(size, room);
        file.append(reinterpret_cast<const char*>(data), taken);
        room -= taken;
        failed = taken < size;
        return !failed;
    }
    void ClosePrintFile(int handle) override {
        if (handle != 7 || closed) std::abort();
        closed = true;
    }
    bool PrintRawFile(const std::string&) override { return ++printed > 0; }
    void DeletePrintFile(const std::string&) override { ++deleted; }

    std::string file;
    size_t room = SIZE_MAX;
    bool failed = false;
    bool closed = false;
    int printed = 0;
    int deleted = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t cut = data[0];
    const bool temporary = data[1] & 1;
    const uint8_t* stream = data + 2;
    const size_t n = size - 2;

    MemoryOutlet outlet;
    const size_t room = data[1] & 2 ? cut : SIZE_MAX;
    outlet.room = room;
    std::string screen;
    {
        PrinterController pc(outlet);
        if (!pc.Start(temporary ? PrinterController::kTemporaryFile : PrinterController::kNamedFile,
                      "f"))
            std::abort();
        size_t at = 0, block = 0;
        while (at < n) {
            const size_t len = std::min<size_t>(n - at, 1 + ((cut + block * 37) % 7));
            ++block;
            size_t i = at;
            while (i < at + len) {
                if (!pc.IsOpen()) {
                    screen += static_cast<char>(stream[i++]);
                    continue;
                }
                bool finished = false;
                const size_t took = pc.Feed(stream + i, at + len - i, &finished);
                if (took == 0 || took > at + len - i || finished == pc.IsOpen()) std::abort();
                i += took;
            }
            at += len;
        }
    }  // destruction closes a file that is still open, and keeps it

    const std::string_view all(reinterpret_cast<const char*>(stream), n);
    const size_t end = all.find("\x1B[4i");
    const std::string_view wantFile = end == std::string_view::npos ? all : all.substr(0, end);
    const std::string_view wantScreen =
        end == std::string_view::npos ? std::string_view() : all.substr(end + 4);
    const bool fits = wantFile.size() <= room;
    if (outlet.file != wantFile.substr(0, std::min(wantFile.size(), room)) || outlet.failed == fits ||
        screen != wantScreen || !outlet.closed)
        std::abort();
    // Printed when the terminator ended the job, not when the controller went with it open.
    const bool ended = end != std::string_view::npos;
    if (outlet.printed != (temporary && fits && ended ? 1 : 0) || outlet.deleted != outlet.printed) std::abort();

    // The image command never overflows and always yields a cell inside its limits.
    ImageCommand cmd;
    cmd.Start();
    for (size_t i = 0; i < n; ++i) {
        const ImageCommand::Result r = cmd.Byte(stream[i]);
        if (r != ImageCommand::Result::More) {
            if (cmd.Column() < 0 || cmd.Row() < 0 || cmd.Column() >= ImageCommand::kMaxValue ||
                cmd.Row() >= ImageCommand::kMaxValue)
                std::abort();
            cmd.Start();
        }
    }
    return 0;
}
