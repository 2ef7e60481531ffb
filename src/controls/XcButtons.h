// Speed buttons: TXcSpeedButton (a windowless button with a glyph of up to five state
// images, a caption, flat mode, exclusive groups, auto-repeat and a drop-down menu),
// TXcButtonGlyph (the layout and drawing of glyph and caption, with the state images in
// image lists that every button with a glyph of the same size shares), TButtonImage (a
// button picture drawn without a control) and DrawButtonFrame. It is also the windows'
// speed button wherever they want one. The arithmetic is controls/core/XcButtonRules.h.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "controls/core/XcButtonRules.h"
#include "controls/CtlUtils.h"
#include "framework/GraphicControl.h"

class TPopupMenu;
class TTimer;

// Draws a button's frame on `rect` (up or down, flat or not, in the style given) and
// returns what lies inside it.
RECT DrawButtonFrame(TCanvas* canvas, const RECT& rect, bool down, bool flat, TButtonStyle style);

class TGlyphList;

// A glyph picture cut into NumGlyphs cells (up, disabled, down, exclusive, inactive) and
// the state images made from it; the colour TransparentColor is left out.
class TXcButtonGlyph {
public:
    TXcButtonGlyph();
    ~TXcButtonGlyph();
    TXcButtonGlyph(const TXcButtonGlyph&) = delete;
    TXcButtonGlyph& operator=(const TXcButtonGlyph&) = delete;

    TBitmap* Glyph() { return FOriginal.get(); }
    void SetGlyph(TBitmap* glyph);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int count);
    TColor TransparentColor = clFuchsia;
    bool WordWrap = false;
    TAlignment Alignment = taCenter;
    std::function<void()> OnChange;

    // Forgets the state images (a new picture, new system colours).
    void Invalidate();
    // Whether some state image is made.
    bool HasStateImages() const;
    // The image list and index of a state's image (made when first needed); nullptr
    // without a picture.
    HIMAGELIST StateImage(TXcButtonState state, int& index);
    // Draws glyph, caption and (with `mark`) the drop-down mark into `client`; the glyph
    // comes from `images` at `imageIndex` when given.
    TButtonLayoutResult Draw(TCanvas* canvas, const TRectI& client, const std::string& caption,
                             TButtonLayout layout, int margin, int spacing,
                             TXcButtonState state, bool mark, HIMAGELIST images = nullptr,
                             int imageIndex = -1);

private:
    TPointI GlyphSize(HIMAGELIST images, int imageIndex) const;
    void DrawCaption(TCanvas* canvas, const std::string& caption, RECT bounds,
                     TXcButtonState state);
    std::unique_ptr<TBitmap> FOriginal;
    int FNumGlyphs = 1;
    TGlyphList* FGlyphList = nullptr;
    int FIndexes[5] = {-1, -1, -1, -1, -1};
};

class TXcSpeedButton : public TMouseTrackingControl {
public:
    explicit TXcSpeedButton(TComponent* owner);
    ~TXcSpeedButton() override;

    TBitmap* Glyph() { return FGlyph.Glyph(); }
    void SetGlyph(TBitmap* glyph) { FGlyph.SetGlyph(glyph); }
    int NumGlyphs() const { return FGlyph.NumGlyphs(); }
    void SetNumGlyphs(int count) { FGlyph.SetNumGlyphs(count); }
    TXcButtonGlyph* ButtonGlyph() { return &FGlyph; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int index);
    // Only in a group; a down button goes up again only with AllowAllUp.
    bool Down() const { return FDown; }
    void SetDown(bool down);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool allow);
    bool Flat() const { return FFlat; }
    void SetFlat(bool flat);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return FMargin; }
    void SetMargin(int margin);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int spacing);
    TButtonStyle Style() const { return FStyle; }
    void SetStyle(TButtonStyle style);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent);
    // Flat buttons draw a gray glyph while the mouse is not over them.
    bool GrayedInactive() const { return FGrayedInactive; }
    void SetGrayedInactive(bool gray);
    bool MarkDropDown() const { return FMarkDropDown; }
    void SetMarkDropDown(bool mark);
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* menu);
    TXcDropDownMenuPos MenuPosition = dmpBottom;
    // Clicks again while held: after InitPause ms, then every RepeatInterval ms.
    bool AllowTimer() const { return FAllowTimer; }
    void SetAllowTimer(bool allow);
    uint16_t InitPause = 500;
    uint16_t RepeatInterval = 100;
    TAlignment Alignment() const { return FGlyph.Alignment; }
    void SetAlignment(TAlignment alignment);
    bool WordWrap() const { return FGlyph.WordWrap; }
    void SetWordWrap(bool wrap);
    // Given to the parent form on a click.
    int ModalResult = 0;
    TXcButtonState State() const { return FState; }

    // A click as if the button were pressed and let go (when enabled and no menu shows).
    void ButtonClick();
    // Whether the dither pattern that exclusive buttons share exists now.
    static bool SharedBrushExists();
    void Click() override;
    void SetEnabled(bool enabled) override;
    void SetCaption(const std::string& caption) override;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;
    void MouseEnter() override;
    void MouseLeave() override;
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }
    bool FMenuShowing = false;

private:
    void UpdateExclusive();
    void TimerExpired();
    void ShowDropDown();

    TXcButtonGlyph FGlyph;
    TBitmap FDrawImage;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FDragging = false;
    bool FAllowAllUp = false;
    bool FFlat = false;
    TButtonLayout FLayout = blGlyphTop;
    int FMargin = -1;
    int FSpacing = 1;
    TButtonStyle FStyle = bsAutoDetect;
    bool FTransparent = false;
    bool FGrayedInactive = true;
    bool FMarkDropDown = true;
    TPopupMenu* FDropDownMenu = nullptr;
    bool FAllowTimer = false;
    TTimer* FRepeatTimer = nullptr;
    TXcButtonState FState = rbsUp;
};

// A button's picture without a control: a glyph and a size, drawn as a button face would
// draw it.
class TButtonImage {
public:
    TXcButtonGlyph* Glyph() { return &FGlyph; }
    int Width = 24, Height = 23;
    std::string Caption;
    void Draw(TCanvas* canvas, int x, int y, int margin, int spacing, TButtonLayout layout,
              TFont* font, TXcButtonState state);
    void DrawEx(TCanvas* canvas, int x, int y, int margin, int spacing, TButtonLayout layout,
                TFont* font, HIMAGELIST images, int imageIndex, TXcButtonState state);

private:
    TXcButtonGlyph FGlyph;
};
