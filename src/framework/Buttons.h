// TSpeedButton: a flat-capable button without a window of its own, with a glyph and a
// caption; buttons of one parent with the same GroupIndex stay down one at a time (with
// AllowAllUp a down button may also be raised). The extended controls draw their own
// buttons; this one serves the windows' tool buttons.
#pragma once

#include <memory>
#include <string>

#include "framework/GraphicControl.h"

enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    // The picture: NumGlyphs cells side by side (up, disabled, down); the bottom-left
    // pixel's colour is transparent.
    TBitmap* Glyph();
    int NumGlyphs = 1;
    TButtonLayout Layout = blGlyphLeft;
    int Spacing = 4;
    // A frame only while the mouse is over the button (or it is down).
    bool Flat() const { return FFlat; }
    void SetFlat(bool flat);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int index);
    bool AllowAllUp = false;
    // Down (only in a group); setting it in code does not click.
    bool Down() const { return FDown; }
    void SetDown(bool down);
    TButtonState State() const { return FState; }
    // Enter clicks a default button (unless a focused push button takes it), Esc a cancel
    // button: a dialog closed by flat buttons answers the keyboard as one with push buttons.
    bool Default = false;
    bool Cancel = false;
    void SetCaption(const std::string& caption) override;

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }
    std::unique_ptr<TBitmap> FGlyph;
    bool FFlat = false;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FDragging = false;
    TButtonState FState = bsUp;
};
