#include "controls/FileEdit.h"

#include "controls/CtlUtils.h"
#include "controls/FileUtil.h"
#include "controls/core/FileEditRules.h"
#include "controls/core/FileNames.h"
#include "framework/FileDrop.h"
#include "framework/core/SysUtils.h"

namespace {

constexpr char kDefaultFilter[] = "All files (*.*)|*.*";
constexpr char kDefaultTitle[] = "Browse";

bool Exists(const std::string& name) {
    return FileExists(name);
}

std::string WithoutTrailingDelimiter(std::string dir) {
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    return dir;
}

}  // namespace

// ---- TFileDirEdit -----------------------------------------------------------------------

TFileDirEdit::TFileDirEdit(TComponent* owner) : TCustomComboEdit(owner) {
    SetOEMConvert(true);
    SetGlyphKind(gkDefault);
}

TBitmap* TFileDirEdit::GetDefaultBitmap(bool& destroy) {
    // One picture for every edit, loaded on first use.
    static std::unique_ptr<TBitmap> picture;
    if (!picture) picture = MakeBitmap("FEDITBMP");
    destroy = false;
    return picture.get();
}

void TFileDirEdit::SetAcceptFiles(bool accept) {
    if (accept == FAcceptFiles) return;
    FAcceptFiles = accept;
    if (HandleAllocated()) ::AcceptFiles(Handle(), accept);
}

void TFileDirEdit::CreateWnd() {
    TCustomComboEdit::CreateWnd();
    if (FAcceptFiles) ::AcceptFiles(Handle(), true);
}

void TFileDirEdit::DestroyWnd() {
    if (FAcceptFiles && HandleAllocated()) ::AcceptFiles(Handle(), false);
    TCustomComboEdit::DestroyWnd();
}

bool TFileDirEdit::RunDialog(const std::function<bool()>& dialog) {
    UINT saved = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    struct Restore {
        UINT mode;
        ~Restore() { SetErrorMode(mode); }
    } restore{saved};
    return dialog();
}

void TFileDirEdit::WndProc(TMessage& message) {
    // Every name whole, whatever its length (the drop says how long each is).
    if (HandleDropFiles(message, [this](const std::vector<std::string>& names) {
            ClearFileList();
            for (const std::string& name : names) {
                ReceptFileDir(name);
                if (!MultipleDirs) break;
            }
            if (OnDropFiles) OnDropFiles(this);
        }))
        return;
    TCustomComboEdit::WndProc(message);
}

// ---- TFilenameEdit ----------------------------------------------------------------------

TFilenameEdit::TFilenameEdit(TComponent* owner) : TFileDirEdit(owner) {
    CreateEditDialog();
}

void TFilenameEdit::CreateEditDialog() {
    TOpenDialog* old = FDialog;
    switch (FDialogKind) {
        case dkSave:
            FDialog = new TSaveDialog(this);
            break;
        case dkOpenPicture:
            FDialog = new TOpenPictureDialog(this);
            break;
        case dkSavePicture:
            FDialog = new TSavePictureDialog(this);
            break;
        default:
            FDialog = new TOpenDialog(this);
    }
    if (!old) {
        FDialog->Title = kDefaultTitle;
        FDialog->Filter = kDefaultFilter;
        FDialog->Options = ofHideReadOnly;
        return;
    }
    FDialog->DefaultExt = old->DefaultExt;
    FDialog->FileEditStyle = old->FileEditStyle;
    FDialog->FileName = old->FileName;
    FDialog->Filter = old->Filter;
    FDialog->FilterIndex = old->FilterIndex;
    FDialog->InitialDir = old->InitialDir;
    FDialog->HistoryList()->Assign(*old->HistoryList());
    FDialog->Files()->Assign(*old->Files());
    FDialog->Options = old->Options;
    FDialog->Title = old->Title;
    delete old;
}

void TFilenameEdit::SetDialogKind(TFileDialogKind kind) {
    if (kind == FDialogKind) return;
    FDialogKind = kind;
    CreateEditDialog();
}

void TFilenameEdit::SetDialogOptions(TOpenOptions options) {
    FDialog->Options = options;
    MultipleDirs = (options & ofAllowMultiSelect) != 0;
    if (!MultipleDirs) ClearFileList();
}

std::string TFilenameEdit::FileName() {
    return ClipFilename(Caption(), Exists);
}

void TFilenameEdit::SetFileName(const std::string& name) {
    if (!name.empty() && !ValidFileName(ClipFilename(name, Exists)))
        throw EComboEditError(Format("Invalid file name - %s", name));
    SetText(ExtFilename(name));
    ClearFileList();
}

void TFilenameEdit::ClearFileList() {
    FDialog->Files()->Clear();
}

std::string TFilenameEdit::GetLongName() {
    return ShortToLongPath(FileName());
}

std::string TFilenameEdit::GetShortName() {
    return LongToShortPath(FileName());
}

void TFilenameEdit::ReceptFileDir(const std::string& name) {
    if (MultipleDirs) {
        if (FDialog->Files()->Count() == 0) SetFileName(name);
        FDialog->Files()->Add(name);
    } else {
        SetFileName(name);
    }
}

void TFilenameEdit::ButtonClick() {
    TFileDirEdit::ButtonClick();
    std::string temp = ClipFilename(Caption(), Exists);
    bool action = true;
    if (OnBeforeDialog) OnBeforeDialog(this, temp, action);
    if (!action) return;
    try {
        if (ValidFileName(temp)) {
            std::string dir = ExtractFilePath(temp);
            if (!dir.empty() && DirectoryExists(dir)) FDialog->InitialDir = dir;
            std::string namePart = ExtractFileName(temp);
            if (namePart.empty() || !ValidFileName(namePart)) temp.clear();
            FDialog->FileName = temp;
        }
    } catch (const Exception&) {
        // A name that cannot be read is not preselected.
    }
    FDialog->HelpContext = HelpContext;
    action = RunDialog([this] { return FDialog->Execute(); });
    if (action) temp = FDialog->FileName;
    if (CanFocus()) SetFocus();
    if (OnAfterDialog) OnAfterDialog(this, temp, action);
    if (action) {
        SetText(ExtFilename(temp));
        FDialog->InitialDir = ExtractFilePath(FDialog->FileName);
    }
}

// ---- TDirectoryEdit ---------------------------------------------------------------------

std::string TDirectoryEdit::GetLongName() {
    return MapDirList(Caption(), MultipleDirs, [](const std::string& d) { return ShortToLongPath(d); });
}

std::string TDirectoryEdit::GetShortName() {
    return MapDirList(Caption(), MultipleDirs, [](const std::string& d) { return LongToShortPath(d); });
}

void TDirectoryEdit::ReceptFileDir(const std::string& name) {
    std::string dir = DirectoryExists(name) ? name : WithoutTrailingDelimiter(ExtractFilePath(name));
    SetText(AddDirToList(Caption(), dir, MultipleDirs));
}

void TDirectoryEdit::ButtonClick() {
    TFileDirEdit::ButtonClick();
    std::string temp = Caption();
    bool action = true;
    if (OnBeforeDialog) OnBeforeDialog(this, temp, action);
    if (!action) return;
    temp = DirDialogStart(temp, InitialDir, [](const std::string& d) { return DirectoryExists(d); });
    action = RunDialog([&] {
        if (DialogKind == dkWin32) return BrowseDirectory(temp, DialogText, HelpContext);
        return SelectDirectory(temp, DialogOptions, HelpContext);
    });
    if (CanFocus()) SetFocus();
    if (OnAfterDialog) OnAfterDialog(this, temp, action);
    if (!action) return;
    SetSelText("");
    SetText(AddDirToList(Caption(), temp, MultipleDirs));
    if (!temp.empty() && DirectoryExists(temp)) InitialDir = temp;
}
