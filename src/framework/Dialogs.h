// Message boxes, and the system's common dialogs as components: file open and save (also
// for pictures), font, colour, print and printer set-up, find and replace, and the
// directory dialog.
//
// The modal ones run with the program's other windows disabled and give the activation
// back to the window that had it. Find and replace are modeless: their keyboard messages
// pass IsDialogMessage in the application's loop, and their buttons raise events.
#pragma once

#include <windows.h>

#include <commdlg.h>
// The dialogs' members keep the framework's names; the system's functions are called by
// their ANSI names.
#undef FindText
#undef ReplaceText

#include <functional>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/core/Colors.h"
#include "framework/core/DialogText.h"
#include "framework/core/Exception.h"
#include "framework/core/Strings.h"

inline constexpr char kCaptionError[] = " Quiro 2: Error";
inline constexpr char kCaptionWarning[] = " Quiro 2: Warning";
inline constexpr char kCaptionQuestion[] = " Quiro 2: Question";
// The capture editor's.
inline constexpr char kCaptionEditorConfirm[] = " Confirm";
inline constexpr char kCaptionEditorError[] = " ERROR";
inline constexpr char kCaptionEditorInfo[] = " Info";

// A message box over the active window (through the application object when there is
// one); returns the button pressed (IDOK, IDYES, ...).
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);
// An information box captioned with the application's title.
void ShowMessage(const std::string& text);

// The message dialog: an icon of its kind, the text and a row of buttons in this order.
// Its caption is "Warning", "Error", "Information" or "Confirm" (the application's title
// for mtCustom). Enter presses OK or Yes, Esc Cancel (else No, else OK); Help asks the
// application's help with the context and leaves the dialog open. Returns the modal
// result of the button pressed (mrAll for All; mrCancel when closed otherwise).
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp };
using TMsgDlgButtons = unsigned;  // bit (1 << TMsgDlgBtn) per button
constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn b) {
    return 1u << b;
}
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
               int helpContext);

// A dialog that could not be shown, or whose answer could not be taken.
class ECommonDialogError : public Exception {
public:
    using Exception::Exception;
};

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* owner);
    ~TCommonDialog() override;

    // Shows the dialog; true when the user accepted it. Throws ECommonDialogError when the
    // system could not show it.
    virtual bool Execute() = 0;
    // The dialog's window while it is open.
    HWND Handle() const { return FHandle; }

    int HelpContext = 0;
    // Told once the dialog's window is there, and after it closed.
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    // The window that owns the dialog: the active window of the program, else its main form.
    static HWND OwnerWindow();
    // Runs a modal system dialog: the program's windows other than `owner` are disabled
    // meanwhile, the window that was active is active again afterwards, then OnClose.
    bool RunModal(HWND owner, const std::function<BOOL()>& run);
    // Every message of the dialog's hook (run through GuardCallback). The default records
    // the window at WM_INITDIALOG and tells OnShow.
    virtual void HookMessage(HWND dialog, TMessage& message);
    // The hook procedure for a dialog whose set-up block `S` carries `this` in lCustData.
    template <class S>
    static UINT_PTR CALLBACK Hook(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam);
    // Raises ECommonDialogError for the error the last run ended with (none: Cancel).
    void CheckDialogError() const;

    HWND FHandle = nullptr;
    DWORD FError = 0;  // CommDlgExtendedError of the last run
};

// ---- File dialogs ------------------------------------------------------------------------

enum TOpenOption : DWORD {
    ofReadOnly = OFN_READONLY,  // in and out: the read-only box
    ofOverwritePrompt = OFN_OVERWRITEPROMPT,
    ofHideReadOnly = OFN_HIDEREADONLY,
    ofNoChangeDir = OFN_NOCHANGEDIR,
    ofNoValidate = OFN_NOVALIDATE,
    ofAllowMultiSelect = OFN_ALLOWMULTISELECT,
    ofExtensionDifferent = OFN_EXTENSIONDIFFERENT,  // out: the name's extension is not DefaultExt
    ofPathMustExist = OFN_PATHMUSTEXIST,
    ofFileMustExist = OFN_FILEMUSTEXIST,
    ofCreatePrompt = OFN_CREATEPROMPT,
    ofNoReadOnlyReturn = OFN_NOREADONLYRETURN,
    ofNoTestFileCreate = OFN_NOTESTFILECREATE,
    ofEnableSizing = OFN_ENABLESIZING,
};
using TOpenOptions = DWORD;

// How the file name is typed in; kept for the file-name edits, which carry it from one
// dialog to the next (the system dialog keeps its own history).
enum TFileEditStyle { fsEdit, fsComboBox };

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* owner);

    bool Execute() override;

    // In: the name shown at first; out: the chosen name (the first of several).
    std::string FileName;
    // Out: every chosen name, full paths (one unless ofAllowMultiSelect).
    TStringList* Files() { return &FFiles; }
    // "Description|*.ext|..." pairs; FilterIndex (from 1) picks the one shown, and is the
    // one the user left selected afterwards.
    std::string Filter;
    int FilterIndex = 1;
    std::string InitialDir;
    // Added to a name typed without extension (given with or without its dot).
    std::string DefaultExt;
    std::string Title;
    TOpenOptions Options = ofHideReadOnly | ofEnableSizing;
    TFileEditStyle FileEditStyle = fsEdit;
    TStringList* HistoryList() { return &FHistoryList; }

protected:
    // The system dialog: GetOpenFileNameA here.
    virtual BOOL Run(OPENFILENAMEA& ofn);

private:
    TStringList FFiles;
    TStringList FHistoryList;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}

protected:
    BOOL Run(OPENFILENAMEA& ofn) override;
};

// The file dialogs for pictures: the same, with a filter of the picture files the program
// reads and writes (JPEG images and bitmaps) unless another is set.
class TOpenPictureDialog : public TOpenDialog {
public:
    explicit TOpenPictureDialog(TComponent* owner);
};

class TSavePictureDialog : public TSaveDialog {
public:
    explicit TSavePictureDialog(TComponent* owner);
};

inline constexpr char kPictureFilter[] =
    "All (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg)|*.jpg|"
    "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp";

// ---- Font and colour ---------------------------------------------------------------------

enum TFontDialogOption : DWORD {
    fdEffects = CF_EFFECTS,  // strike-out, underline and colour
    fdFixedPitchOnly = CF_FIXEDPITCHONLY,
    fdForceFontExist = CF_FORCEFONTEXIST,
    fdTrueTypeOnly = CF_TTONLY,
    fdLimitSize = CF_LIMITSIZE,  // sizes from MinFontSize to MaxFontSize
};
using TFontDialogOptions = DWORD;

class TFontDialog : public TCommonDialog {
public:
    explicit TFontDialog(TComponent* owner) : TCommonDialog(owner) {}

    bool Execute() override;

    // In: the font shown at first; out: the chosen one (name, size, style, colour, charset).
    TFont* Font() { return &FFont; }
    TFontDialogOptions Options = fdEffects;
    int MinFontSize = 0;
    int MaxFontSize = 0;

private:
    TFont FFont;
};

enum TColorDialogOption : DWORD {
    cdFullOpen = CC_FULLOPEN,
    cdPreventFullOpen = CC_PREVENTFULLOPEN,
    cdSolidColor = CC_SOLIDCOLOR,
    cdAnyColor = CC_ANYCOLOR,
};
using TColorDialogOptions = DWORD;

class TColorDialog : public TCommonDialog {
public:
    explicit TColorDialog(TComponent* owner);

    bool Execute() override;

    // In: the colour selected at first (system colours resolved); out: the chosen one.
    TColor Color = 0;
    // The sixteen custom colours, kept from one run to the next.
    COLORREF CustomColors[16];
    TColorDialogOptions Options = 0;
};

// ---- Printing ----------------------------------------------------------------------------

// The print dialog (for the whole document: no page range, no selection, no print to
// file); OK makes the chosen printer, with its settings, the one Printer() prints on.
// Without any printer it throws EPrinter "There is no default printer currently selected".
class TPrintDialog : public TCommonDialog {
public:
    explicit TPrintDialog(TComponent* owner) : TCommonDialog(owner) {}

    bool Execute() override;

    // In and out. Copies counts them all, also when the printer makes them itself;
    // Collate asks for whole copies one after the other.
    bool Collate = false;
    int Copies = 1;

protected:
    // Runs PrintDlgA with the current printer preselected; on OK selects the chosen one.
    bool RunPrintDlg(PRINTDLGA& pd);
};

// The printer set-up dialog: OK selects the chosen printer and settings for Printer().
class TPrinterSetupDialog : public TPrintDialog {
public:
    explicit TPrinterSetupDialog(TComponent* owner) : TPrintDialog(owner) {}

    bool Execute() override;
};

// ---- Find and replace --------------------------------------------------------------------

enum TFindOption : DWORD {
    frDown = FR_DOWN,
    frFindNext = FR_FINDNEXT,  // out: "Find Next" was pressed
    frHideMatchCase = FR_HIDEMATCHCASE,
    frHideWholeWord = FR_HIDEWHOLEWORD,
    frHideUpDown = FR_HIDEUPDOWN,
    frMatchCase = FR_MATCHCASE,
    frDisableMatchCase = FR_NOMATCHCASE,
    frDisableUpDown = FR_NOUPDOWN,
    frDisableWholeWord = FR_NOWHOLEWORD,
    frReplace = FR_REPLACE,        // out: "Replace" was pressed
    frReplaceAll = FR_REPLACEALL,  // out: "Replace All" was pressed
    frWholeWord = FR_WHOLEWORD,
};
using TFindOptions = DWORD;

// The modeless find dialog. Execute opens it (or brings it to the front) and returns at
// once; its buttons raise OnFind (and OnReplace), closing it OnClose. FindText and Options
// hold what the user set when an event is raised.
class TFindDialog : public TCommonDialog {
public:
    explicit TFindDialog(TComponent* owner);
    ~TFindDialog() override;

    bool Execute() override;
    void CloseDialog();

    std::string FindText;
    TFindOptions Options = frDown;
    // The top-left corner of the dialog on the screen (moves an open dialog at once).
    POINT Position() const;
    void SetPosition(POINT p);
    TNotifyEvent OnFind;

protected:
    // The replace dialog's text (nullptr: a find dialog) and its event.
    virtual std::string* ReplaceField() { return nullptr; }
    virtual void DoReplace() {}
    void HookMessage(HWND dialog, TMessage& message) override;

private:
    // The registered message the dialog sends to its owner window.
    void Notified(TMessage& message);
    void Closed();

    HWND FNotifyWindow = nullptr;  // receives the dialog's messages
    FINDREPLACEA FState{};         // lives as long as the dialog
    std::vector<char> FFindBuffer, FReplaceBuffer;
    POINT FPosition{0, 0};
    bool FPositioned = false;
};

class TReplaceDialog : public TFindDialog {
public:
    explicit TReplaceDialog(TComponent* owner) : TFindDialog(owner) {}

    std::string ReplaceText;
    TNotifyEvent OnReplace;

protected:
    std::string* ReplaceField() override { return &ReplaceText; }
    void DoReplace() override {
        if (OnReplace) OnReplace(this);
    }
};

// ---- Directories -------------------------------------------------------------------------

// Options of the directory dialog. The dialog offers to make a new folder with
// sdAllowCreate; sdPerformCreate and sdPrompt concern names typed into the dialog, which
// it does not take: a folder is chosen, or made, in its tree.
enum TSelectDirOpt : unsigned { sdAllowCreate = 1, sdPerformCreate = 2, sdPrompt = 4 };
using TSelectDirOpts = unsigned;

// The directory dialog: `directory` is the folder shown at first and, when the user
// accepts, the chosen one.
bool SelectDirectory(std::string& directory, TSelectDirOpts options, int helpContext);

// Brings the shell's running folder browser (the dialog of SHBrowseForFolder) to a folder.
// Its tree does not always take the selection at once: it stops at a folder on the way
// when the next folder changed while the tree was being filled (some shells match a path
// against the tree's items by their time stamps too). Then the folder is asked for again
// from the dialog's timer, a bounded number of times, until the browser reports it
// selected or the user selects another folder.
class TFolderPreselect {
public:
    explicit TFolderPreselect(std::string folder) : FFolder(std::move(folder)) {}
    // The browser's callback passes its notices on: BFFM_INITIALIZED selects the folder,
    // BFFM_SELCHANGED notes the item selected now.
    void Notify(HWND dialog, UINT msg, LPARAM param);
    // The path of the selected item ("" for one that is no folder of the file system).
    const std::string& Selected() const { return FSelected; }

private:
    static void CALLBACK Retry(HWND dialog, UINT, UINT_PTR id, DWORD);
    void Select(HWND dialog);
    bool Reached() const;
    bool OnTheWay() const;  // what is selected is the folder or one above it (or nothing)

    std::string FFolder;
    std::string FSelected;
    int FTries = 0;
};
