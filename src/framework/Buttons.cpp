#include "framework/Buttons.h"

#include "framework/Forms.h"
#include "framework/StdCtrls.h"

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    FWidth = 23;
    FHeight = 22;
    SetParentShowHint(true);
}

TSpeedButton::~TSpeedButton() = default;

TBitmap* TSpeedButton::Glyph() {
    if (!FGlyph) {
        FGlyph = std::make_unique<TBitmap>();
        FGlyph->OnChange = [this](TBitmap*) { Invalidate(); };
    }
    return FGlyph.get();
}

void TSpeedButton::SetFlat(bool flat) {
    FFlat = flat;
    Invalidate();
}

void TSpeedButton::SetCaption(const std::string& caption) {
    TGraphicControl::SetCaption(caption);
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int index) {
    FGroupIndex = index;
    if (!index) SetDown(false);
}

void TSpeedButton::SetDown(bool down) {
    if (FGroupIndex == 0) down = false;
    if (down == FDown) return;
    if (FDown && !AllowAllUp) return;
    FDown = down;
    FState = down ? bsExclusive : bsUp;
    Invalidate();
    if (down && FParent) {
        TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex),
                   reinterpret_cast<LPARAM>(this), 0};
        for (int i = 0; i < FParent->ControlCount(); ++i) {
            TControl* c = FParent->Controls(i);
            if (c != this) c->WndProc(m);
        }
    }
}

void TSpeedButton::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CM_BUTTONPRESSED:
            if (static_cast<int>(message.WParam) == FGroupIndex && FGroupIndex != 0 &&
                reinterpret_cast<TSpeedButton*>(message.LParam) != this && FDown) {
                FDown = false;
                FState = bsUp;
                Invalidate();
            }
            return;
        case CM_DIALOGKEY: {
            TForm* form = ParentForm();
            const bool key = (message.WParam == VK_RETURN && Default &&
                              !dynamic_cast<TButton*>(form ? form->ActiveControl() : nullptr)) ||
                             (message.WParam == VK_ESCAPE && Cancel);
            if (key && KeyDataToShiftState(message.LParam) == 0 && Enabled() && Showing()) {
                Click();
                message.Result = 1;
            }
            return;
        }
        case CM_DIALOGCHAR:
            if (Enabled() && Showing() && IsAccel(static_cast<char>(message.WParam), Caption())) {
                Click();
                message.Result = 1;
            }
            return;
        case CM_MOUSEENTER:
        case CM_MOUSELEAVE:
            TGraphicControl::WndProc(message);
            if (FFlat) Invalidate();
            return;
        default:
            TGraphicControl::WndProc(message);
    }
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    if (!FDown) {
        FState = bsDown;
        Repaint();
    }
    FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!FDragging) return;
    TButtonState now = Inside(x, y) ? bsDown : (FDown ? bsExclusive : bsUp);
    if (now != FState) {
        FState = now;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!FDragging || button != mbLeft) return;
    FDragging = false;
    bool click = Inside(x, y);
    if (FGroupIndex == 0) {
        FState = bsUp;
        Invalidate();
    } else if (click) {
        SetDown(!FDown);
        FState = FDown ? bsExclusive : bsUp;
        Invalidate();
    } else {
        FState = FDown ? bsExclusive : bsUp;
        Invalidate();
    }
    if (click) Click();
}

void TSpeedButton::Paint() {
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    RECT r = ClientRect();
    bool pressed = FState == bsDown || FState == bsExclusive || FDown;
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(r);
    if (!FFlat) {
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    } else if (pressed || MouseInControl()) {
        DrawEdge(dc, &r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    int shift = pressed ? 1 : 0;
    // The glyph cell for the state, and the caption beside it.
    int cells = NumGlyphs > 0 ? NumGlyphs : 1;
    int gw = FGlyph && !FGlyph->Empty() ? FGlyph->Width() / cells : 0;
    int gh = gw ? FGlyph->Height() : 0;
    std::string text = Caption();
    c->Font()->Assign(*Font());
    c->RequireTools();
    SIZE ts{0, 0};
    if (!text.empty()) {
        RECT m{0, 0, 0, 0};
        DrawTextA(dc, text.c_str(), -1, &m, DT_CALCRECT | DT_SINGLELINE);
        ts = SIZE{m.right, m.bottom};
    }
    bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    int gap = gw && ts.cx ? Spacing : 0;
    int total = horizontal ? gw + gap + ts.cx : gh + gap + ts.cy;
    int start = ((horizontal ? FWidth : FHeight) - total) / 2;
    int gx, gy, tx, ty;
    if (horizontal) {
        gy = (FHeight - gh) / 2;
        ty = (FHeight - ts.cy) / 2;
        gx = Layout == blGlyphLeft ? start : start + ts.cx + gap;
        tx = Layout == blGlyphLeft ? start + gw + gap : start;
    } else {
        gx = (FWidth - gw) / 2;
        tx = (FWidth - ts.cx) / 2;
        gy = Layout == blGlyphTop ? start : start + ts.cy + gap;
        ty = Layout == blGlyphTop ? start + gh + gap : start;
    }
    if (gw) {
        int cell = !Enabled() && cells > 1 ? 1 : (pressed && cells > 2 ? 2 : 0);
        TBitmap piece;
        piece.SetSize(gw, gh);
        RECT src{cell * gw, 0, cell * gw + gw, gh}, dst{0, 0, gw, gh};
        piece.Canvas()->CopyRect(dst, FGlyph->Canvas(), src);
        piece.Transparent = true;
        c->Draw(gx + shift, gy + shift, &piece);
    }
    if (!text.empty()) {
        SetBkMode(dc, TRANSPARENT);
        RECT tr{tx + shift, ty + shift, tx + shift + ts.cx, ty + shift + ts.cy};
        if (!Enabled()) {
            RECT hi = tr;
            OffsetRect(&hi, 1, 1);
            SetTextColor(dc, ColorToGdi(clBtnHighlight));
            DrawTextA(dc, text.c_str(), -1, &hi, DT_SINGLELINE);
            SetTextColor(dc, ColorToGdi(clBtnShadow));
        }
        DrawTextA(dc, text.c_str(), -1, &tr, DT_SINGLELINE);
    }
}
