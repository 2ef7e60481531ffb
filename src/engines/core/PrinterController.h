// The terminal's printer controller: after CSI 5 i the received data goes to a file, byte
// for byte and a block at a time, until ESC [ 4 i; the file is then closed and, in
// temporary-file mode, printed and deleted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The file and printer operations the controller needs (the main window implements them
// on Win32; tests use a fake). Handles are the outlet's own; -1 means none.
class PrinterOutlet {
public:
    virtual ~PrinterOutlet() = default;
    // A new empty file in the system's temporary folder, named with the prefix "Q2@" and a
    // unique number; its full name into *name. -1 when it cannot be created.
    virtual int CreateTemporaryPrintFile(std::string* name) = 0;
    // Creates (or replaces) the named file; -1 when it cannot.
    virtual int CreatePrintFile(const std::string& name) = 0;
    // False when the file did not take all of it (a full disk): what it took stays in the
    // file, and the failure is the outlet's to report, naming the file.
    virtual bool WritePrintFile(int handle, const uint8_t* data, size_t size) = 0;
    virtual void ClosePrintFile(int handle) = 0;
    // Sends the file's bytes to the configured printer as one raw job; true when the job
    // was written whole. A failure is the outlet's to report.
    virtual bool PrintRawFile(const std::string& name) = 0;
    virtual void DeletePrintFile(const std::string& name) = 0;
};

class PrinterController {
public:
    enum PrintMode { kOff = 0, kTemporaryFile = 1, kNamedFile = 2 };

    // The outlet outlives the controller.
    explicit PrinterController(PrinterOutlet& outlet) : outlet_(outlet) {}
    // A file still open is closed with the bytes held back, and kept: not printed nor
    // deleted. An owner that wants the job to go out ends it first (Reset).
    ~PrinterController();
    PrinterController(const PrinterController&) = delete;
    PrinterController& operator=(const PrinterController&) = delete;

    // CSI 5 i: opens the file of the print mode (1 temporary, 2 the configured name, with
    // a surrounding pair of double quotes removed). True when the file is open, and the
    // terminal then hands every received byte to Feed. A file still open from before is
    // finished first.
    bool Start(int printMode, const std::string& configuredName);

    // Received bytes while the file is open. Returns how many bytes were taken: all n, or
    // fewer when ESC [ 4 i ended the printing within them (the bytes after it belong to the
    // screen again). *finished tells whether it ended.
    // A block is written in one piece up to the terminator, or up to a start of it that ends
    // the block (held back until the next block tells). After a write that failed
    // nothing more of the job is written (the file keeps what came before, without a gap),
    // but the data is still taken until the terminator, and a temporary file is neither
    // printed nor deleted.
    size_t Feed(const uint8_t* data, size_t n, bool* finished);

    // The terminal is reset while printing (a new session, or the owner ending the job
    // before it goes): the bytes held back as a possible terminator are written, the file
    // is closed, and a temporary file is printed (and deleted once printed whole), so that
    // nothing received is lost and no file stays open.
    void Reset();

    bool IsOpen() const { return handle_ >= 0; }
    int Handle() const { return handle_; }
    int Mode() const { return mode_; }
    const std::string& TemporaryName() const { return temporaryName_; }

    // The file name that print mode 2 creates for a configured name.
    static std::string NamedFileFor(const std::string& configuredName);

private:
    void Write(const uint8_t* data, size_t n);
    void Finish();

    PrinterOutlet& outlet_;
    int handle_ = -1;
    int mode_ = kOff;
    std::string temporaryName_;
    int held_ = 0;  // bytes of ESC [ 4 i matched so far
    bool writeFailed_ = false;
};
