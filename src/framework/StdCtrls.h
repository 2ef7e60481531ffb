// The standard controls: edits and memos, list and combo boxes, buttons, check boxes and
// radio buttons, group boxes, labels and scroll bars. Each keeps its state (text, items,
// selection, scroll position) in itself while it has no window, and across a re-created
// window, so properties may be set before the form is shown and survive a style change.
//
// Event rules: setting an edit's text in code fires OnChange (once, when it changed);
// setting a combo or list box's ItemIndex in code fires nothing; setting a check box's or
// radio button's Checked in code fires OnClick when the state changed.
#pragma once

#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/GraphicControl.h"
#include "framework/WindowUtils.h"
#include "framework/core/Strings.h"

// ---- Edits ------------------------------------------------------------------------------

// A position in an edit's text as the program counts it (bytes of the ANSI text, as the
// system's edit does) and as the edit window takes it (Wine's edit counts characters).
int EditPositionToWindow(HWND edit, int offset);
int EditPositionFromWindow(HWND edit, int position);

// The characters typed into an edit window arrive through the program's ANSI procedures,
// a double-byte one as its two bytes, one message each. The system's edit pairs them; the
// edit of Wine turns each byte on its own into "?". The pair goes in whole instead, as the
// edit's replacement of its selection (what the edit does with a typed character).
class TDoubleByteTyping {
public:
    // True when the character message was taken here (a lead byte kept, or the pair put in).
    bool Take(HWND edit, TMessage& message);

private:
    unsigned char FLead = 0;
};

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);

    void SetCaption(const std::string& caption) override;
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    // Shown instead of each typed character (0: the text itself).
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char ch);
    // Most characters the user may type (0: the system's limit).
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int length);
    // The user changed the text since it was last set in code or cleared here.
    bool Modified() const;
    void SetModified(bool modified);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    // Typed text passes through the OEM code page and back (names of files).
    bool OEMConvert() const { return FOEMConvert; }
    void SetOEMConvert(bool on);
    // Entering by the keyboard selects the whole text.
    bool AutoSelect = true;

    virtual int SelStart() const;
    virtual void SetSelStart(int start);
    virtual int SelLength() const;
    virtual void SetSelLength(int length);
    virtual std::string SelText() const;
    void SetSelText(const std::string& text);
    void SelectAll();
    virtual void Clear() { SetText(std::string()); }

    TNotifyEvent OnChange;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void DoEnter() override;
    virtual void Change();
    // Gives the window its limit of characters (0: the system's).
    virtual void DoSetMaxLength(int length);
    // The selection's positions are bytes of the ANSI text, as the system's edit counts
    // them; a window that counts characters (the rich edit's) says no.
    virtual bool BytePositions() const { return true; }

    int FSelStart = 0, FSelEnd = 0;
    int FTopLine = 0;

private:
    void GetSel(int& start, int& end) const;
    int ToWindow(int offset) const { return BytePositions() ? EditPositionToWindow(FHandle, offset) : offset; }
    int FromWindow(int position) const {
        return BytePositions() ? EditPositionFromWindow(FHandle, position) : position;
    }
    bool FReadOnly = false;
    char FPasswordChar = 0;
    int FMaxLength = 0;
    bool FModified = false;
    TBorderStyle FBorderStyle = bsSingle;
    bool FOEMConvert = false;
    bool FSettingText = false;
    TDoubleByteTyping FDoubleByte;
};

class TEdit : public TCustomEdit {
public:
    using TCustomEdit::TCustomEdit;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomMemo;

// The lines of a memo, read from and written to its window.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TCustomMemo* memo) : FMemo(memo) {}
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const std::string& s) override;

protected:
    std::string Get(int index) const override;
    int GetCount() const override;
    void Put(int index, const std::string& s) override;
    void SetTextStr(const std::string& text) override;
    void SetUpdateState(bool updating) override;

private:
    HWND Wnd() const;
    TCustomMemo* FMemo;
};

class TCustomMemo : public TCustomEdit {
public:
    explicit TCustomMemo(TComponent* owner);
    virtual TStrings* Lines() { return &FLines; }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle bars);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool wrap);
    // Enter makes a new line (else it is a dialog key); Tab is typed (else it moves on).
    bool WantReturns = true;
    bool WantTabs = false;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    TMemoStrings FLines;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
};

class TMemo : public TCustomMemo {
public:
    using TCustomMemo::TCustomMemo;
};

// ---- List and combo boxes ---------------------------------------------------------------

enum TOwnerDrawStateFlag : unsigned {
    odSelected = 1,
    odGrayed = 2,
    odDisabled = 4,
    odChecked = 8,
    odFocused = 16,
    odComboBoxEdit = 32,
};
using TOwnerDrawState = unsigned;
// The state of an item from a DRAWITEMSTRUCT's itemState.
TOwnerDrawState DrawStateOf(UINT itemState);
// A list box window's current item (the caret's item when several can be selected; -1 for
// none), and setting it.
int ListBoxItemIndex(HWND list, bool multiSelect);
void ListBoxSetItemIndex(HWND list, bool multiSelect, int index);
using TDrawItemEvent =
    std::function<void(TWinControl* control, int index, RECT rect, TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(TWinControl* control, int index, int& height)>;

// The items of a list or combo box: in the window while it exists (every read asks the
// window for the text's length first), else in a list the control keeps.
class TItemStrings : public TStrings {
public:
    struct Messages {
        UINT count, getTextLen, getText, getData, setData, add, insert, del, reset;
        LRESULT error, errSpace;
    };
    TItemStrings(TWinControl* control, const Messages& messages, TStringList* store)
        : FControl(control), FMsg(messages), FStore(store) {}
    int Add(const std::string& s) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const std::string& s) override;

protected:
    std::string Get(int index) const override;
    int GetCount() const override;
    void* GetObjectAt(int index) const override;
    void PutObject(int index, void* object) override;
    void SetUpdateState(bool updating) override;

private:
    bool Live() const { return FControl->HandleAllocated(); }
    LRESULT Send(UINT msg, WPARAM w, LPARAM l) const;
    TWinControl* FControl;
    Messages FMsg;
    TStringList* FStore;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TStrings* Items() { return &FItems; }
    int Count() const { return FItems.Count(); }
    void Clear() { FItems.Clear(); }
    // The selected item (the focused one in a multi-select list); -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    int SelCount() const;
    int TopIndex() const;
    void SetTopIndex(int index);
    // The item at a client point (-1: none).
    int ItemAtPos(POINT point) const;
    RECT ItemRect(int index) const;

    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle style);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool multi);
    bool ExtendedSelect = true;
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int height);
    bool IntegralHeight = false;
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);

    // The canvas an owner-drawn item is drawn on.
    TCanvas* Canvas() { return &FCanvas; }
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // Draws item `index`: OnDrawItem, else its text.
    virtual void DrawItem(int index, RECT rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);

private:
    TStringList FStore;
    TItemStrings FItems;
    int FStoredIndex = -1, FStoredTop = 0;
    std::vector<int> FStoredSelection;
    TListBoxStyle FStyle = lbStandard;
    bool FSorted = false;
    bool FMultiSelect = false;
    int FItemHeight = 16;
    TBorderStyle FBorderStyle = bsSingle;
    TControlCanvas FCanvas;
};

class TListBox : public TCustomListBox {
public:
    using TCustomListBox::TCustomListBox;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    TStrings* Items() { return &FItems; }
    void Clear();
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The text: the edit's for an editable box, the selected item's for a drop-down list
    // (setting it selects the item of that text).
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle style);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int count);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int length);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int height);
    bool DroppedDown() const;
    void SetDroppedDown(bool down);
    int SelStart() const;
    int SelLength() const;
    void SetSelection(int start, int length);
    void SetBounds(int left, int top, int width, int height) override;

    TCanvas* Canvas() { return &FCanvas; }
    // The user typed (editable boxes) or chose an item.
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change();
    virtual void DrawItem(int index, RECT rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);

private:
    bool Editable() const { return FStyle == csDropDown || FStyle == csSimple; }
    int ListHeight() const;
    void EditMessage(TMessage& message);
    TStringList FStore;
    TItemStrings FItems;
    int FStoredIndex = -1;
    TComboBoxStyle FStyle = csDropDown;
    bool FSorted = false;
    int FDropDownCount = 8;
    int FMaxLength = 0;
    int FItemHeight = 16;
    TControlCanvas FCanvas;
    std::unique_ptr<TWindowSubclass> FEditHook;
    TDoubleByteTyping FDoubleByte;
};

class TComboBox : public TCustomComboBox {
public:
    using TCustomComboBox::TCustomComboBox;
};

// ---- Buttons ----------------------------------------------------------------------------

// Buttons, check boxes and radio buttons: the system's BUTTON, clicked by its accelerator.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    // The caption's accelerator was typed.
    virtual void AccelPressed() { Click(); }
    virtual void Clicked() { Click(); }
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner) : TButtonControl(owner) {}
    // Enter presses the default button (unless another button has the focus), Esc the
    // cancel button; a click sets the form's ModalResult to the button's.
    bool Default() const { return FDefault; }
    void SetDefault(bool isDefault);
    bool Cancel = false;
    TModalResult ModalResult = mrNone;

    void Click() override;
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    bool Active() const;
    void UpdateDefaultFrame();
    bool FDefault = false;
};


class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* owner);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    // A change, in code too, clicks (OnClick).
    void SetState(TCheckBoxState state);
    // A click also goes through the grayed state.
    bool AllowGrayed = false;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void AccelPressed() override;
    void Clicked() override { Toggle(); }

private:
    void Toggle();
    TCheckBoxState FState = cbUnchecked;
};

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    bool Checked() const { return FChecked; }
    // Checking unchecks the other radio buttons of the parent and clicks (in code too).
    void SetChecked(bool checked);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void AccelPressed() override;
    void Clicked() override { SetChecked(true); }

private:
    bool FChecked = false;
};

// A frame with a caption around other controls; its accelerator focuses the first.
class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* owner);
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    RECT AlignRect() override;
};

// ---- Labels -----------------------------------------------------------------------------


class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout layout);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool wrap);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent);
    // '&' marks the accelerator, which focuses FocusControl.
    bool ShowAccelChar = true;
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* control);
    void SetCaption(const std::string& caption) override;

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    bool CanAutoSize(int& width, int& height) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    UINT DrawFlags() const;
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FTransparent = false;
    TWinControl* FFocusControl = nullptr;
};

// ---- Scroll bars ------------------------------------------------------------------------

enum TScrollBarKind { sbHorizontal, sbVertical };
// The SB_ codes, in their order.
enum TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll
};
using TScrollEvent = std::function<void(TComponent* sender, TScrollCode code, int& pos)>;

class TScrollBar : public TWinControl {
public:
    explicit TScrollBar(TComponent* owner);
    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind kind);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    void SetMin(int v) { SetParams(FPosition, v, FMax); }
    void SetMax(int v) { SetParams(FPosition, FMin, v); }
    // Held to Min..Max; a change fires OnChange (not OnScroll).
    void SetPosition(int v) { SetParams(v, FMin, FMax); }
    void SetParams(int position, int min, int max);
    int PageSize() const { return FPageSize; }
    void SetPageSize(int size);
    // Changes reach the window with its next paint, and show then (giving them to a scroll
    // bar and drawing it can cost more than what the program does around it).
    void SetDrawLater(bool later) { FDrawLater = later; }
    int SmallChange = 1;
    int LargeChange = 1;

    // The user scrolled: the code and the new position (the handler may change it).
    TScrollEvent OnScroll;
    TNotifyEvent OnChange;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

private:
    void ApplyToWindow();
    bool ValuesWait() const;
    void GiveToWindow();
    void DoScroll(TScrollCode code);
    TScrollBarKind FKind = sbHorizontal;
    int FMin = 0, FMax = 100, FPosition = 0, FPageSize = 0;
    // What the window was given last (a window redraws itself at every change, also when
    // nothing changed); no window has been given anything yet when false.
    bool FApplied = false;
    bool FDrawLater = false;
    // A paint is asked for and has not come yet: asking again would change nothing.
    bool FPaintAsked = false;
    int FAppliedMin = 0, FAppliedMax = 0, FAppliedPosition = 0, FAppliedPageSize = 0;
};
