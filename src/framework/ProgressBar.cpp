#include "framework/ProgressBar.h"

#include <commctrl.h>

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
    FWidth = 150;
    FHeight = 16;
}

void TProgressBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroProgressBar";
    params.SystemClassName = PROGRESS_CLASSA;
}

void TProgressBar::CreateHandleDone() { Apply(); }

void TProgressBar::Apply() {
    if (FPosition < FMin) FPosition = FMin;
    if (FPosition > FMax) FPosition = FMax;
    if (!HandleAllocated()) return;
    SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax));
    SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetMin(int value) {
    FMin = value;
    if (FMax < FMin) FMax = FMin;
    Apply();
}

void TProgressBar::SetMax(int value) {
    FMax = value;
    if (FMin > FMax) FMin = FMax;
    Apply();
}

void TProgressBar::SetPosition(int value) {
    FPosition = value;
    Apply();
}
