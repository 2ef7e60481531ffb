#include "framework/Caret.h"

#include "framework/Controls.h"

namespace {

HWND CaretWindow() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) ? info.hwndCaret : nullptr;
}

}  // namespace

bool TCaret::Created() const {
    return FControl->HandleAllocated() && CaretWindow() == FControl->Handle();
}

void TCaret::Create(int width, int height) {
    FVisible = false;
    CreateCaret(FControl->Handle(), nullptr, width, height);
}

void TCaret::Destroy() {
    if (Created()) DestroyCaret();
    FVisible = false;
}

// Showing and hiding ask the system nothing first: both act only on a caret the window
// holds, and say so (asking would cost a round trip to the system each).
void TCaret::Show() {
    if (FVisible || !FControl->HandleAllocated()) return;
    if (ShowCaret(FControl->Handle())) FVisible = true;
}

bool TCaret::Hide() {
    if (!FVisible) return false;
    FVisible = false;
    return FControl->HandleAllocated() && HideCaret(FControl->Handle());
}

void TCaret::MoveTo(int x, int y) {
    if (Created()) SetCaretPos(x, y);
}

void TCaret::MoveHeldTo(int x, int y) { SetCaretPos(x, y); }
