// Application events for any number of forms at once. Application and Screen hold one
// handler per event; the first TAppEvents saves the handlers installed there and puts the
// dispatchers of one process-wide list in their place. Each dispatcher calls the
// components from the last created to the first and then the saved handler, unless a
// component with Chained false (or an OnMessage handler that set Handled) stops it. When
// the last component goes, the saved handlers are put back (where a dispatcher is still
// installed; a handler assigned directly meanwhile stays).
//
// The component also mirrors the application's hint and settings properties, paints the
// minimised application's icon on request (OnPaintIcon) and reports changes of the
// system's settings (OnSettingsChanged), both through a hook on the main window.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Forms.h"
#include "framework/Graphics.h"

class TAppEvents : public TComponent {
public:
    explicit TAppEvents(TComponent* owner);
    ~TAppEvents() override;

    // Writes the mirrored properties into Application.
    void Loaded() override;

    // False stops every dispatch after this component: components created earlier and
    // the handler saved from before them are not called.
    bool Chained = true;

    // Mirrors of Application's properties: read from Application, written to both.
    TColor HintColor() const;
    void SetHintColor(TColor value);
    int HintPause() const;
    void SetHintPause(int value);
    int HintShortPause() const;
    void SetHintShortPause(int value);
    int HintHidePause() const;
    void SetHintHidePause(int value);
    bool ShowHint() const;
    void SetShowHint(bool value);
    bool ShowMainForm() const;
    void SetShowMainForm(bool value);
    bool UpdateFormatSettings() const;
    void SetUpdateFormatSettings(bool value);
    bool UpdateMetricSettings() const;
    void SetUpdateMetricSettings(bool value);

    // Made on first use; during OnPaintIcon it draws on the minimised window.
    TCanvas* Canvas();

    TNotifyEvent OnPaintIcon;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    THelpEvent OnHelp;
    TNotifyEvent OnHint;
    TMessageEvent OnMessage;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TShowHintEvent OnShowHint;
    TNotifyEvent OnSettingsChanged;
    // Screen's events.
    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;

    // Paints the minimised application's window through OnPaintIcon.
    virtual void PaintIcon();
    // The main window's messages: WM_PAINT of the minimised window (handled when
    // OnPaintIcon is set) and WM_WININICHANGE (OnSettingsChanged). True when handled.
    virtual bool MessageHook(TMessage& msg);

protected:
    virtual void SettingsChanged();

private:
    template <class T>
    T Mirrored(T TAppEvents::*field, T TApplication::*property) const;
    template <class T>
    void Mirror(T TAppEvents::*field, T TApplication::*property, T value);
    void UpdateAppProps();

    TColor FHintColor = clInfoBk;
    int FHintPause = 500;
    int FHintShortPause = 50;
    int FHintHidePause = 2500;
    bool FShowHint = true;
    bool FShowMainForm = true;
    bool FUpdateFormatSettings = true;
    bool FUpdateMetricSettings = true;
    std::unique_ptr<TCanvas> FCanvas;
};
