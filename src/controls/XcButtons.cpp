#include "controls/XcButtons.h"

#include <algorithm>
#include <map>
#include <utility>

#include "controls/CtlUtils.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Timers.h"

// ---- The shared glyph lists -------------------------------------------------------------

// An image list of one glyph size whose freed slots are used again.
class TGlyphList {
public:
    TGlyphList(int width, int height)
        : FWidth(width), FHeight(height),
          FHandle(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 0, 4)) {}
    ~TGlyphList() { ImageList_Destroy(FHandle); }
    HIMAGELIST Handle() const { return FHandle; }
    // Puts `image` into the first free slot, its pixels of `maskColor` left out.
    int AddMasked(TBitmap* image, TColor maskColor);
    void Delete(int index) { FSlots.Free(index); }
    bool Empty() const { return FSlots.Empty(); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

private:
    int FWidth, FHeight;
    HIMAGELIST FHandle;
    TGlyphSlots FSlots;
};

int TGlyphList::AddMasked(TBitmap* image, TColor maskColor) {
    bool appended = false;
    int slot = FSlots.Allocate(appended);
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, FWidth, FHeight);
    HBITMAP mask = CreateBitmap(FWidth, FHeight, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);
    HDC src = image->Canvas()->Handle();
    HDC colourDC = CreateCompatibleDC(src), maskDC = CreateCompatibleDC(src);
    HGDIOBJ oldColour = SelectObject(colourDC, colour), oldMask = SelectObject(maskDC, mask);
    BitBlt(colourDC, 0, 0, FWidth, FHeight, src, 0, 0, SRCCOPY);
    // The mask: 1 where the picture has the mask colour; those pixels black in the image.
    COLORREF bk = SetBkColor(src, ColorToGdi(maskColor));
    BitBlt(maskDC, 0, 0, FWidth, FHeight, src, 0, 0, SRCCOPY);
    SetBkColor(src, bk);
    SetBkColor(colourDC, RGB(255, 255, 255));
    SetTextColor(colourDC, RGB(0, 0, 0));
    BitBlt(colourDC, 0, 0, FWidth, FHeight, maskDC, 0, 0, 0x00220326);  // image AND NOT mask
    SelectObject(colourDC, oldColour);
    SelectObject(maskDC, oldMask);
    DeleteDC(colourDC);
    DeleteDC(maskDC);
    if (appended)
        ImageList_Add(FHandle, colour, mask);
    else
        ImageList_Replace(FHandle, slot, colour, mask);
    DeleteObject(colour);
    DeleteObject(mask);
    return slot;
}

namespace {

// The lists of every size, while some glyph uses one.
class TGlyphCache {
public:
    TGlyphList* List(int width, int height) {
        auto& list = FLists[{width, height}];
        if (!list) list = std::make_unique<TGlyphList>(width, height);
        return list.get();
    }
    void Return(TGlyphList* list) {
        if (!list || !list->Empty()) return;
        FLists.erase({list->Width(), list->Height()});
    }

private:
    std::map<std::pair<int, int>, std::unique_ptr<TGlyphList>> FLists;
};

TGlyphCache& GlyphCache() {
    static TGlyphCache cache;
    return cache;
}

bool NewStyle(TButtonStyle style) {
    return style != bsWin31;
}

// The two-colour pattern of exclusive buttons, shared by all; it goes with the last
// button, and is made again after the system's colours changed.
HBRUSH gExclusiveBrush = nullptr;
int gButtonCount = 0;

void FreeExclusiveBrush() {
    if (gExclusiveBrush) DeleteObject(gExclusiveBrush);
    gExclusiveBrush = nullptr;
}

HBRUSH ExclusiveBrush() {
    if (!gExclusiveBrush) {
        auto pattern = CreateTwoColorsBrushPattern(clBtnFace, clBtnHighlight);
        gExclusiveBrush = CreatePatternBrush(pattern->Handle());
    }
    return gExclusiveBrush;
}

}  // namespace

RECT DrawButtonFrame(TCanvas* canvas, const RECT& rect, bool down, bool flat, TButtonStyle style) {
    RECT r = rect;
    for (const TFrameStep& step : ButtonFrameSteps(down, flat, NewStyle(style))) {
        if (step.ShadowCorner) {
            canvas->Pen()->SetColor(step.TopLeft);
            canvas->MoveTo(r.left, r.bottom - 1);
            canvas->LineTo(r.left, r.top);
            canvas->LineTo(r.right, r.top);
            continue;
        }
        auto line = [&](TColor c, int x1, int y1, int x2, int y2) {
            canvas->Pen()->SetColor(c);
            canvas->MoveTo(x1, y1);
            canvas->LineTo(x2, y2);
        };
        line(step.TopLeft, r.left, r.bottom - 1, r.left, r.top);
        line(step.TopLeft, r.left, r.top, r.right - 1, r.top);
        line(step.BottomRight, r.right - 1, r.top, r.right - 1, r.bottom - 1);
        line(step.BottomRight, r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1);
        InflateRect(&r, -1, -1);
    }
    InflateRect(&r, -1, -1);
    return r;
}

// ---- TXcButtonGlyph ---------------------------------------------------------------------

TXcButtonGlyph::TXcButtonGlyph() : FOriginal(std::make_unique<TBitmap>()) {}

TXcButtonGlyph::~TXcButtonGlyph() {
    Invalidate();
}

void TXcButtonGlyph::Invalidate() {
    for (int& index : FIndexes) {
        if (index >= 0 && FGlyphList) FGlyphList->Delete(index);
        index = -1;
    }
    GlyphCache().Return(FGlyphList);
    FGlyphList = nullptr;
}

bool TXcButtonGlyph::HasStateImages() const {
    for (int index : FIndexes)
        if (index >= 0) return true;
    return false;
}

void TXcButtonGlyph::SetGlyph(TBitmap* glyph) {
    Invalidate();
    if (glyph)
        FOriginal->Assign(glyph);
    else
        FOriginal = std::make_unique<TBitmap>();
    if (glyph && glyph->Height() > 0 && glyph->Width() % glyph->Height() == 0) {
        int cells = glyph->Width() / glyph->Height();
        if (cells >= 1 && cells <= 5) FNumGlyphs = cells;
    }
    if (OnChange) OnChange();
}

void TXcButtonGlyph::SetNumGlyphs(int count) {
    count = std::clamp(count, 1, 5);
    if (count == FNumGlyphs) return;
    Invalidate();
    FNumGlyphs = count;
    if (OnChange) OnChange();
}

HIMAGELIST TXcButtonGlyph::StateImage(TXcButtonState state, int& index) {
    index = -1;
    if (FOriginal->Empty() || FOriginal->Width() == 0 || FOriginal->Height() == 0) return nullptr;
    TGlyphSource source = GlyphSourceFor(state, FNumGlyphs);
    int slot = source.Making == gmCopy ? source.Cell : state;
    const int w = FOriginal->Width() / FNumGlyphs, h = FOriginal->Height();
    if (!FGlyphList) FGlyphList = GlyphCache().List(w, h);
    if (FIndexes[slot] >= 0) {
        index = FIndexes[slot];
        return FGlyphList->Handle();
    }
    TBitmap cell;
    cell.SetSize(w, h);
    cell.Canvas()->CopyRect(RECT{0, 0, w, h}, FOriginal->Canvas(),
                            RECT{source.Cell * w, 0, source.Cell * w + w, h});
    if (source.Making == gmCopy) {
        FIndexes[slot] = FGlyphList->AddMasked(&cell, TransparentColor);
    } else if (source.Making == gmDisabled) {
        // The shape of the up picture (what is not transparent), embossed.
        TBitmap shape;
        shape.SetSize(w, h);
        shape.Canvas()->Brush()->SetColor(clWhite);
        shape.Canvas()->BrushCopy(RECT{0, 0, w, h}, &cell, RECT{0, 0, w, h}, TransparentColor);
        auto disabled = CreateDisabledBitmap(&shape, clWhite);
        FIndexes[slot] = FGlyphList->AddMasked(disabled.get(), clBtnFace);
    } else {
        const TColor transparent = ColorToRGB(TransparentColor), face = ColorToRGB(clBtnFace);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                cell.Canvas()->SetPixel(
                    x, y, InactiveGlyphPixel(cell.Canvas()->Pixels(x, y), transparent, face));
        FIndexes[slot] = FGlyphList->AddMasked(&cell, TransparentColor);
    }
    index = FIndexes[slot];
    return FGlyphList->Handle();
}

TPointI TXcButtonGlyph::GlyphSize(HIMAGELIST images, int imageIndex) const {
    if (images && imageIndex >= 0 && imageIndex < ImageList_GetImageCount(images)) {
        int w = 0, h = 0;
        ImageList_GetIconSize(images, &w, &h);
        return {w, h};
    }
    if (FOriginal->Empty()) return {};
    return {FOriginal->Width() / FNumGlyphs, FOriginal->Height()};
}

void TXcButtonGlyph::DrawCaption(TCanvas* canvas, const std::string& caption, RECT bounds,
                                 TXcButtonState state) {
    if (caption.empty()) return;
    UINT flags = DT_VCENTER | (WordWrap ? DT_WORDBREAK : 0) |
                 (Alignment == taLeftJustify    ? DT_LEFT
                  : Alignment == taRightJustify ? DT_RIGHT
                                                : DT_CENTER);
    HDC dc = canvas->Handle();
    canvas->RequireTools();
    SetBkMode(dc, TRANSPARENT);
    std::string text = caption.substr(0, 255);
    if (state == rbsDisabled) {
        RECT shifted = bounds;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(dc, ColorToGdi(clBtnHighlight));
        DrawTextA(dc, text.c_str(), -1, &shifted, flags);
        SetTextColor(dc, ColorToGdi(clBtnShadow));
    } else {
        SetTextColor(dc, ColorToGdi(canvas->Font()->Color()));
    }
    DrawTextA(dc, text.c_str(), -1, &bounds, flags);
}

TButtonLayoutResult TXcButtonGlyph::Draw(TCanvas* canvas, const TRectI& client,
                                         const std::string& caption, TButtonLayout layout,
                                         int margin, int spacing, TXcButtonState state,
                                         bool mark, HIMAGELIST images, int imageIndex) {
    TButtonLayoutInput in;
    in.Client = client;
    in.Glyph = GlyphSize(images, imageIndex);
    in.Caption = caption;
    in.Layout = layout;
    in.Margin = margin;
    in.Spacing = spacing;
    in.Mark = mark;
    in.WordWrap = WordWrap;
    auto lineWidth = [&](std::string_view s) { return canvas->TextWidth(std::string(s)); };
    auto extent = [&](const std::string& text, int width) {
        RECT r{0, 0, width, 0};
        canvas->RequireTools();
        DrawTextA(canvas->Handle(), text.c_str(), -1, &r,
                  DT_CALCRECT | DT_CENTER | DT_VCENTER | (WordWrap ? DT_WORDBREAK : 0));
        return TPointI{r.right - r.left, r.bottom - r.top};
    };
    TButtonLayoutResult out = CalcButtonLayout(in, lineWidth, extent);

    HDC dc = canvas->Handle();
    int index = -1;
    HIMAGELIST list = nullptr;
    if (images && imageIndex >= 0 && imageIndex < ImageList_GetImageCount(images)) {
        list = images;
        index = imageIndex;
    } else {
        list = StateImage(state, index);
    }
    if (list && index >= 0) {
        if (list == images && state == rbsDisabled)
            ImageListDrawDisabled(list, canvas, out.GlyphPos.X, out.GlyphPos.Y, index,
                                  clBtnHighlight, clBtnShadow, true);
        else
            ImageList_Draw(list, index, dc, out.GlyphPos.X, out.GlyphPos.Y, ILD_TRANSPARENT);
    }
    DrawCaption(canvas, out.Caption,
                RECT{out.TextBounds.Left, out.TextBounds.Top, out.TextBounds.Right,
                     out.TextBounds.Bottom},
                state);
    if (mark) {
        TPointI at = DropDownMarkPos(out, in.Glyph, layout, client, out.Caption.empty());
        auto draw = [&](int dx, TColor color) {
            canvas->Pen()->SetColor(color);
            for (const TMarkRow& row : DropDownMarkRows({at.X + dx, at.Y + dx})) {
                canvas->MoveTo(row.Left, row.Y);
                canvas->LineTo(row.Right, row.Y);
            }
        };
        if (state == rbsDisabled) {
            draw(1, clBtnHighlight);
            draw(0, clBtnShadow);
        } else {
            draw(0, clBtnText);
        }
    }
    return out;
}

// ---- TXcSpeedButton ---------------------------------------------------------------------

TXcSpeedButton::TXcSpeedButton(TComponent* owner) : TMouseTrackingControl(owner) {
    FWidth = 25;
    FHeight = 25;
    FShowHint = true;
    FParentShowHint = false;
    FGlyph.OnChange = [this] { Invalidate(); };
    ++gButtonCount;
}

TXcSpeedButton::~TXcSpeedButton() {
    if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
    if (--gButtonCount == 0) FreeExclusiveBrush();
}

bool TXcSpeedButton::SharedBrushExists() {
    return gExclusiveBrush != nullptr;
}

void TXcSpeedButton::Notification(TComponent* component, TOperation operation) {
    TMouseTrackingControl::Notification(component, operation);
    if (operation == opRemove && component == FDropDownMenu) FDropDownMenu = nullptr;
}

void TXcSpeedButton::SetDropDownMenu(TPopupMenu* menu) {
    if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = menu;
    if (menu) menu->FreeNotification(this);
    Invalidate();
}

void TXcSpeedButton::SetCaption(const std::string& caption) {
    TMouseTrackingControl::SetCaption(caption);
    Invalidate();
}

void TXcSpeedButton::SetFlat(bool flat) {
    if (flat == FFlat) return;
    FFlat = flat;
    Invalidate();
}

void TXcSpeedButton::SetLayout(TButtonLayout layout) {
    if (layout == FLayout) return;
    FLayout = layout;
    Invalidate();
}

void TXcSpeedButton::SetMargin(int margin) {
    if (margin == FMargin || margin < -1) return;
    FMargin = margin;
    Invalidate();
}

void TXcSpeedButton::SetSpacing(int spacing) {
    if (spacing == FSpacing || spacing < -1) return;
    FSpacing = spacing;
    Invalidate();
}

void TXcSpeedButton::SetStyle(TButtonStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    Invalidate();
}

void TXcSpeedButton::SetTransparent(bool transparent) {
    if (transparent == FTransparent) return;
    FTransparent = transparent;
    Invalidate();
}

void TXcSpeedButton::SetGrayedInactive(bool gray) {
    if (gray == FGrayedInactive) return;
    FGrayedInactive = gray;
    Invalidate();
}

void TXcSpeedButton::SetMarkDropDown(bool mark) {
    if (mark == FMarkDropDown) return;
    FMarkDropDown = mark;
    Invalidate();
}

void TXcSpeedButton::SetAlignment(TAlignment alignment) {
    FGlyph.Alignment = alignment;
    Invalidate();
}

void TXcSpeedButton::SetWordWrap(bool wrap) {
    FGlyph.WordWrap = wrap;
    Invalidate();
}

void TXcSpeedButton::SetAllowTimer(bool allow) {
    FAllowTimer = allow;
    if (!allow && FRepeatTimer) {
        delete FRepeatTimer;
        FRepeatTimer = nullptr;
    }
}

void TXcSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !FParent) return;
    TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this),
               0};
    FParent->Broadcast(m);
}

void TXcSpeedButton::SetGroupIndex(int index) {
    if (index == FGroupIndex) return;
    FGroupIndex = index;
    UpdateExclusive();
}

void TXcSpeedButton::SetAllowAllUp(bool allow) {
    if (allow == FAllowAllUp) return;
    FAllowAllUp = allow;
    UpdateExclusive();
}

void TXcSpeedButton::SetDown(bool down) {
    if (FGroupIndex == 0) down = false;
    if (down == FDown) return;
    if (FDown && !FAllowAllUp) return;
    FDown = down;
    if (down) {
        if (FState == rbsUp) Invalidate();
        FState = rbsExclusive;
    } else {
        FState = rbsUp;
    }
    Invalidate();
    if (down) UpdateExclusive();
}

void TXcSpeedButton::SetEnabled(bool enabled) {
    TMouseTrackingControl::SetEnabled(enabled);
    if (!enabled) {
        FState = rbsDisabled;
        FDragging = false;
    } else if (FState == rbsDisabled) {
        FState = FDown && FGroupIndex != 0 ? rbsExclusive : rbsUp;
    }
    UpdateTracking();
    Invalidate();
}

void TXcSpeedButton::Paint() {
    if (FWidth <= 0 || FHeight <= 0) return;
    if (!Enabled()) {
        FState = rbsDisabled;
        FDragging = false;
    } else if (FState == rbsDisabled) {
        FState = FDown && FGroupIndex != 0 ? rbsExclusive : rbsUp;
    }
    TXcButtonState paintState = FFlat && !MouseInside() ? rbsInactive : FState;

    FDrawImage.SetSize(FWidth, FHeight);
    TCanvas* c = FDrawImage.Canvas();
    c->Font()->Assign(*Font());
    c->Brush()->SetColor(clBtnFace);
    c->Brush()->SetStyle(bsSolid);
    RECT r{0, 0, FWidth, FHeight};
    c->FillRect(r);
    if (FTransparent) CopyParentImage(this, c);

    bool down = FState == rbsDown || FState == rbsExclusive;
    if (paintState != rbsInactive || FState == rbsExclusive) {
        r = DrawButtonFrame(c, r, down, FFlat, FStyle);
    } else {
        InflateRect(&r, -2, -2);
    }
    if (FState == rbsExclusive && !FTransparent && (!FFlat || paintState == rbsInactive))
        FillRect(c->Handle(), &r, ExclusiveBrush());
    if (down) OffsetRect(&r, 1, 1);

    TXcButtonState glyphState = FState == rbsDisabled ? rbsDisabled
                                : FGrayedInactive     ? paintState
                                                      : FState;
    FGlyph.Draw(c, TRectI{r.left, r.top, r.right, r.bottom}, Caption(), FLayout, FMargin,
                FSpacing, glyphState, FMarkDropDown && FDropDownMenu);
    Canvas()->Draw(0, 0, &FDrawImage);
}

void TXcSpeedButton::Click() {
    if (TForm* form = ParentForm()) form->ModalResult = ModalResult;
    TMouseTrackingControl::Click();
}

void TXcSpeedButton::ShowDropDown() {
    POINT at = FDropDownMenu ? (MenuPosition == dmpBottom ? POINT{-1, FHeight}
                                                          : POINT{FWidth + 1, -1})
                             : POINT{0, 0};
    at = ClientToScreen(at);
    FMenuShowing = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FMenuShowing};
    FDropDownMenu->Popup(at.x, at.y);
    // The press that opened the menu ends here; a press queued on the button meanwhile
    // would open it again.
    if (FParent && FParent->HandleAllocated()) {
        MSG m;
        RECT self = BoundsRect();
        while (PeekMessageA(&m, FParent->Handle(), WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_NOREMOVE)) {
            POINT p{static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam))};
            if (!PtInRect(&self, p)) break;
            PeekMessageA(&m, FParent->Handle(), m.message, m.message, PM_REMOVE);
        }
    }
    FDragging = false;
    if (FGroupIndex == 0) FState = rbsUp;
    Invalidate();
}

void TXcSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TMouseTrackingControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    if (!FDown) {
        FState = rbsDown;
        Invalidate();
    }
    FDragging = true;
    if (FDropDownMenu) {
        Repaint();
        ShowDropDown();
        return;
    }
    if (FAllowTimer) {
        if (!FRepeatTimer) {
            FRepeatTimer = new TTimer(this);
            FRepeatTimer->SetOnTimer([this](TComponent*) { TimerExpired(); });
        }
        FRepeatTimer->SetInterval(InitPause);
        FRepeatTimer->SetEnabled(true);
    }
}

void TXcSpeedButton::TimerExpired() {
    FRepeatTimer->SetInterval(RepeatInterval);
    bool captured = FParent && FParent->HandleAllocated() && GetCapture() == FParent->Handle();
    if (FState == rbsDown && FDragging && captured)
        Click();
    else if (!FDragging)
        FRepeatTimer->SetEnabled(false);
}

void TXcSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TMouseTrackingControl::MouseMove(shift, x, y);
    if (!FDragging) return;
    TXcButtonState state = Inside(x, y) ? rbsDown : (FDown ? rbsExclusive : rbsUp);
    if (state != FState) {
        FState = state;
        Invalidate();
    }
}

void TXcSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TMouseTrackingControl::MouseUp(button, shift, x, y);
    if (!FDragging || button != mbLeft) return;
    FDragging = false;
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
    bool inside = Inside(x, y);
    if (FGroupIndex == 0) {
        FState = rbsUp;
        ForgetMouse();
    } else if (inside) {
        if (FDown && !FAllowAllUp) {
            FState = rbsExclusive;
        } else {
            FDown = !FDown;
            FState = FDown ? rbsExclusive : rbsUp;
            if (FDown) UpdateExclusive();
        }
    } else {
        FState = FDown ? rbsExclusive : rbsUp;
    }
    Invalidate();
    if (inside && !FMenuShowing) Click();
    UpdateTracking();
}

void TXcSpeedButton::ButtonClick() {
    if (!Enabled() || FMenuShowing) return;
    if (FState == rbsUp) {
        FState = rbsDown;
        Repaint();
    }
    DWORD start = GetTickCount();
    for (;;) {
        DWORD now = GetTickCount();
        if (now - start >= 20 || now < start) break;
        Sleep(1);
    }
    if (FGroupIndex == 0) {
        FState = rbsUp;
        Repaint();
        Click();
        return;
    }
    bool down = !FDown;
    if (FDown && !FAllowAllUp) down = true;
    FDown = down;
    FState = down ? rbsExclusive : rbsUp;
    if (down) UpdateExclusive();
    Repaint();
    Click();
}

void TXcSpeedButton::MouseEnter() {
    if (FFlat) Invalidate();
    TMouseTrackingControl::MouseEnter();
}

void TXcSpeedButton::MouseLeave() {
    if (FFlat) Invalidate();
    TMouseTrackingControl::MouseLeave();
}

void TXcSpeedButton::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CM_BUTTONPRESSED: {
            auto* sender = reinterpret_cast<TXcSpeedButton*>(message.LParam);
            if (sender != this && static_cast<int>(message.WParam) == FGroupIndex &&
                FGroupIndex != 0) {
                if (sender->FDown && FDown) {
                    FDown = false;
                    FState = rbsUp;
                    Invalidate();
                }
                FAllowAllUp = sender->FAllowAllUp;
            }
            message.Result = 0;
            return;
        }
        case CM_DIALOGCHAR:
            if (Enabled() && Visible() && IsAccel(static_cast<char>(message.WParam), Caption())) {
                Click();
                message.Result = 1;
                return;
            }
            break;
        case WM_LBUTTONDBLCLK:
            // A double click is one more press; on a down button it also tells OnDblClick.
            if (!FMenuShowing && FDown) DblClick();
            break;
        case CM_SYSCOLORCHANGE:
            FreeExclusiveBrush();
            FGlyph.Invalidate();
            Invalidate();
            message.Result = 0;
            return;
        default:
            break;
    }
    TMouseTrackingControl::WndProc(message);
}

// ---- TButtonImage -----------------------------------------------------------------------

void TButtonImage::Draw(TCanvas* canvas, int x, int y, int margin, int spacing,
                        TButtonLayout layout, TFont* font, TXcButtonState state) {
    DrawEx(canvas, x, y, margin, spacing, layout, font, nullptr, -1, state);
}

void TButtonImage::DrawEx(TCanvas* canvas, int x, int y, int margin, int spacing,
                          TButtonLayout layout, TFont* font, HIMAGELIST images, int imageIndex,
                          TXcButtonState state) {
    if (font) canvas->Font()->Assign(*font);
    FGlyph.Draw(canvas, TRectI{x, y, x + Width, y + Height}, Caption, layout, margin, spacing,
                state, false, images, imageIndex);
}
