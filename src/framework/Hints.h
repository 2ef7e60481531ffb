// Hints: the small window that shows a control's Hint once the mouse has rested on it for
// the application's HintPause, and the bookkeeping behind it (the application runs it from
// its message loop).
#pragma once

#include <string>

#include "framework/Controls.h"

class TApplication;
class TTimer;

// The short part of a hint ("short|long") and the long part (the whole hint when it has
// no '|').
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// A borderless tool window on top of everything, in the hint colour, never activated.
class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    // Shows `text` with its top-left corner at a screen point, at most `maxWidth` wide.
    void ActivateHint(POINT at, const std::string& text, int maxWidth);
    void ReleaseHandle();
    bool Shown() const { return FShowing; }

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;

private:
    bool FShowing = false;
};

class THintController : public TComponent {
public:
    explicit THintController(TApplication* application);
    ~THintController() override;

    // Every message of the loop passes here (mouse moves pick the control, presses and
    // keys hide the hint).
    void Message(const MSG& msg);
    // Hides the hint and forgets its control.
    void Cancel();
    THintWindow* Window() const { return FWindow; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ControlChanged(TControl* control);
    void ShowNow();
    void Hide();
    bool HintsOn(TControl* control) const;

    TApplication* FApplication;
    TControl* FControl = nullptr;
    std::string FText;  // the short hint of the control or of the nearest parent with one
    THintWindow* FWindow;
    TTimer* FShowTimer;
    TTimer* FHideTimer;
};
