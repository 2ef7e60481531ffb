// The secret panel: while Active it hides its child controls and scrolls its lines of
// text (and a glyph) through its client area, vertically or horizontally; otherwise it is
// an ordinary panel. Its timer ticks on the main thread, where it paints. The arithmetic
// is controls/core/SecretPanelRules.h.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "controls/core/SecretPanelRules.h"
#include "framework/ExtCtrls.h"
#include "framework/core/Strings.h"

class TXcTimer;

using TPanelDrawEvent = std::function<void(TComponent* sender, TCanvas* canvas, RECT rect)>;

class TSecretPanel : public TPanel {
public:
    explicit TSecretPanel(TComponent* owner);
    ~TSecretPanel() override;

    bool Active() const { return FActive; }
    void SetActive(bool active);
    void Play() { SetActive(true); }
    void Stop() { SetActive(false); }
    // Paints from the timer at once (else through the window's paint cycle).
    bool AsyncDrawing = true;
    // Starts again from the beginning at the end (else stops).
    bool Cycled = false;
    TBitmap* Glyph() { return &FGlyph; }
    TGlyphLayout GlyphLayout() const { return FGlyphLayout; }
    void SetGlyphLayout(TGlyphLayout layout);
    unsigned Interval() const;
    void SetInterval(unsigned ms);
    TStringList* Lines() { return &FLines; }
    TScrollDirection ScrollDirection() const { return FDirection; }
    void SetScrollDirection(TScrollDirection direction);
    // bvLowered / bvRaised: the text embossed one way or the other.
    TBevelCut TextStyle() const { return FTextStyle; }
    void SetTextStyle(TBevelCut style);
    int ScrollPosition() const { return FPosition; }
    int ScrollMaximum() const { return FMaximum; }

    TPanelDrawEvent OnPaintClient;
    TNotifyEvent OnStartPlay;
    TNotifyEvent OnStopPlay;

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void FontChanged() override;
    void ColorChanged() override;
    // One tick: a pixel further, or back to the start, or the end.
    virtual void TimerExpired();

private:
    void Changed();
    void UpdateMemoryImage();
    void PaintText();
    void PaintGlyph(TCanvas* canvas);

    bool FActive = false;
    TBitmap FGlyph;
    TGlyphLayout FGlyphLayout = glGlyphLeft;
    TStringList FLines;
    TScrollDirection FDirection = sdVertical;
    TBevelCut FTextStyle = bvNone;
    int FPosition = 0, FMaximum = 0, FFirstLine = 0, FLineHeight = 0;
    TRectI FGlyphRect, FTextRect;
    std::unique_ptr<TBitmap> FMemoryImage;
    std::vector<TControl*> FHiddenControls;
    TXcTimer* FTimer = nullptr;
};
