#include "controls/ComboEdit.h"

#include <algorithm>

#include "controls/CtlUtils.h"
#include "framework/Forms.h"

namespace {

// The smaller of the system font's height and the control font's.
int TextHeight(TFont* font) {
    int own = FontMetrics(font).tmHeight;
    HDC dc = GetDC(nullptr);
    TEXTMETRICA tm{};
    HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return std::min<int>(tm.tmHeight, own);
}

}  // namespace

// ---- TPopupWindow -----------------------------------------------------------------------

TPopupWindow::TPopupWindow(TCustomComboEdit* editor) : TCustomControl(editor), FEditor(editor) {
    FVisible = false;
    FCaptureMouse = true;
}

void TPopupWindow::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "QuiroPopupWindow";
    params.ClassStyle |= CS_SAVEBITS;
    params.Style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
    params.ExStyle = WS_EX_TOOLWINDOW;
    HWND owner = FEditor && FEditor->HandleAllocated() ? GetAncestor(FEditor->Handle(), GA_ROOT)
                                                       : nullptr;
    params.WndParent = owner;
}

void TPopupWindow::CloseUp(bool accept) {
    if (CloseUpHandler) CloseUpHandler(this, accept);
}

void TPopupWindow::ShowAt(POINT screen) {
    SetWindowPos(Handle(), HWND_TOP, screen.x, screen.y, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FVisible = true;
}

void TPopupWindow::HidePopup() {
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
    FVisible = false;
}

void TPopupWindow::InvalidateEditor() {
    if (!FEditor || !FEditor->HandleAllocated()) return;
    RECT r{0, 0, FEditor->ClientWidth() - FEditor->ButtonWidth() - 2, FEditor->ClientHeight() + 1};
    InvalidateRect(FEditor->Handle(), &r, FALSE);
    UpdateWindow(FEditor->Handle());
}

void TPopupWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == mbLeft) CloseUp(x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight());
}

void TPopupWindow::WndProc(TMessage& message) {
    if (message.Msg == WM_MOUSEACTIVATE) {
        message.Result = MA_NOACTIVATE;
        return;
    }
    TCustomControl::WndProc(message);
}

// ---- TEditButton ------------------------------------------------------------------------

void TEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && Edit) {
        FSwallowClick = Edit->PopupVisible();
        if (FSwallowClick) {
            Edit->PopupCloseUp(Edit->FPopup, true);
        } else if (Edit->TabStop() && Edit->CanFocus() && !Edit->Focused()) {
            Edit->SetFocus();
        }
    }
    TXcSpeedButton::MouseDown(button, shift, x, y);
}

void TEditButton::Click() {
    if (FSwallowClick) {
        FSwallowClick = false;
        return;
    }
    TXcSpeedButton::Click();
}

void TEditButton::Paint() {
    TXcSpeedButton::Paint();
    if (Style() != bsWin31) return;
    TCanvas* c = Canvas();
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(0, 0);
    c->LineTo(0, Height() - 1);
    c->Pen()->SetColor(clBtnHighlight);
    c->MoveTo(1, 1);
    c->LineTo(1, Height() - 2);
}

// ---- TCustomComboEdit -------------------------------------------------------------------

TCustomComboEdit::TCustomComboEdit(TComponent* owner) : TCustomMaskEdit(owner) {
    FCaptureMouse = true;
    FHeight = 21;
    FButtonHolder = new TWinControl(this);
    FButtonHolder->SetBounds(0, 0, kDefaultEditButtonWidth, 17);
    FButtonHolder->SetParent(this);
    FButton = new TEditButton(this);
    FButton->Edit = this;
    FButton->SetBounds(0, 0, kDefaultEditButtonWidth, 17);
    FButton->SetParent(FButtonHolder);
    FButton->OnClick = [this](TComponent*) { EditButtonClick(); };
    FCreating = false;
}

TCustomComboEdit::~TCustomComboEdit() {
    FButton->OnClick = nullptr;
}

void TCustomComboEdit::CreateParams(TCreateParams& params) {
    TCustomMaskEdit::CreateParams(params);
    params.WinClassName = "QuiroComboEdit";
    params.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
    if (FAlignment == taRightJustify) params.Style |= ES_RIGHT;
    if (FAlignment == taCenter) params.Style |= ES_CENTER;
}

void TCustomComboEdit::CreateWnd() {
    TCustomMaskEdit::CreateWnd();
    ApplyInnerReadOnly();
    UpdateButtonBounds();
}

int TCustomComboEdit::ButtonWidth() const {
    return FButtonHolder->Width();
}

void TCustomComboEdit::SetButtonWidth(int width) {
    if (width == FButtonHolder->Width()) return;
    if (!FCreating && HandleAllocated() && width >= ClientWidth()) return;
    FButtonHolder->SetVisible(width > 1);
    FButtonHolder->SetWidth(std::max(width, 0));
    FButton->SetWidth(std::max(width, 0));
    RecreateGlyph();
    UpdateButtonBounds();
}

void TCustomComboEdit::SetGlyph(TBitmap* glyph) {
    FButton->SetGlyph(glyph);
    FGlyphKind = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int count) {
    if (FGlyphKind == gkDropDown || FGlyphKind == gkEllipsis) count = 1;
    if (FGlyphKind == gkDefault) count = DefaultGlyphCount;
    FButton->SetNumGlyphs(count);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind kind) {
    if (kind == FGlyphKind) return;
    FGlyphKind = kind;
    RecreateGlyph();
    if (kind == gkDefault && !FButton->Glyph()->Empty())
        SetButtonWidth(std::max(FButton->Glyph()->Width() / std::max(NumGlyphs(), 1) + 6,
                                FButtonHolder->Width()));
}

TBitmap* TCustomComboEdit::GetDefaultBitmap(bool& destroy) {
    destroy = false;
    return nullptr;
}

void TCustomComboEdit::RecreateGlyph() {
    switch (FGlyphKind) {
        case gkDefault: {
            bool destroy = false;
            TBitmap* picture = GetDefaultBitmap(destroy);
            FButton->SetGlyph(picture);
            FButton->SetNumGlyphs(DefaultGlyphCount);
            if (destroy) delete picture;
            break;
        }
        case gkDropDown: {
            // The system's combo-box arrow (OBM_COMBO).
            auto arrow = MakeModuleBitmap(nullptr, MAKEINTRESOURCEA(32738));
            FButton->SetGlyph(arrow.get());
            FButton->SetNumGlyphs(1);
            FButton->ButtonGlyph()->TransparentColor = clBtnFace;
            int w = GetSystemMetrics(SM_CXVSCROLL);
            FButtonHolder->SetWidth(w);
            FButton->SetWidth(w);
            break;
        }
        case gkEllipsis: {
            TEllipsisGlyph g = EllipsisGlyph(FButtonHolder->Width());
            TBitmap dots;
            dots.SetSize(g.Width, 4);
            dots.Canvas()->Brush()->SetColor(clFuchsia);
            dots.Canvas()->FillRect(RECT{0, 0, g.Width, 4});
            dots.Canvas()->Brush()->SetColor(clBlack);
            for (const TRectI& d : g.Dots)
                dots.Canvas()->FillRect(RECT{d.Left, d.Top, d.Right, d.Bottom});
            FButton->SetGlyph(&dots);
            FButton->SetNumGlyphs(1);
            break;
        }
        default:
            break;
    }
}

void TCustomComboEdit::UpdateButtonBounds() {
    const int bw = FButtonHolder->Width();
    TEditFrame frame{true, true, BorderStyle() == bsSingle};
    TRectI r = EditButtonBounds(FWidth, FHeight, bw, frame);
    FButtonHolder->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    FButton->SetBounds(0, 0, r.Width(), r.Height());
    SetEditRect();
}

void TCustomComboEdit::SetEditRect() {
    if (!HandleAllocated()) return;
    int bw = FButtonHolder->Visible() ? FButtonHolder->Width() : 0;
    TRectI r = ButtonEditTextRect(ClientWidth(), ClientHeight(), bw);
    RECT rect{r.Left, r.Top, r.Right, r.Bottom};
    SendMessageA(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rect));
}

int TCustomComboEdit::MinHeight() {
    return ButtonEditMinHeight(TextHeight(Font()), GetSystemMetrics(SM_CYBORDER));
}

void TCustomComboEdit::SetBounds(int left, int top, int width, int height) {
    TCustomMaskEdit::SetBounds(left, top, width, std::max(height, MinHeight()));
    UpdateButtonBounds();
}

void TCustomComboEdit::FontChanged() {
    TCustomMaskEdit::FontChanged();
    if (FHeight < MinHeight()) SetHeight(MinHeight());
    SetEditRect();
}

void TCustomComboEdit::SetEnabled(bool enabled) {
    TCustomMaskEdit::SetEnabled(enabled);
    FButton->SetEnabled(enabled);
}

void TCustomComboEdit::SetAlignment(TAlignment alignment) {
    if (alignment == FAlignment) return;
    FAlignment = alignment;
    RecreateWnd();
}

void TCustomComboEdit::ApplyInnerReadOnly() {
    TCustomMaskEdit::SetReadOnly(FReadOnly || !FDirectInput);
}

void TCustomComboEdit::SetReadOnly(bool readOnly) {
    FReadOnly = readOnly;
    ApplyInnerReadOnly();
}

void TCustomComboEdit::SetDirectInput(bool on) {
    FDirectInput = on;
    ApplyInnerReadOnly();
}

void TCustomComboEdit::SelectAll() {
    if (FDirectInput) TCustomMaskEdit::SelectAll();
}

void TCustomComboEdit::DoEnter() {
    if (AutoSelect && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
    TWinControl::DoEnter();
}

void TCustomComboEdit::EditButtonClick() {
    if (FReadOnly && !ButtonWhenReadOnly) return;
    ButtonClick();
}

void TCustomComboEdit::ButtonClick() {
    if (OnButtonClick) OnButtonClick(this);
    if (!FPopup) return;
    if (FPopupShown)
        PopupCloseUp(FPopup, true);
    else
        PopupDropDown(true);
}

void TCustomComboEdit::SetPopupValue(const TPopupValue& value) {
    if (FPopup) FPopup->SetValue(value);
}

TPopupValue TCustomComboEdit::GetPopupValue() {
    return FPopup ? FPopup->GetValue() : TPopupValue{};
}

bool TCustomComboEdit::AcceptPopup(TPopupValue& value) {
    (void)value;
    return true;
}

void TCustomComboEdit::AcceptValue(const TPopupValue& value) {
    std::string text = value.value_or(std::string());
    if (Caption() == text) return;
    SetText(text);
    SetModified(true);
    FPopupShown = FPopup && FPopup->Visible();
    TCustomMaskEdit::Change();
}

void TCustomComboEdit::ShowPopup(POINT origin) {
    FPopup->ShowAt(origin);
}

void TCustomComboEdit::HidePopup() {
    FPopup->HidePopup();
}

void TCustomComboEdit::PopupDropDown(bool disableEdit) {
    if (!FPopup || FReadOnly || FPopupShown) return;
    RECT r;
    GetWindowRect(Handle(), &r);
    TPointI at = PopupPosition(TRectI{r.left, r.top, r.right, r.bottom}, FPopup->Width(),
                               FPopup->Height(), PopupAlign, GetSystemMetrics(SM_CXSCREEN),
                               GetSystemMetrics(SM_CYSCREEN));
    std::string text = Caption();
    SetPopupValue(text.empty() ? TPopupValue{} : TPopupValue{text});
    if (CanFocus() && !Focused()) SetFocus();
    ShowPopup(POINT{at.X, at.Y});
    FPopupShown = true;
    if (disableEdit) {
        TCustomMaskEdit::SetReadOnly(true);
        HideCaret(Handle());
    }
}

void TCustomComboEdit::PopupCloseUp(TComponent*, bool accept) {
    if (!FPopup || !FPopupShown) return;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FPopupShown};
    if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
    TPopupValue value = GetPopupValue();
    HidePopup();
    try {
        if (CanFocus() && !Focused()) SetFocus();
        if (Focused()) ShowCaret(Handle());
    } catch (const Exception&) {
        // The focus could not be given back; the popup closes all the same.
    }
    ApplyInnerReadOnly();
    Invalidate();
    if (accept && AcceptPopup(value) && EditCanModify()) {
        AcceptValue(value);
        if (Focused()) SelectAll();
    }
}

void TCustomComboEdit::Change() {
    if (FPopupShown)
        PopupChange();
    else
        TCustomMaskEdit::Change();
}

void TCustomComboEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomMaskEdit::KeyDown(key, shift);
    if (key != 0 && ClickKey != 0 && ShortCut(key, shift) == ClickKey && ButtonWidth() > 0) {
        EditButtonClick();
        key = 0;
    }
}

void TCustomComboEdit::KeyPress(char& key) {
    if ((key == '\r' || key == '\x1B') && FPopupShown) {
        PopupCloseUp(FPopup, key == '\r');
        key = 0;
        return;
    }
    if (key == '\r' || key == '\x1B') {
        if (TForm* form = ParentForm()) form->Perform(CM_DIALOGKEY, static_cast<BYTE>(key), 0);
        if (key == '\r') {
            TCustomMaskEdit::KeyPress(key);
            key = 0;
            return;
        }
    }
    TCustomMaskEdit::KeyPress(key);
}

void TCustomComboEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && FPopup) {
        if (CanFocus() && !Focused()) SetFocus();
        if (!Focused()) return;
        if (FPopupShown) PopupCloseUp(FPopup, false);
    }
    TCustomMaskEdit::MouseDown(button, shift, x, y);
}

void TCustomComboEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_GETDLGCODE:
            TCustomMaskEdit::WndProc(message);
            message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS);
            return;
        case WM_SETFOCUS: {
            TCustomMaskEdit::WndProc(message);
            FFocused = true;
            bool bold = (Font()->Style() & fsBold) != 0;
            CreateCaret(Handle(), nullptr, bold ? 2 : 1, FontMetrics(Font()).tmHeight);
            ShowCaret(Handle());
            return;
        }
        case WM_KILLFOCUS:
            FFocused = false;
            if (FPopupShown) PopupCloseUp(FPopup, false);
            break;
        case CM_CANCELMODE: {
            // A press anywhere but on the edit, its button or its popup closes the popup.
            auto* sender = reinterpret_cast<TControl*>(message.LParam);
            if (FPopupShown && sender != this && sender != FButton && sender != FButtonHolder &&
                sender != FPopup && !FPopup->ContainsControl(sender))
                PopupCloseUp(FPopup, false);
            message.Result = 0;
            return;
        }
        case WM_PASTE:
        case WM_CUT:
            if (!FDirectInput || FReadOnly) {
                message.Result = 0;
                return;
            }
            break;
        case WM_SIZE:
            TCustomMaskEdit::WndProc(message);
            if (FHeight < MinHeight()) {
                SetHeight(MinHeight());
                return;
            }
            UpdateButtonBounds();
            return;
        case WM_PAINT:
            if (PaintComboEdit(this, Caption(), FAlignment, Enabled() && !FPopupShown, message))
                return;
            break;
        default:
            break;
    }
    TCustomMaskEdit::WndProc(message);
}

// ---- Free routines ----------------------------------------------------------------------

POINT EditorTextMargins(TCustomEdit* editor) {
    LRESULT margins = SendMessageA(editor->Handle(), EM_GETMARGINS, 0, 0);
    TEditFrame frame{true, true, editor->BorderStyle() == bsSingle};
    TPointI m = EditorTextMargins(frame, LOWORD(margins), 0, 0);
    return POINT{m.X, m.Y};
}

bool PaintComboEdit(TCustomComboEdit* editor, const std::string& text, TAlignment alignment,
                    bool standardPaint, TMessage& message) {
    if (standardPaint) return false;
    PAINTSTRUCT ps{};
    HDC dc = message.WParam ? reinterpret_cast<HDC>(message.WParam)
                            : BeginPaint(editor->Handle(), &ps);
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Font()->Assign(*editor->Font());
    if (!editor->Enabled()) canvas.Font()->SetColor(clGrayText);
    RECT r{0, 0, editor->ClientWidth(), editor->ClientHeight()};
    canvas.Brush()->SetColor(editor->Color());  // disabled too, like the other edits
    canvas.FillRect(r);
    POINT margin = EditorTextMargins(editor);
    int x = ComboEditTextLeft(alignment, editor->PopupVisible(), margin.x, editor->ClientWidth(),
                              editor->ButtonWidth(), canvas.TextWidth(text));
    canvas.Brush()->SetStyle(bsClear);
    r.right -= editor->ButtonWidth();
    canvas.TextRect(r, x, margin.y, text);
    canvas.SetHandle(nullptr);
    if (!message.WParam) EndPaint(editor->Handle(), &ps);
    message.Result = 0;
    return true;
}
