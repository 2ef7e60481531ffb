#include "controls/XcSecret.h"

#include <algorithm>

#include "controls/CtlUtils.h"
#include "controls/XcTimer.h"

TSecretPanel::TSecretPanel(TComponent* owner) : TPanel(owner), FTimer(new TXcTimer(this)) {
    SetBevelOuter(bvLowered);
    SetAlignment(taCenter);
    // A window timer: every tick, and the painting it does, is on the main thread.
    FTimer->SetThreaded(false);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(30);
    FTimer->SetOnTimer([this](TComponent*) { TimerExpired(); });
    FLines.OnChange = [this](TStringList&) { Changed(); };
    FGlyph.OnChange = [this](TBitmap*) { Changed(); };
}

TSecretPanel::~TSecretPanel() {
    Destroying();
    SetActive(false);
}

unsigned TSecretPanel::Interval() const {
    return FTimer->Interval();
}

void TSecretPanel::SetInterval(unsigned ms) {
    FTimer->SetInterval(ms);
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout layout) {
    FGlyphLayout = layout;
    Changed();
}

void TSecretPanel::SetScrollDirection(TScrollDirection direction) {
    FDirection = direction;
    Changed();
}

void TSecretPanel::SetTextStyle(TBevelCut style) {
    FTextStyle = style;
    Changed();
}

void TSecretPanel::FontChanged() {
    TPanel::FontChanged();
    Changed();
}

void TSecretPanel::ColorChanged() {
    TPanel::ColorChanged();
    Changed();
}

void TSecretPanel::Changed() {
    if (FActive) UpdateMemoryImage();
    Invalidate();
}

void TSecretPanel::SetActive(bool active) {
    if (active == FActive) return;
    FActive = active;
    if (active) {
        UpdateMemoryImage();
        FHiddenControls.clear();
        for (int i = 0; i < ControlCount(); ++i)
            if (Controls(i)->Visible()) {
                FHiddenControls.push_back(Controls(i));
                Controls(i)->Hide();
            }
        FPosition = 0;
        FTimer->SetEnabled(true);
        Invalidate();
        if (OnStartPlay && !IsDestroying()) OnStartPlay(this);
        return;
    }
    FTimer->SetEnabled(false);
    FPosition = 0;
    FMemoryImage.reset();
    for (TControl* c : FHiddenControls)
        for (int i = 0; i < ControlCount(); ++i)
            if (Controls(i) == c) c->Show();
    FHiddenControls.clear();
    if (IsDestroying()) return;
    Invalidate();
    if (OnStopPlay) OnStopPlay(this);
}

void TSecretPanel::UpdateMemoryImage() {
    std::vector<std::string> lines;
    for (int i = 0; i < FLines.Count(); ++i) lines.push_back(FLines.Strings(i));
    FFirstLine = FirstTextLine(lines);
    TEXTMETRICA tm = FontMetrics(Font());
    FLineHeight = SecretLineHeight(tm.tmHeight, tm.tmExternalLeading, FTextStyle != bvNone);
    int inset = SecretInflateWidth(BorderWidth(), BevelWidth(), BevelOuter() != bvNone,
                                   BevelInner() != bvNone);
    TRectI area{inset, inset, ClientWidth() - inset, ClientHeight() - inset};
    SecretDrawRects(area, FGlyph.Width(), FGlyph.Height(), FGlyphLayout, FGlyphRect, FTextRect);
    int widest = 0;
    TBitmap measure;
    measure.SetSize(1, 1);
    measure.Canvas()->Font()->Assign(*Font());
    for (const std::string& line : lines)
        widest = std::max(widest, measure.Canvas()->TextWidth(line));
    FMaximum = SecretScrollMax(FDirection, FTextRect, static_cast<int>(lines.size()), FFirstLine,
                               FLineHeight, widest);
    if (!FMemoryImage) FMemoryImage = std::make_unique<TBitmap>();
    FMemoryImage->SetSize(std::max(FTextRect.Width(), 1), std::max(FTextRect.Height(), 1));
}

void TSecretPanel::TimerExpired() {
    if (!FActive) return;
    bool stop = false;
    FPosition = SecretNextPosition(FPosition, FMaximum, Cycled, stop);
    if (stop) {
        Stop();
        return;
    }
    PaintText();
}

void TSecretPanel::PaintText() {
    if (!FMemoryImage || !HandleAllocated()) return;
    TCanvas* m = FMemoryImage->Canvas();
    const int w = FMemoryImage->Width(), h = FMemoryImage->Height();
    m->Brush()->SetColor(Color());
    m->FillRect(RECT{0, 0, w, h});
    m->Font()->Assign(*Font());
    m->RequireTools();
    HDC dc = m->Handle();
    SetBkMode(dc, TRANSPARENT);
    for (int i = FFirstLine; i < FLines.Count(); ++i) {
        std::string line = FLines.Strings(i);
        TPointI at = SecretLineOrigin(FDirection, FTextRect, i - FFirstLine, FLineHeight, FPosition);
        int lineWidth = m->TextWidth(line);
        int x = at.X;
        if (FDirection == sdVertical) {
            if (Alignment() == taCenter) x += (w - lineWidth) / 2;
            if (Alignment() == taRightJustify) x += w - lineWidth;
        }
        if (at.Y + FLineHeight < 0 || at.Y > h) continue;
        auto draw = [&](int dx, TColor color) {
            SetTextColor(dc, ColorToGdi(color));
            TextOutA(dc, x + dx, at.Y + dx, line.c_str(), static_cast<int>(line.size()));
        };
        if (FTextStyle == bvLowered) draw(1, clBtnHighlight);
        if (FTextStyle == bvRaised) draw(-1, clBtnHighlight);
        draw(0, Font()->Color());
    }
    RECT target{FTextRect.Left, FTextRect.Top, FTextRect.Right, FTextRect.Bottom};
    if (AsyncDrawing) {
        Canvas()->CopyRect(target, m, RECT{0, 0, w, h});
    } else {
        InvalidateRect(Handle(), &target, FALSE);
    }
}

void TSecretPanel::PaintGlyph(TCanvas* canvas) {
    if (FGlyph.Empty() || FGlyphRect.Width() <= 0) return;
    DrawBitmapTransparent(canvas, FGlyphRect.Left, FGlyphRect.Top, &FGlyph, clDefault);
}

void TSecretPanel::Paint() {
    // A panel without its caption (the lines are the text here).
    std::string caption = FCaption;
    FCaption.clear();
    TPanel::Paint();
    FCaption = caption;
    if (OnPaintClient) OnPaintClient(this, Canvas(), ClientRect());
    if (!FActive || !FMemoryImage) return;
    PaintGlyph(Canvas());
    Canvas()->CopyRect(RECT{FTextRect.Left, FTextRect.Top, FTextRect.Right, FTextRect.Bottom},
                       FMemoryImage->Canvas(),
                       RECT{0, 0, FMemoryImage->Width(), FMemoryImage->Height()});
}

void TSecretPanel::WndProc(TMessage& message) {
    TPanel::WndProc(message);
    if (message.Msg == WM_SIZE) Changed();
}
