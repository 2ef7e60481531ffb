#include "engines/core/TerminalSideChannels.h"

TerminalSideChannels::TerminalSideChannels(CaptureSink* captureSink, PrinterOutlet* printerOutlet)
{
    capture_.SetSink(captureSink);
    if (printerOutlet)
        printer_ = std::make_unique<PrinterController>(*printerOutlet);
}

// The printer controller's own destructor closes an open print file and keeps it.
TerminalSideChannels::~TerminalSideChannels() = default;

void TerminalSideChannels::Attach(TerminalOutlets& outlets)
{
    outlets.Capture = this;
    outlets.Printer = this;
    outlets.Memo = this;
    outlets.Image = this;
}

void TerminalSideChannels::CaptureBlockStart(size_t length, bool hex)
{
    // The engine calls only while its capture switch is on; the mode may change per block.
    capture_.SetOn(true);
    capture_.SetHex(hex);
    capture_.BeginBlock(length, hex ? clock_() : CaptureTime{});
}

void TerminalSideChannels::CaptureText(const char* bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        capture_.PlacedByte(static_cast<uint8_t>(bytes[i]));
}

bool TerminalSideChannels::OpenPrintFile(int printMode)
{
    return printer_ && printer_->Start(printMode, printFileName_);
}

size_t TerminalSideChannels::PrinterControllerData(const uint8_t* data, size_t n, bool* finished)
{
    // Without an open file (the outlet went away) the engine must leave the mode at once.
    if (!printer_ || !printer_->IsOpen()) {
        *finished = true;
        return 0;
    }
    return printer_->Feed(data, n, finished);
}

void TerminalSideChannels::ResetPrinterController()
{
    if (printer_)
        printer_->Reset();
}

void TerminalSideChannels::ShowOnLineMemo(const std::string& line)
{
    if (memo_)
        memo_->ShowOnLineMemo(line);
}

bool TerminalSideChannels::ImageCommandByte(uint8_t byte, TerminalImageCell& cell)
{
    switch (image_.Byte(byte)) {
    case ImageCommand::Result::More:
        return false;
    case ImageCommand::Result::Position:
        cell.Column = image_.Column();
        cell.Row = image_.Row();
        return true;
    case ImageCommand::Result::Ignored:
        break;
    }
    return true;
}
