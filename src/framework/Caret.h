// The system caret shown in a control. A thread has one caret at a time: a TCaret acts only
// while its control's window holds it, and keeps its own shown/hidden state, so that
// hiding twice and showing once shows it again, and destroying a caret another window took
// meanwhile leaves that one alone.
#pragma once

#include <windows.h>

class TWinControl;

class TCaret {
public:
    explicit TCaret(TWinControl* control) : FControl(control) {}
    ~TCaret() { Destroy(); }
    TCaret(const TCaret&) = delete;
    TCaret& operator=(const TCaret&) = delete;

    // A solid caret of that size in the control's window (made when needed), hidden at
    // first; it replaces any caret the thread had.
    void Create(int width, int height);
    void Destroy();
    void Show();
    // True when the caret was shown (and is hidden now).
    bool Hide();
    // Moves the caret to a client point of the control.
    void MoveTo(int x, int y);
    // The same for a caret that Hide has just said was shown (so the window holds it):
    // the system is not asked.
    void MoveHeldTo(int x, int y);

    // Whether the control's window holds the thread's caret.
    bool Created() const;
    bool Visible() const { return FVisible && Created(); }

private:
    TWinControl* FControl;
    bool FVisible = false;
};
