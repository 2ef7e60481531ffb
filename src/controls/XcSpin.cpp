#include "controls/XcSpin.h"

#include <commctrl.h>

#include <algorithm>

#include "controls/CtlUtils.h"
#include "controls/core/ComboEditRules.h"
#include "framework/Timers.h"
#include "framework/core/Strings.h"

namespace {

std::unique_ptr<TBitmap> Glyph(LPCSTR name) {
    auto glyph = MakeBitmap(name);
    glyph->TransparentMode = tmFixed;
    glyph->SetTransparentColor(clFuchsia);
    return glyph;
}

}  // namespace

// ---- TXcSpinButton ----------------------------------------------------------------------

TXcSpinButton::TXcSpinButton(TComponent* owner)
    : TGraphicControl(owner), FUpGlyph(Glyph("XCSPINUP")), FDownGlyph(Glyph("XCSPINDOWN")) {
    FWidth = 20;
    FHeight = 20;
}

TXcSpinButton::~TXcSpinButton() {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
}

void TXcSpinButton::SetUpGlyph(TBitmap* glyph) {
    FUpGlyph->Assign(glyph);
    FBitmapsValid = false;
    Invalidate();
}

void TXcSpinButton::SetDownGlyph(TBitmap* glyph) {
    FDownGlyph->Assign(glyph);
    FBitmapsValid = false;
    Invalidate();
}

void TXcSpinButton::SetFocusControl(TWinControl* control) {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = control;
    if (control) control->FreeNotification(this);
}

void TXcSpinButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TXcSpinButton::SetEnabled(bool enabled) {
    if (!enabled) FDragging = false;
    FBitmapsValid = false;
    TGraphicControl::SetEnabled(enabled);
}

void TXcSpinButton::SetState(TSpinButtonState state) {
    if (state == FDown) return;
    FDown = state;
    Invalidate();
}

void TXcSpinButton::HalfClick(TSpinButtonState half) {
    const TNotifyEvent& event = half == sbTopDown ? OnTopClick : OnBottomClick;
    if (event) event(this);
    // The button was let go meanwhile (the handler ran a modal loop, say).
    if (!LeftButtonDown()) {
        FFirstDown = sbNotDown;
        SetState(sbNotDown);
    }
}

bool TXcSpinButton::LeftButtonDown() const {
    return GetKeyState(VK_LBUTTON) < 0;
}

void TXcSpinButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    if (FFocusControl && FFocusControl->CanFocus() && !FFocusControl->Focused())
        FFocusControl->SetFocus();
    if (FDown == sbNotDown) {
        FFirstDown = DiagonalHalfAt(x, y, FWidth, FHeight);
        SetState(FFirstDown);
        if (FFirstDown != sbNotDown) HalfClick(FFirstDown);
        if (!FRepeatTimer) {
            FRepeatTimer = new TTimer(this);
            FRepeatTimer->SetOnTimer([this](TComponent*) { TimerExpired(); });
        }
        FRepeatTimer->SetInterval(kSpinFirstRepeat);
        FRepeatTimer->SetEnabled(true);
    }
    FDragging = true;
}

void TXcSpinButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!FDragging) return;
    TSpinButtonState half = DiagonalHalfAt(x, y, FWidth, FHeight);
    SetState(half != sbNotDown && half == FFirstDown ? half : sbNotDown);
}

void TXcSpinButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!FDragging) return;
    FDragging = false;
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
    if (x >= 0 && y >= 0 && x < FWidth && y < FHeight) {
        FFirstDown = sbNotDown;
        SetState(sbNotDown);
    }
}

void TXcSpinButton::TimerExpired() {
    FRepeatTimer->SetInterval(kSpinRepeat);
    bool captured = FDragging && FParent && FParent->HandleAllocated() &&
                    GetCapture() == FParent->Handle();
    if (FDown != sbNotDown && captured)
        HalfClick(FDown);
    else if (!FDragging)
        FRepeatTimer->SetEnabled(false);
}

std::unique_ptr<TBitmap> TXcSpinButton::DrawBitmap(TSpinButtonState state) {
    const int w = FWidth, h = FHeight;
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(w, h);
    TCanvas* c = bmp->Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(RECT{0, 0, w, h});
    HDC dc = c->Handle();
    if (state != sbNotDown) {
        // The pressed half, sunken.
        POINT top[3] = {{0, 0}, {w, 0}, {0, h}};
        POINT bottom[3] = {{w, 0}, {w, h}, {0, h}};
        c->Brush()->SetColor(clBtnShadow);
        c->Pen()->SetColor(clBtnShadow);
        c->RequireTools();
        Polygon(dc, state == sbTopDown ? top : bottom, 3);
    }
    RECT r{0, 0, w, h};
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(1, h - 1);
    c->LineTo(w - 1, 0);
    c->Pen()->SetColor(clBtnHighlight);
    c->MoveTo(2, h - 1);
    c->LineTo(w - 1, 1);

    auto place = [&](TBitmap* glyph, int cx, int cy, bool pressed) {
        if (glyph->Empty()) return;
        int x = cx - glyph->Width() / 2 + (pressed ? 1 : 0);
        int y = cy - glyph->Height() / 2 + (pressed ? 1 : 0);
        if (Enabled()) {
            DrawBitmapTransparent(c, x, y, glyph, clFuchsia);
        } else {
            auto gray = CreateDisabledBitmap(glyph, clFuchsia);
            DrawBitmapTransparent(c, x, y, gray.get(), clBtnFace);
        }
    };
    place(FUpGlyph.get(), w / 3, h / 3, state == sbTopDown);
    place(FDownGlyph.get(), w - w / 3, h - h / 3, state == sbBottomDown);
    return bmp;
}

void TXcSpinButton::DrawAllBitmaps() {
    if (FBitmapsValid && FNotDownBitmap && FNotDownBitmap->Width() == FWidth &&
        FNotDownBitmap->Height() == FHeight)
        return;
    FUpBitmap = DrawBitmap(sbTopDown);
    FDownBitmap = DrawBitmap(sbBottomDown);
    FNotDownBitmap = DrawBitmap(sbNotDown);
    FBitmapsValid = true;
}

void TXcSpinButton::Paint() {
    if (FWidth <= 0 || FHeight <= 0) return;
    DrawAllBitmaps();
    TBitmap* face = FDown == sbTopDown      ? FUpBitmap.get()
                    : FDown == sbBottomDown ? FDownBitmap.get()
                                            : FNotDownBitmap.get();
    Canvas()->Draw(0, 0, face);
}

// ---- TXcUpDown --------------------------------------------------------------------------

TXcUpDown::TXcUpDown(TComponent* owner) : TCustomUpDown(owner) {
    SetMin(-1);
    SetMax(1);
    SetPosition(0);
    FWidth = SpinButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
}

void TXcUpDown::SetBounds(int left, int top, int width, int height) {
    (void)width;
    TCustomUpDown::SetBounds(left, top, SpinButtonWidth(GetSystemMetrics(SM_CXVSCROLL)), height);
}

void TXcUpDown::WndProc(TMessage& message) {
    if ((message.Msg == CN_VSCROLL || message.Msg == CN_HSCROLL) &&
        LOWORD(message.WParam) == SB_THUMBPOSITION) {
        message.Result = 0;
        if (FChanging) return;
        FChanging = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{FChanging};
        int pos = static_cast<int>(SendMessageA(Handle(), UDM_GETPOS32, 0, 0));
        if (pos > 0) Click(btNext);
        if (pos < 0) Click(btPrev);
        SendMessageA(Handle(), UDM_SETPOS32, 0, 0);
        return;
    }
    TCustomUpDown::WndProc(message);
}

// ---- TXcSpinEdit ------------------------------------------------------------------------

TXcSpinEdit::TXcSpinEdit(TComponent* owner) : TCustomEdit(owner) {
    FCaption = "0";
    RecreateButton();
}

TXcSpinEdit::~TXcSpinEdit() {
    Destroying();
}

void TXcSpinEdit::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    params.WinClassName = "QuiroSpinEdit";
    params.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
    if (FAlignment == taRightJustify) params.Style |= ES_RIGHT;
    if (FAlignment == taCenter) params.Style |= ES_CENTER;
}

void TXcSpinEdit::CreateWnd() {
    TCustomEdit::CreateWnd();
    UpdateBuddy();
    ResizeButton();
    SetEditRect();
}

void TXcSpinEdit::RecreateButton() {
    if (IsDestroying()) return;
    delete FButtonHolder;  // with the spin button in it
    FButtonHolder = nullptr;
    FButton = nullptr;
    delete FUpDown;
    FUpDown = nullptr;
    int h = std::max(FHeight, 1);
    if (FButtonKind == bkStandard) {
        FUpDown = new TXcUpDown(this);
        FUpDown->SetBounds(0, 0, 0, h);
        FUpDown->SetParent(this);
        FUpDown->SetEnabled(Enabled());
        FUpDown->OnClick = [this](TComponent*, TUDBtnType button) {
            if (Enabled() && CanFocus() && !Focused()) SetFocus();
            if (button == btNext)
                UpClick(this);
            else
                DownClick(this);
        };
        UpdateBuddy();
    } else {
        FButtonHolder = new TWinControl(this);
        FButtonHolder->SetBounds(0, 0, h, h);
        FButtonHolder->SetParent(this);
        FButton = new TXcSpinButton(this);
        FButton->SetBounds(0, 0, h, h);
        FButton->SetParent(FButtonHolder);
        FButton->SetFocusControl(this);
        FButton->SetEnabled(Enabled());
        FButton->OnTopClick = [this](TComponent*) { UpClick(this); };
        FButton->OnBottomClick = [this](TComponent*) { DownClick(this); };
    }
    ResizeButton();
    SetEditRect();
}

void TXcSpinEdit::SetButtonKind(TSpinButtonKind kind) {
    if (kind == FButtonKind) return;
    FButtonKind = kind;
    RecreateButton();
}

void TXcSpinEdit::UpdateBuddy() {
    if (!FUpDown || !HandleAllocated()) return;
    SendMessageA(FUpDown->Handle(), UDM_SETBUDDY,
                 FArrowKeys ? reinterpret_cast<WPARAM>(Handle()) : 0, 0);
}

void TXcSpinEdit::SetArrowKeys(bool on) {
    FArrowKeys = on;
    UpdateBuddy();
    ResizeButton();
}

void TXcSpinEdit::SetAlignment(TAlignment alignment) {
    if (alignment == FAlignment) return;
    FAlignment = alignment;
    RecreateWnd();
}

int TXcSpinEdit::ButtonWidth() const {
    if (FUpDown) return FUpDown->Width();
    if (FButton) return FButton->Width();
    return SpinButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
}

void TXcSpinEdit::ResizeButton() {
    const int cw = ClientWidth(), ch = ClientHeight();
    if (FUpDown) {
        int w = FUpDown->Width();
        FUpDown->SetBounds(cw - w, 0, w, ch);
    } else if (FButtonHolder) {
        FButtonHolder->SetBounds(cw - ch, 0, ch, ch);
        FButton->SetBounds(0, 0, ch, ch);
    }
}

void TXcSpinEdit::SetEditRect() {
    if (!HandleAllocated()) return;
    TRectI r = ButtonEditTextRect(ClientWidth(), ClientHeight(), ButtonWidth());
    RECT rect{r.Left, r.Top, r.Right, r.Bottom};
    SendMessageA(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rect));
}

int TXcSpinEdit::MinHeight() {
    return GetSystemMetrics(SM_CYBORDER) * 4 + FontMetrics(Font()).tmHeight + 1;
}

void TXcSpinEdit::SetBounds(int left, int top, int width, int height) {
    TCustomEdit::SetBounds(left, top, width, std::max(height, MinHeight()));
}

void TXcSpinEdit::FontChanged() {
    TCustomEdit::FontChanged();
    if (FHeight < MinHeight()) SetHeight(MinHeight());
    ResizeButton();
    SetEditRect();
}

void TXcSpinEdit::SetEnabled(bool enabled) {
    TCustomEdit::SetEnabled(enabled);
    if (FUpDown) FUpDown->SetEnabled(enabled);
    if (FButton) FButton->SetEnabled(enabled);
    if (enabled) UpdateBuddy();
}

void TXcSpinEdit::SetDecimal(int digits) {
    if (digits == FRules.Decimal) return;
    FRules.Decimal = digits;
    SetValue(Value());
}

void TXcSpinEdit::SetValueType(TValueType type) {
    FRules.SetValueType(type);
}

double TXcSpinEdit::Value() const {
    return FRules.ValueOf(Caption());
}

void TXcSpinEdit::SetValue(double value) {
    SetText(FRules.TextOf(value));
}

int TXcSpinEdit::AsInteger() const {
    double v = Value();
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int>(v);
}

void TXcSpinEdit::Change() {
    if (!FChanging) TCustomEdit::Change();
}

void TXcSpinEdit::Step(bool up) {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    std::string old = Caption();
    FChanging = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FChanging};
    SetText(FRules.StepText(old, up));
    FChanging = false;
    if (AnsiCompareText(Caption(), old) != 0) {
        SetModified(true);
        Change();
    }
    const TNotifyEvent& event = up ? OnTopClick : OnBottomClick;
    if (event) event(this);
}

void TXcSpinEdit::UpClick(TComponent*) {
    Step(true);
}

void TXcSpinEdit::DownClick(TComponent*) {
    Step(false);
}

void TXcSpinEdit::DoEnter() {
    if (AutoSelect && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
    TWinControl::DoEnter();
}

void TXcSpinEdit::DoExit() {
    std::string text = FRules.ExitText(Caption());
    if (text != Caption()) SetText(text);
    TCustomEdit::DoExit();
}

void TXcSpinEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    if (!FArrowKeys || FUpDown) return;
    if (key == VK_UP) {
        UpClick(this);
        key = 0;
    } else if (key == VK_DOWN) {
        DownClick(this);
        key = 0;
    }
}

void TXcSpinEdit::KeyPress(char& key) {
    if (!FRules.IsValidChar(key, Caption(), EditorEnabled)) {
        key = 0;
        MessageBeep(0);
        return;
    }
    TCustomEdit::KeyPress(key);
    if (key == '\r' || key == '\x1B') {
        if (TForm* form = ParentForm()) form->Perform(CM_DIALOGKEY, static_cast<BYTE>(key), 0);
        if (key == '\r') key = 0;
    }
}

void TXcSpinEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_GETDLGCODE:
            // A multi-line edit wants every key; this one leaves Tab, Enter and Esc to the
            // dialog.
            TCustomEdit::WndProc(message);
            message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS);
            return;
        case WM_CUT:
        case WM_PASTE:
            if (!EditorEnabled || ReadOnly()) {
                message.Result = 0;
                return;
            }
            break;
        case WM_SIZE:
            TCustomEdit::WndProc(message);
            ResizeButton();
            SetEditRect();
            return;
        default:
            break;
    }
    TCustomEdit::WndProc(message);
}
