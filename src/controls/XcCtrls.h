// The library's list boxes: TTextListBox (the framework's list box with a horizontal
// scroll extent that follows its widest item), TXcCustomListBox (a list box of its own on
// the system's LISTBOX, with the same rule under AutoScroll, a gray selection while
// unfocused and an item-width event) and TXcCheckListBox (items with a check box, radio
// button or check mark of three states and an enabled flag each). The arithmetic is
// controls/core/XcListRules.h.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/Placement.h"
#include "controls/core/XcListRules.h"
#include "framework/StdCtrls.h"
#include "framework/core/IniStore.h"

// Keeps the horizontal extent equal to the width of the widest item (its text and one
// "x"), so that a horizontal scroll bar shows exactly when an item is wider than the box.
class TTextListBox : public TCustomListBox {
public:
    explicit TTextListBox(TComponent* owner) : TCustomListBox(owner) {}
    int WidestItem() const { return FWidestItem; }
    void WndProc(TMessage& message) override;

private:
    int FWidestItem = 0;
};

class TXcCustomListBox;

// The items of a TXcCustomListBox: nothing is kept here, every operation goes to the
// window (made when needed).
class TXcListBoxStrings : public TStrings {
public:
    explicit TXcListBoxStrings(TXcCustomListBox* listBox) : ListBox(listBox) {}
    int Add(const std::string& s) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const std::string& s) override;

    TXcCustomListBox* ListBox;

protected:
    // The text's length is asked first: an item may be of any length.
    std::string Get(int index) const override;
    int GetCount() const override;
    void* GetObjectAt(int index) const override;
    void PutObject(int index, void* object) override;
    void SetUpdateState(bool updating) override;
    HWND Wnd() const;
};

using TGetItemWidthEvent = std::function<void(TWinControl* control, int index, int& width)>;

class TXcCustomListBox : public TWinControl {
public:
    explicit TXcCustomListBox(TComponent* owner);
    ~TXcCustomListBox() override;

    TStrings* Items() { return FItems.get(); }
    virtual void SetItems(const TStrings& items);
    void Clear() { FItems->Clear(); }
    TCanvas* Canvas() { return &FCanvas; }

    int ItemIndex() const;
    void SetItemIndex(int index);
    int SelCount() const;
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    int TopIndex() const;
    void SetTopIndex(int index);
    // The item at a client point: -1 outside the client area; past the last item the count,
    // or -1 with `existing`.
    int ItemAtPos(POINT point, bool existing);
    // One past the last item: the last one's rectangle moved down by its height.
    RECT ItemRect(int index);

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    int Columns() const { return FColumns; }
    void SetColumns(int columns);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int height);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle style);
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool on);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool on);
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool on);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool on);
    // Tab stops in dialog units (0: none; below 0 is 0).
    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int width);
    // Keep the horizontal extent at the widest item (only in one column).
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool on);
    // The selection in button face while the box has no focus.
    bool GraySelection() const { return FGraySelection; }
    void SetGraySelection(bool on);
    int WidestItem() const { return FWidestItem; }

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    // Setting it (from none or to none) refreshes the extent.
    void SetOnGetItemWidth(TGetItemWidthEvent handler);
    void SetOnDrawItem(TDrawItemEvent handler);

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;

    virtual int GetItemHeight() { return FItemHeight; }
    virtual std::unique_ptr<TStrings> CreateItemList();
    virtual int GetItemWidth(int index);
    virtual void DrawItem(int index, RECT rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);
    virtual LRESULT GetItemData(int index);
    virtual void SetItemData(int index, LRESULT data);
    virtual void ResetContent();
    virtual void DeleteString(int index);
    // The owner-draw notice of one item (the check list draws its band first).
    virtual void DrawItemMessage(DRAWITEMSTRUCT& dis);
    bool AutoScrollInForce() const { return FAutoScroll && FColumns == 0; }
    void ResetHorizontalExtent();
    void ScrollLeftAndRefresh();
    // Draws an item's text the default way.
    void DrawItemText(int index, RECT rect);
    // A paint into a given context (WM_PAINT with a DC): the items from the top one down
    // to the client's height, each through CN_DRAWITEM.
    void PaintItems(HDC dc);
    // Automatic drag: a press starts it (in a multi-select list not with Shift unless Ctrl
    // is held too); a cancelled drag is a click where the mouse is.
    void BeginAutoDrag(TShiftState shift) override;
    void DragCanceled() override;
    int TabStop();

    std::unique_ptr<TStrings> FItems;
    TControlCanvas FCanvas;

private:
    friend class TXcListBoxStrings;
    TBorderStyle FBorderStyle = bsSingle;
    int FColumns = 0;
    int FItemHeight = 16;
    TListBoxStyle FStyle = lbStandard;
    bool FIntegralHeight = false;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    bool FSorted = false;
    int FTabWidth = 0;
    std::unique_ptr<TStringList> FSavedItems;
    int FSavedTopIndex = 0, FSavedItemIndex = -1;
    bool FAutoScroll = false;
    bool FGraySelection = false;
    int FWidestItem = 0;
    TGetItemWidthEvent FOnGetItemWidth;
};

class TXcListBox : public TXcCustomListBox {
public:
    using TXcCustomListBox::TXcCustomListBox;
};

using TChangeStateEvent = std::function<void(TComponent* sender, int index)>;

class TXcCheckListBox : public TXcCustomListBox {
public:
    explicit TXcCheckListBox(TComponent* owner);
    ~TXcCheckListBox() override;

    bool Checked(int index);
    void SetChecked(int index, bool checked);
    // Radio buttons report checked or unchecked only.
    TCheckBoxState State(int index);
    void SetState(int index, TCheckBoxState state);
    bool ItemEnabled(int index);
    void SetItemEnabled(int index, bool enabled);
    // The checked item of radio buttons (-1: none, or another kind).
    int CheckedIndex();
    void SetCheckedIndex(int index);
    // Every item (every enabled item) to `state`; nothing for radio buttons.
    void ApplyState(TCheckBoxState state, bool enabledOnly);
    // Between the grayed state too on a click (never for radio buttons).
    bool AllowGrayed = false;
    TCheckKind CheckKind() const { return FCheckKind; }
    void SetCheckKind(TCheckKind kind);
    // Keeps the states with a form placement (in its root section).
    TFormPlacement* IniStorage() const { return FIniLink.Storage(); }
    void SetIniStorage(TFormPlacement* storage) { FIniLink.SetStorage(storage); }
    // States in an INI file or the registry, under the box's default section.
    void SaveStates(IIniStore& store);
    void RestoreStates(IIniStore& store);
    int CheckWidth() const { return FCheckWidth; }
    int CheckHeight() const { return FCheckHeight; }

    TNotifyEvent OnClickCheck;
    TChangeStateEvent OnStateChange;

    // From another check list box the states and enabled flags come along.
    void SetItems(const TStrings& items) override;
    void Loaded() override;
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    std::unique_ptr<TStrings> CreateItemList() override;
    int GetItemWidth(int index) override;
    LRESULT GetItemData(int index) override;
    void SetItemData(int index, LRESULT data) override;
    void ResetContent() override;
    void DeleteString(int index) override;
    void DrawItemMessage(DRAWITEMSTRUCT& dis) override;
    void DrawItem(int index, RECT rect, TOwnerDrawState state) override;
    void KeyPress(char& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    virtual void ClickCheck();
    virtual void ChangeItemState(int index);

private:
    friend class TCheckListBoxStrings;
    struct TCheckItem {
        TCheckBoxState State = cbUnchecked;
        bool Enabled = true;
        LRESULT Data = 0;
    };
    TCheckItem* CheckObject(int index, bool create);
    void ToggleClickCheck(int index);
    void InvalidateCheck(int index);
    void ResetItemHeight();
    void ApplyRadioRuleToItems();
    std::string Section();

    TCheckKind FCheckKind = ckCheckBoxes;
    std::vector<TCheckItem> FSavedStates;  // across a new window
    int FCheckWidth = 0, FCheckHeight = 0;
    TBitmap FCellBitmap;
    TIniLink FIniLink;
    bool FApplyingStates = false;
    bool FDrawDisabled = false;
};
