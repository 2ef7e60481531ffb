// The capture editor's window: its components and menu, its settings, its place beside the
// console, its caption, captured and pasted text in the editor's font.
#include "windows/Edit.h"

#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <type_traits>

#include "console/Main.h"
#include "console/TextPicture.h"
#include "console/core/ConsoleSettings.h"
#include "framework/Clipbrd.h"
#include "framework/FileDrop.h"
#include "framework/FormBuilder.h"
#include "framework/Screen.h"
#include "windows/RtfInsert.h"

namespace {

constexpr uint32_t kCtrl = ssCtrl, kAlt = ssAlt, kShift = ssShift;
uint32_t Key(WORD vk, uint32_t shift = 0) { return bfShortCut(ShortCut(vk, shift)); }

const TComponentRow kLayout[] = {
    {Make<TPanel>, "CED_PANEL_Buttons", "", 0, 0, 640, 28, "", bfAlignTop, 0},
    {Make<TXcSpeedButton>, "CED_BTN_New", "CED_PANEL_Buttons", 2, 2, 40, 24, "New", 0, 0},
    {Make<TXcSpeedButton>, "CED_BTN_Open", "CED_PANEL_Buttons", 42, 2, 40, 24, "Open", 0, 0},
    {Make<TXcSpeedButton>, "CED_BTN_Save", "CED_PANEL_Buttons", 82, 2, 40, 24, "Save", 0, 0},
    {Make<TXcSpeedButton>, "CED_BTN_Print", "CED_PANEL_Buttons", 122, 2, 40, 24, "Print", 0, 0},
    {Make<TXcSpeedButton>, "CED_BTN_BatchSend", "CED_PANEL_Buttons", 168, 2, 52, 24, "Send", bfDisabled, 0},
    {Make<TXcSpeedButton>, "CED_BTN_Capture", "CED_PANEL_Buttons", 226, 2, 40, 24, "REC", 0, 0},
    {Make<TXcSpeedButton>, "CED_BTN_SendByLine", "CED_PANEL_Buttons", 266, 2, 44, 24, "Line", 0, 0},
    {Make<TXcSpeedButton>, "CED_BTN_SendHeadTail", "CED_PANEL_Buttons", 310, 2, 70, 24, "Head/Tail", 0, 0},
    {Make<TXcSpeedButton>, "CED_BTN_CaptureHEX", "CED_PANEL_Buttons", 380, 2, 40, 24, "HEX", 0, 0},
    {Make<TImage>, "IMG_Hanguel2", "CED_PANEL_Buttons", 428, 6, 34, 16, "", bfHidden, 0},
    {Make<TImage>, "IMG_Hanguel390", "CED_PANEL_Buttons", 428, 6, 34, 16, "", bfHidden, 0},
    {Make<TImage>, "IMG_Hanguel3", "CED_PANEL_Buttons", 428, 6, 34, 16, "", bfHidden, 0},
    {Make<TImage>, "IMG_English", "CED_PANEL_Buttons", 428, 6, 34, 16, "", bfHidden, 0},
    {Make<TImage>, "IMG_Windows", "CED_PANEL_Buttons", 428, 6, 34, 16, "", 0, 0},

    {Make<TPanel>, "CED_PANEL_Header", "", 0, 28, 640, 28, "", bfAlignTop | bfHidden, 0},
    {Make<TLabel>, "CED_LABEL_Head", "CED_PANEL_Header", 6, 7, 30, 14, "Head", 0, 0},
    {Make<TComboBox>, "CED_CB_Head", "CED_PANEL_Header", 40, 3, 220, 21, "", 0, 0},
    {Make<TLabel>, "CED_LABEL_Tail", "CED_PANEL_Header", 272, 7, 30, 14, "Tail", 0, 0},
    {Make<TComboBox>, "CED_CB_Tail", "CED_PANEL_Header", 306, 3, 220, 21, "", 0, 0},

    {Make<TPanel>, "CED_PANEL_Bottom", "", 0, 0, 640, 5, "", bfAlignBottom, 0},
    {Make<TXcRichEdit>, "CED_REDIT_Editor", "", 0, 0, 640, 120, "", bfAlignClient, 0},

    {Make<TPopupMenu>, "CED_REDIT_PopMenu", "CED_REDIT_Editor", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "CED_MENU_Undo", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Undo", Key('Z', kCtrl), 0},
    {Make<TMenuItem>, "CED_MENU_Redo", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Redo", Key('Z', kCtrl | kShift), 0},
    {Make<TMenuItem>, "CED_MENU_Line1", "CED_REDIT_PopMenu", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "CED_MENU_Cut", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Cut", Key(VK_DELETE, kShift), 0},
    {Make<TMenuItem>, "CED_MENU_Copy", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Copy", Key(VK_INSERT, kCtrl), 0},
    {Make<TMenuItem>, "CED_MENU_Paste", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Paste", Key(VK_INSERT, kShift), 0},
    {Make<TMenuItem>, "CED_MENU_Paste2", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Paste2", Key('V', kCtrl) | bfHidden, 0},
    {Make<TMenuItem>, "CED_MENU_Delete", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Delete", 0, 0},
    {Make<TMenuItem>, "CED_MENU_SelectAll", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Select All", Key('A', kCtrl), 0},
    {Make<TMenuItem>, "CED_MENU_Line2", "CED_REDIT_PopMenu", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "CED_MENU_GlueToConsole", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Glue To Console", bfChecked, 0},
    {Make<TMenuItem>, "CED_MENU_ShowHideWindow", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Show/Hide Window",
     Key('E', kAlt), 0},
    {Make<TMenuItem>, "CED_MENU_MaximizeWindow", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Maximize Window",
     Key(VK_RETURN, kAlt), 0},
    {Make<TMenuItem>, "CED_MENU_Line3", "CED_REDIT_PopMenu", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "CED_MENU_ShowCharacterTable", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Show Character Table",
     Key(VK_SPACE, kCtrl), 0},
    {Make<TMenuItem>, "CED_MENU_Line4", "CED_REDIT_PopMenu", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "CED_MENU_CaptureOnOff", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Capture On/Off", Key('L', kAlt), 0},
    {Make<TMenuItem>, "CED_MENU_SendByLineOnOff", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Send By Line On/Off",
     Key('P', kAlt), 0},
    {Make<TMenuItem>, "CED_MENU_SwitchWindowFocus", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Switch Window Focus",
     Key('C', kAlt), 0},
    {Make<TMenuItem>, "CED_MENU_SendHeadTailOnOff", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Send Head/Tail On/Off",
     Key(VK_OEM_2, kAlt), 0},
    {Make<TMenuItem>, "CED_MENU_Line5", "CED_REDIT_PopMenu", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "CED_MENU_FocusEditor", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Set Focus To Editor",
     Key(VK_OEM_3, kAlt), 0},
    {Make<TMenuItem>, "CED_MENU_FocusHead", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Set Focus To Head", Key('1', kAlt), 0},
    {Make<TMenuItem>, "CED_MENU_FocusTail", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Set Focus To Tail", Key('2', kAlt), 0},
    // Shortcuts of the buttons and of the input-mode images.
    {Make<TMenuItem>, "CED_MENU_New", "CED_REDIT_PopMenu", 0, 0, 0, 0, "New", Key('N', kCtrl) | bfHidden, 0},
    {Make<TMenuItem>, "CED_MENU_Open", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Open", Key('O', kCtrl) | bfHidden, 0},
    {Make<TMenuItem>, "CED_MENU_Save", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Save", Key('S', kCtrl) | bfHidden, 0},
    {Make<TMenuItem>, "CED_MENU_Print", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Print", Key('P', kCtrl) | bfHidden, 0},
    {Make<TMenuItem>, "CED_MENU_ToggleInputMode", "CED_REDIT_PopMenu", 0, 0, 0, 0, "Toggle Input Mode",
     Key('H', kAlt) | bfHidden, 0},

    {Make<TOpenDialog>, "CED_OPNDLG", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TSaveDialog>, "CED_SAVEDLG", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TPrintDialog>, "CED_PRNDLG", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TXcWindowHook>, "XcEditorWindowHook", "", 0, 0, 0, 0, "", 0, 0},
};

constexpr char kFileFilter[] = "All Files (*.*)|*.*|Text Files (*.TXT)|*.TXT|Rich Text Format (*.RTF)|*.RTF";

ScreenRect WindowRect(TControl* c) { return {c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()}; }

ScreenRect WorkArea() {
    RECT r = Screen ? Screen->WorkAreaRect() : RECT{0, 0, 800, 600};
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

TEditMainForm::TEditMainForm(TComponent* owner, EditorHost& host) : TForm(owner), FHost(host) {
    SetName("EditMainForm");
    SetBounds(0, 0, 640, 220);
    BuildComponents();
    WireEvents();
    FormCreate();
}

void TEditMainForm::FormCreate() {
    if (GetSystemDefaultLangID() == 1042) {
        for (TComboBox* box : {CED_CB_Head, CED_CB_Tail}) {
            box->Font()->SetName(KoreanUiFont);
            box->Font()->SetSize(9);
        }
    }
    UpdateCaption();
    UpdateHanguelMode();
    AcceptFiles(Handle(), true);  // one dropped file is taken
}

TEditMainForm::~TEditMainForm() {
    // No more events into this form while its controls go.
    if (XcEditorWindowHook) XcEditorWindowHook->BeforeMessage = nullptr;
    if (CED_REDIT_Editor) {
        CED_REDIT_Editor->OnSelectionChange = nullptr;
        CED_REDIT_Editor->OnChange = nullptr;
        CED_REDIT_Editor->OnEnter = nullptr;
        CED_REDIT_Editor->OnURLClick = nullptr;
    }
}

void TEditMainForm::BuildComponents() {
    BuildForm(this, kLayout);
    auto get = [this](auto*& field, const char* name) {
        using T = std::remove_pointer_t<std::remove_reference_t<decltype(field)>>;
        field = FindAs<T>(this, name);
    };
    get(CED_PANEL_Buttons, "CED_PANEL_Buttons");
    get(CED_BTN_New, "CED_BTN_New");
    get(CED_BTN_Open, "CED_BTN_Open");
    get(CED_BTN_Save, "CED_BTN_Save");
    get(CED_BTN_Print, "CED_BTN_Print");
    get(CED_BTN_BatchSend, "CED_BTN_BatchSend");
    get(CED_BTN_Capture, "CED_BTN_Capture");
    get(CED_BTN_SendByLine, "CED_BTN_SendByLine");
    get(CED_BTN_SendHeadTail, "CED_BTN_SendHeadTail");
    get(CED_BTN_CaptureHEX, "CED_BTN_CaptureHEX");
    get(IMG_Hanguel2, "IMG_Hanguel2");
    get(IMG_Hanguel390, "IMG_Hanguel390");
    get(IMG_Hanguel3, "IMG_Hanguel3");
    get(IMG_English, "IMG_English");
    get(IMG_Windows, "IMG_Windows");
    get(CED_PANEL_Header, "CED_PANEL_Header");
    get(CED_CB_Head, "CED_CB_Head");
    get(CED_CB_Tail, "CED_CB_Tail");
    get(CED_PANEL_Bottom, "CED_PANEL_Bottom");
    get(CED_REDIT_Editor, "CED_REDIT_Editor");
    get(CED_REDIT_PopMenu, "CED_REDIT_PopMenu");
    get(CED_MENU_GlueToConsole, "CED_MENU_GlueToConsole");
    get(CED_OPNDLG, "CED_OPNDLG");
    get(CED_SAVEDLG, "CED_SAVEDLG");
    get(CED_PRNDLG, "CED_PRNDLG");
    get(XcEditorWindowHook, "XcEditorWindowHook");

    for (TPanel* p : {CED_PANEL_Buttons, CED_PANEL_Header, CED_PANEL_Bottom}) p->SetBevelOuter(bvNone);
    // Switches: each in a group of its own, so that it goes up and down by itself.
    int group = 1;
    for (TXcSpeedButton* b : {CED_BTN_Capture, CED_BTN_SendByLine, CED_BTN_SendHeadTail, CED_BTN_CaptureHEX}) {
        b->SetGroupIndex(group++);
        b->SetAllowAllUp(true);
    }
    CED_BTN_Capture->SetDown(true);  // the capture button of the main window decides
    for (TXcSpeedButton* b : {CED_BTN_New, CED_BTN_Open, CED_BTN_Save, CED_BTN_Print, CED_BTN_BatchSend,
                              CED_BTN_Capture, CED_BTN_SendByLine, CED_BTN_SendHeadTail, CED_BTN_CaptureHEX}) {
        b->SetFlat(true);
        b->SetShowHint(true);
    }
    CED_BTN_New->SetHint("New  [Ctrl+N]");
    CED_BTN_Open->SetHint("Open  [Ctrl+O]");
    CED_BTN_Save->SetHint("Save  [Ctrl+S]");
    CED_BTN_Print->SetHint("Print  [Ctrl+P]");
    CED_BTN_BatchSend->SetHint("Send through Telnet ...");
    CED_BTN_Capture->SetHint("Capture  [Alt+L]");
    CED_BTN_SendByLine->SetHint("Send By Line... [Alt+P]");
    CED_BTN_SendHeadTail->SetHint("Automatic Word Add... [Alt+/]");
    CED_BTN_CaptureHEX->SetHint("Capture in HEX...");
    DrawTextPicture(IMG_Hanguel2, "Han2", clNavy, clYellow);
    DrawTextPicture(IMG_Hanguel390, "H390", clNavy, clYellow);
    DrawTextPicture(IMG_Hanguel3, "Han3", clNavy, clYellow);
    DrawTextPicture(IMG_English, "Eng", clBtnFace, clBlack);
    DrawTextPicture(IMG_Windows, "--", clBtnFace, clGray);

    // The editor: the whole text or the selection moves in and out as RTF, no objects.
    TXcRichEdit* e = CED_REDIT_Editor;
    e->SetAllowObjects(false);
    e->SetHideSelection(false);
    e->SetHideScrollBars(false);
    e->SetWordWrap(false);
    e->WantTabs = true;
    e->SetStreamFormat(sfRichText);
    e->SetStreamMode(smSelection);
    SetPopupMenu(CED_REDIT_PopMenu);  // its shortcuts also from the head and tail boxes

    for (TOpenDialog* d : {static_cast<TOpenDialog*>(CED_OPNDLG), static_cast<TOpenDialog*>(CED_SAVEDLG)})
        d->Filter = kFileFilter;
    CED_SAVEDLG->Options |= ofOverwritePrompt;
}

void TEditMainForm::WireEvents() {
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    CED_BTN_New->OnClick = [this](TComponent*) { CED_BTN_NewClick(); };
    CED_BTN_Open->OnClick = [this](TComponent*) { CED_BTN_OpenClick(); };
    CED_BTN_Save->OnClick = [this](TComponent*) { CED_BTN_SaveClick(); };
    CED_BTN_Print->OnClick = [this](TComponent*) { CED_BTN_PrintClick(); };
    CED_BTN_BatchSend->OnClick = [this](TComponent*) { CED_BTN_BatchSendClick(); };
    CED_BTN_SendHeadTail->OnClick = [this](TComponent*) { CED_BTN_SendHeadTailClick(); };
    CED_BTN_CaptureHEX->OnClick = [this](TComponent*) { CED_BTN_CaptureHEXClick(); };
    for (TImage* image : {IMG_Hanguel2, IMG_Hanguel390, IMG_Hanguel3, IMG_English})
        image->OnClick = [this](TComponent*) { ToggleInputMode(); };
    CED_PANEL_Bottom->OnDblClick = [this](TComponent*) { GlueEditorToConsole(); };
    CED_REDIT_Editor->OnSelectionChange = [this](TComponent*) { CED_REDIT_EditorSelectionChange(); };
    CED_REDIT_Editor->OnChange = [this](TComponent*) {
        UpdateCaption();
        UpdateBatchButton();
    };
    CED_REDIT_Editor->OnEnter = [this](TComponent*) { UpdateBatchButton(); };
    CED_REDIT_Editor->OnURLClick = [this](TComponent*, const std::string& url, TMouseButton button) {
        CED_REDIT_EditorURLClick(url, button);
    };
    CED_REDIT_PopMenu->OnPopup = [this](TComponent*) { CED_REDIT_PopMenuPopup(); };
    for (TComboBox* box : {CED_CB_Head, CED_CB_Tail}) {
        box->OnKeyPress = [this, box](TComponent*, char& key) { CED_CB_HeadTailKeyPress(box, key); };
        box->OnExit = [this, box](TComponent*) { CED_CB_HeadTailExit(box); };
    }
    XcEditorWindowHook->SetWinControl(CED_REDIT_Editor);
    XcEditorWindowHook->BeforeMessage = [this](TComponent*, TMessage& msg, bool& handled) {
        XcEditorWindowHookBeforeMessage(msg, handled);
    };

    auto item = [this](const char* name, std::function<void()> action) {
        FindAs<TMenuItem>(this, name)->OnClick = [action](TComponent*) { action(); };
    };
    TXcRichEdit* e = CED_REDIT_Editor;
    item("CED_MENU_Undo", [this, e] {
        FlushSyllable();
        e->Undo();
    });
    item("CED_MENU_Redo", [this, e] {
        FlushSyllable();
        e->Redo();
    });
    item("CED_MENU_Cut", [this, e] {
        FlushSyllable();
        e->Perform(WM_CUT, 0, 0);
    });
    item("CED_MENU_Copy", [this, e] {
        FlushSyllable();
        e->Perform(WM_COPY, 0, 0);
    });
    item("CED_MENU_Paste", [this] { Paste(); });
    item("CED_MENU_Paste2", [this] { Paste(); });
    item("CED_MENU_Delete", [this, e] {
        FlushSyllable();
        e->Perform(WM_CLEAR, 0, 0);
    });
    item("CED_MENU_SelectAll", [this, e] {
        FlushSyllable();
        e->SetSelection(0, -1, false);
    });
    item("CED_MENU_GlueToConsole", [this] { CED_MENU_GlueToConsole->SetChecked(!CED_MENU_GlueToConsole->Checked()); });
    item("CED_MENU_ShowHideWindow", [this] {
        SetVisible(!Visible());
        FHost.SetCaptureButton(Visible());
    });
    item("CED_MENU_MaximizeWindow",
         [this] { SetWindowState(WindowState() == wsMaximized ? wsNormal : wsMaximized); });
    item("CED_MENU_ShowCharacterTable", [this] { ShowCharacterTable(); });
    item("CED_MENU_CaptureOnOff", [this] { CED_BTN_Capture->SetDown(!CED_BTN_Capture->Down()); });
    item("CED_MENU_SendByLineOnOff", [this] { CED_BTN_SendByLine->SetDown(!CED_BTN_SendByLine->Down()); });
    item("CED_MENU_SwitchWindowFocus", [this] {
        FlushSyllable();
        SetForegroundWindow(FHost.MainWindow()->Handle());
    });
    item("CED_MENU_SendHeadTailOnOff", [this] {
        CED_BTN_SendHeadTail->SetDown(!CED_BTN_SendHeadTail->Down());
        CED_BTN_SendHeadTailClick();
    });
    item("CED_MENU_FocusEditor", [this] { FocusEditor(); });
    item("CED_MENU_FocusHead", [this] {
        if (CED_CB_Head->CanFocus()) CED_CB_Head->SetFocus();
    });
    item("CED_MENU_FocusTail", [this] {
        if (CED_CB_Tail->CanFocus()) CED_CB_Tail->SetFocus();
    });
    item("CED_MENU_New", [this] { CED_BTN_NewClick(); });
    item("CED_MENU_Open", [this] { CED_BTN_OpenClick(); });
    item("CED_MENU_Save", [this] { CED_BTN_SaveClick(); });
    item("CED_MENU_Print", [this] { CED_BTN_PrintClick(); });
    item("CED_MENU_ToggleInputMode", [this] { ToggleInputMode(); });
}

void TEditMainForm::WndProc(TMessage& message) {
    if (HandleDropFiles(message, [this](const std::vector<std::string>& names) { FilesDropped(names); })) return;
    TForm::WndProc(message);
}

// ---- Settings -------------------------------------------------------------------------------

void TEditMainForm::ApplySettings(const EditorSettings& s) {
    KeyLayout = s.keyboardLayout;
    FAutomaton.SetKeyboardLayout(s.keyboardLayout);
    if (s.font) ApplyEditorFont(*s.font, s.background);
    UpdateHanguelMode();
    Margins = PageMargins{s.marginLeft, s.marginTop, s.marginRight, s.marginBottom};
}

void TEditMainForm::ApplyEditorFont(const TFont& font, TColor background) {
    FEditorFont.Assign(font);
    Charset = font.Charset();
    CodePage = CharsetToCodePage(Charset);
    CED_REDIT_Editor->Font()->Assign(font);
    CED_REDIT_Editor->SetColor(background);
}

void TEditMainForm::UpdateHanguelMode() {
    HanguelAvailable = CodePage == 949 ? 1 : 0;
    if (!HanguelAvailable && FAutomaton.IsHanguelOn()) {
        FlushSyllable();
        FAutomaton.ToggleHanguel();
    }
    ShowModeImage();
}

void TEditMainForm::ShowModeImage() {
    TImage* shown = IMG_Windows;
    if (HanguelAvailable) {
        if (!FAutomaton.IsHanguelOn())
            shown = IMG_English;
        else
            shown = KeyLayout == 2 ? IMG_Hanguel390 : KeyLayout == 3 ? IMG_Hanguel3 : IMG_Hanguel2;
    }
    for (TImage* image : {IMG_Hanguel2, IMG_Hanguel390, IMG_Hanguel3, IMG_English, IMG_Windows})
        image->SetVisible(image == shown);
}

void TEditMainForm::ToggleInputMode() {
    if (!HanguelAvailable) return;
    DropSyllable();
    FAutomaton.ToggleHanguel();
    FAutomaton.TakeOutput();
    ShowModeImage();
}

// ---- Text in the editor's font ------------------------------------------------------------

RtfFont TEditMainForm::EditorRtfFont() const {
    RtfFont f;
    f.charset = Charset;
    f.name = FEditorFont.Name();
    f.points = FEditorFont.Size();
    f.color = static_cast<uint32_t>(ColorToRGB(FEditorFont.Color())) & 0xFFFFFF;
    return f;
}

void TEditMainForm::StreamInRtf(const std::string& rtf) {
    StreamRtfAtSelection(*CED_REDIT_Editor, rtf);
    CED_REDIT_Editor->SetModified(true);
}

int TEditMainForm::InsertTextAsRtf(std::string_view text) {
    RtfGroup group = WrapAsRtf(text, EditorRtfFont(), CodePage);
    StreamInRtf(group.rtf);
    UpdateCaption();
    return group.characters;
}

void TEditMainForm::InsertAtCaret(std::string_view text) {
    FlushSyllable();
    const int start = CED_REDIT_Editor->GetSelection().cpMin;
    const int n = InsertTextAsRtf(text);
    CED_REDIT_Editor->SetSelection(start + n, start + n, true);
}

void TEditMainForm::InsertPicked(std::string_view text) {
    DropSyllable();
    InsertAtCaret(text);
}

void TEditMainForm::AppendCapture(std::string_view text) {
    FlushSyllable();
    TXcRichEdit* e = CED_REDIT_Editor;
    const HWND w = e->Handle();
    const int last = static_cast<int>(SendMessageA(w, EM_GETLINECOUNT, 0, 0)) - 1;
    const int lastStart = e->GetLineIndex(std::max(0, last));
    const int end = lastStart + e->GetLineLength(lastStart);
    e->SetSelection(end, end, false);
    const int n = InsertTextAsRtf(text);
    e->SetSelection(end + n, end + n, false);
    SendMessageA(w, WM_VSCROLL, SB_BOTTOM, 0);
    e->SetSelection(end + n, end + n, true);  // the end shows
}

void TEditMainForm::Paste() {
    TClipboard* clipboard = Clipboard();
    std::string bytes;
    if (clipboard->HasFormat(CF_UNICODETEXT)) {
        std::wstring text = clipboard->AsUnicodeText();
        bool usedDefault = false;
        bytes = WideToAnsi(text, CP_ACP, &usedDefault);
        if (usedDefault) bytes = WideToAnsi(text, static_cast<UINT>(CodePage));
    } else if (clipboard->HasFormat(CF_TEXT)) {
        bytes = clipboard->AsText();
    }
    if (!bytes.empty()) InsertAtCaret(bytes);
}

// ---- Place and caption ---------------------------------------------------------------------

void TEditMainForm::GlueEditorToConsole() {
    // Four lines of text in the editor's font.
    TBitmap measure;
    measure.SetSize(1, 1);
    measure.Canvas()->Font()->Assign(FEditorFont);
    const int lines = 4 * measure.Canvas()->TextExtent("Wg").cy;
    const int height = Height() - CED_REDIT_Editor->ClientHeight() + lines;
    if (WindowState() != wsNormal) SetWindowState(wsNormal);
    ScreenRect r = GluedEditorRect(WindowRect(FHost.MainWindow()), height, WorkArea());
    SetBounds(r.left, r.top, r.Width(), r.Height());
}

void TEditMainForm::KeepEditorOnScreen() {
    ScreenRect r = KeptOnScreen(WindowRect(this), WorkArea());
    SetBounds(r.left, r.top, r.Width(), r.Height());
}

void TEditMainForm::SetSessionCaption(bool connected, const std::string& sessionCaption) {
    FConnected = connected;
    FSessionCaption = sessionCaption;
    UpdateCaption();
    UpdateBatchButton();
}

void TEditMainForm::UpdateCaption() {
    std::string caption = EditorCaption(FConnected, FSessionCaption, FileName, CED_REDIT_Editor->Modified());
    if (caption == FShownCaption) return;
    FShownCaption = caption;
    SetCaption(caption);
}

void TEditMainForm::FocusEditor() {
    if (!Visible()) return;
    SetForegroundWindow(Handle());
    if (CED_REDIT_Editor->CanFocus()) CED_REDIT_Editor->SetFocus();
}

// ---- Events ---------------------------------------------------------------------------------

void TEditMainForm::FormClose(TCloseAction& action) {
    FlushSyllable();
    action = caHide;
    FHost.SetCaptureButton(false);
}


void TEditMainForm::CED_REDIT_EditorSelectionChange() {
    // A selection the user moved leaves the syllable in progress as text.
    if (FCompositionShown && !FUpdatingComposition) {
        CHARRANGE r = CED_REDIT_Editor->GetSelection();
        if (r.cpMin != FComposition.cpMin || r.cpMax != FComposition.cpMax) {
            FAutomaton.ResetAutomaton();
            FCompositionShown = false;
        }
    }
    UpdateBatchButton();
}

bool TEditMainForm::CED_REDIT_EditorURLClick(const std::string& url, TMouseButton button) {
    // Links in captured host text open only when they are web or mail addresses.
    return button == mbLeft && OpenWebLink(url);
}

void TEditMainForm::UpdateBatchButton() { CED_BTN_BatchSend->SetEnabled(BatchSendable()); }

void TEditMainForm::CED_REDIT_PopMenuPopup() {
    TXcRichEdit* e = CED_REDIT_Editor;
    const bool selected = e->SelLength() > 0;
    auto enable = [this](const char* name, bool on) { FindAs<TMenuItem>(this, name)->SetEnabled(on); };
    enable("CED_MENU_Undo", e->CanUndo());
    enable("CED_MENU_Redo", e->CanRedo());
    enable("CED_MENU_Cut", selected);
    enable("CED_MENU_Copy", selected);
    enable("CED_MENU_Delete", selected);
    TClipboard* clipboard = Clipboard();
    enable("CED_MENU_Paste", clipboard->HasFormat(CF_TEXT) || clipboard->HasFormat(CF_UNICODETEXT));
    enable("CED_MENU_ShowCharacterTable", HanguelAvailable != 0);
    FindAs<TMenuItem>(this, "CED_MENU_MaximizeWindow")->SetChecked(WindowState() == wsMaximized);
    FindAs<TMenuItem>(this, "CED_MENU_CaptureOnOff")->SetChecked(CED_BTN_Capture->Down());
    FindAs<TMenuItem>(this, "CED_MENU_SendByLineOnOff")->SetChecked(CED_BTN_SendByLine->Down());
    FindAs<TMenuItem>(this, "CED_MENU_SendHeadTailOnOff")->SetChecked(CED_BTN_SendHeadTail->Down());
}

void TEditMainForm::CED_BTN_SendHeadTailClick() {
    const bool show = CED_BTN_SendHeadTail->Down();
    if (show == CED_PANEL_Header->Visible()) return;
    // The window grows or shrinks by the header, so that the text keeps its height.
    const int header = CED_PANEL_Header->Height();
    CED_PANEL_Header->SetVisible(show);
    CED_PANEL_Header->SetTop(CED_PANEL_Buttons->Height());
    SetHeight(Height() + (show ? header : -header));
}

void TEditMainForm::CED_BTN_CaptureHEXClick() { FHost.SetHexCapture(CED_BTN_CaptureHEX->Down()); }

void TEditMainForm::CED_CB_HeadTailKeyPress(TComboBox* box, char& key) {
    if (key != '\r') return;
    key = 0;
    CED_CB_HeadTailExit(box);
    FocusEditor();
}

void TEditMainForm::CED_CB_HeadTailExit(TComboBox* box) {
    const std::string text = box->Text();
    if (text.empty()) return;
    std::vector<std::string> history;
    for (int i = 0; i < box->Items()->Count(); ++i) history.push_back(box->Items()->Strings(i));
    PushHistory(history, text);
    box->Items()->Clear();
    for (const std::string& entry : history) box->Items()->Add(entry);
    box->SetText(text);
}

HeadTail TEditMainForm::CurrentHeadTail() {
    return HeadTail{CED_BTN_SendHeadTail->Down(), CED_CB_Head->Text(), CED_CB_Tail->Text()};
}

void TEditMainForm::ShowCharacterTable() {
    if (!HanguelAvailable) return;
    std::string composing;
    const uint16_t syllable = FAutomaton.GetComposing(&composing) ? FAutomaton.JohabToKsc() : 0;
    FHost.ShowCharacterTable(syllable);
}
