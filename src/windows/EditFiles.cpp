// The capture editor's files: New, Open, Save (plain text in the editor's code page, or
// RTF), a dropped file, the closing save, and printing with the page margins.
//
// Loads and saves go through the rich edit's own file operations: a file that cannot be
// read leaves the text as it was, and a save writes a new file beside the old one and puts
// it in its place only when all of it was written.
#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "framework/Printers.h"
#include "framework/core/SysUtils.h"
#include "windows/Edit.h"

namespace {

// Plain text in a code page on one side, the control's UTF-16 on the other.
class TCodePageConversion : public TConversion {
public:
    explicit TCodePageConversion(int codePage) : FCodePage(codePage), FReader(codePage) {}

    int ConvertReadStream(TStream& stream, char* buffer, int bufSize) override {
        // Room for every byte as one UTF-16 unit, and for a lead byte that waited.
        const size_t room = static_cast<size_t>(std::max(1, bufSize / 2 - 1));
        std::string whole;
        for (int n = 1; whole.empty() && n > 0;) {
            std::string bytes(room, '\0');
            n = TConversion::ConvertReadStream(stream, bytes.data(), static_cast<int>(room));
            bytes.resize(static_cast<size_t>(std::max(0, n)));
            whole = FReader.Take(bytes, n <= 0);
        }
        if (whole.empty()) return 0;
        const int units = MultiByteToWideChar(static_cast<UINT>(FCodePage), 0, whole.data(),
                                              static_cast<int>(whole.size()), reinterpret_cast<wchar_t*>(buffer),
                                              bufSize / 2);
        return units * 2;
    }

    int ConvertWriteStream(TStream& stream, const char* buffer, int bufSize) override {
        FPending.append(buffer, static_cast<size_t>(bufSize));
        size_t units = FPending.size() / 2;
        // A high surrogate waits for its partner.
        if (units > 0) {
            wchar_t last;
            std::memcpy(&last, FPending.data() + (units - 1) * 2, 2);
            if (last >= 0xD800 && last <= 0xDBFF) --units;
        }
        if (units == 0) return bufSize;
        const auto* wide = reinterpret_cast<const wchar_t*>(FPending.data());
        const int n = WideCharToMultiByte(static_cast<UINT>(FCodePage), 0, wide, static_cast<int>(units), nullptr,
                                          0, nullptr, nullptr);
        std::string bytes(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(static_cast<UINT>(FCodePage), 0, wide, static_cast<int>(units), bytes.data(), n,
                            nullptr, nullptr);
        FPending.erase(0, units * 2);
        if (TConversion::ConvertWriteStream(stream, bytes.data(), n) != n) return 0;
        return bufSize;
    }

private:
    int FCodePage;
    CodePageBlockReader FReader;
    std::string FPending;  // UTF-16 bytes not yet converted
};

// The control's whole text, in a format of its own, with a converter of its own, for one
// file operation.
class TFileOperation {
public:
    TFileOperation(TXcRichEdit* edit, bool plain, int codePage) : FEdit(edit) {
        TRichEditStrings* lines = edit->Lines();
        FFormat = lines->Format;
        FMode = lines->Mode;
        lines->Format = plain ? sfPlainText : sfRichText;
        lines->Mode = plain ? TRichStreamModes{smUnicode} : TRichStreamModes{0};
        if (plain) lines->SetConverter(std::make_unique<TCodePageConversion>(codePage));
    }
    ~TFileOperation() {
        TRichEditStrings* lines = FEdit->Lines();
        lines->Format = FFormat;
        lines->Mode = FMode;
        lines->SetConverter(nullptr);
    }

private:
    TXcRichEdit* FEdit;
    TRichStreamFormat FFormat;
    TRichStreamModes FMode;
};

}  // namespace

bool TEditMainForm::AskToSave() {
    FlushSyllable();
    if (!CED_REDIT_Editor->Modified()) return true;
    const std::string text = "Save changes to " + (FileName.empty() ? std::string("[untitled]") : FileName) + " ?";
    switch (ShowMessageBox(text, kCaptionEditorConfirm, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL: return false;
    case IDYES:
        return FileName.empty() ? SaveAs() : SaveFile(FileName);
    default: return true;
    }
}

void TEditMainForm::CED_BTN_NewClick() {
    if (!AskToSave()) return;
    CED_REDIT_Editor->Clear();
    CED_REDIT_Editor->ClearUndo();
    FileName.clear();
    CED_REDIT_Editor->SetModified(false);
    UpdateCaption();
}

void TEditMainForm::CED_BTN_OpenClick() {
    if (!AskToSave()) return;
    CED_OPNDLG->FileName.clear();
    if (!FileName.empty()) CED_OPNDLG->InitialDir = ExtractFilePath(FileName);
    if (CED_OPNDLG->Execute()) LoadFile(CED_OPNDLG->FileName);
}

void TEditMainForm::FilesDropped(const std::vector<std::string>& names) {
    if (names.empty() || !AskToSave()) return;
    LoadFile(names.front());
}

bool TEditMainForm::LoadFile(const std::string& name) {
    FlushSyllable();
    TXcRichEdit* e = CED_REDIT_Editor;
    const bool rtf = IsRtfFileName(name);
    try {
        TFileOperation operation(e, !rtf, CodePage);
        e->Lines()->LoadFromFile(name);
    } catch (const std::exception&) {
        // The file could not be read: the text stays as it was.
        ShowMessageBox("Unable to open '" + name + "'.", kCaptionEditorError, MB_OK | MB_ICONERROR);
        return false;
    }
    if (rtf) {
        // The whole text in the editor's face and size.
        CHARFORMAT2A f{};
        f.cbSize = sizeof f;
        f.dwMask = CFM_FACE | CFM_SIZE;
        f.yHeight = FEditorFont.Size() * 20;
        lstrcpynA(f.szFaceName, FEditorFont.Name().c_str(), LF_FACESIZE);
        SendMessageA(e->Handle(), EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&f));
    }
    FileName = name;
    e->ClearUndo();
    e->SetModified(false);
    e->SetSelection(0, 0, true);
    UpdateCaption();
    if (rtf) ShowMessageBox("All character formats are lost!", kCaptionEditorInfo, MB_OK | MB_ICONINFORMATION);
    return true;
}

bool TEditMainForm::SaveFile(const std::string& name) {
    FlushSyllable();
    try {
        TFileOperation operation(CED_REDIT_Editor, !IsRtfFileName(name), CodePage);
        CED_REDIT_Editor->Lines()->SaveToFile(name);
    } catch (const std::exception&) {
        ShowMessageBox("Unable to save '" + name + "'.", kCaptionEditorError, MB_OK | MB_ICONERROR);
        return false;
    }
    FileName = name;
    CED_REDIT_Editor->SetModified(false);
    UpdateCaption();
    return true;
}

bool TEditMainForm::SaveAs() {
    CED_SAVEDLG->FileName = ExtractFileName(FileName);
    CED_SAVEDLG->InitialDir = ExtractFilePath(FileName);
    if (!CED_SAVEDLG->Execute()) return false;
    return SaveFile(CED_SAVEDLG->FileName);
}

void TEditMainForm::CED_BTN_SaveClick() {
    if (FileName.empty())
        SaveAs();
    else
        SaveFile(FileName);
}

bool TEditMainForm::SaveBeforeExit() { return SaveAs(); }

// ---- Printing -------------------------------------------------------------------------------

TPrintAreaRule TEditMainForm::PageArea() {
    return [this](int pageWidth, int pageHeight, int logX, int logY) {
        return EditorPageTwips(Margins, pageWidth, pageHeight, logX, logY);
    };
}

int TEditMainForm::PrintTo(TRichPrintTarget& target) {
    FlushSyllable();
    return CED_REDIT_Editor->PrintPages(target, PageArea());
}

void TEditMainForm::PrintCopies(int copies, bool collate) {
    // Collated copies are whole jobs one after the other, each of one copy; otherwise one
    // job asks the printer for them all. Either way the printer's settings ask for what the
    // job must make, whatever the print dialog left in them.
    copies = std::max(1, copies);
    Printer()->SetCopies(collate ? 1 : copies);
    for (int i = 0; i < (collate ? copies : 1); ++i) CED_REDIT_Editor->Print(Caption(), PageArea());
}

void TEditMainForm::CED_BTN_PrintClick() {
    FlushSyllable();
    try {
        if (CED_PRNDLG->Execute()) PrintCopies(CED_PRNDLG->Copies, CED_PRNDLG->Collate);
    } catch (const std::exception& e) {
        ShowMessageBox(e.what(), kCaptionEditorError, MB_OK | MB_ICONERROR);
    }
}
