// The console's keyboard: carries out the key decisions (ConsoleKeys.h) with the console
// Hangul automaton and the key map, and hands what belongs to the window (the view, the
// menus, the send routine) to its host.
//
// Everything typed leaves through the host's SendString, which queues what the port
// cannot take at once: nothing typed is lost or sent in part because the output buffer is
// full. Typed text and flushed syllables are echoed when local echo is on; mapped keys
// are not.
#pragma once

#include <string>

#include "console/core/ConsoleKeys.h"
#include "engines/core/DravelHanguel.h"
#include "framework/core/IniStore.h"

class ConsoleKeyHost {
public:
    virtual ~ConsoleKeyHost() = default;
    // The main window's send routine.
    virtual void SendString(const std::string& bytes) = 0;
    // Shows bytes as if received (local echo).
    virtual void EchoLocally(const std::string& bytes) = 0;
    // The input-mode indicator changes: Hangul (1, with the layout's image) or English
    // (0); entering Hangul also puts the composition spot at the cursor cell.
    virtual void ShowInputMode(int mode, int layout) = 0;
    // Draws the syllable in progress at the composition spot.
    virtual void ShowComposition() = 0;
    // A scrolled-back view: forget the saved live line (repaint false), or go back to
    // it, drop the selection and repaint (repaint true).
    virtual void ReturnView(bool repaint) = 0;
    virtual void DropDragSelection() = 0;
    virtual void ScrollView(ScrollCode code) = 0;
    virtual void StartZModem(bool upload) = 0;
    virtual void ShowCharacterTable() = 0;
    virtual void CopySelection() = 0;
    virtual void PasteClipboard() = 0;
    // A key was typed (the keep-alive timer starts again).
    virtual void KeyTyped() = 0;
    // An action failed; the key was still consumed or not as decided.
    virtual void ReportFailure(const std::string& what) = 0;
};

class ConsoleKeyboard {
public:
    // The key state gives Shift and Caps Lock at the moment of the key; the layout finds
    // a character's key. All must outlive this object.
    ConsoleKeyboard(TDravelHanguel& hangul, const IIniStore& keyMap, const KeyboardLayout& layout,
                    const quiro::engines::HangulKeyState& keys, ConsoleKeyHost& host);

    // Decides and carries out one key message; true when it is consumed. The automaton's
    // fields of the context (composing, hangulShown) are filled in here. An action that
    // throws is reported to the host; the answer stays the decision's.
    bool HandleKeyMessage(const KeyMessage& key, KeyContext context);

    // Sends the syllable in progress (echoed when localEcho) and clears it.
    void FlushHangulSyllable(bool localEcho);
    // Sends the key map's bytes for a special key after flushing the syllable; false when
    // the value is empty (nothing is sent).
    bool SendMappedKey(int code, int mode, bool localEcho);
    // The indicator's click and the menu toggle: sets the automaton's mode (leaving
    // Hangul sends the unfinished syllable) and shows it.
    void SetInputMode(int mode, bool localEcho);
    // Alt+H: the other mode than the one shown.
    void ToggleInputMode(bool localEcho) { SetInputMode(shownMode_ == 1 ? 0 : 1, localEcho); }
    // Shows the automaton's mode when the indicator differs (entering Hangul starts a
    // fresh syllable).
    void SyncInputMode();
    // The mode the indicator shows (1 Hangul, 0 English).
    int ShownMode() const { return shownMode_; }

private:
    void Act(const KeyDecision& d, const KeyContext& c);
    void TypeCharacter(int character, const KeyMessage& key, const KeyContext& c);
    void Send(const std::string& bytes, bool echo);
    void SendOutput(bool localEcho);

    TDravelHanguel& hangul_;
    const IIniStore& keyMap_;
    const KeyboardLayout& layout_;
    const quiro::engines::HangulKeyState& keys_;
    ConsoleKeyHost& host_;
    int shownMode_ = 0;
};
