// The character table as the main window sees it, and the main window as the table sees
// it. The table is a secondary window, a layer above the console: the program's entry
// installs its maker (console/SecondaryWindows.h); the main window makes the one table on
// first use, for itself or for the capture editor, and tells it which of the two it serves.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Forms.h"

// Whom the table serves: who takes a picked character, and whose caption it shows.
enum CharacterTableTarget : int { TableTargetConsole = 0, TableTargetEditor = 1, TableTargetNone = 3 };

// What the table asks of the main window.
class CharacterTableHost {
public:
    virtual ~CharacterTableHost() = default;
    // A picked character (its two KS C 5601 bytes) for the host: while the port is open,
    // the console's syllable in progress is dropped and the bytes are sent.
    virtual void PickToConsole(const std::string& bytes) = 0;
    // ... into the capture editor at its caret, in place of its syllable in progress.
    virtual void PickToEditor(const std::string& bytes) = 0;
    // The window of a target: the main window or the editor; nullptr for none.
    virtual TForm* TargetWindow(int target) = 0;
};

// What the main window asks of the table.
class CharacterTable {
public:
    virtual ~CharacterTable() = default;
    virtual TForm* Form() = 0;
    // The syllable being composed (KS C 5601 code, 0 for none): a syllable opens the
    // Hanja of its reading.
    virtual void SetHanjaSyllable(uint16_t code) = 0;
    // Who takes what is picked (CharacterTableTarget); the caption names it.
    virtual void SetTarget(int target) = 0;
    virtual int Target() = 0;
};
