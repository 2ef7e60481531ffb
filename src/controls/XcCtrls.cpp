#include "controls/XcCtrls.h"

#include <algorithm>

#include "controls/AppUtils.h"
#include "controls/CtlUtils.h"
#include "framework/core/Exception.h"

namespace {

// The width of an item's text with one "x" after it, in the window's font, with one tab
// stop of `tabStop` pixels when it is above 0.
int MeasureItemText(HWND wnd, const std::string& text, int tabStop) {
    std::string s = text + "x";
    HDC dc = GetDC(wnd);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0)));
    int width = 0;
    if (tabStop > 0) {
        width = LOWORD(GetTabbedTextExtentA(dc, s.c_str(), static_cast<int>(s.size()), 1, &tabStop));
    } else {
        SIZE size{};
        GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
        width = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(wnd, dc);
    return width;
}

// The horizontal-extent rules of a list box's messages: an added item may widen the
// extent; deleting the widest item scrolls back to the left edge and measures the others
// again; emptying the list makes it 0; a new font measures everything again. `inherited`
// handles the message itself. False for any other message.
bool ExtentMessage(TMessage& m, HWND wnd, int& widest, const std::function<void()>& inherited,
                   const std::function<int(int)>& width) {
    auto count = [&] { return static_cast<int>(SendMessageA(wnd, LB_GETCOUNT, 0, 0)); };
    auto send = [&] { SendMessageA(wnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest), 0); };
    auto reset = [&] {
        widest = 0;
        for (int i = 0, n = count(); i < n; ++i) widest = std::max(widest, width(i));
        send();
    };
    auto scrollLeft = [&] { SendMessageA(wnd, WM_HSCROLL, SB_TOP, 0); };
    switch (m.Msg) {
        case WM_SETFONT:
            inherited();
            reset();
            return true;
        case LB_ADDSTRING:
        case LB_INSERTSTRING:
            inherited();
            // Only an item that went in is measured (a full list answers LB_ERRSPACE).
            if (static_cast<int>(m.Result) >= 0) {
                widest = std::max(widest, width(static_cast<int>(m.Result)));
                send();
            }
            return true;
        case LB_DELETESTRING: {
            int index = static_cast<int>(m.WParam);
            // An index that names no item deletes nothing and is not measured.
            if (index < 0 || index >= count() || width(index) < widest) {
                inherited();
                return true;
            }
            scrollLeft();
            inherited();
            reset();
            return true;
        }
        case LB_RESETCONTENT:
            widest = 0;
            send();
            scrollLeft();
            inherited();
            return true;
        default:
            return false;
    }
}

[[noreturn]] void ListIndexError(int index) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

// ---- TTextListBox -----------------------------------------------------------------------

void TTextListBox::WndProc(TMessage& message) {
    if (HandleAllocated() &&
        ExtentMessage(
            message, Handle(), FWidestItem, [&] { TCustomListBox::WndProc(message); },
            [this](int i) { return MeasureItemText(Handle(), Items()->Strings(i), 0); }))
        return;
    TCustomListBox::WndProc(message);
}

// ---- TXcListBoxStrings ------------------------------------------------------------------

HWND TXcListBoxStrings::Wnd() const {
    return ListBox->Handle();
}

int TXcListBoxStrings::GetCount() const {
    return static_cast<int>(SendMessageA(Wnd(), LB_GETCOUNT, 0, 0));
}

std::string TXcListBoxStrings::Get(int index) const {
    LRESULT len = SendMessageA(Wnd(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (len < 0) IndexError(index);
    std::string buf(static_cast<size_t>(len) + 1, '\0');
    LRESULT n = SendMessageA(Wnd(), LB_GETTEXT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(buf.data()));
    if (n < 0) IndexError(index);
    buf.resize(static_cast<size_t>(std::min(n, len)));
    return buf;
}

void* TXcListBoxStrings::GetObjectAt(int index) const {
    if (index < 0 || index >= GetCount()) IndexError(index);
    return reinterpret_cast<void*>(ListBox->GetItemData(index));
}

void TXcListBoxStrings::PutObject(int index, void* object) {
    if (index < 0 || index >= GetCount()) IndexError(index);
    ListBox->SetItemData(index, reinterpret_cast<LRESULT>(object));
}

int TXcListBoxStrings::Add(const std::string& s) {
    LRESULT r = SendMessageA(Wnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    if (r < 0) throw EOutOfResources("Failed to insert a line");
    return static_cast<int>(r);
}

void TXcListBoxStrings::Insert(int index, const std::string& s) {
    LRESULT r = SendMessageA(Wnd(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(s.c_str()));
    if (r < 0) throw EOutOfResources("Failed to insert a line");
}

void TXcListBoxStrings::Delete(int index) {
    ListBox->DeleteString(index);
}

void TXcListBoxStrings::Clear() {
    ListBox->ResetContent();
}

void TXcListBoxStrings::SetUpdateState(bool updating) {
    SendMessageA(Wnd(), WM_SETREDRAW, !updating, 0);
    if (!updating) ListBox->Repaint();
}

// ---- TXcCustomListBox -------------------------------------------------------------------

TXcCustomListBox::TXcCustomListBox(TComponent* owner) : TWinControl(owner), FCanvas(this) {
    FWidth = 121;
    FHeight = 97;
    FTabStop = true;
    SetColor(clWindow);
    FItems = std::make_unique<TXcListBoxStrings>(this);
}

TXcCustomListBox::~TXcCustomListBox() {
    FCanvas.FreeContext();
}

std::unique_ptr<TStrings> TXcCustomListBox::CreateItemList() {
    return std::make_unique<TXcListBoxStrings>(this);
}

void TXcCustomListBox::SetItems(const TStrings& items) {
    FItems->Assign(items);
}

void TXcCustomListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroXcListBox";
    params.SystemClassName = "LISTBOX";
    params.ClassStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
    params.Style |= WS_HSCROLL | WS_VSCROLL | LBS_HASSTRINGS | LBS_NOTIFY;
    if (FStyle == lbOwnerDrawFixed) params.Style |= LBS_OWNERDRAWFIXED;
    if (FStyle == lbOwnerDrawVariable) params.Style |= LBS_OWNERDRAWVARIABLE;
    if (FSorted) params.Style |= LBS_SORT;
    if (FMultiSelect) params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (!FIntegralHeight) params.Style |= LBS_NOINTEGRALHEIGHT;
    if (FColumns != 0) params.Style |= LBS_MULTICOLUMN;
    if (FTabWidth != 0) params.Style |= LBS_USETABSTOPS;
    if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TXcCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    FCanvas.FreeContext();
    if (FTabWidth != 0) SendMessageA(FHandle, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&FTabWidth));
    if (FColumns > 0)
        SendMessageA(FHandle, LB_SETCOLUMNWIDTH,
                     static_cast<WPARAM>(ListColumnWidth(FWidth, FColumns)), 0);
    if (FStyle == lbOwnerDrawFixed) SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, GetItemHeight());
    if (FSavedItems) {
        std::unique_ptr<TStringList> saved = std::move(FSavedItems);
        FItems->Assign(*saved);
        SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FSavedTopIndex), 0);
        SetItemIndex(FSavedItemIndex);
    }
}

void TXcCustomListBox::DestroyWnd() {
    if (FHandle && FItems->Count() > 0) {
        FSavedItems = std::make_unique<TStringList>();
        FSavedItems->Assign(*FItems);
        FSavedTopIndex = TopIndex();
        FSavedItemIndex = ItemIndex();
    }
    FCanvas.FreeContext();
    TWinControl::DestroyWnd();
}

int TXcCustomListBox::ItemIndex() const {
    return FHandle ? ListBoxItemIndex(FHandle, FMultiSelect) : FSavedItemIndex;
}

void TXcCustomListBox::SetItemIndex(int index) {
    if (!FHandle) {
        FSavedItemIndex = index;
        return;
    }
    ListBoxSetItemIndex(FHandle, FMultiSelect, index);
}

int TXcCustomListBox::SelCount() const {
    if (!FHandle) return 0;
    if (!FMultiSelect) return ItemIndex() >= 0 ? 1 : 0;
    return static_cast<int>(SendMessageA(FHandle, LB_GETSELCOUNT, 0, 0));
}

bool TXcCustomListBox::Selected(int index) const {
    if (!FHandle) return false;
    LRESULT r = SendMessageA(FHandle, LB_GETSEL, static_cast<WPARAM>(index), 0);
    if (r < 0) ListIndexError(index);
    return r > 0;
}

void TXcCustomListBox::SetSelected(int index, bool selected) {
    HandleNeeded();
    if (FMultiSelect)
        SendMessageA(FHandle, LB_SETSEL, selected, index);
    else if (selected)
        SetItemIndex(index);
    else if (ItemIndex() == index)
        SetItemIndex(-1);
}

int TXcCustomListBox::TopIndex() const {
    return FHandle ? static_cast<int>(SendMessageA(FHandle, LB_GETTOPINDEX, 0, 0))
                   : FSavedTopIndex;
}

void TXcCustomListBox::SetTopIndex(int index) {
    if (FHandle)
        SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    else
        FSavedTopIndex = index;
}

RECT TXcCustomListBox::ItemRect(int index) {
    RECT r{0, 0, 0, 0};
    int count = FItems->Count();
    if (index >= 0 && index < count) {
        SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&r));
    } else if (index == count && count > 0) {
        SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(count - 1),
                     reinterpret_cast<LPARAM>(&r));
        OffsetRect(&r, 0, r.bottom - r.top);
    }
    return r;
}

int TXcCustomListBox::ItemAtPos(POINT point, bool existing) {
    RECT client{0, 0, ClientWidth(), ClientHeight()};
    if (!PtInRect(&client, point)) return -1;
    int count = FItems->Count();
    for (int i = TopIndex(); i < count; ++i) {
        RECT r = ItemRect(i);
        if (PtInRect(&r, point)) return i;
        if (r.top > client.bottom) break;
    }
    return existing ? -1 : count;
}

void TXcCustomListBox::SetBorderStyle(TBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

void TXcCustomListBox::SetColumns(int columns) {
    if (columns == FColumns) return;
    bool multi = (FColumns == 0) != (columns == 0);
    FColumns = columns;
    if (multi) {
        RecreateWnd();
    } else if (FHandle && columns > 0) {
        SendMessageA(FHandle, LB_SETCOLUMNWIDTH,
                     static_cast<WPARAM>(ListColumnWidth(FWidth, columns)), 0);
    }
}

void TXcCustomListBox::SetItemHeight(int height) {
    if (height <= 0 || height == FItemHeight) return;
    FItemHeight = height;
    RecreateWnd();
}

void TXcCustomListBox::SetStyle(TListBoxStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    RecreateWnd();
}

void TXcCustomListBox::SetIntegralHeight(bool on) {
    if (on == FIntegralHeight) return;
    FIntegralHeight = on;
    RecreateWnd();
}

void TXcCustomListBox::SetMultiSelect(bool on) {
    if (on == FMultiSelect) return;
    FMultiSelect = on;
    RecreateWnd();
}

void TXcCustomListBox::SetExtendedSelect(bool on) {
    if (on == FExtendedSelect) return;
    FExtendedSelect = on;
    if (FMultiSelect) RecreateWnd();
}

void TXcCustomListBox::SetSorted(bool on) {
    if (on == FSorted) return;
    FSorted = on;
    RecreateWnd();
}

void TXcCustomListBox::SetTabWidth(int width) {
    width = std::max(width, 0);
    if (width == FTabWidth) return;
    FTabWidth = width;
    RecreateWnd();
}

void TXcCustomListBox::ScrollLeftAndRefresh() {
    if (!FHandle) return;
    SendMessageA(FHandle, WM_HSCROLL, SB_TOP, 0);
    if (AutoScrollInForce()) {
        ResetHorizontalExtent();
    } else {
        FWidestItem = 0;
        SendMessageA(FHandle, LB_SETHORIZONTALEXTENT, 0, 0);
    }
}

void TXcCustomListBox::SetAutoScroll(bool on) {
    if (on == FAutoScroll) return;
    FAutoScroll = on;
    ScrollLeftAndRefresh();
}

void TXcCustomListBox::SetOnGetItemWidth(TGetItemWidthEvent handler) {
    bool changed = !handler != !FOnGetItemWidth;
    FOnGetItemWidth = std::move(handler);
    if (changed) ScrollLeftAndRefresh();
}

void TXcCustomListBox::SetOnDrawItem(TDrawItemEvent handler) {
    bool changed = !handler != !OnDrawItem;
    OnDrawItem = std::move(handler);
    if (changed) ScrollLeftAndRefresh();
}

void TXcCustomListBox::SetGraySelection(bool on) {
    if (on == FGraySelection) return;
    FGraySelection = on;
    if (FMultiSelect && SelCount() >= 2) Invalidate();
}

void TXcCustomListBox::ResetHorizontalExtent() {
    FWidestItem = 0;
    for (int i = 0, n = FItems->Count(); i < n; ++i)
        FWidestItem = std::max(FWidestItem, GetItemWidth(i));
    SendMessageA(Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(FWidestItem), 0);
}

int TXcCustomListBox::TabStop() {
    if (FTabWidth <= 0) return 0;
    HDC dc = GetDC(Handle());
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)));
    SIZE zero{};
    GetTextExtentPoint32A(dc, "0", 1, &zero);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    return ListTabStop(zero.cx, FTabWidth);
}

int TXcCustomListBox::GetItemWidth(int index) {
    if (FStyle != lbStandard && FOnGetItemWidth && OnDrawItem) {
        int width = 0;
        FOnGetItemWidth(this, index, width);
        return width;
    }
    return MeasureItemText(Handle(), FItems->Strings(index), TabStop());
}

LRESULT TXcCustomListBox::GetItemData(int index) {
    return SendMessageA(Handle(), LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

void TXcCustomListBox::SetItemData(int index, LRESULT data) {
    SendMessageA(Handle(), LB_SETITEMDATA, static_cast<WPARAM>(index), data);
}

void TXcCustomListBox::ResetContent() {
    SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
}

void TXcCustomListBox::DeleteString(int index) {
    SendMessageA(Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TXcCustomListBox::DrawItemText(int index, RECT rect) {
    FCanvas.FillRect(rect);
    if (index < 0 || index >= FItems->Count()) return;
    std::string text = FItems->Strings(index);
    int top = std::max<int>(rect.top, (rect.top + rect.bottom - FCanvas.TextHeight("Wy")) / 2);
    if (FTabWidth != 0) {
        int tab = TabStop();
        FCanvas.RequireTools();
        TabbedTextOutA(FCanvas.Handle(), rect.left + 2, top, text.c_str(),
                       static_cast<int>(text.size()), 1, &tab, rect.left + 2);
    } else {
        FCanvas.TextOut(rect.left + 2, top, text);
    }
}

void TXcCustomListBox::DrawItem(int index, RECT rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    DrawItemText(index, rect);
}

void TXcCustomListBox::PaintItems(HDC dc) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_LISTBOX;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hwndItem = FHandle;
    dis.hDC = dc;
    const int count = FItems->Count(), width = ClientWidth(), height = ClientHeight();
    for (int i = TopIndex(), y = 0; i >= 0 && i < count && y < height; ++i) {
        const int h = static_cast<int>(SendMessageA(FHandle, LB_GETITEMHEIGHT, static_cast<WPARAM>(i), 0));
        if (h <= 0) break;
        dis.itemID = static_cast<UINT>(i);
        dis.itemState = Selected(i) ? ODS_SELECTED : 0;
        dis.itemData = static_cast<ULONG_PTR>(SendMessageA(FHandle, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        dis.rcItem = RECT{0, y, width, y + h};
        Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
        y += h;
    }
}

void TXcCustomListBox::BeginAutoDrag(TShiftState shift) {
    if (FMultiSelect && (shift & (ssCtrl | ssShift))) return;
    BeginDrag(false);
}

void TXcCustomListBox::DragCanceled() {
    POINT p;
    GetCursorPos(&p);
    p = ScreenToClient(p);
    TMessage m{WM_LBUTTONDOWN, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)), 0};
    DefaultHandler(m);
    m.Msg = WM_LBUTTONUP;
    DefaultHandler(m);
}

void TXcCustomListBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TXcCustomListBox::DrawItemMessage(DRAWITEMSTRUCT& dis) {
    TOwnerDrawState state = DrawStateOf(dis.itemState);
    FCanvas.FreeContext();
    FCanvas.SetHandle(dis.hDC);
    struct Release {
        TCanvas& c;
        ~Release() { c.SetHandle(nullptr); }
    } release{FCanvas};
    FCanvas.Font()->Assign(*Font());
    FCanvas.Brush()->SetColor(Color());
    if (state & odSelected) {
        if (FGraySelection && !Focused()) {
            FCanvas.Brush()->SetColor(clBtnFace);
            if (FCanvas.Font()->Color() == clBtnFace) FCanvas.Font()->SetColor(clBtnText);
        } else {
            FCanvas.Brush()->SetColor(clHighlight);
            FCanvas.Font()->SetColor(clHighlightText);
        }
    }
    int index = static_cast<int>(dis.itemID);
    if (index >= 0 && index < FItems->Count())
        DrawItem(index, dis.rcItem, state);
    else
        FCanvas.FillRect(dis.rcItem);
    if (state & odFocused) DrawFocusRect(dis.hDC, &dis.rcItem);
}

void TXcCustomListBox::WndProc(TMessage& message) {
    if (FHandle && AutoScrollInForce() &&
        ExtentMessage(
            message, FHandle, FWidestItem, [&] { TWinControl::WndProc(message); },
            [this](int i) { return GetItemWidth(i); }))
        return;
    switch (message.Msg) {
        case WM_PAINT:
            // The system's list box does not paint into a context it is given.
            if (message.WParam && FHandle) {
                PaintItems(reinterpret_cast<HDC>(message.WParam));
                message.Result = 0;
                return;
            }
            TWinControl::WndProc(message);
            return;
        case WM_LBUTTONDOWN:
            // A press on a selected item of a multi-select list drags the selection as it
            // is (without Shift, or with Ctrl).
            if (DragMode == dmAutomatic && FMultiSelect && !Dragging()) {
                const TShiftState shift = MouseFlagsToShiftState(message.WParam);
                const POINT p{static_cast<short>(LOWORD(message.LParam)),
                              static_cast<short>(HIWORD(message.LParam))};
                const int item = ItemAtPos(p, true);
                if ((!(shift & ssShift) || (shift & ssCtrl)) && item >= 0 && Selected(item)) {
                    BeginDrag(false);
                    message.Result = 0;
                    return;
                }
            }
            TWinControl::WndProc(message);
            return;
        case CN_DRAWITEM:
            DrawItemMessage(*reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam));
            message.Result = TRUE;
            return;
        case CN_MEASUREITEM: {
            auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
            int height = GetItemHeight();
            if (FStyle == lbOwnerDrawVariable) MeasureItem(static_cast<int>(mis->itemID), height);
            mis->itemHeight = static_cast<UINT>(height);
            message.Result = TRUE;
            return;
        }
        case CN_COMMAND:
            if (HIWORD(message.WParam) == LBN_SELCHANGE)
                Click();
            else if (HIWORD(message.WParam) == LBN_DBLCLK)
                DblClick();
            message.Result = 0;
            return;
        case WM_SIZE:
            TWinControl::WndProc(message);
            if (FColumns > 0)
                SendMessageA(FHandle, LB_SETCOLUMNWIDTH,
                             static_cast<WPARAM>(ListColumnWidth(FWidth, FColumns)), 0);
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TWinControl::WndProc(message);
            if (FGraySelection && FMultiSelect && SelCount() >= 2) Invalidate();
            return;
        default:
            TWinControl::WndProc(message);
    }
}

// ---- TXcCheckListBox --------------------------------------------------------------------

namespace {

// The check picture, loaded on first use and shared by every check list box.
TBitmap* CheckImages() {
    static std::unique_ptr<TBitmap> images;
    if (!images) images = MakeBitmap("CHECK_IMAGES");
    return images.get();
}

}  // namespace

// Items whose exchange carries each one's check state and enabled flag.
class TCheckListBoxStrings : public TXcListBoxStrings {
public:
    using TXcListBoxStrings::TXcListBoxStrings;
    void Exchange(int index1, int index2) override {
        auto* box = static_cast<TXcCheckListBox*>(ListBox);
        int count = GetCount();
        if (index1 < 0 || index1 >= count) IndexError(index1);
        if (index2 < 0 || index2 >= count) IndexError(index2);
        if (index1 == index2) return;
        std::string s1 = Get(index1), s2 = Get(index2);
        TXcCheckListBox::TCheckItem a = *box->CheckObject(index1, true);
        TXcCheckListBox::TCheckItem b = *box->CheckObject(index2, true);
        auto put = [&](int i, const std::string& s, const TXcCheckListBox::TCheckItem& item) {
            Delete(i);
            Insert(i, s);
            *box->CheckObject(i, true) = item;
        };
        put(index1, s2, b);
        put(index2, s1, a);
    }
    void Move(int curIndex, int newIndex) override {
        auto* box = static_cast<TXcCheckListBox*>(ListBox);
        if (curIndex == newIndex) return;
        if (curIndex < 0 || curIndex >= GetCount()) IndexError(curIndex);
        TXcCheckListBox::TCheckItem item = *box->CheckObject(curIndex, true);
        TXcListBoxStrings::Move(curIndex, newIndex);
        *box->CheckObject(newIndex, true) = item;
    }
};

TXcCheckListBox::TXcCheckListBox(TComponent* owner) : TXcCustomListBox(owner) {
    FItems = CreateItemList();
    SetAutoScroll(true);
    TBitmap* images = CheckImages();
    FCheckWidth = images->Width() / 6;
    FCheckHeight = images->Height() / 3;
    FCellBitmap.SetSize(FCheckWidth, FCheckHeight);
    FIniLink.OnSave = [this](TIniLink* link) {
        if (link->IniObject()) SaveStates(*link->IniObject());
    };
    FIniLink.OnLoad = [this](TIniLink* link) {
        if (link->IniObject()) RestoreStates(*link->IniObject());
    };
}

TXcCheckListBox::~TXcCheckListBox() {
    Destroying();
    if (FHandle) DestroyWnd();
}

std::unique_ptr<TStrings> TXcCheckListBox::CreateItemList() {
    return std::make_unique<TCheckListBoxStrings>(this);
}

void TXcCheckListBox::CreateParams(TCreateParams& params) {
    TXcCustomListBox::CreateParams(params);
    if (Style() == lbStandard) params.Style |= LBS_OWNERDRAWFIXED;
}

void TXcCheckListBox::CreateWnd() {
    TXcCustomListBox::CreateWnd();
    FSavedStates.clear();
    ResetItemHeight();
}

void TXcCheckListBox::ResetItemHeight() {
    if (!HandleAllocated() || (Style() != lbStandard && !(Style() == lbOwnerDrawFixed && !OnDrawItem)))
        return;
    FCanvas.Font()->Assign(*Font());
    int text = FontMetrics(Font()).tmHeight;
    int h = CheckListItemHeight(text, FCheckHeight, Style() == lbOwnerDrawFixed, ItemHeight());
    SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, h);
    // No vertical scroll bar while every item fits.
    if (h * Items()->Count() <= ClientHeight()) SetScrollRange(Handle(), SB_VERT, 0, 0, TRUE);
}

TXcCheckListBox::TCheckItem* TXcCheckListBox::CheckObject(int index, bool create) {
    LRESULT data = SendMessageA(Handle(), LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (data == LB_ERR) ListIndexError(index);
    auto* item = reinterpret_cast<TCheckItem*>(data);
    if (!item && create) {
        item = new TCheckItem;
        SendMessageA(Handle(), LB_SETITEMDATA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(item));
    }
    return item;
}

LRESULT TXcCheckListBox::GetItemData(int index) {
    TCheckItem* item = CheckObject(index, false);
    return item ? item->Data : 0;
}

void TXcCheckListBox::SetItemData(int index, LRESULT data) {
    TCheckItem* item = CheckObject(index, true);
    item->Data = data;
    // An item coming back into a new window takes its state with it.
    if (!FSavedStates.empty()) {
        item->State = FSavedStates.front().State;
        item->Enabled = FSavedStates.front().Enabled;
        FSavedStates.erase(FSavedStates.begin());
    }
}

void TXcCheckListBox::ResetContent() {
    for (int i = 0, n = Items()->Count(); i < n; ++i) delete CheckObject(i, false);
    TXcCustomListBox::ResetContent();
}

void TXcCheckListBox::DeleteString(int index) {
    if (index >= 0 && index < Items()->Count()) delete CheckObject(index, false);
    TXcCustomListBox::DeleteString(index);
}

int TXcCheckListBox::GetItemWidth(int index) {
    return TXcCustomListBox::GetItemWidth(index) + FCheckWidth + 2;
}

bool TXcCheckListBox::Checked(int index) {
    return State(index) == cbChecked;
}

void TXcCheckListBox::SetChecked(int index, bool checked) {
    SetState(index, checked ? cbChecked : cbUnchecked);
}

TCheckBoxState TXcCheckListBox::State(int index) {
    TCheckItem* item = CheckObject(index, false);
    TCheckBoxState state = item ? item->State : cbUnchecked;
    if (FCheckKind == ckRadioButtons && state != cbChecked) state = cbUnchecked;
    return state;
}

void TXcCheckListBox::SetState(int index, TCheckBoxState state) {
    TCheckItem* item = CheckObject(index, true);
    if (item->State == state && !FApplyingStates) return;
    if (FCheckKind == ckRadioButtons) {
        if (state != cbChecked) {
            if (item->State == cbChecked) return;  // one stays checked
        } else {
            for (int i = 0, n = Items()->Count(); i < n; ++i) {
                TCheckItem* other = CheckObject(i, false);
                if (i != index && other && other->State == cbChecked) {
                    other->State = cbUnchecked;
                    InvalidateCheck(i);
                }
            }
        }
    }
    item->State = state;
    InvalidateCheck(index);
    if (!(ComponentState() & csLoading)) ChangeItemState(index);
}

bool TXcCheckListBox::ItemEnabled(int index) {
    TCheckItem* item = CheckObject(index, false);
    return !item || item->Enabled;
}

void TXcCheckListBox::SetItemEnabled(int index, bool enabled) {
    TCheckItem* item = CheckObject(index, true);
    if (item->Enabled == enabled) return;
    item->Enabled = enabled;
    RECT r = ItemRect(index);
    InvalidateRect(Handle(), &r, FALSE);
}

int TXcCheckListBox::CheckedIndex() {
    if (FCheckKind != ckRadioButtons) return -1;
    for (int i = 0, n = Items()->Count(); i < n; ++i)
        if (State(i) == cbChecked) return i;
    return -1;
}

void TXcCheckListBox::SetCheckedIndex(int index) {
    if (FCheckKind == ckRadioButtons && index >= 0 && index < Items()->Count())
        SetState(index, cbChecked);
}

void TXcCheckListBox::ApplyState(TCheckBoxState state, bool enabledOnly) {
    if (FCheckKind == ckRadioButtons) return;
    FApplyingStates = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FApplyingStates};
    for (int i = 0, n = Items()->Count(); i < n; ++i)
        if (!enabledOnly || ItemEnabled(i)) SetState(i, state);
}

void TXcCheckListBox::ApplyRadioRuleToItems() {
    if (FCheckKind != ckRadioButtons || !HandleAllocated()) return;
    std::vector<TCheckBoxState> states;
    for (int i = 0, n = Items()->Count(); i < n; ++i) {
        TCheckItem* item = CheckObject(i, false);
        states.push_back(item ? item->State : cbUnchecked);
    }
    ApplyRadioRule(states);
    for (size_t i = 0; i < states.size(); ++i)
        CheckObject(static_cast<int>(i), true)->State = states[i];
    Invalidate();
}

void TXcCheckListBox::SetCheckKind(TCheckKind kind) {
    if (kind == FCheckKind) return;
    FCheckKind = kind;
    ApplyRadioRuleToItems();
    Invalidate();
}

void TXcCheckListBox::SetItems(const TStrings& items) {
    TXcCustomListBox::SetItems(items);
    auto* from = dynamic_cast<const TCheckListBoxStrings*>(&items);
    if (!from) return;
    auto* box = static_cast<TXcCheckListBox*>(from->ListBox);
    for (int i = 0, n = std::min(items.Count(), Items()->Count()); i < n; ++i) {
        SetState(i, box->State(i));
        SetItemEnabled(i, box->ItemEnabled(i));
    }
}

void TXcCheckListBox::Loaded() {
    TXcCustomListBox::Loaded();
    ApplyRadioRuleToItems();
}

void TXcCheckListBox::InvalidateCheck(int index) {
    if (!HandleAllocated()) return;
    RECT r = ItemRect(index);
    r.right = r.left + FCheckWidth + 2;
    InvalidateRect(Handle(), &r, FALSE);
    UpdateWindow(Handle());
}

void TXcCheckListBox::ClickCheck() {
    if (OnClickCheck) OnClickCheck(this);
}

void TXcCheckListBox::ChangeItemState(int index) {
    if (OnStateChange) OnStateChange(this, index);
}

void TXcCheckListBox::ToggleClickCheck(int index) {
    if (index < 0 || index >= Items()->Count() || !ItemEnabled(index)) return;
    SetState(index, NextCheckState(State(index), AllowGrayed, FCheckKind));
    ClickCheck();
}

void TXcCheckListBox::KeyPress(char& key) {
    TXcCustomListBox::KeyPress(key);
    if (key == ' ') {
        ToggleClickCheck(ItemIndex());
        key = 0;
    } else if (key == '+' || key == '-') {
        for (int i = 0, n = Items()->Count(); i < n; ++i)
            if (ItemEnabled(i)) {
                SetState(i, key == '+' ? cbChecked : cbUnchecked);
                ClickCheck();
            }
        key = 0;
    }
}

void TXcCheckListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TXcCustomListBox::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    int index = ItemAtPos(POINT{x, y}, true);
    if (index >= 0 && x - ItemRect(index).left < FCheckWidth + 2) ToggleClickCheck(index);
}

void TXcCheckListBox::DrawItemMessage(DRAWITEMSTRUCT& dis) {
    int index = static_cast<int>(dis.itemID);
    RECT band = dis.rcItem;
    band.right = band.left + FCheckWidth + 2;
    dis.rcItem.left = band.right;
    if (index >= 0 && index < Items()->Count()) {
        TCheckItem* item = CheckObject(index, false);
        TCheckItem shown = item ? *item : TCheckItem{};
        TCheckBoxState state = FCheckKind == ckRadioButtons && shown.State != cbChecked
                                   ? cbUnchecked
                                   : shown.State;
        TRectI cell = CheckCellRect(CheckCellIndex(state, FCheckKind, shown.Enabled),
                                    FCheckWidth, FCheckHeight);
        FCellBitmap.Canvas()->CopyRect(RECT{0, 0, FCheckWidth, FCheckHeight},
                                       CheckImages()->Canvas(),
                                       RECT{cell.Left, cell.Top, cell.Right, cell.Bottom});
        TCanvas canvas;
        canvas.SetHandle(dis.hDC);
        canvas.Brush()->SetColor(Color());
        canvas.FillRect(band);
        int x = band.left + (band.right - band.left - FCheckWidth) / 2;
        int y = band.top + (band.bottom - band.top - FCheckHeight) / 2;
        canvas.BrushCopy(RECT{x, y, x + FCheckWidth, y + FCheckHeight}, &FCellBitmap,
                         RECT{0, 0, FCheckWidth, FCheckHeight}, clFuchsia);
        canvas.SetHandle(nullptr);
        FDrawDisabled = !shown.Enabled;
    }
    TXcCustomListBox::DrawItemMessage(dis);
    FDrawDisabled = false;
}

void TXcCheckListBox::DrawItem(int index, RECT rect, TOwnerDrawState state) {
    if (FDrawDisabled)
        FCanvas.Font()->SetColor((state & odSelected) ? clInactiveCaptionText : clGrayText);
    if (Style() == lbStandard)
        DrawItemText(index, rect);
    else
        TXcCustomListBox::DrawItem(index, rect, state);
}

std::string TXcCheckListBox::Section() {
    return FIniLink.RootSection() + GetDefaultSection(this);
}

void TXcCheckListBox::SaveStates(IIniStore& store) {
    std::vector<TCheckBoxState> states;
    for (int i = 0, n = Items()->Count(); i < n; ++i) states.push_back(State(i));
    SaveCheckStates(store, Section(), states);
}

void TXcCheckListBox::RestoreStates(IIniStore& store) {
    std::vector<TCheckBoxState> states =
        ReadCheckStates(store, Section(), Items()->Count(), FCheckKind == ckRadioButtons);
    for (size_t i = 0; i < states.size(); ++i) SetState(static_cast<int>(i), states[i]);
}

void TXcCheckListBox::WndProc(TMessage& message) {
    if (message.Msg == WM_DESTROY && FHandle) {
        // The states go with the items into a new window; the items' objects go now.
        FSavedStates.clear();
        for (int i = 0, n = static_cast<int>(SendMessageA(FHandle, LB_GETCOUNT, 0, 0)); i < n;
             ++i) {
            auto* item = reinterpret_cast<TCheckItem*>(
                SendMessageA(FHandle, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
            FSavedStates.push_back(item && item != reinterpret_cast<TCheckItem*>(LB_ERR)
                                       ? *item
                                       : TCheckItem{});
            if (item != reinterpret_cast<TCheckItem*>(LB_ERR)) delete item;
            SendMessageA(FHandle, LB_SETITEMDATA, static_cast<WPARAM>(i), 0);
        }
    }
    if (message.Msg == WM_SETFONT) {
        TXcCustomListBox::WndProc(message);
        ResetItemHeight();
        return;
    }
    TXcCustomListBox::WndProc(message);
}
