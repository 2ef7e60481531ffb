// The ZModem front end's texts and timing: the transfer panel's labels and gauges, the
// window title during a transfer, the result lines and the finish box, and the quiet
// period after the user cancels a download.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/core/CtlUtils.h"

// What the panel shows of the engine at one progress tick.
struct ZModemSnapshot {
    std::string fileName;
    int64_t fileSize = 0;
    int64_t position = 0;     // in the current file
    int64_t resumePoint = 0;  // where the current file started (-1: not yet known)
    int64_t batchDone = 0;    // bytes of the whole batch transferred
    int64_t batchTotal = 0;   // bytes of the whole batch (below 1: not known)
    int totalFiles = -1;      // files in the batch (below 1: not known)
    int filesRemaining = 1;
    uint32_t startTick = 0;   // tick of the first file's start; 0: not started
};

struct ZModemProgressView {
    std::string fileLabel;  // name + " [n/total]"
    std::string fileSize;
    std::string received;   // position in the file
    std::string bytesLeft;  // of the file
    int currentGauge = 0;   // 0..100
    int totalGauge = 0;     // 0..100
    std::string throughput; // "N (bps)", "N (Kbps)" or "UNKNOWN"
    std::string timeLeft;   // "hh:mm:ss" or "--:--:--"
};

// The panel at tick `now`. The rate counts the bytes of this file since its start over
// the seconds since the first file's start plus one; the time left is the batch's bytes
// left (the file's when the batch size is not known) at that rate.
ZModemProgressView FormatTransferProgress(const ZModemSnapshot& snapshot, uint32_t now);
// The application title during a transfer: "P% label [ connection ]".
std::string TransferTitle(const ZModemProgressView& view, std::string_view connectionName);

// A folder's path that fits in `maxWidth` as `measure` counts: the path itself, else its
// drive (or "\\server\share"), "..." and as many of its last folders as fit
// ("C:\...\Quiro\download"), else "...\" and the last folder shortened.
std::string ShortenFolderPath(std::string_view path, const TTextMeasure& measure, int maxWidth);

// How a transfer ended, from the engine's final status.
enum class TransferOutcome { Done, Skipped, Cancelled, Failed };
TransferOutcome ZModemOutcome(int status);
// The console line for a final status ("" when it finished well).
std::string ZModemResultText(int status);
// The status lines after a transfer: an empty line, the result text, an empty line; none
// when it finished well.
std::vector<std::string> ZModemResultLines(int status);

struct ZModemFinishBox {
    enum Icon { Information, Warning, Error };
    std::string text;
    std::string caption;
    Icon icon = Information;
};
// The "Show Finish Dialog" box, worded by the outcome.
ZModemFinishBox ZModemFinishBoxFor(int status, std::string_view fileName,
                                   std::string_view connectionName);

// Ten CAN and ten BS: tells a ZModem peer to stop.
std::string ZModemAbortString();

// The quiet period after a cancelled download: received blocks are swallowed until the
// line has been silent for QuietMs, then a line end wakes the host.
class ZModemCancelQuiet {
public:
    static constexpr uint32_t QuietMs = 4000;
    // A block this long is answered with the abort string: the sender is still sending.
    static constexpr size_t AbortAnswerLength = 257;

    void Begin(uint32_t now) {
        pending_ = true;
        stamp_ = now;
    }
    void Clear() { pending_ = false; }
    bool Pending() const { return pending_; }

    // A received block while Pending(): swallowed. True when it must be answered with the
    // abort string.
    bool Swallow(size_t length, uint32_t now);

    struct Tick {
        bool stopTimer = false;
        std::string wake;  // bytes to send now ("\r" or "\r\n"), empty for none
    };
    // The cancel timer: stops when nothing is pending or the line is down; after QuietMs
    // of silence ends the period and wakes the host with a line end.
    Tick OnTimer(uint32_t now, bool connected, bool sendCrLf);

private:
    bool pending_ = false;
    uint32_t stamp_ = 0;
};
