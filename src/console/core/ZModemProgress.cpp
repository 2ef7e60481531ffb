#include "console/core/ZModemProgress.h"

#include <algorithm>

#include "engines/core/ZModem.h"
#include "framework/core/SysUtils.h"

namespace {

int Percent(int64_t part, int64_t whole) {
    if (whole < 1)
        return 0;
    return static_cast<int>(std::clamp<int64_t>(part * 100 / whole, 0, 100));
}

}  // namespace

ZModemProgressView FormatTransferProgress(const ZModemSnapshot& s, uint32_t now) {
    ZModemProgressView v;
    v.fileLabel = s.fileName;
    if (s.totalFiles >= 1) {
        int number = std::clamp(s.totalFiles - s.filesRemaining + 1, 1, s.totalFiles);
        v.fileLabel += " [" + IntToStr(number) + "/" + IntToStr(s.totalFiles) + "]";
    }
    v.fileSize = IntToStr(s.fileSize);
    v.received = IntToStr(s.position);
    v.bytesLeft = IntToStr(std::max<int64_t>(s.fileSize - s.position, 0));
    v.currentGauge = Percent(s.position, s.fileSize);
    v.totalGauge = Percent(s.batchDone, s.batchTotal);

    int64_t rate = 0;
    if (s.startTick != 0) {
        // Bytes over (elapsed seconds + 1), in whole milliseconds so that every build
        // rounds alike.
        int64_t elapsedMs = int64_t(static_cast<uint32_t>(now - s.startTick)) + 1000;
        rate = (s.position - std::max<int64_t>(s.resumePoint, 0)) * 1000 / elapsedMs;
    }
    if (rate < 1) {
        v.throughput = "UNKNOWN";
        v.timeLeft = "--:--:--";
        return v;
    }
    v.throughput = rate > 9999 ? Format("%d (Kbps)", rate >> 10) : Format("%d (bps)", rate);
    int64_t left = s.batchTotal >= 1 ? s.batchTotal - s.batchDone : s.fileSize - s.position;
    int64_t seconds = std::max<int64_t>(left, 0) / rate;
    v.timeLeft = Format("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return v;
}

std::string TransferTitle(const ZModemProgressView& view, std::string_view connectionName) {
    return IntToStr(view.currentGauge) + "% " + view.fileLabel + " [ " +
           std::string(connectionName) + " ]";
}

std::string ShortenFolderPath(std::string_view path, const TTextMeasure& measure, int maxWidth) {
    if (measure(path) <= maxWidth)
        return std::string(path);
    // The root stays: "C:", or "\\server\share" of a network path.
    size_t rootEnd = 0;
    if (path.size() >= 2 && path[1] == ':') {
        rootEnd = 2;
    } else if (path.substr(0, 2) == "\\\\") {
        size_t server = path.find('\\', 2);
        rootEnd = server == std::string_view::npos ? path.size() : path.find('\\', server + 1);
        if (rootEnd == std::string_view::npos)
            rootEnd = path.size();
    }
    std::vector<std::string_view> folders;
    for (size_t at = rootEnd; at < path.size();) {
        size_t end = path.find('\\', at);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > at)
            folders.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    const std::string root(path.substr(0, rootEnd));
    for (size_t keep = folders.size() > 0 ? folders.size() - 1 : 0; keep >= 1; --keep) {
        std::string s = root + "\\...";
        for (size_t i = folders.size() - keep; i < folders.size(); ++i)
            s += "\\" + std::string(folders[i]);
        if (measure(s) <= maxWidth)
            return s;
    }
    return MinimizeText("...\\" + std::string(folders.empty() ? path : folders.back()), measure,
                        maxWidth);
}

TransferOutcome ZModemOutcome(int status) {
    switch (status) {
    case ZModemRunning: return TransferOutcome::Done;
    case ZModemSkipped: return TransferOutcome::Skipped;
    case ZModemCancelled: return TransferOutcome::Cancelled;
    default: return TransferOutcome::Failed;
    }
}

std::string ZModemResultText(int status) {
    switch (status) {
    case ZModemRunning: return "";
    case ZModemUnknownHeader: return "[ ZModem - Unknown Header! ]";
    case ZModemGarbledHeader: return "[ ZModem - Garbled Header! ]";
    case ZModemCrcError: return "[ ZModem - CRC Error! ]";
    case ZModemTimedOut: return "[ ZModem - Timed Out ]";
    case ZModemWriteFailed: return "[ ZModem - Write File Failed! ]";
    case ZModemOpenFailed: return "[ ZModem - Open File Failed! ]";
    case ZModemReadFailed: return "[ ZModem - Read File Failed! ]";
    case ZModemStartFailed: return "[ ZModem - Upload Start Failed! ]";
    case ZModemSkipped: return "[ ZModem - File Skipped ]";
    case ZModemCancelled: return "[ ZModem - Cancelled ]";
    case ZModemSendFailed: return "[ ZModem - Send Failed! ]";
    default: return "[ ZModem - Failed (" + IntToStr(status) + ") ]";
    }
}

std::vector<std::string> ZModemResultLines(int status) {
    std::string text = ZModemResultText(status);
    if (text.empty())
        return {};
    return {"", text, ""};
}

ZModemFinishBox ZModemFinishBoxFor(int status, std::string_view fileName,
                                   std::string_view connectionName) {
    const std::string about = std::string(fileName) + " [" + std::string(connectionName) + "]";
    switch (ZModemOutcome(status)) {
    case TransferOutcome::Done:
        return {"File Transfer Done!", "DONE: " + about, ZModemFinishBox::Information};
    case TransferOutcome::Skipped:
        return {"File Transfer Done!\n\n" + ZModemResultText(status), "DONE: " + about,
                ZModemFinishBox::Warning};
    case TransferOutcome::Cancelled:
        return {"File Transfer Cancelled!", "CANCELLED: " + about, ZModemFinishBox::Warning};
    case TransferOutcome::Failed:
        break;
    }
    return {"File Transfer Failed!\n\n" + ZModemResultText(status), "FAILED: " + about,
            ZModemFinishBox::Error};
}

std::string ZModemAbortString() { return std::string(10, '\x18') + std::string(10, '\x08'); }

bool ZModemCancelQuiet::Swallow(size_t length, uint32_t now) {
    stamp_ = now;
    return length >= AbortAnswerLength;
}

ZModemCancelQuiet::Tick ZModemCancelQuiet::OnTimer(uint32_t now, bool connected, bool sendCrLf) {
    Tick t;
    if (!pending_ || !connected) {
        pending_ = false;
        t.stopTimer = true;
    } else if (static_cast<uint32_t>(now - stamp_) > QuietMs) {
        pending_ = false;
        t.stopTimer = true;
        t.wake = sendCrLf ? "\r\n" : "\r";
    }
    return t;
}
