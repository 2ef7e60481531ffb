// TPrinter: a print job on a printer's device context, and PrintRawFile, which hands a
// file's bytes to a printer untouched (a "RAW" spooler job).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/core/Exception.h"
#include "framework/core/RawPrintJob.h"

class EPrinter : public Exception {
public:
    using Exception::Exception;
};

class TPrinter {
public:
    TPrinter();
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // The printer used (the system's default printer at first; empty when there is none).
    const std::string& PrinterName() const { return FName; }
    // Uses another printer, with the settings of `devMode` when given (a DEVMODEA block as
    // the print dialog hands it over). EPrinter "Printing in progress" during a job.
    void SelectPrinter(const std::string& name, const DEVMODEA* devMode = nullptr);
    // The settings selected with the printer (nullptr: the printer's own defaults).
    const DEVMODEA* DevMode() const {
        return FDevMode.empty() ? nullptr : reinterpret_cast<const DEVMODEA*>(FDevMode.data());
    }
    // The copies the printer makes of each job from now on (in its settings, which start
    // as the printer's defaults when none were selected). EPrinter "Printing in progress"
    // during a job.
    void SetCopies(int copies);

    std::string Title;
    // Starts a job named Title on its first page. EPrinter "Printer selected is not
    // valid" when the printer cannot be opened.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }

    // The printer's device context (an information context outside a job).
    HDC Handle();
    TCanvas* Canvas();
    // The printable area in device pixels.
    int PageWidth();
    int PageHeight();

private:
    void FreeDC();

    std::string FName;
    std::vector<char> FDevMode;
    HDC FDC = nullptr;
    bool FPrinting = false;
    bool FAborted = false;
    int FPageNumber = 0;
    std::unique_ptr<TCanvas> FCanvas;
};

// The program's printer object (made on first use).
TPrinter* Printer();

// Sends the bytes of `fileName` to the printer `printerName` as one "RAW" job named
// `documentName` (RunRawPrintJob over the system's spooler). The outcome names the step that
// failed and the system's error of it.
RawPrintOutcome PrintRawFile(const std::string& printerName, const std::string& fileName,
                             const std::string& documentName);
