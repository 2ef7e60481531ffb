// The capture editor: a rich-text window beside the console that receives captured
// console text, lets the user write (with its own Hangul automaton when its font is a
// Korean one) and sends what was written to the host line by line or as a selected
// batch, optionally framed by a head and a tail word. It opens and saves plain text and
// RTF files and prints.
//
// Its decisions live in windows/core (the RTF wrapper, the sends, the keys, the caption,
// the histories, the page, the file reading); the main window reaches it as a
// CaptureEditor and it reaches the main window as an EditorHost (console/EditorLink.h).
// Its code is split by concern:
//   Edit.cpp       the window: components, menu, placement, caption, capture, paste
//   EditKeys.cpp   the keys: Hangul input, Tab, Enter and the sends
//   EditFiles.cpp  New, Open, Save, dropped files and printing
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "console/EditorLink.h"
#include "controls/XcButtons.h"
#include "controls/XcHook.h"
#include "controls/XcRichEd.h"
#include "engines/core/EditorHanguel.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "windows/core/EditorKeys.h"
#include "windows/core/EditorRules.h"
#include "windows/core/RtfText.h"

class TEditMainForm : public TForm, public CaptureEditor {
public:
    TEditMainForm(TComponent* owner, EditorHost& host);
    ~TEditMainForm() override;

    // ---- CaptureEditor ----
    TForm* Form() override { return this; }
    int InsertTextAsRtf(std::string_view text) override;
    void InsertAtCaret(std::string_view text) override;
    void InsertPicked(std::string_view text) override;
    void AppendCapture(std::string_view text) override;
    bool CaptureOn() override { return CED_BTN_Capture->Down(); }
    void SetCaptureOn(bool on) override { CED_BTN_Capture->SetDown(on); }
    bool SendByLineOn() override { return CED_BTN_SendByLine->Down(); }
    void SetSendByLine(bool on) override { CED_BTN_SendByLine->SetDown(on); }
    void ApplySettings(const EditorSettings& settings) override;
    void GlueEditorToConsole() override;
    void KeepEditorOnScreen() override;
    bool GluedToConsole() override { return CED_MENU_GlueToConsole->Checked(); }
    void SetSessionCaption(bool connected, const std::string& sessionCaption) override;
    bool Modified() override { return CED_REDIT_Editor->Modified(); }
    bool SaveBeforeExit() override;
    void FocusEditor() override;

    // ---- Settings ----
    // The automaton may run (the font's code page is 949): the mode images follow.
    void UpdateHanguelMode();
    void ApplyEditorFont(const TFont& font, TColor background);

    // ---- State ----
    IDravelHanguel& Automaton() { return FAutomaton; }
    int HanguelAvailable = 0;
    int KeyLayout = 1;
    std::string FileName;  // empty: untitled
    int CodePage = 1252;
    int Charset = 0;
    PageMargins Margins;

    // ---- Sends (EditKeys.cpp) ----
    // The caret's line (mode 0: up to the caret, 1: whole) with the head and tail; only
    // while the port is open. Whether it was sent.
    bool SendLine(int mode);
    // Whether a batch can go: text selected, the port open, nothing being composed.
    bool BatchSendable();

    // ---- Files (EditFiles.cpp) ----
    // Asks about unsaved changes first; false when the user stopped.
    bool AskToSave();
    bool LoadFile(const std::string& name);
    bool SaveFile(const std::string& name);
    // The pages of the text on `target`, with the margins; the count of pages.
    int PrintTo(TRichPrintTarget& target);
    // The text on the printer `copies` times: as whole copies one after the other when
    // collated, else as one job of that many copies.
    void PrintCopies(int copies, bool collate);

    // ---- Components ----
    TPanel* CED_PANEL_Buttons = nullptr;
    TXcSpeedButton* CED_BTN_New = nullptr;
    TXcSpeedButton* CED_BTN_Open = nullptr;
    TXcSpeedButton* CED_BTN_Save = nullptr;
    TXcSpeedButton* CED_BTN_Print = nullptr;
    TXcSpeedButton* CED_BTN_BatchSend = nullptr;
    TXcSpeedButton* CED_BTN_Capture = nullptr;
    TXcSpeedButton* CED_BTN_SendByLine = nullptr;
    TXcSpeedButton* CED_BTN_SendHeadTail = nullptr;
    TXcSpeedButton* CED_BTN_CaptureHEX = nullptr;
    TImage* IMG_Hanguel2 = nullptr;
    TImage* IMG_Hanguel390 = nullptr;
    TImage* IMG_Hanguel3 = nullptr;
    TImage* IMG_English = nullptr;
    TImage* IMG_Windows = nullptr;
    TPanel* CED_PANEL_Header = nullptr;
    TComboBox* CED_CB_Head = nullptr;
    TComboBox* CED_CB_Tail = nullptr;
    TPanel* CED_PANEL_Bottom = nullptr;
    TXcRichEdit* CED_REDIT_Editor = nullptr;
    TPopupMenu* CED_REDIT_PopMenu = nullptr;
    TMenuItem* CED_MENU_GlueToConsole = nullptr;
    TOpenDialog* CED_OPNDLG = nullptr;
    TSaveDialog* CED_SAVEDLG = nullptr;
    TPrintDialog* CED_PRNDLG = nullptr;
    TXcWindowHook* XcEditorWindowHook = nullptr;

    // ---- Handlers ----
    void CED_BTN_NewClick();
    void CED_BTN_OpenClick();
    void CED_BTN_SaveClick();
    void CED_BTN_PrintClick();
    void CED_BTN_BatchSendClick();
    void CED_BTN_SendHeadTailClick();
    void CED_BTN_CaptureHEXClick();
    void CED_REDIT_EditorSelectionChange();
    // A left click on a detected link: whether it was handed to the system to open.
    bool CED_REDIT_EditorURLClick(const std::string& url, TMouseButton button);
    void CED_REDIT_PopMenuPopup();
    void CED_CB_HeadTailKeyPress(TComboBox* box, char& key);
    void CED_CB_HeadTailExit(TComboBox* box);
    void XcEditorWindowHookBeforeMessage(TMessage& msg, bool& handled);
    void FormCreate();
    void FormClose(TCloseAction& action);
    void FilesDropped(const std::vector<std::string>& names);
    void ToggleInputMode();
    void ShowCharacterTable();
    void Paste();

    void WndProc(TMessage& message) override;

private:
    void BuildComponents();
    void WireEvents();
    void UpdateCaption();
    void ShowModeImage();
    RtfFont EditorRtfFont() const;
    void StreamInRtf(const std::string& rtf);
    // The syllable in progress is shown as selected text at the caret: after each key the
    // automaton's finished bytes replace it, and the new syllable is shown again.
    void ShowAutomatonOutput();
    // The syllable in progress becomes ordinary text.
    void FlushSyllable();
    // The syllable in progress is taken out of the text and dropped.
    void DropSyllable();
    void InsertBlanks(int count);
    void CarryKey(const EditorKeyDecision& decision, const EditorKey& key, TMessage& msg, bool& handled);
    EditorKeyContext KeyContext();
    bool SaveAs();
    TPrintAreaRule PageArea();
    bool WriteFile(const std::string& name);
    HeadTail CurrentHeadTail();
    // The text of a range in the editor's code page (the system's may be another).
    std::string EditorText(int start, int end);
    void UpdateBatchButton();

    EditorHost& FHost;
    IDravelHanguel FAutomaton;
    TFont FEditorFont;
    bool FConnected = false;
    std::string FSessionCaption;
    std::string FShownCaption;
    bool FCompositionShown = false;  // the selection is the syllable in progress
    CHARRANGE FComposition{0, 0};     // ... this range of the text
    bool FUpdatingComposition = false;
    int FSwallowChar = 0;            // the character of a key already acted on
};
