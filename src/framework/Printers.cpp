#include "framework/Printers.h"

#include <winspool.h>

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

bool PrintRawFile(const std::string& printerName, const std::string& fileName,
                  const std::string& documentName) {
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(printerName.c_str()), &printer, nullptr)) return false;
    std::string docName = documentName;
    char dataType[] = "RAW";
    DOC_INFO_1A doc{};
    doc.pDocName = docName.data();
    doc.pOutputFile = nullptr;
    doc.pDatatype = dataType;
    if (!StartDocPrinterA(printer, 1, reinterpret_cast<BYTE*>(&doc))) {
        ClosePrinter(printer);
        return false;
    }
    if (!StartPagePrinter(printer)) {
        EndDocPrinter(printer);
        ClosePrinter(printer);
        return false;
    }
    // The block buffer is made before anything is opened that would need closing.
    std::vector<char> buffer;
    try {
        buffer.resize(20480);
    } catch (const std::bad_alloc&) {
        EndPagePrinter(printer);
        EndDocPrinter(printer);
        ClosePrinter(printer);
        return false;
    }
    bool ok = false;
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ok = true;
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
                ok = false;
                break;
            }
            if (got == 0) break;
            DWORD written = 0;
            // One call per block: the written count is not trusted (0 on success under
            // some spoolers), so it is never used to loop.
            if (!WritePrinter(printer, buffer.data(), got, &written)) {
                ok = false;
                break;
            }
        }
        CloseHandle(file);
    }
    EndPagePrinter(printer);
    EndDocPrinter(printer);
    ClosePrinter(printer);
    return ok;
}
