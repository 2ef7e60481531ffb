// The terminal engine's side channels in one object: capture into the capture editor, the
// printer controller, the on-line memo outlet and the Image Pack position command. The main
// window owns it, gives it what it has (the capture sink exists only while the capture
// editor does) and plugs it into the engine with Attach.
#pragma once

#include "engines/core/CaptureFormat.h"
#include "engines/core/ImageCommand.h"
#include "engines/core/MemoOutlet.h"
#include "engines/core/PrinterController.h"
#include "engines/core/TerminalHooks.h"

#include <functional>
#include <memory>
#include <string>

class TerminalSideChannels : public TerminalCaptureSink,
                             public TerminalPrinterOutlet,
                             public TerminalMemoOutlet,
                             public TerminalImageOutlet {
public:
    // Either may be null: without a sink nothing is captured, without a printer outlet the
    // printer controller never starts (the data then shows on the screen).
    TerminalSideChannels(CaptureSink* captureSink, PrinterOutlet* printerOutlet);
    ~TerminalSideChannels() override;
    TerminalSideChannels(const TerminalSideChannels&) = delete;
    TerminalSideChannels& operator=(const TerminalSideChannels&) = delete;

    // Points the engine's capture, printer, memo and image outlets at this object.
    void Attach(TerminalOutlets& outlets);

    // The capture editor comes and goes (between received blocks).
    void SetCaptureSink(CaptureSink* sink) { capture_.SetSink(sink); }
    // The clock of the hex dump's header (the local time unless replaced).
    void SetCaptureClock(std::function<CaptureTime()> clock) { clock_ = std::move(clock); }

    // The configured print file name (print mode 2), as the settings hold it.
    void SetPrintFileName(const std::string& name) { printFileName_ = name; }
    const std::string& PrintFileName() const { return printFileName_; }
    bool Printing() const { return printer_ && printer_->IsOpen(); }

    // The on-line memo window and the setting "ShowOnLineMemoWindow".
    void SetMemoOutlet(MemoOutlet* memo) { memo_ = memo; }
    void SetShowOnLineMemoWindow(bool on) { showMemoWindow_ = on; }

    // TerminalCaptureSink
    void CaptureBlockStart(size_t length, bool hex) override;
    void CaptureRawByte(uint8_t byte) override { capture_.ReceivedByte(byte); }
    void CaptureText(const char* bytes, size_t length) override;
    void CaptureBlockEnd() override { capture_.EndBlock(); }

    // TerminalPrinterOutlet
    bool OpenPrintFile(int printMode) override;
    size_t PrinterControllerData(const uint8_t* data, size_t n, bool* finished) override;
    void ResetPrinterController() override;

    // TerminalMemoOutlet
    bool MemoWindowEnabled() const override { return showMemoWindow_; }
    void ShowOnLineMemo(const std::string& line) override;

    // TerminalImageOutlet
    void BeginImageCommand() override { image_.Start(); }
    bool ImageCommandByte(uint8_t byte, TerminalImageCell& cell) override;

private:
    CaptureRecorder capture_;
    std::function<CaptureTime()> clock_ = LocalCaptureTime;
    std::unique_ptr<PrinterController> printer_;
    std::string printFileName_;
    MemoOutlet* memo_ = nullptr;
    bool showMemoWindow_ = false;
    ImageCommand image_;
};
