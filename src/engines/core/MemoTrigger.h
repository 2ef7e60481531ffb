// The on-line memo trigger: a host marks a memo line by ringing the bell with the cursor
// at column 1 of the bottom rows, then restores the cursor (ESC 8); the line under the
// cursor then goes to the on-line memo window.
#pragma once

#include <string>
#include <string_view>

class MemoOutlet {
public:
    virtual ~MemoOutlet() = default;
    // Adds the line to the on-line memo window, creating and showing it.
    virtual void ShowOnLineMemo(const std::string& line) = 0;
};

class MemoTrigger {
public:
    // The cursor row from which a bell arms the trigger (0-based, as the cursor is kept).
    static constexpr int kFirstMemoRow = 23;
    static constexpr int kMemoColumn = 1;

    // BEL: arms the trigger when the memo window setting is on and the cursor (0-based
    // column and screen row) stands at column 1 of row 23 or below; any other bell
    // disarms it.
    void Bell(bool showMemoWindow, int cursorColumn, int cursorRow) {
        pending_ = showMemoWindow && cursorColumn == kMemoColumn && cursorRow >= kFirstMemoRow;
    }

    // ESC 8, before the cursor is restored: when armed, hands the cursor's line to the
    // outlet (unless it is empty) and disarms. True when a line was handed over.
    bool RestoreCursor(std::string_view cursorLine, MemoOutlet* outlet) {
        if (!pending_) return false;
        pending_ = false;
        if (cursorLine.empty() || outlet == nullptr) return false;
        outlet->ShowOnLineMemo(std::string(cursorLine));
        return true;
    }

    bool Pending() const { return pending_; }
    void SetPending(bool pending) { pending_ = pending; }
    void Reset() { pending_ = false; }

private:
    bool pending_ = false;
};
