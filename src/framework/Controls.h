// Controls: TControl (anything with bounds inside a parent) and TWinControl (a control
// with its own window). Windows are created lazily, when a handle is first needed, from
// the parameters a class fills in CreateParams; a class may superclass a system window
// class, and then the system's window procedure is its DefaultHandler.
//
// A parent hands the notifications of a child window (WM_COMMAND, WM_NOTIFY, owner
// drawing, colours, scrolling) back to the child as CN_ messages, so every control
// handles its own. Keys reach the focused control first as CN_KEYDOWN/CN_CHAR from the
// application's loop (shortcuts and dialog keys), then as ordinary key messages (the
// form's KeyPreview, then the control's OnKeyDown/OnKeyPress/OnKeyUp).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Screen.h"
#include "framework/core/Component.h"
#include "framework/core/ControlMath.h"
#include "framework/core/ShortCuts.h"

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

using TNotifyEvent = std::function<void(TComponent* sender)>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;
// A handler may set the key to 0: the key is then used up.
using TKeyEvent = std::function<void(TComponent* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TComponent* sender, char& key)>;

// The frame of a form; controls with a border use bsNone and bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

// Messages among the framework's controls.
constexpr UINT CM_BASE = WM_APP + 0x3000;
// Sent to a windowless control when the mouse comes over it and when it leaves.
constexpr UINT CM_MOUSEENTER = CM_BASE + 0x11;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 0x12;
// To a form: a key the focused control does not want (Tab, arrows, Enter, Esc; WParam the
// key, LParam the key data); then to every control: non-zero when one used it.
constexpr UINT CM_DIALOGKEY = CM_BASE + 0x20;
// To a form and then every control: a character that may be an accelerator (WParam).
constexpr UINT CM_DIALOGCHAR = CM_BASE + 0x21;
// To every control of a form after the focus moved (LParam: the focused control).
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 0x22;
// To the controls of a parent when a speed button of a group went down (WParam: group
// index, LParam: the button).
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 0x23;

// To the focused control of a form when a mouse button is pressed on a control of it
// (LParam: that control), so that what the focused control has dropped down closes.
constexpr UINT CM_CANCELMODE = CM_BASE + 0x24;
// To every control of a form when the system's colours changed.
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 0x25;

// Notifications handed back to the child window they are about: CN_BASE + the message.
constexpr UINT CN_BASE = WM_APP + 0x3400;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;

// The shift state of a key message: Shift and Ctrl from the keyboard state, Alt from the
// key data.
TShiftState KeyDataToShiftState(LPARAM keyData);
// The shift state of a mouse message's WParam (MK_ flags; Alt from the keyboard state).
TShiftState MouseFlagsToShiftState(WPARAM flags);
// Shift, Ctrl and Alt as the keyboard state has them now.
TShiftState KeyboardShiftState();

// Dragging a control onto another: by the program (BeginDrag) or, in automatic mode, by a
// press of the left button on it.
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
class TControl;
// Asked of the control under the mouse; `accept` says whether it takes a drop.
using TDragOverEvent = std::function<void(TComponent* sender, TControl* source, int x, int y,
                                          TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TComponent* sender, TControl* source, int x, int y)>;
// The drag ended: on `target` (nullptr: nothing took it, or it was cancelled).
using TEndDragEvent = std::function<void(TComponent* sender, TControl* target, int x, int y)>;

struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = CW_USEDEFAULT;
    int Y = CW_USEDEFAULT;
    int Width = CW_USEDEFAULT;
    int Height = CW_USEDEFAULT;
    HWND WndParent = nullptr;
    // Our class name, and the system class it superclasses (empty: a plain window).
    std::string WinClassName;
    std::string SystemClassName;
    UINT ClassStyle = CS_DBLCLKS;
    HCURSOR Cursor = nullptr;
    HBRUSH Background = nullptr;
};

class TWinControl;
class TForm;
class TPopupMenu;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    // The client area (the whole control for a windowless one).
    virtual int ClientWidth() const { return FWidth; }
    virtual int ClientHeight() const { return FHeight; }
    RECT ClientRect() const { return RECT{0, 0, ClientWidth(), ClientHeight()}; }
    void SetClientWidth(int w) { SetWidth(FWidth - ClientWidth() + w); }
    void SetClientHeight(int h) { SetHeight(FHeight - ClientHeight() + h); }
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;

    // Docking to an edge of the parent (the parent lays its aligned children out again
    // whenever its size or one of them changes).
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);
    // A control that sizes itself to its content (labels, images).
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool autoSize);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool enabled);
    // Visible here and in every parent up to the top-level window.
    bool Showing() const;

    // Caption and Text are one string, as in the framework the program is written for.
    virtual std::string Caption() const { return FCaption; }
    virtual void SetCaption(const std::string& caption);
    std::string Text() const { return Caption(); }
    void SetText(const std::string& text) { SetCaption(text); }

    // Background colour and font; a control with ParentColor / ParentFont follows its
    // parent's until it is given its own.
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool parentColor);
    TFont* Font() { return &FFont; }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool parentFont);

    // Hint text ("short|long"); ShowHint with ParentShowHint follows the parent's.
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& hint) { FHint = hint; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool showHint);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool parentShowHint);

    // The mouse cursor over the control (crDefault: the window class's).
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor) { FCursor = cursor; }
    // The topic of the help file for the control (0: none).
    int HelpContext = 0;
    // The menu of a right click, and whose shortcuts work while the focus is inside.
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);

    virtual void Invalidate();
    virtual void Repaint();
    // A click as the user makes it (runs OnClick).
    virtual void Click();
    virtual void DblClick();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // Dragging. BeginDrag starts at once or, not `immediate`, once the mouse has moved
    // five pixels with the button still down; the drag ends with the left button's release
    // (a drop on a control that accepts it), and is cancelled by the right button, Esc or
    // the loss of the mouse.
    TDragMode DragMode = dmManual;
    void BeginDrag(bool immediate);
    // Ends the drag of this control: dropped where the mouse is (drop), or cancelled.
    void EndDrag(bool drop);
    bool Dragging() const;
    TNotifyEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    // Every message for this control passes here; the default sends it to DefaultHandler.
    virtual void WndProc(TMessage& message);
    virtual void DefaultHandler(TMessage& message);
    // Sends a message straight to WndProc (no window needed).
    LRESULT Perform(UINT msg, WPARAM wparam, LPARAM lparam);

    // The form the control sits on (nullptr: none yet).
    TForm* ParentForm() const;

protected:
    // Told when the control's bounds, visibility or caption changed (windowed controls
    // pass the change on to their window).
    virtual void BoundsChanged() {}
    virtual void FontChanged();
    virtual void ColorChanged();
    // A control with AutoSize says here what size its content needs.
    virtual bool CanAutoSize(int& width, int& height) {
        (void)width;
        (void)height;
        return false;
    }
    // Sizes the control to its content when AutoSize is on.
    void AdjustSize();
    // Asks the parent to lay out its aligned children again.
    void RequestAlign();
    void Resized();
    // Mouse messages in client coordinates of the control: the events and, for controls
    // with click events, the click on release inside.
    void MouseMessage(TMessage& message);
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    void Notification(TComponent* component, TOperation operation) override;
    // The menu a right click on the control shows (its PopupMenu unless a control makes
    // one of its own).
    virtual TPopupMenu* GetPopupMenu() { return FPopupMenu; }
    // The drag's steps: a press in automatic mode starts it (after the control's own
    // handling of the press); the control under the mouse is asked (OnDragOver, refused
    // without one) and takes the drop (OnDragDrop); the dragged control is told at the
    // start (OnStartDrag), when no drop took place (DragCanceled) and at the end
    // (OnEndDrag).
    virtual void BeginAutoDrag(TShiftState shift);
    virtual void DragOver(TControl* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TControl* source, int x, int y);
    virtual void DoStartDrag();
    virtual void DragCanceled() {}
    virtual void DoEndDrag(TControl* target, int x, int y);

    friend class TWinControl;
    friend class TDragSession;
    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    std::string FCaption;
    TAlign FAlign = alNone;
    bool FAutoSize = false;
    TColor FColor = clBtnFace;
    bool FParentColor = false;
    TFont FFont;
    bool FParentFont = true;
    std::string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TPopupMenu* FPopupMenu = nullptr;
    // A release of the left button inside clicks (panels, images, labels, …).
    bool FClickEvents = false;
    // A press holds the mouse until it is released (windowed controls).
    bool FCaptureMouse = false;

private:
    void ParentFontChanged();
    void ParentColorChanged();
    bool FClicked = false;
    bool FFollowingParent = false;  // taking the parent's font or colour: stays Parent*
    int FOldWidth = 0, FOldHeight = 0;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle();  // creates the window when there is none yet
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // Destroys the window and makes it again (a style change); the control's state
    // (text, items, selection, position) survives.
    void RecreateWnd();

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(static_cast<size_t>(index)); }

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void Invalidate() override;
    void Repaint() override;

    // Focus. CanFocus: the control and every parent are visible and enabled. SetFocus
    // makes the control its form's ActiveControl and gives it the keyboard focus; a
    // control that cannot take it throws.
    bool CanFocus() const;
    void SetFocus();
    // The keyboard focus is on this window or on a window of the system's inside it (the
    // edit of a combo box).
    virtual bool Focused() const;
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool tabStop);
    // Position in the parent's tab order (0 first).
    int TabOrder() const;
    void SetTabOrder(int order);
    // The next control after `current` in tab order among the controls inside this one
    // (depth first, wrapping round); nullptr when there is none.
    TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const;
    // Focuses that control.
    void SelectNext(TWinControl* current, bool forward, bool checkTabStop);
    void SelectFirst();
    bool ContainsControl(const TControl* control) const;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

    // Finds the control that owns a window made by this framework (nullptr: none).
    static TWinControl* FromHandle(HWND handle);
    // That control, or the nearest one around a window of the system's.
    static TWinControl* FindControl(HWND handle);

    // The visible, enabled windowless child at a client point, the topmost first.
    TControl* ControlAtPos(POINT point) const;
    // Paints the windowless children into the client-area context `dc`, each with its
    // origin at its top-left corner and clipped to its bounds (WM_PAINT with the context).
    void PaintControls(HDC dc);
    // Sends `message` to every child until one answers non-zero.
    void Broadcast(TMessage& message);
    // Lays the aligned children out in the client area.
    void AlignControls();

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Called once the window exists (children are created after it).
    virtual void CreateHandleDone() {}
    // The client area the aligned children share.
    virtual RECT AlignRect();
    void FontChanged() override;
    void ColorChanged() override;
    virtual void DoEnter();
    virtual void DoExit();
    // Tells the form that this control took the keyboard focus (done on WM_SETFOCUS;
    // controls whose focus goes to a window of the system's inside call it themselves).
    void NotifyFocused();
    // Key events; the form sees them first when it has KeyPreview. True: used up.
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(WORD& key, TShiftState shift);
    bool DoKeyDown(TMessage& message);
    bool DoKeyPress(TMessage& message);
    bool DoKeyUp(TMessage& message);
    // Text and background colours of a system control (the reflected WM_CTLCOLOR*).
    virtual void CtlColor(TMessage& message);
    // The shortcuts of the popup menus from this control up, then of the form.
    bool IsMenuKey(TMessage& message);
    // The control's own brush in its Color.
    HBRUSH ColorBrush() { return FBrush.Handle(); }

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    bool FTabStop = false;

private:
    friend class TControl;
    friend class TForm;
    friend LRESULT CALLBACK QuiroInitWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK QuiroStdWndProc(HWND, UINT, WPARAM, LPARAM);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void UpdateBoundsFromWindow();
    bool HasWindowlessChildren() const;
    void PaintHandler(TMessage& message);
    bool RouteMouse(TMessage& message);
    void SetMouseControl(TControl* control);
    TWinControl* FindNext(TWinControl* current, bool forward, bool checkTabStop,
                          bool checkParent) const;
    bool ReflectNotification(TMessage& message);
    void KeyMessage(TMessage& message);
    bool SetCursorFor(TMessage& message);
    void ContextMenu(TMessage& message);
    // Moves the focus off this control (or a child of it) when it is hidden or disabled.
    void DefocusIfFocused();

    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    TControl* FMouseControl = nullptr;    // windowless child under the mouse
    TControl* FCaptureControl = nullptr;  // windowless child that took the mouse on a press
    bool FDestroyingHandle = false;
    bool FAligning = false;
    UINT FControlId = 0;
    TBrush FBrush;
};

// A windowed control that paints itself on its canvas (Paint / OnPaint).
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* Canvas() { return &FCanvas; }
    TNotifyEvent OnPaint;

    void WndProc(TMessage& message) override;

protected:
    virtual void Paint();
    void DestroyWnd() override;

private:
    TControlCanvas FCanvas;
};

// While a drag runs, Esc cancels it; true when the key was used so.
bool DragKeyMessage(const MSG& msg);
// A control that goes away leaves the drag it takes part in.
void ForgetDragControl(TControl* control);

// Runs fn, handing any exception to the application instead of letting it cross into
// Windows (window procedures, timer and enumeration callbacks use this).
void GuardCallback(const std::function<void()>& fn);
