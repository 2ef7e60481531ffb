#include "framework/core/RawPrintJob.h"

#include <memory>

namespace {

// The first failure is the one reported; closing goes on after it.
void Fail(RawPrintOutcome& outcome, RawPrintStep step, uint32_t error) {
    if (outcome.Ok()) {
        outcome.failed = step;
        outcome.error = error;
    }
}

// Copies the file to the printer; false at the first failure.
bool Copy(RawPrintSpooler& spooler, RawPrintSource& source, RawPrintOutcome& outcome) {
    auto buffer = std::make_unique<uint8_t[]>(RawPrintBlockSize);
    for (;;) {
        uint32_t got = 0;
        if (!source.Read(buffer.get(), RawPrintBlockSize, &got)) {
            Fail(outcome, RawPrintStep::FileRead, source.LastError());
            return false;
        }
        if (got == 0) return true;
        if (got > RawPrintBlockSize) got = RawPrintBlockSize;
        for (const uint8_t* p = buffer.get(); got > 0;) {
            uint32_t written = 0;
            if (!spooler.Write(p, got, &written)) {
                Fail(outcome, RawPrintStep::PrinterWrite, spooler.LastError());
                return false;
            }
            if (written == 0) {
                Fail(outcome, RawPrintStep::PrinterWrite, 0);
                return false;
            }
            if (written > got) written = got;
            p += written;
            got -= written;
            outcome.written += written;
        }
    }
}

}  // namespace

RawPrintOutcome RunRawPrintJob(RawPrintSpooler& spooler, RawPrintSource& source, const std::string& printerName,
                               const std::string& documentName) {
    RawPrintOutcome outcome;
    if (!spooler.Open(printerName)) {
        Fail(outcome, RawPrintStep::PrinterOpen, spooler.LastError());
        return outcome;
    }
    if (!spooler.StartDocument(documentName)) {
        Fail(outcome, RawPrintStep::DocumentStart, spooler.LastError());
    } else {
        if (!spooler.StartPage()) {
            Fail(outcome, RawPrintStep::PageStart, spooler.LastError());
        } else {
            if (!source.Open()) {
                Fail(outcome, RawPrintStep::FileOpen, source.LastError());
            } else {
                Copy(spooler, source, outcome);
                source.Close();
            }
            if (!spooler.EndPage()) Fail(outcome, RawPrintStep::PageEnd, spooler.LastError());
        }
        if (!spooler.EndDocument()) Fail(outcome, RawPrintStep::DocumentEnd, spooler.LastError());
    }
    spooler.Close();
    return outcome;
}

const char* RawPrintStepText(RawPrintStep step) {
    switch (step) {
    case RawPrintStep::None: return "";
    case RawPrintStep::PrinterOpen: return "opening the printer";
    case RawPrintStep::DocumentStart: return "starting the print job";
    case RawPrintStep::PageStart: return "starting the page";
    case RawPrintStep::FileOpen: return "opening the print file";
    case RawPrintStep::FileRead: return "reading the print file";
    case RawPrintStep::PrinterWrite: return "writing to the printer";
    case RawPrintStep::PageEnd: return "ending the page";
    case RawPrintStep::DocumentEnd: return "ending the print job";
    }
    return "";
}
