#include "framework/Printers.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

std::string DefaultPrinterName() {
    DWORD size = 0;
    GetDefaultPrinterA(nullptr, &size);
    if (size == 0) return std::string();
    std::vector<char> buf(size + 1, '\0');
    if (!GetDefaultPrinterA(buf.data(), &size)) return std::string();
    return std::string(buf.data());
}

}  // namespace

TPrinter::TPrinter() : FName(DefaultPrinterName()) {}

TPrinter::~TPrinter() {
    if (FPrinting) Abort();
    FreeDC();
}

void TPrinter::FreeDC() {
    FCanvas.reset();
    if (FDC) DeleteDC(FDC);
    FDC = nullptr;
}

void TPrinter::SelectPrinter(const std::string& name, const DEVMODEA* devMode) {
    if (FPrinting) throw EPrinter("Printing in progress");
    FreeDC();
    FName = name;
    FDevMode.clear();
    if (devMode) {
        const auto* bytes = reinterpret_cast<const char*>(devMode);
        FDevMode.assign(bytes, bytes + devMode->dmSize + devMode->dmDriverExtra);
    }
}

void TPrinter::SetCopies(int copies) {
    if (FPrinting) throw EPrinter("Printing in progress");
    if (FDevMode.empty() && !FName.empty()) {
        HANDLE printer = nullptr;
        if (OpenPrinterA(const_cast<char*>(FName.c_str()), &printer, nullptr)) {
            const LONG size = DocumentPropertiesA(nullptr, printer, const_cast<char*>(FName.c_str()), nullptr,
                                                  nullptr, 0);
            if (size >= static_cast<LONG>(sizeof(DEVMODEA))) {
                FDevMode.assign(static_cast<size_t>(size), '\0');
                if (DocumentPropertiesA(nullptr, printer, const_cast<char*>(FName.c_str()),
                                        reinterpret_cast<DEVMODEA*>(FDevMode.data()), nullptr,
                                        DM_OUT_BUFFER) != IDOK)
                    FDevMode.clear();
            }
            ClosePrinter(printer);
        }
    }
    if (FDevMode.empty()) return;  // no settings to ask in: the printer's own count
    auto* dm = reinterpret_cast<DEVMODEA*>(FDevMode.data());
    dm->dmCopies = static_cast<short>(std::clamp(copies, 1, 0x7FFF));
    dm->dmFields |= DM_COPIES;
    FreeDC();  // the next context is made with them
}

HDC TPrinter::Handle() {
    if (!FDC) {
        if (FName.empty()) throw EPrinter("There is no default printer currently selected");
        FDC = CreateDCA("WINSPOOL", FName.c_str(), nullptr, DevMode());
        if (!FDC) throw EPrinter("Printer selected is not valid");
    }
    return FDC;
}

TCanvas* TPrinter::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>();
        FCanvas->SetHandle(Handle());
    }
    return FCanvas.get();
}

int TPrinter::PageWidth() { return GetDeviceCaps(Handle(), HORZRES); }

int TPrinter::PageHeight() { return GetDeviceCaps(Handle(), VERTRES); }

void TPrinter::BeginDoc() {
    if (FPrinting) throw EPrinter("Printing in progress");
    HDC dc = Handle();
    DOCINFOA di{};
    di.cbSize = sizeof di;
    di.lpszDocName = Title.c_str();
    if (StartDocA(dc, &di) <= 0) throw EPrinter("Printer selected is not valid");
    FPrinting = true;
    FAborted = false;
    FPageNumber = 1;
    if (StartPage(dc) <= 0) {
        AbortDoc(dc);
        FPrinting = false;
        throw EPrinter("Printer selected is not valid");
    }
}

void TPrinter::NewPage() {
    if (!FPrinting) throw EPrinter("Printer is not currently printing");
    EndPage(FDC);
    StartPage(FDC);
    ++FPageNumber;
    if (FCanvas) {  // a new page starts with the context's defaults: reselect the tools
        FCanvas->SetHandle(nullptr);
        FCanvas->SetHandle(FDC);
    }
}

void TPrinter::EndDoc() {
    if (!FPrinting) throw EPrinter("Printer is not currently printing");
    EndPage(FDC);
    if (!FAborted) ::EndDoc(FDC);
    FPrinting = false;
    FAborted = false;
    FPageNumber = 0;
}

void TPrinter::Abort() {
    if (!FPrinting) return;
    AbortDoc(FDC);
    FAborted = true;
    FPrinting = false;
    FPageNumber = 0;
}

TPrinter* Printer() {
    static std::unique_ptr<TPrinter> printer = std::make_unique<TPrinter>();
    return printer.get();
}

namespace {

// The system's spooler for one job.
class TSystemSpooler : public RawPrintSpooler {
public:
    bool Open(const std::string& name) override {
        return Done(OpenPrinterA(const_cast<char*>(name.c_str()), &FPrinter, nullptr));
    }
    bool StartDocument(const std::string& documentName) override {
        std::string docName = documentName;
        char dataType[] = "RAW";
        DOC_INFO_1A doc{};
        doc.pDocName = docName.data();
        doc.pOutputFile = nullptr;
        doc.pDatatype = dataType;
        return Done(StartDocPrinterA(FPrinter, 1, reinterpret_cast<BYTE*>(&doc)) != 0);
    }
    bool StartPage() override { return Done(StartPagePrinter(FPrinter)); }
    bool Write(const uint8_t* data, uint32_t size, uint32_t* written) override {
        DWORD n = 0;
        const bool ok = Done(WritePrinter(FPrinter, const_cast<uint8_t*>(data), size, &n));
        *written = n;
        return ok;
    }
    bool EndPage() override { return Done(EndPagePrinter(FPrinter)); }
    bool EndDocument() override { return Done(EndDocPrinter(FPrinter)); }
    void Close() override { ClosePrinter(FPrinter); }
    uint32_t LastError() override { return FError; }

private:
    bool Done(BOOL ok) {
        FError = ok ? 0 : GetLastError();
        return ok != FALSE;
    }
    HANDLE FPrinter = nullptr;
    DWORD FError = 0;
};

class TFileSource : public RawPrintSource {
public:
    explicit TFileSource(const std::string& name) : FName(name) {}
    bool Open() override {
        FFile = CreateFileA(FName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        FError = FFile == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        return FFile != INVALID_HANDLE_VALUE;
    }
    bool Read(uint8_t* buffer, uint32_t size, uint32_t* got) override {
        DWORD n = 0;
        const BOOL ok = ReadFile(FFile, buffer, size, &n, nullptr);
        FError = ok ? 0 : GetLastError();
        *got = n;
        return ok != FALSE;
    }
    void Close() override { CloseHandle(FFile); }
    uint32_t LastError() override { return FError; }

private:
    std::string FName;
    HANDLE FFile = INVALID_HANDLE_VALUE;
    DWORD FError = 0;
};

}  // namespace

RawPrintOutcome PrintRawFile(const std::string& printerName, const std::string& fileName,
                             const std::string& documentName) {
    TSystemSpooler spooler;
    TFileSource file(fileName);
    return RunRawPrintJob(spooler, file, printerName, documentName);
}
