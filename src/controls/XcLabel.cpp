#include "controls/XcLabel.h"

#include <algorithm>

#include "controls/CtlUtils.h"
#include "framework/core/ShortCuts.h"

int DrawShadowText(HDC dc, const char* text, int count, RECT& rect, UINT flags, uint8_t size,
                   COLORREF shadowColor, TShadowPosition position) {
    RECT textRect = rect, shadowRect = rect;
    COLORREF old = SetTextColor(dc, shadowColor);
    TPointI d = ShadowOffset(position, size);
    OffsetRect(&shadowRect, d.X, d.Y);
    int result = DrawTextA(dc, text, count, &shadowRect, flags);
    if (result > 0) result += size;
    SetTextColor(dc, old);
    DrawTextA(dc, text, count, &textRect, flags);
    UnionRect(&rect, &textRect, &shadowRect);
    return result;
}

TXcCustomLabel::TXcCustomLabel(TComponent* owner) : TMouseTrackingControl(owner) {
    FWidth = 65;
    FHeight = 17;
    FAutoSize = true;
    FClickEvents = true;
}

TXcCustomLabel::~TXcCustomLabel() {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
}

UINT TXcCustomLabel::AlignFlags() const {
    switch (FAlignment) {
        case taRightJustify:
            return DT_RIGHT;
        case taCenter:
            return DT_CENTER;
        default:
            return DT_LEFT;
    }
}

void TXcCustomLabel::DoDrawText(HDC dc, RECT& rect, UINT flags) {
    std::string text = GetLabelCaption();
    if ((flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text += " ";
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    TFont font;
    font.Assign(*Font());
    font.SetColor(GetDefaultFontColor());
    TColor shadow = FShadowColor;
    uint8_t size = FShadowSize;
    TShadowPosition position = FShadowPos;
    if (!Enabled()) {
        font.SetColor(clGrayText);
        shadow = clBtnHighlight;
        if (size == 0) {  // the engraved look
            position = spRightBottom;
            size = 1;
        }
    }
    HGDIOBJ old = SelectObject(dc, font.Handle());
    SetTextColor(dc, ColorToGdi(font.Color()));
    SetBkMode(dc, TRANSPARENT);
    DrawShadowText(dc, text.c_str(), static_cast<int>(text.size()), rect, flags, size,
                   ColorToGdi(shadow), position);
    SelectObject(dc, old);
}

void TXcCustomLabel::Paint() {
    TCanvas* c = Canvas();
    if (!Enabled()) FLeftButtonHeld = false;
    RECT client{0, 0, FWidth, FHeight};
    if (!FTransparent) {
        c->Brush()->SetColor(Color());
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(client);
    }
    c->Brush()->SetStyle(bsClear);
    RECT r{client.left + FLeftMargin + 1, client.top, client.right - FRightMargin - 1,
           client.bottom};
    UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | AlignFlags();
    if (FLayout != tlTop) {
        RECT measured = r;
        DoDrawText(c->Handle(), measured, flags | DT_CALCRECT);
        int shift = LayoutShift(FLayout, FHeight, measured.bottom);
        r.top += shift;
        r.bottom += shift;
    }
    DoDrawText(c->Handle(), r, flags);
    if (FShowFocus && FFocusControl && FFocusShown) {
        InflateRect(&r, 1, 0);
        c->Brush()->SetColor(Color());
        c->Brush()->SetStyle(bsSolid);
        c->DrawFocusRect(r);
    }
    c->Brush()->SetStyle(bsSolid);
}

bool TXcCustomLabel::CanAutoSize(int& width, int& height) {
    HDC dc = GetDC(nullptr);
    RECT r{FLeftMargin + 1, 0, std::max(FWidth - FRightMargin - 1, FLeftMargin + 1), 0};
    DoDrawText(dc, r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    ReleaseDC(nullptr, dc);
    r.right += FRightMargin + 1;
    TRectI bounds = AutoSizeBounds(TRectI{FLeft, FTop, FLeft + FWidth, FTop + FHeight}, r.right,
                                   r.bottom, FAlignment);
    if (bounds.Left != FLeft) {
        // The right edge stays: the control moves left as it grows.
        Invalidate();
        FLeft = bounds.Left;
    }
    width = bounds.Width();
    height = bounds.Height();
    return true;
}

void TXcCustomLabel::SetCaption(const std::string& caption) {
    TMouseTrackingControl::SetCaption(caption);
    Invalidate();
}

void TXcCustomLabel::SetAlignment(TAlignment alignment) {
    if (alignment == FAlignment) return;
    FAlignment = alignment;
    Invalidate();
}

void TXcCustomLabel::SetLayout(TTextLayout layout) {
    if (layout == FLayout) return;
    FLayout = layout;
    Invalidate();
}

void TXcCustomLabel::SetShadowColor(TColor color) {
    if (color == FShadowColor) return;
    FShadowColor = color;
    Invalidate();
}

void TXcCustomLabel::SetShadowSize(uint8_t size) {
    if (size == FShadowSize) return;
    FShadowSize = size;
    AdjustSize();
    Invalidate();
}

void TXcCustomLabel::SetShadowPos(TShadowPosition position) {
    if (position == FShadowPos) return;
    FShadowPos = position;
    Invalidate();
}

void TXcCustomLabel::SetWordWrap(bool wrap) {
    if (wrap == FWordWrap) return;
    FWordWrap = wrap;
    AdjustSize();
    Invalidate();
}

void TXcCustomLabel::SetShowAccelChar(bool show) {
    if (show == FShowAccelChar) return;
    FShowAccelChar = show;
    Invalidate();
}

void TXcCustomLabel::SetShowFocus(bool show) {
    if (show == FShowFocus) return;
    FShowFocus = show;
    Invalidate();
}

void TXcCustomLabel::SetLeftMargin(int margin) {
    margin = std::max(margin, 0);
    if (margin == FLeftMargin) return;
    FLeftMargin = margin;
    AdjustSize();
    Invalidate();
}

void TXcCustomLabel::SetRightMargin(int margin) {
    margin = std::max(margin, 0);
    if (margin == FRightMargin) return;
    FRightMargin = margin;
    AdjustSize();
    Invalidate();
}

void TXcCustomLabel::SetTransparent(bool transparent) {
    if (transparent == FTransparent) return;
    FTransparent = transparent;
    Invalidate();
}

void TXcCustomLabel::SetFocusControl(TWinControl* control) {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = control;
    if (control) control->FreeNotification(this);
    Invalidate();
}

void TXcCustomLabel::Notification(TComponent* component, TOperation operation) {
    TMouseTrackingControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TXcCustomLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && Enabled()) FLeftButtonHeld = true;
    TMouseTrackingControl::MouseDown(button, shift, x, y);
    if (button == mbRight) UpdateTracking();
}

void TXcCustomLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TMouseTrackingControl::MouseUp(button, shift, x, y);
    if (button == mbLeft) FLeftButtonHeld = false;
    UpdateTracking();
}

void TXcCustomLabel::SetEnabled(bool enabled) {
    TMouseTrackingControl::SetEnabled(enabled);
    UpdateTracking();
}

void TXcCustomLabel::SetVisible(bool visible) {
    TMouseTrackingControl::SetVisible(visible);
    if (visible) UpdateTracking();
}

void TXcCustomLabel::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CM_DIALOGCHAR:
            if (FFocusControl && Enabled() && FShowAccelChar &&
                IsAccel(static_cast<char>(message.WParam), Caption()) &&
                FFocusControl->CanFocus()) {
                FFocusControl->SetFocus();
                message.Result = 1;
                return;
            }
            break;
        case CM_FOCUSCHANGED: {
            bool shown = FFocusControl &&
                         reinterpret_cast<TControl*>(message.LParam) == FFocusControl;
            if (shown != FFocusShown) {
                FFocusShown = shown;
                if (FShowFocus) Invalidate();
            }
            break;
        }
        default:
            break;
    }
    TMouseTrackingControl::WndProc(message);
}
