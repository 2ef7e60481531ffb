// The capture editor as the main window sees it, and the main window as the editor sees
// it. The editor is a secondary window, a layer above the console: the program's entry
// installs the maker of the editor here (InstallSecondaryWindows), and the main window
// makes it on first use, owning it from then on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/Forms.h"
#include "framework/Graphics.h"

// What the editor asks of the main window.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    // The session's port is open (the editor sends only then).
    virtual bool PortOpen() = 0;
    // Enter goes out as CR LF on this connection (else CR).
    virtual bool SendEnterAsCrLf() = 0;
    // User text to the host through the main window's one send routine (what the port
    // cannot take at once follows as it frees room), shown too when local echo is on; the
    // keep-alive count starts again.
    virtual void SendUserText(const std::string& bytes) = 0;
    // The main window's capture button follows the editor's visibility.
    virtual void SetCaptureButton(bool down) = 0;
    // Received blocks are captured as a hex dump instead of text (the editor's hex switch).
    virtual void SetHexCapture(bool on) = 0;
    virtual TForm* MainWindow() = 0;
    // The character table, serving the editor, opened on the Hanja of `syllable` (the
    // KS C 5601 code of the syllable in progress, 0 for none).
    virtual void ShowCharacterTable(uint16_t syllable) = 0;
    // The character the same key types on a US keyboard (what the Hangul automaton reads).
    virtual unsigned char MapKeyToUSLayout(unsigned char ch, bool shift) = 0;
};

// What the main window pushes into the editor (its settings).
struct EditorSettings {
    int keyboardLayout = 1;  // EditorHanguelKeyLayoutMode
    const TFont* font = nullptr;
    TColor background = clWhite;
    int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;  // mm
};

// What the main window asks of the editor.
class CaptureEditor {
public:
    virtual ~CaptureEditor() = default;
    virtual TForm* Form() = 0;
    // Inserts text (bytes of the editor's code page, CR between lines) at the selection
    // in the editor's font; the count of characters inserted (the caret stays put).
    virtual int InsertTextAsRtf(std::string_view text) = 0;
    // ... and moves the caret behind it.
    virtual void InsertAtCaret(std::string_view text) = 0;
    // A character picked from the character table: in place of the syllable in progress,
    // the caret behind it.
    virtual void InsertPicked(std::string_view text) = 0;
    // Captured text: at the end of the text, which then shows.
    virtual void AppendCapture(std::string_view text) = 0;
    // The editor's own capture switch ("REC") and "Send By Line".
    virtual bool CaptureOn() = 0;
    virtual void SetCaptureOn(bool on) = 0;
    virtual bool SendByLineOn() = 0;
    virtual void SetSendByLine(bool on) = 0;
    virtual void ApplySettings(const EditorSettings& settings) = 0;
    // Under the main window (same left and width, four lines of text high).
    virtual void GlueEditorToConsole() = 0;
    // Back inside the work area when it lies beyond it.
    virtual void KeepEditorOnScreen() = 0;
    // Whether the editor follows the main window's moves ("Glue To Console").
    virtual bool GluedToConsole() = 0;
    // The caption names the session while connected.
    virtual void SetSessionCaption(bool connected, const std::string& sessionCaption) = 0;
    virtual bool Modified() = 0;
    // The program is closing: the save dialog, primed with the editor's file; false when
    // the user cancelled it or the file could not be written.
    virtual bool SaveBeforeExit() = 0;
    virtual void FocusEditor() = 0;
};

// A new editor owned by `owner`; nullptr when the editor is not installed
// (console/SecondaryWindows.h).
CaptureEditor* MakeCaptureEditor(TForm* owner, EditorHost& host);
