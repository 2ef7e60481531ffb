#include "framework/Screen.h"

namespace {

struct SystemCursor {
    TCursor index;
    LPCSTR id;
};

const SystemCursor kSystemCursors[] = {
    {crArrow, MAKEINTRESOURCEA(32512)},     {crCross, MAKEINTRESOURCEA(32515)},
    {crIBeam, MAKEINTRESOURCEA(32513)},     {crSizeNESW, MAKEINTRESOURCEA(32643)},
    {crSizeNS, MAKEINTRESOURCEA(32645)},    {crSizeNWSE, MAKEINTRESOURCEA(32642)},
    {crSizeWE, MAKEINTRESOURCEA(32644)},    {crUpArrow, MAKEINTRESOURCEA(32516)},
    {crHourGlass, MAKEINTRESOURCEA(32514)}, {crNo, MAKEINTRESOURCEA(32648)},
    {crAppStart, MAKEINTRESOURCEA(32650)},  {crHelp, MAKEINTRESOURCEA(32651)},
    {crHandPoint, MAKEINTRESOURCEA(32649)}, {crSizeAll, MAKEINTRESOURCEA(32646)},
};

TScreen gScreen;

}  // namespace

TScreen* Screen = &gScreen;

int TScreen::PixelsPerInch() const {
    if (FPixelsPerInch == 0) {
        FPixelsPerInch = 96;
        if (HDC dc = GetDC(nullptr)) {
            int ppi = GetDeviceCaps(dc, LOGPIXELSY);
            if (ppi > 0) FPixelsPerInch = ppi;
            ReleaseDC(nullptr, dc);
        }
    }
    return FPixelsPerInch;
}

void TScreen::GetMetricSettings() {
    FPixelsPerInch = 0;
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
    if (HFONT font = CreateFontIndirectA(&metrics.lfStatusFont)) {
        FHintFont.SetHandle(font);
        DeleteObject(font);
    }
}

void TScreen::LoadCursors() {
    for (const SystemCursor& c : kSystemCursors) FCursors[c.index] = LoadCursorA(nullptr, c.id);
    FCursors[crNone] = nullptr;
}

RECT TScreen::WorkAreaRect() const {
    RECT r{0, 0, Width(), Height()};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

HCURSOR TScreen::Cursors(TCursor index) const {
    auto it = FCursors.find(index);
    if (it != FCursors.end()) return it->second;
    it = FCursors.find(crArrow);
    return it != FCursors.end() ? it->second : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
    if (index <= crDefault && index >= crSizeAll) return;  // the system's stay
    if (cursor) FCursors[index] = cursor;
    else FCursors.erase(index);
}

void TScreen::SetCursor(TCursor cursor) {
    FCursor = cursor;
    ::SetCursor(Cursors(cursor == crDefault ? crArrow : cursor));
}

void TScreen::SetActiveForm(TForm* form) {
    if (form == FActiveForm) return;
    FActiveForm = form;
    if (OnActiveFormChange) OnActiveFormChange(nullptr);
}

void TScreen::SetActiveControl(TWinControl* control) {
    if (control == FActiveControl) return;
    FActiveControl = control;
    if (OnActiveControlChange) OnActiveControlChange(nullptr);
}
