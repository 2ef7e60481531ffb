#include "framework/Dialogs.h"

#include <cderr.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/Printers.h"
#include "framework/StdCtrls.h"
#include "framework/WindowUtils.h"
#include "framework/core/SysUtils.h"

namespace {

const char kDialogProp[] = "QuiroCommonDialog";

// Room for the names a file dialog returns: a long path, or many names of a multiple
// selection (the dialog fails with FNERR_BUFFERTOOSMALL rather than cut a list short).
constexpr size_t kFileBufferChars = 32768;
constexpr size_t kMultiFileBufferChars = 1u << 18;

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags) {
    if (Application) return Application->MessageBox(text, caption, flags);
    return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), flags);
}

void ShowMessage(const std::string& text) {
    ShowMessageBox(text, Application ? Application->Title() : std::string(), MB_OK);
}

// ---- The message dialog -----------------------------------------------------------------

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
               int helpContext) {
    static const char* const kCaptions[] = {"Warning", "Error", "Information", "Confirm"};
    static const LPCSTR kIcons[] = {IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION};
    static const struct {
        const char* caption;
        TModalResult result;
    } kButtons[] = {{"&Yes", mrYes},       {"&No", mrNo},         {"OK", mrOk},
                    {"Cancel", mrCancel},  {"&Abort", mrAbort},   {"&Retry", mrRetry},
                    {"&Ignore", mrIgnore}, {"&All", mrAll},       {"&Help", mrNone}};
    if (buttons == 0) buttons = MsgDlgButton(mbOK);
    TForm form(Application);
    form.SetBorderStyle(bsDialog);
    form.Position = poScreenCenter;
    form.SetCaption(type == mtCustom ? (Application ? Application->Title() : std::string())
                                     : kCaptions[type]);
    HICON icon = type == mtCustom ? nullptr : LoadIconA(nullptr, kIcons[type]);
    const int margin = 12, iconSize = icon ? 32 : 0, buttonW = 75, buttonH = 25;
    // The text's size, wrapped at 300 pixels.
    RECT textRect{0, 0, 300, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, form.Font()->Handle());
    DrawTextA(dc, text.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    int count = 0;
    for (unsigned b = 0; b <= mbHelp; ++b)
        if (buttons & (1u << b)) ++count;
    const int rowWidth = count * buttonW + (count - 1) * 8;
    const int textLeft = margin + (iconSize ? iconSize + margin : 0);
    const int width = std::max<int>(textLeft + textRect.right + margin, rowWidth + 2 * margin);
    const int textBottom = margin + std::max<int>(textRect.bottom, iconSize);
    form.SetClientWidth(width);
    form.SetClientHeight(textBottom + margin + buttonH + margin);
    if (icon) {
        auto* picture = new TPaintBox(&form);
        picture->SetParent(&form);
        picture->SetBounds(margin, margin, iconSize, iconSize);
        picture->OnPaint = [picture, icon](TComponent*) {
            DrawIcon(picture->Canvas()->Handle(), 0, 0, icon);
        };
    }
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->ShowAccelChar = false;
    label->SetBounds(textLeft, margin, textRect.right, textRect.bottom);
    label->SetCaption(text);
    int x = (width - rowWidth) / 2;
    TButton* first = nullptr;
    TButton* cancel = nullptr;
    for (unsigned b = 0; b <= mbHelp; ++b) {
        if (!(buttons & (1u << b))) continue;
        auto* button = new TButton(&form);
        button->SetParent(&form);
        button->SetBounds(x, textBottom + margin, buttonW, buttonH);
        button->SetCaption(kButtons[b].caption);
        button->ModalResult = kButtons[b].result;
        if (b == mbHelp)
            button->OnClick = [helpContext](TComponent*) {
                if (Application) Application->HelpContext(helpContext);
            };
        if (!first && (b == mbOK || b == mbYes)) first = button;
        if (b == mbCancel || (!cancel && (b == mbNo || b == mbOK))) cancel = button;
        x += buttonW + 8;
    }
    if (first) first->SetDefault(true);
    if (cancel) cancel->Cancel = true;
    if (icon) MessageBeep(type == mtError ? MB_ICONHAND : MB_ICONASTERISK);
    TModalResult result = form.ShowModal();
    return result == mrNone ? mrCancel : result;
}

// ---- TCommonDialog ----------------------------------------------------------------------

TCommonDialog::TCommonDialog(TComponent* owner) : TComponent(owner) {}

TCommonDialog::~TCommonDialog() = default;

HWND TCommonDialog::OwnerWindow() {
    if (HWND active = GetActiveWindow()) return active;
    if (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
        return Application->MainForm()->Handle();
    return nullptr;
}

bool TCommonDialog::RunModal(HWND owner, const std::function<BOOL()>& run) {
    HWND previous = GetActiveWindow();
    BOOL ok = FALSE;
    {
        TDisabledWindows disabled(owner);
        ok = run();
        FError = ok ? 0 : CommDlgExtendedError();
        FHandle = nullptr;
    }
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    if (OnClose) OnClose(this);
    return ok != FALSE;
}

void TCommonDialog::HookMessage(HWND dialog, TMessage& message) {
    if (message.Msg != WM_INITDIALOG) return;
    // An explorer-style file dialog hooks a child of its window.
    FHandle = (GetWindowLongA(dialog, GWL_STYLE) & WS_CHILD) ? GetParent(dialog) : dialog;
    if (OnShow) OnShow(this);
}

template <class S>
UINT_PTR CALLBACK TCommonDialog::Hook(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_INITDIALOG) {
        auto* setup = reinterpret_cast<S*>(lparam);
        SetPropA(dialog, kDialogProp, reinterpret_cast<HANDLE>(setup->lCustData));
    }
    auto* self = reinterpret_cast<TCommonDialog*>(GetPropA(dialog, kDialogProp));
    if (!self) return 0;
    if (msg == WM_DESTROY) RemovePropA(dialog, kDialogProp);
    TMessage m{msg, wparam, lparam, 0};
    GuardCallback([&] { self->HookMessage(dialog, m); });
    // TRUE lets the system set the focus and show a find dialog.
    return msg == WM_INITDIALOG ? TRUE : static_cast<UINT_PTR>(m.Result);
}

void TCommonDialog::CheckDialogError() const {
    switch (FError) {
        case 0:
            return;  // cancelled
        case FNERR_BUFFERTOOSMALL:
            throw ECommonDialogError("Too many files selected");
        case FNERR_INVALIDFILENAME:
            throw ECommonDialogError("Invalid file name");
        case PDERR_NODEFAULTPRN:
        case PDERR_NODEVICES:
            throw EPrinter("There is no default printer currently selected");
        default:
            throw ECommonDialogError("The dialog could not be shown (error " + IntToHex(FError, 4) +
                                     ")");
    }
}

// ---- File dialogs -----------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner) {}

BOOL TOpenDialog::Run(OPENFILENAMEA& ofn) {
    return GetOpenFileNameA(&ofn);
}

BOOL TSaveDialog::Run(OPENFILENAMEA& ofn) {
    return GetSaveFileNameA(&ofn);
}

bool TOpenDialog::Execute() {
    const bool multi = (Options & ofAllowMultiSelect) != 0;
    std::vector<char> buffer(
        std::max(multi ? kMultiFileBufferChars : kFileBufferChars, FileName.size() + 2), '\0');
    const std::string filter = DialogFilterList(Filter);
    const std::string defaultExt = DialogDefaultExt(DefaultExt);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerWindow();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(std::max(FilterIndex, 0));
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    ofn.Flags =
        (Options & ~static_cast<DWORD>(ofExtensionDifferent)) | OFN_EXPLORER | OFN_ENABLEHOOK;
    ofn.lCustData = reinterpret_cast<LPARAM>(this);
    ofn.lpfnHook = &Hook<OPENFILENAMEA>;

    std::memcpy(buffer.data(), FileName.data(), FileName.size());
    if (!RunModal(ofn.hwndOwner, [&] { return Run(ofn); })) {
        CheckDialogError();
        return false;
    }
    FFiles.Clear();
    for (const std::string& name : DialogFileNames(buffer.data(), buffer.size())) FFiles.Add(name);
    FileName = FFiles.Count() > 0 ? FFiles.Strings(0) : std::string();
    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    const DWORD out = ofReadOnly | ofExtensionDifferent;
    Options = (Options & ~out) | (ofn.Flags & out);
    return true;
}

TOpenPictureDialog::TOpenPictureDialog(TComponent* owner) : TOpenDialog(owner) {
    Filter = kPictureFilter;
}

TSavePictureDialog::TSavePictureDialog(TComponent* owner) : TSaveDialog(owner) {
    Filter = kPictureFilter;
}

// ---- Font and colour --------------------------------------------------------------------

bool TFontDialog::Execute() {
    LOGFONTA lf{};
    GetObjectA(FFont.Handle(), sizeof lf, &lf);
    // The dialog measures in screen pixels, whatever device the font was made for.
    HDC screen = GetDC(nullptr);
    const int ppi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    lf.lfHeight = -MulDiv(FFont.Size(), ppi, 72);

    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = OwnerWindow();
    cf.lpLogFont = &lf;
    cf.Flags = Options | CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK;
    cf.rgbColors = ColorToGdi(FFont.Color());
    cf.nSizeMin = MinFontSize;
    cf.nSizeMax = MaxFontSize;
    cf.lCustData = reinterpret_cast<LPARAM>(this);
    cf.lpfnHook = &Hook<CHOOSEFONTA>;
    if (!RunModal(cf.hwndOwner, [&] { return ChooseFontA(&cf); })) {
        CheckDialogError();
        return false;
    }
    // One change notice for the whole choice.
    TFont chosen;
    chosen.Assign(FFont);
    HFONT made = CreateFontIndirectA(&lf);
    chosen.SetHandle(made);
    if (made) DeleteObject(made);
    chosen.SetSize((cf.iPointSize + 5) / 10);
    if (Options & fdEffects) chosen.SetColor(static_cast<TColor>(cf.rgbColors));
    FFont.Assign(chosen);
    return true;
}

TColorDialog::TColorDialog(TComponent* owner) : TCommonDialog(owner) {
    std::fill(std::begin(CustomColors), std::end(CustomColors), RGB(255, 255, 255));
}

bool TColorDialog::Execute() {
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = OwnerWindow();
    cc.rgbResult = ColorToGdi(Color);
    cc.lpCustColors = CustomColors;
    cc.Flags = Options | CC_RGBINIT | CC_ENABLEHOOK;
    cc.lCustData = reinterpret_cast<LPARAM>(this);
    cc.lpfnHook = &Hook<CHOOSECOLORA>;
    if (!RunModal(cc.hwndOwner, [&] { return ChooseColorA(&cc); })) {
        CheckDialogError();
        return false;
    }
    Color = static_cast<TColor>(cc.rgbResult);
    return true;
}

// ---- Printing ---------------------------------------------------------------------------

namespace {

// Global memory blocks a print dialog is given and may replace; freed whatever happens.
struct PrintDlgBlocks {
    PRINTDLGA& pd;
    ~PrintDlgBlocks() {
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
    }
};

HGLOBAL CopyToGlobal(const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    if (void* p = GlobalLock(block)) {
        std::memcpy(p, data, size);
        GlobalUnlock(block);
        return block;
    }
    GlobalFree(block);
    return nullptr;
}

// A DEVNAMES block naming a spooler printer.
HGLOBAL MakeDevNames(const std::string& device) {
    const char driver[] = "winspool";
    std::vector<char> block(sizeof(DEVNAMES) + sizeof driver + device.size() + 2, '\0');
    auto* names = reinterpret_cast<DEVNAMES*>(block.data());
    size_t at = sizeof(DEVNAMES);
    names->wDriverOffset = static_cast<WORD>(at);
    std::memcpy(block.data() + at, driver, sizeof driver);
    at += sizeof driver;
    names->wDeviceOffset = static_cast<WORD>(at);
    std::memcpy(block.data() + at, device.c_str(), device.size() + 1);
    at += device.size() + 1;
    names->wOutputOffset = static_cast<WORD>(at);
    return CopyToGlobal(block.data(), block.size());
}

}  // namespace

bool TPrintDialog::RunPrintDlg(PRINTDLGA& pd) {
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = OwnerWindow();
    pd.Flags |= PD_NOWARNING;  // no printer at all is reported by the exception below
    pd.lCustData = reinterpret_cast<LPARAM>(this);
    PrintDlgBlocks blocks{pd};
    const std::string& current = Printer()->PrinterName();
    if (!current.empty() && current.size() < 0x8000) {
        pd.hDevNames = MakeDevNames(current);
        if (const DEVMODEA* dm = Printer()->DevMode())
            pd.hDevMode = CopyToGlobal(dm, dm->dmSize + dm->dmDriverExtra);
    }
    if (!RunModal(pd.hwndOwner, [&] { return PrintDlgA(&pd); })) {
        CheckDialogError();
        return false;
    }
    std::string device;
    if (auto* names = pd.hDevNames ? static_cast<DEVNAMES*>(GlobalLock(pd.hDevNames)) : nullptr) {
        device = reinterpret_cast<const char*>(names) + names->wDeviceOffset;
        GlobalUnlock(pd.hDevNames);
    }
    auto* dm = pd.hDevMode ? static_cast<DEVMODEA*>(GlobalLock(pd.hDevMode)) : nullptr;
    struct Unlock {
        HGLOBAL block;
        ~Unlock() {
            if (block) GlobalUnlock(block);
        }
    } unlock{dm ? pd.hDevMode : nullptr};
    if (device.empty() && dm) {
        const auto* name = reinterpret_cast<const char*>(dm->dmDeviceName);
        device.assign(name, strnlen(name, sizeof dm->dmDeviceName));  // may fill it up
    }
    Printer()->SelectPrinter(device, dm);
    if (pd.Flags & PD_PRINTSETUP) return true;
    // A driver that makes the copies itself leaves nCopies at 1 and says so in its settings.
    Copies = pd.nCopies;
    Collate = (pd.Flags & PD_COLLATE) != 0;
    if (dm && (dm->dmFields & DM_COPIES) && dm->dmCopies > Copies) Copies = dm->dmCopies;
    if (dm && (dm->dmFields & DM_COLLATE) && dm->dmCollate == DMCOLLATE_TRUE) Collate = true;
    return true;
}

bool TPrintDialog::Execute() {
    PRINTDLGA pd{};
    pd.Flags = PD_ENABLEPRINTHOOK | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE |
               (Collate ? PD_COLLATE : 0);
    pd.nCopies = static_cast<WORD>(std::clamp(Copies, 1, 0xFFFF));
    pd.lpfnPrintHook = &Hook<PRINTDLGA>;
    return RunPrintDlg(pd);
}

bool TPrinterSetupDialog::Execute() {
    PRINTDLGA pd{};
    pd.Flags = PD_PRINTSETUP | PD_ENABLESETUPHOOK;
    pd.lpfnSetupHook = &Hook<PRINTDLGA>;
    return RunPrintDlg(pd);
}

// ---- Find and replace -------------------------------------------------------------------

namespace {

constexpr DWORD kFindOptions = frDown | frFindNext | frHideMatchCase | frHideWholeWord |
                               frHideUpDown | frMatchCase | frDisableMatchCase | frDisableUpDown |
                               frDisableWholeWord | frReplace | frReplaceAll | frWholeWord;
constexpr DWORD kFindResults = frFindNext | frReplace | frReplaceAll;

UINT FindMessage() {
    static const UINT message = RegisterWindowMessageA(FINDMSGSTRINGA);
    return message;
}

// A text buffer for the dialog: room to type (the dialog counts its size in a WORD).
void FillBuffer(std::vector<char>& buffer, const std::string& text) {
    buffer.assign(std::clamp<size_t>(text.size() + 1, 256, 0xFFFF), '\0');
    std::memcpy(buffer.data(), text.data(), std::min(text.size(), buffer.size() - 1));
}

}  // namespace

TFindDialog::TFindDialog(TComponent* owner) : TCommonDialog(owner) {}

TFindDialog::~TFindDialog() {
    OnClose = nullptr;
    CloseDialog();
    if (FNotifyWindow) DeallocateHWnd(FNotifyWindow);
}

bool TFindDialog::Execute() {
    if (FHandle) {
        ShowWindow(FHandle, SW_SHOW);
        SetActiveWindow(FHandle);
        return true;
    }
    if (!FNotifyWindow)
        FNotifyWindow = AllocateHWnd([this](TMessage& m) {
            if (m.Msg == FindMessage() && m.LParam == reinterpret_cast<LPARAM>(&FState))
                Notified(m);
            else
                DefaultUtilMessage(FNotifyWindow, m);
        });
    std::string* replace = ReplaceField();
    FillBuffer(FFindBuffer, FindText);
    FillBuffer(FReplaceBuffer, replace ? *replace : std::string());
    FState = FINDREPLACEA{};
    FState.lStructSize = sizeof FState;
    // The dialog reports to the hidden window; it is then given the active window as its
    // owner, so that it stays above the window it searches.
    FState.hwndOwner = FNotifyWindow;
    FState.Flags = (Options & kFindOptions & ~kFindResults) | FR_ENABLEHOOK;
    FState.lpstrFindWhat = FFindBuffer.data();
    FState.wFindWhatLen = static_cast<WORD>(FFindBuffer.size());
    FState.lpstrReplaceWith = FReplaceBuffer.data();
    FState.wReplaceWithLen = static_cast<WORD>(FReplaceBuffer.size());
    FState.lCustData = reinterpret_cast<LPARAM>(this);
    FState.lpfnHook = &Hook<FINDREPLACEA>;
    HWND owner = OwnerWindow();
    HWND dialog = replace ? ReplaceTextA(&FState) : FindTextA(&FState);
    if (!dialog) {
        FError = CommDlgExtendedError();
        CheckDialogError();
        return false;
    }
    FHandle = dialog;
    if (owner) SetWindowLongPtrA(dialog, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    AddModelessDialog(dialog);
    return true;
}

void TFindDialog::CloseDialog() {
    if (!FHandle) return;
    // The dialog's own Cancel: it reports its end (Closed) and goes.
    SendMessageA(FHandle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (FHandle) {
        HWND dialog = FHandle;
        Closed();
        if (IsWindow(dialog)) DestroyWindow(dialog);
    }
}

POINT TFindDialog::Position() const {
    if (!FHandle) return FPosition;
    RECT r;
    GetWindowRect(FHandle, &r);
    return POINT{r.left, r.top};
}

void TFindDialog::SetPosition(POINT p) {
    FPosition = p;
    FPositioned = true;
    if (FHandle)
        SetWindowPos(FHandle, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFindDialog::HookMessage(HWND dialog, TMessage& message) {
    if (message.Msg == WM_INITDIALOG && FPositioned)
        SetWindowPos(dialog, nullptr, FPosition.x, FPosition.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Destroyed without its Cancel (with its owner): it is closed all the same.
    if (message.Msg == WM_DESTROY && dialog == FHandle) Closed();
    TCommonDialog::HookMessage(dialog, message);
}

void TFindDialog::Notified(TMessage&) {
    const DWORD flags = FState.Flags;
    if (flags & FR_DIALOGTERM) {
        Closed();
        return;
    }
    FindText = FFindBuffer.data();
    if (std::string* replace = ReplaceField()) *replace = FReplaceBuffer.data();
    Options = flags & kFindOptions;
    if (flags & (FR_REPLACE | FR_REPLACEALL))
        DoReplace();
    else if ((flags & FR_FINDNEXT) && OnFind)
        OnFind(this);
}

void TFindDialog::Closed() {
    if (!FHandle) return;
    RemoveModelessDialog(FHandle);
    FHandle = nullptr;
    if (OnClose) OnClose(this);
}

// ---- Directories ------------------------------------------------------------------------

namespace {

std::string PathOfItem(LPCITEMIDLIST item) {
    char path[MAX_PATH] = {};  // the size the call is made for
    return item && SHGetPathFromIDListA(item, path) ? std::string(path) : std::string();
}

int CALLBACK BrowseCallback(HWND dialog, UINT msg, LPARAM param, LPARAM data) {
    GuardCallback([&] { reinterpret_cast<TFolderPreselect*>(data)->Notify(dialog, msg, param); });
    return 0;
}

// The tries, over about half a second.
constexpr int kPreselectTries = 25;
constexpr UINT kPreselectPause = 20;  // ms between two tries

// A path without its final backslash (a drive's root keeps it).
std::string WithoutBackslash(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

void TFolderPreselect::Notify(HWND dialog, UINT msg, LPARAM param) {
    if (msg == BFFM_SELCHANGED) {
        FSelected = PathOfItem(reinterpret_cast<LPCITEMIDLIST>(param));
    } else if (msg == BFFM_INITIALIZED && !FFolder.empty()) {
        FTries = 0;
        Select(dialog);
    }
}

bool TFolderPreselect::Reached() const {
    return lstrcmpiA(WithoutBackslash(FSelected).c_str(), WithoutBackslash(FFolder).c_str()) == 0;
}

bool TFolderPreselect::OnTheWay() const {
    if (FSelected.empty()) return true;
    std::string above = FSelected;
    if (above.back() != '\\') above += '\\';
    const std::string way = WithoutBackslash(FFolder) + "\\";
    return above.size() <= way.size() &&
           lstrcmpiA(way.substr(0, above.size()).c_str(), above.c_str()) == 0;
}

void TFolderPreselect::Select(HWND dialog) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(FFolder.c_str()));
    const UINT_PTR id = reinterpret_cast<UINT_PTR>(this);
    // Done when the folder is shown, and when the user chose another one meanwhile.
    if (Reached() || !OnTheWay() || ++FTries >= kPreselectTries)
        KillTimer(dialog, id);
    else
        SetTimer(dialog, id, kPreselectPause, &TFolderPreselect::Retry);
}

void CALLBACK TFolderPreselect::Retry(HWND dialog, UINT, UINT_PTR id, DWORD) {
    GuardCallback([&] { reinterpret_cast<TFolderPreselect*>(id)->Select(dialog); });
}

bool SelectDirectory(std::string& directory, TSelectDirOpts options, int) {
    TFolderPreselect preselect(directory);
    char displayName[MAX_PATH] = {};  // the size the dialog is made for
    BROWSEINFOA info{};
    HWND owner = GetActiveWindow();
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.ulFlags = BIF_RETURNONLYFSDIRS |
                   ((options & sdAllowCreate) ? BIF_NEWDIALOGSTYLE : BIF_NONEWFOLDERBUTTON);
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&preselect);
    LPITEMIDLIST chosen = nullptr;
    {
        TDisabledWindows disabled(owner);
        chosen = SHBrowseForFolderA(&info);
    }
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
    if (!chosen) return false;
    std::string path = PathOfItem(chosen);
    CoTaskMemFree(chosen);
    if (path.empty()) return false;
    directory = path;
    return true;
}
