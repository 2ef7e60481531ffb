// The shadow label: a windowless label that draws its caption twice, offset in a shadow
// colour and then in place, for an embossed or shadowed look; it tracks the mouse, can
// frame itself while its focus control has the focus, and otherwise behaves as a label.
// DrawShadowText is its drawing, for any device context. The arithmetic is
// controls/core/XcLabelRules.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/core/XcLabelRules.h"
#include "controls/CtlUtils.h"
#include "framework/GraphicControl.h"

// Draws `count` characters of `text` into `rect` with DrawText `flags`: first moved by
// `size` pixels toward `position` in `shadowColor` (RGB), then in place in the context's
// text colour. `rect` becomes the union of both (of both measured rectangles with
// DT_CALCRECT). Returns the height of the shadow's text, plus `size` when it is above 0.
int DrawShadowText(HDC dc, const char* text, int count, RECT& rect, UINT flags, uint8_t size,
                   COLORREF shadowColor, TShadowPosition position);

class TXcCustomLabel : public TMouseTrackingControl {
public:
    explicit TXcCustomLabel(TComponent* owner);
    ~TXcCustomLabel() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout layout);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor color);
    int ShadowSize() const { return FShadowSize; }
    void SetShadowSize(uint8_t size);
    TShadowPosition ShadowPos() const { return FShadowPos; }
    void SetShadowPos(TShadowPosition position);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool wrap);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool show);
    // A focus rectangle while FocusControl has the focus.
    bool ShowFocus() const { return FShowFocus; }
    void SetShowFocus(bool show);
    // Takes the focus on the caption's accelerator.
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* control);
    // Inner margins (negative ones are 0).
    int LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(int margin);
    int RightMargin() const { return FRightMargin; }
    void SetRightMargin(int margin);
    // Transparent: the parent shows through instead of Color.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent);

    void SetCaption(const std::string& caption) override;
    void SetEnabled(bool enabled) override;
    void SetVisible(bool visible) override;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    bool CanAutoSize(int& width, int& height) override;
    void Notification(TComponent* component, TOperation operation) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    virtual TColor GetDefaultFontColor() { return Font()->Color(); }
    virtual std::string GetLabelCaption() { return Caption(); }
    bool HoldsMouse() const override { return FLeftButtonHeld; }
    // Draws (or with DT_CALCRECT measures) the caption with its shadow.
    void DoDrawText(HDC dc, RECT& rect, UINT flags);

private:
    UINT AlignFlags() const;
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    TColor FShadowColor = clBtnHighlight;
    uint8_t FShadowSize = 1;
    TShadowPosition FShadowPos = spLeftTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    bool FShowFocus = false;
    bool FFocusShown = false;
    bool FLeftButtonHeld = false;
    bool FTransparent = false;
    TWinControl* FFocusControl = nullptr;
    int FLeftMargin = 0, FRightMargin = 0;
};

class TXcLabel : public TXcCustomLabel {
public:
    using TXcCustomLabel::TXcCustomLabel;
};
