// A raw print job: the bytes of a file handed to a printer untouched, as one "RAW" spooler
// job of one page, in blocks of 20480 bytes. The spooler and the file are given as
// interfaces (the system's on Win32, scripted ones in the tests).
//
// Every step that fails ends the job: what was opened is closed again in reverse order, and
// the outcome names the step and the system's error of it. A block the printer takes only
// in part is written on from where it stopped; a printer that takes nothing of a block
// fails the job (rather than being asked again without end).
#pragma once

#include <cstdint>
#include <string>

enum class RawPrintStep : uint8_t {
    None,  // the job was written whole
    PrinterOpen,
    DocumentStart,
    PageStart,
    FileOpen,
    FileRead,
    PrinterWrite,
    PageEnd,
    DocumentEnd,
};

class RawPrintSpooler {
public:
    virtual ~RawPrintSpooler() = default;
    // Each false leaves the system's error for LastError.
    virtual bool Open(const std::string& printerName) = 0;
    // Level 1: the document's name, no output file, data type "RAW".
    virtual bool StartDocument(const std::string& documentName) = 0;
    virtual bool StartPage() = 0;
    // `*written`: how many of the `size` bytes the printer took.
    virtual bool Write(const uint8_t* data, uint32_t size, uint32_t* written) = 0;
    virtual bool EndPage() = 0;
    virtual bool EndDocument() = 0;
    virtual void Close() = 0;
    virtual uint32_t LastError() = 0;
};

class RawPrintSource {
public:
    virtual ~RawPrintSource() = default;
    virtual bool Open() = 0;
    // `*got` = 0 at the end of the file.
    virtual bool Read(uint8_t* buffer, uint32_t size, uint32_t* got) = 0;
    virtual void Close() = 0;
    virtual uint32_t LastError() = 0;
};

struct RawPrintOutcome {
    RawPrintStep failed = RawPrintStep::None;
    uint32_t error = 0;    // the system's error of the failed step (0: none given)
    uint64_t written = 0;  // bytes the printer took

    bool Ok() const { return failed == RawPrintStep::None; }
};

inline constexpr uint32_t RawPrintBlockSize = 20480;

RawPrintOutcome RunRawPrintJob(RawPrintSpooler& spooler, RawPrintSource& source, const std::string& printerName,
                               const std::string& documentName);

// The step as the user reads it: "opening the printer", "writing to the printer", ...
const char* RawPrintStepText(RawPrintStep step);
