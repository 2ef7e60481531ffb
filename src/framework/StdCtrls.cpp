#include "framework/StdCtrls.h"

#include <algorithm>
#include <utility>

#include "framework/core/Exception.h"

namespace {

// Size of `text` drawn in `font` with DrawText `flags` (DT_CALCRECT added) and a width
// limit for word-wrapped text (0: none).
SIZE MeasureText(TFont& font, const std::string& text, UINT flags, int width) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.Handle());
    RECT r{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}


// The owner-draw notices of a list or combo box: an item drawn on `canvas` (selection
// colours, the item, the focus rectangle), or an item's height asked. False for any other
// message.
template <class DrawFn, class MeasureFn>
bool OwnerDrawMessage(TMessage& message, TControlCanvas& canvas, TFont& font, TColor color,
                      int itemHeight, bool variable, DrawFn draw, MeasureFn measure) {
    if (message.Msg == CN_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        int height = itemHeight;
        if (variable) measure(static_cast<int>(mis->itemID), height);
        mis->itemHeight = static_cast<UINT>(height);
        message.Result = TRUE;
        return true;
    }
    if (message.Msg != CN_DRAWITEM) return false;
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
    TOwnerDrawState state = DrawStateOf(dis->itemState);
    canvas.FreeContext();
    canvas.SetHandle(dis->hDC);
    struct Release {
        TCanvas& c;
        ~Release() { c.SetHandle(nullptr); }
    } release{canvas};
    canvas.Font()->Assign(font);
    canvas.Brush()->SetColor(color);
    if (state & odSelected) {
        canvas.Brush()->SetColor(clHighlight);
        canvas.Font()->SetColor(clHighlightText);
    }
    if (static_cast<int>(dis->itemID) >= 0)
        draw(static_cast<int>(dis->itemID), dis->rcItem, state);
    else
        canvas.FillRect(dis->rcItem);
    if (state & odFocused) DrawFocusRect(dis->hDC, &dis->rcItem);
    message.Result = TRUE;
    return true;
}

}  // namespace

TOwnerDrawState DrawStateOf(UINT itemState) {
    TOwnerDrawState s = 0;
    if (itemState & ODS_SELECTED) s |= odSelected;
    if (itemState & ODS_GRAYED) s |= odGrayed;
    if (itemState & ODS_DISABLED) s |= odDisabled;
    if (itemState & ODS_CHECKED) s |= odChecked;
    if (itemState & ODS_FOCUS) s |= odFocused;
    if (itemState & ODS_COMBOBOXEDIT) s |= odComboBoxEdit;
    return s;
}

int ListBoxItemIndex(HWND list, bool multiSelect) {
    LRESULT r = SendMessageA(list, multiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0);
    return r < 0 ? -1 : static_cast<int>(r);
}

void ListBoxSetItemIndex(HWND list, bool multiSelect, int index) {
    if (multiSelect)
        SendMessageA(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    else
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// ---- TCustomEdit ------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    FWidth = 121;
    FHeight = 21;
    FTabStop = true;
    SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroEdit";
    params.SystemClassName = "EDIT";
    params.Style |=
        ES_AUTOHSCROLL | (FReadOnly ? ES_READONLY : 0) | (FPasswordChar ? ES_PASSWORD : 0);
    if (FOEMConvert) params.Style |= ES_OEMCONVERT;
    if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::SetOEMConvert(bool on) {
    if (on == FOEMConvert) return;
    FOEMConvert = on;
    if (FHandle) RecreateWnd();
}

namespace {

// The most text an edit window takes while it is made (its first limit is 32767 characters
// in the system, 30000 in Wine).
constexpr size_t kCreateTextLimit = 30000;

}  // namespace

void TCustomEdit::CreateWnd() {
    FSettingText = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FSettingText};
    // An edit window refuses to be made with more text than its first limit (32767
    // characters): a longer text goes in once the limit is the edit's own.
    const std::string text = Caption();
    const bool longText = text.size() > kCreateTextLimit;
    if (longText) TControl::SetCaption("");
    TWinControl::CreateWnd();
    if (longText) TControl::SetCaption(text);
    if (FPasswordChar)
        SendMessageA(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
    DoSetMaxLength(FMaxLength);
    if (longText) SetWindowTextA(FHandle, text.c_str());
    SendMessageA(FHandle, EM_SETSEL, static_cast<WPARAM>(ToWindow(FSelStart)), ToWindow(FSelEnd));
    SendMessageA(FHandle, EM_SETMODIFY, FModified, 0);
    if (FTopLine > 0) SendMessageA(FHandle, EM_LINESCROLL, 0, FTopLine);
}

void TCustomEdit::DestroyWnd() {
    if (FHandle) {
        GetSel(FSelStart, FSelEnd);
        FModified = SendMessageA(FHandle, EM_GETMODIFY, 0, 0) != 0;
        FTopLine = static_cast<int>(SendMessageA(FHandle, EM_GETFIRSTVISIBLELINE, 0, 0));
    }
    TWinControl::DestroyWnd();
}

void TCustomEdit::SetCaption(const std::string& caption) {
    if (caption == Caption()) return;
    FSettingText = true;
    {
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{FSettingText};
        TWinControl::SetCaption(caption);
    }
    FModified = false;
    FSelStart = FSelEnd = 0;
    Change();
}

void TCustomEdit::SetReadOnly(bool readOnly) {
    FReadOnly = readOnly;
    if (FHandle) SendMessageA(FHandle, EM_SETREADONLY, readOnly, 0);
}

void TCustomEdit::SetPasswordChar(char ch) {
    if (ch == FPasswordChar) return;
    FPasswordChar = ch;
    if (!FHandle) return;
    SendMessageA(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(ch), 0);
    Invalidate();
}

void TCustomEdit::SetMaxLength(int length) {
    FMaxLength = length;
    DoSetMaxLength(length);
}

void TCustomEdit::DoSetMaxLength(int length) {
    if (FHandle) SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(length), 0);
}

bool TCustomEdit::Modified() const {
    return FHandle ? SendMessageA(FHandle, EM_GETMODIFY, 0, 0) != 0 : FModified;
}

void TCustomEdit::SetModified(bool modified) {
    FModified = modified;
    if (FHandle) SendMessageA(FHandle, EM_SETMODIFY, modified, 0);
}

void TCustomEdit::SetBorderStyle(TBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

void TCustomEdit::GetSel(int& start, int& end) const {
    if (!FHandle) {
        start = FSelStart;
        end = FSelEnd;
        return;
    }
    DWORD s = 0, e = 0;
    SendMessageA(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = FromWindow(static_cast<int>(s));
    end = FromWindow(static_cast<int>(e));
}

int TCustomEdit::SelStart() const {
    int s, e;
    GetSel(s, e);
    return s;
}

int TCustomEdit::SelLength() const {
    int s, e;
    GetSel(s, e);
    return e - s;
}

void TCustomEdit::SetSelStart(int start) {
    FSelStart = FSelEnd = start;
    if (!FHandle) return;
    const int at = ToWindow(start);
    SendMessageA(FHandle, EM_SETSEL, static_cast<WPARAM>(at), at);
}

void TCustomEdit::SetSelLength(int length) {
    int s = SelStart();
    FSelStart = s;
    FSelEnd = s + length;
    if (FHandle)
        SendMessageA(FHandle, EM_SETSEL, static_cast<WPARAM>(ToWindow(s)), ToWindow(s + length));
}

std::string TCustomEdit::SelText() const {
    int s, e;
    GetSel(s, e);
    std::string text = Caption();
    s = std::clamp(s, 0, static_cast<int>(text.size()));
    e = std::clamp(e, s, static_cast<int>(text.size()));
    return text.substr(static_cast<size_t>(s), static_cast<size_t>(e - s));
}

void TCustomEdit::SetSelText(const std::string& text) {
    if (FHandle) {
        SendMessageA(FHandle, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
        return;
    }
    std::string all = FCaption;
    size_t s = std::min(static_cast<size_t>(std::max(FSelStart, 0)), all.size());
    size_t e = std::min(std::max(static_cast<size_t>(std::max(FSelEnd, 0)), s), all.size());
    all.replace(s, e - s, text);
    FCaption = all;
    FSelStart = FSelEnd = static_cast<int>(s + text.size());
    Change();
}

void TCustomEdit::SelectAll() {
    FSelStart = 0;
    FSelEnd = -1;
    if (FHandle) SendMessageA(FHandle, EM_SETSEL, 0, -1);
}

void TCustomEdit::DoEnter() {
    if (AutoSelect && GetKeyState(VK_LBUTTON) >= 0 && FHandle &&
        !(GetWindowLongA(FHandle, GWL_STYLE) & ES_MULTILINE))
        SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

// ---- Positions in an edit's text ---------------------------------------------------------

namespace {

// Whether the system's edit counts an ANSI window's positions in characters (Wine's) or in
// bytes of the ANSI text (the system's own): asked once, of an edit holding one
// double-byte character.
bool EditCountsCharacters() {
    static const bool counts = [] {
        CPINFOEXA info{};
        if (!GetCPInfoExA(CP_ACP, 0, &info) || info.MaxCharSize < 2 || !info.LeadByte[0]) return false;
        char pair[3] = {static_cast<char>(info.LeadByte[0]), 0, 0};
        WCHAR wide[2];
        for (int trail = 0x40; trail < 0xFF && !pair[1]; ++trail) {
            pair[1] = static_cast<char>(trail);
            if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) != 1) pair[1] = 0;
        }
        HWND edit = CreateWindowExA(0, "EDIT", pair, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        if (!edit) return false;
        SendMessageA(edit, EM_SETSEL, 0, -1);
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        DestroyWindow(edit);
        return pair[1] && end == 1;
    }();
    return counts;
}

std::string WindowText(HWND wnd) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(wnd)) + 1, '\0');
    text.resize(static_cast<size_t>(std::max(GetWindowTextA(wnd, text.data(), static_cast<int>(text.size())), 0)));
    return text;
}

}  // namespace

// The program's positions are bytes of the text it reads, the edit's may be characters.
int EditPositionToWindow(HWND edit, int offset) {
    if (offset <= 0 || !EditCountsCharacters()) return offset;
    const std::string text = WindowText(edit);
    int chars = 0;
    size_t i = 0;
    for (; i < text.size() && i < static_cast<size_t>(offset); ++chars)
        i += IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    return chars + (offset > static_cast<int>(i) ? offset - static_cast<int>(i) : 0);
}

int EditPositionFromWindow(HWND edit, int position) {
    if (position <= 0 || !EditCountsCharacters()) return position;
    const std::string text = WindowText(edit);
    size_t i = 0;
    for (int chars = 0; i < text.size() && chars < position; ++chars)
        i += IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    return static_cast<int>(i);
}

bool TDoubleByteTyping::Take(HWND edit, TMessage& message) {
    const auto ch = static_cast<unsigned char>(message.WParam);
    const unsigned char lead = std::exchange(FLead, 0);
    if (lead && ch >= 0x40) {  // a trail byte
        const LONG style = GetWindowLongA(edit, GWL_STYLE);
        const char pair[3] = {static_cast<char>(lead), static_cast<char>(ch), 0};
        if (style & (ES_READONLY | ES_NUMBER))
            MessageBeep(0);
        else
            SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pair));
        message.Result = 0;
        return true;
    }
    if (!IsDBCSLeadByte(ch)) return false;
    FLead = ch;
    message.Result = 0;
    return true;
}

void TCustomEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CN_COMMAND:
            if (HIWORD(message.WParam) == EN_CHANGE && !FSettingText) Change();
            message.Result = 0;
            return;
        case WM_CHAR:
            if (DoKeyPress(message) || FDoubleByte.Take(FHandle, message)) return;
            DefaultHandler(message);
            return;
        default:
            TWinControl::WndProc(message);
    }
}

// ---- TCustomMemo ------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), FLines(this) {
    FWidth = 185;
    FHeight = 89;
}

void TCustomMemo::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    params.WinClassName = "QuiroMemo";
    params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
    if (FWordWrap) params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL;
}

void TCustomMemo::SetScrollBars(TScrollStyle bars) {
    if (bars == FScrollBars) return;
    FScrollBars = bars;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool wrap) {
    if (wrap == FWordWrap) return;
    FWordWrap = wrap;
    RecreateWnd();
}

void TCustomMemo::WndProc(TMessage& message) {
    if (message.Msg == WM_GETDLGCODE) {
        TCustomEdit::WndProc(message);
        if (WantTabs)
            message.Result |= DLGC_WANTTAB;
        else
            message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
        if (!WantReturns) message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
        return;
    }
    if (message.Msg == WM_CHAR && message.WParam == '\r' && !WantReturns) {
        message.Result = 0;
        return;
    }
    TCustomEdit::WndProc(message);
}

HWND TMemoStrings::Wnd() const {
    return FMemo->Handle();
}

int TMemoStrings::GetCount() const {
    HWND w = Wnd();
    auto n = static_cast<int>(SendMessageA(w, EM_GETLINECOUNT, 0, 0));
    // The empty line after a final line break is no line of its own.
    if (n > 0 && SendMessageA(w, EM_LINELENGTH, SendMessageA(w, EM_LINEINDEX, n - 1, 0), 0) == 0)
        --n;
    return n;
}

std::string TMemoStrings::Get(int index) const {
    if (index < 0 || index >= GetCount()) IndexError(index);
    HWND w = Wnd();
    LRESULT start = SendMessageA(w, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
    if (start < 0) IndexError(index);
    // The length is in characters where the window keeps its text as such: room for two
    // bytes each, and the line is as long as the bytes copied.
    auto len = static_cast<size_t>(SendMessageA(w, EM_LINELENGTH, static_cast<WPARAM>(start), 0));
    const size_t room = std::min<size_t>(2 * len, 0xFFFF);
    std::string buf(std::max<size_t>(room, sizeof(WORD)) + 1, '\0');
    *reinterpret_cast<WORD*>(buf.data()) = static_cast<WORD>(room);
    auto n = static_cast<size_t>(SendMessageA(w, EM_GETLINE, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(buf.data())));
    buf.resize(std::min(n, room));
    return buf;
}

void TMemoStrings::Put(int index, const std::string& s) {
    HWND w = Wnd();
    LRESULT start = SendMessageA(w, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
    if (index < 0 || start < 0) IndexError(index);
    LRESULT len = SendMessageA(w, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    SendMessageA(w, EM_SETSEL, static_cast<WPARAM>(start), start + len);
    SendMessageA(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

void TMemoStrings::Insert(int index, const std::string& s) {
    if (index < 0) IndexError(index);
    HWND w = Wnd();
    LRESULT start = SendMessageA(w, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
    std::string line;
    if (start >= 0) {
        line = s + "\r\n";
    } else {
        // After the last line, which has no line break yet.
        start = SendMessageA(w, EM_LINEINDEX, static_cast<WPARAM>(index - 1), 0);
        if (start < 0) IndexError(index);
        start += SendMessageA(w, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
        line = "\r\n" + s;
    }
    SendMessageA(w, EM_SETSEL, static_cast<WPARAM>(start), start);
    SendMessageA(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

void TMemoStrings::Delete(int index) {
    HWND w = Wnd();
    LRESULT start = SendMessageA(w, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
    if (index < 0 || start < 0) IndexError(index);
    LRESULT end = SendMessageA(w, EM_LINEINDEX, static_cast<WPARAM>(index + 1), 0);
    if (end < 0) end = start + SendMessageA(w, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    SendMessageA(w, EM_SETSEL, static_cast<WPARAM>(start), end);
    SendMessageA(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
}

void TMemoStrings::Clear() {
    FMemo->SetText(std::string());
}

void TMemoStrings::SetTextStr(const std::string& text) {
    // The edit control breaks lines only at CR LF.
    TStringList lines;
    lines.SetText(text);
    std::string joined;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i) joined += "\r\n";
        joined += lines.Strings(i);
    }
    FMemo->SetText(joined);
}

void TMemoStrings::SetUpdateState(bool updating) {
    if (!FMemo->HandleAllocated()) return;
    SendMessageA(Wnd(), WM_SETREDRAW, !updating, 0);
    if (!updating) InvalidateRect(Wnd(), nullptr, TRUE);
}

// ---- TItemStrings -----------------------------------------------------------------------

LRESULT TItemStrings::Send(UINT msg, WPARAM w, LPARAM l) const {
    return SendMessageA(FControl->Handle(), msg, w, l);
}

int TItemStrings::GetCount() const {
    return Live() ? static_cast<int>(Send(FMsg.count, 0, 0)) : FStore->Count();
}

std::string TItemStrings::Get(int index) const {
    if (!Live()) return FStore->Strings(index);
    // The length first: an item may be longer than any buffer we would guess.
    LRESULT len = Send(FMsg.getTextLen, static_cast<WPARAM>(index), 0);
    if (index < 0 || len == FMsg.error || len < 0) IndexError(index);
    std::string buf(static_cast<size_t>(len) + 1, '\0');
    LRESULT n =
        Send(FMsg.getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
    if (n == FMsg.error || n < 0) IndexError(index);
    buf.resize(static_cast<size_t>(std::min(n, len)));
    return buf;
}

void* TItemStrings::GetObjectAt(int index) const {
    if (!Live()) return FStore->Objects(index);
    if (index < 0 || index >= GetCount()) IndexError(index);
    return reinterpret_cast<void*>(Send(FMsg.getData, static_cast<WPARAM>(index), 0));
}

void TItemStrings::PutObject(int index, void* object) {
    if (!Live()) {
        FStore->SetObjects(index, object);
        return;
    }
    if (index < 0 || index >= GetCount()) IndexError(index);
    Send(FMsg.setData, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
}

int TItemStrings::Add(const std::string& s) {
    if (!Live()) return FStore->Add(s);
    LRESULT r = Send(FMsg.add, 0, reinterpret_cast<LPARAM>(s.c_str()));
    if (r < 0) throw EOutOfResources("Failed to insert a line");
    return static_cast<int>(r);
}

void TItemStrings::Insert(int index, const std::string& s) {
    if (!Live()) {
        if (FStore->Sorted())
            FStore->Add(s);
        else
            FStore->Insert(index, s);
        return;
    }
    if (index < 0 || index > GetCount()) IndexError(index);
    LRESULT r = Send(FMsg.insert, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.c_str()));
    if (r < 0) throw EOutOfResources("Failed to insert a line");
}

void TItemStrings::Delete(int index) {
    if (!Live()) {
        FStore->Delete(index);
        return;
    }
    if (index < 0 || index >= GetCount()) IndexError(index);
    Send(FMsg.del, static_cast<WPARAM>(index), 0);
}

void TItemStrings::Clear() {
    if (Live())
        Send(FMsg.reset, 0, 0);
    else
        FStore->Clear();
}

void TItemStrings::SetUpdateState(bool updating) {
    if (!Live()) return;
    Send(WM_SETREDRAW, !updating, 0);
    if (!updating) InvalidateRect(FControl->Handle(), nullptr, TRUE);
}

namespace {

const TItemStrings::Messages kListBoxMessages{
    LB_GETCOUNT,     LB_GETTEXTLEN,   LB_GETTEXT,      LB_GETITEMDATA, LB_SETITEMDATA, LB_ADDSTRING,
    LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT, LB_ERR,         LB_ERRSPACE};
const TItemStrings::Messages kComboBoxMessages{
    CB_GETCOUNT,     CB_GETLBTEXTLEN, CB_GETLBTEXT,    CB_GETITEMDATA, CB_SETITEMDATA, CB_ADDSTRING,
    CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_ERR,         CB_ERRSPACE};

// Moves the kept items into the new window (texts and objects) and empties the store.
void FillWindow(HWND wnd, TStringList& store, UINT add, UINT setData) {
    for (int i = 0; i < store.Count(); ++i) {
        std::string s = store.Strings(i);
        LRESULT at = SendMessageA(wnd, add, 0, reinterpret_cast<LPARAM>(s.c_str()));
        if (at >= 0 && store.Objects(i))
            SendMessageA(wnd, setData, static_cast<WPARAM>(at),
                         reinterpret_cast<LPARAM>(store.Objects(i)));
    }
    store.Clear();
}

// Copies the window's items (texts and objects) into the store.
void KeepItems(TStrings& items, TStringList& store) {
    store.Clear();
    bool sorted = store.Sorted();
    store.SetSorted(false);
    for (int i = 0; i < items.Count(); ++i) store.AddObject(items.Strings(i), items.Objects(i));
    store.SetSorted(sorted);
}

}  // namespace

// ---- TCustomListBox ---------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), FItems(this, kListBoxMessages, &FStore), FCanvas(this) {
    FWidth = 121;
    FHeight = 97;
    FTabStop = true;
    FStore.SetDuplicates(dupAccept);
    SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() {
    FCanvas.FreeContext();
}

void TCustomListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroListBox";
    params.SystemClassName = "LISTBOX";
    params.Style |= WS_HSCROLL | WS_VSCROLL | LBS_HASSTRINGS | LBS_NOTIFY;
    if (FStyle == lbOwnerDrawFixed) params.Style |= LBS_OWNERDRAWFIXED;
    if (FStyle == lbOwnerDrawVariable) params.Style |= LBS_OWNERDRAWVARIABLE;
    if (FSorted) params.Style |= LBS_SORT;
    if (FMultiSelect) params.Style |= ExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (!IntegralHeight) params.Style |= LBS_NOINTEGRALHEIGHT;
    if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    FCanvas.FreeContext();
    if (FStyle == lbOwnerDrawFixed) SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
    FillWindow(FHandle, FStore, LB_ADDSTRING, LB_SETITEMDATA);
    if (FMultiSelect) {
        for (int i : FStoredSelection) SendMessageA(FHandle, LB_SETSEL, TRUE, i);
        if (FStoredIndex >= 0)
            SendMessageA(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(FStoredIndex), FALSE);
    } else {
        SendMessageA(FHandle, LB_SETCURSEL, static_cast<WPARAM>(FStoredIndex), 0);
    }
    SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FStoredTop), 0);
}

void TCustomListBox::DestroyWnd() {
    if (FHandle) {
        FStoredIndex = ItemIndex();
        FStoredTop = TopIndex();
        FStoredSelection.clear();
        if (FMultiSelect)
            for (int i = 0; i < Count(); ++i)
                if (Selected(i)) FStoredSelection.push_back(i);
        KeepItems(FItems, FStore);
    }
    FCanvas.FreeContext();
    TWinControl::DestroyWnd();
}

int TCustomListBox::ItemIndex() const {
    return FHandle ? ListBoxItemIndex(FHandle, FMultiSelect) : FStoredIndex;
}

void TCustomListBox::SetItemIndex(int index) {
    if (!FHandle) {
        FStoredIndex = index;
        return;
    }
    ListBoxSetItemIndex(FHandle, FMultiSelect, index);
}

bool TCustomListBox::Selected(int index) const {
    if (!FHandle) {
        if (FMultiSelect)
            return std::find(FStoredSelection.begin(), FStoredSelection.end(), index) !=
                   FStoredSelection.end();
        return index == FStoredIndex;
    }
    LRESULT r = SendMessageA(FHandle, LB_GETSEL, static_cast<WPARAM>(index), 0);
    if (r < 0) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    return r > 0;
}

void TCustomListBox::SetSelected(int index, bool selected) {
    if (!FMultiSelect) {
        if (selected)
            SetItemIndex(index);
        else if (ItemIndex() == index)
            SetItemIndex(-1);
        return;
    }
    if (!FHandle) {
        auto it = std::find(FStoredSelection.begin(), FStoredSelection.end(), index);
        if (selected && it == FStoredSelection.end()) FStoredSelection.push_back(index);
        if (!selected && it != FStoredSelection.end()) FStoredSelection.erase(it);
        return;
    }
    SendMessageA(FHandle, LB_SETSEL, selected, index);
}

int TCustomListBox::SelCount() const {
    if (!FMultiSelect) return ItemIndex() >= 0 ? 1 : 0;
    if (!FHandle) return static_cast<int>(FStoredSelection.size());
    return static_cast<int>(SendMessageA(FHandle, LB_GETSELCOUNT, 0, 0));
}

int TCustomListBox::TopIndex() const {
    return FHandle ? static_cast<int>(SendMessageA(FHandle, LB_GETTOPINDEX, 0, 0)) : FStoredTop;
}

void TCustomListBox::SetTopIndex(int index) {
    FStoredTop = index;
    if (FHandle) SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

int TCustomListBox::ItemAtPos(POINT point) const {
    if (!FHandle) return -1;
    LRESULT r = SendMessageA(FHandle, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    if (HIWORD(r)) return -1;
    return LOWORD(r) < Count() ? LOWORD(r) : -1;
}

RECT TCustomListBox::ItemRect(int index) const {
    RECT r{0, 0, 0, 0};
    if (FHandle)
        SendMessageA(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&r));
    return r;
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    RecreateWnd();
}

void TCustomListBox::SetSorted(bool sorted) {
    if (sorted == FSorted) return;
    FSorted = sorted;
    if (!FHandle) FStore.SetSorted(sorted);
    RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool multi) {
    if (multi == FMultiSelect) return;
    FMultiSelect = multi;
    RecreateWnd();
}

void TCustomListBox::SetItemHeight(int height) {
    FItemHeight = height;
    if (FHandle && FStyle == lbOwnerDrawFixed) {
        SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, height);
        Invalidate();
    }
}

void TCustomListBox::SetBorderStyle(TBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

void TCustomListBox::DrawItem(int index, RECT rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    FCanvas.FillRect(rect);
    if (index < Count()) FCanvas.TextOut(rect.left + 2, rect.top, FItems.Strings(index));
}

void TCustomListBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomListBox::WndProc(TMessage& message) {
    if (OwnerDrawMessage(
            message, FCanvas, FFont, FColor, FItemHeight, FStyle == lbOwnerDrawVariable,
            [this](int i, RECT r, TOwnerDrawState st) { DrawItem(i, r, st); },
            [this](int i, int& h) { MeasureItem(i, h); }))
        return;
    switch (message.Msg) {
        case CN_COMMAND:
            if (HIWORD(message.WParam) == LBN_SELCHANGE)
                Click();
            else if (HIWORD(message.WParam) == LBN_DBLCLK)
                DblClick();
            message.Result = 0;
            return;
        default:
            TWinControl::WndProc(message);
    }
}

// ---- TCustomComboBox --------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), FItems(this, kComboBoxMessages, &FStore), FCanvas(this) {
    FWidth = 145;
    FHeight = 21;
    FTabStop = true;
    FStore.SetDuplicates(dupAccept);
    SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() {
    FEditHook.reset();
    FCanvas.FreeContext();
}

int TCustomComboBox::ListHeight() const {
    return FDropDownCount * FItemHeight + 2;
}

void TCustomComboBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroComboBox";
    params.SystemClassName = "COMBOBOX";
    params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
    switch (FStyle) {
        case csDropDown:
            params.Style |= CBS_DROPDOWN;
            break;
        case csSimple:
            params.Style |= CBS_SIMPLE;
            break;
        case csDropDownList:
            params.Style |= CBS_DROPDOWNLIST;
            break;
        case csOwnerDrawFixed:
            params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED;
            break;
        case csOwnerDrawVariable:
            params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE;
            break;
    }
    if (FSorted) params.Style |= CBS_SORT;
    if (FStyle != csSimple) params.Height = FHeight + ListHeight();
}

void TCustomComboBox::CreateWnd() {
    std::string text = FCaption;
    TWinControl::CreateWnd();
    FCanvas.FreeContext();
    if (FStyle == csOwnerDrawFixed) SendMessageA(FHandle, CB_SETITEMHEIGHT, 0, FItemHeight);
    FillWindow(FHandle, FStore, CB_ADDSTRING, CB_SETITEMDATA);
    SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FStoredIndex), 0);
    if (Editable()) {
        SendMessageA(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
        SetWindowTextA(FHandle, text.c_str());
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(FHandle, &info) && info.hwndItem && info.hwndItem != FHandle) {
            FEditHook = std::make_unique<TWindowSubclass>([this](TMessage& m) { EditMessage(m); });
            FEditHook->Attach(info.hwndItem);
        }
    }
}

void TCustomComboBox::DestroyWnd() {
    if (FHandle) {
        FStoredIndex = ItemIndex();
        if (Editable()) FCaption = TWinControl::Caption();
        KeepItems(FItems, FStore);
    }
    FEditHook.reset();
    FCanvas.FreeContext();
    std::string text = FCaption;
    TWinControl::DestroyWnd();
    FCaption = text;
}

// Keys typed into the edit of an editable box are the box's key events.
void TCustomComboBox::EditMessage(TMessage& message) {
    switch (message.Msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (DoKeyDown(message)) return;
            break;
        case WM_CHAR:
            if (DoKeyPress(message) || FDoubleByte.Take(FEditHook->Window(), message)) return;
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (DoKeyUp(message)) return;
            break;
        case WM_SETFOCUS: {
            FEditHook->CallPrevious(message);
            NotifyFocused();
            return;
        }
        default:
            break;
    }
    FEditHook->CallPrevious(message);
}

void TCustomComboBox::Clear() {
    FItems.Clear();
    SetCaption(std::string());
}

int TCustomComboBox::ItemIndex() const {
    if (!FHandle) return FStoredIndex;
    LRESULT r = SendMessageA(FHandle, CB_GETCURSEL, 0, 0);
    return r < 0 ? -1 : static_cast<int>(r);
}

void TCustomComboBox::SetItemIndex(int index) {
    if (FHandle) {
        SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    FStoredIndex = index;
    if (Editable()) FCaption = index >= 0 && index < FStore.Count() ? FStore.Strings(index) : "";
}

std::string TCustomComboBox::Caption() const {
    if (Editable()) return TWinControl::Caption();
    int i = ItemIndex();
    return i >= 0 && i < const_cast<TItemStrings&>(FItems).Count()
               ? const_cast<TItemStrings&>(FItems).Strings(i)
               : std::string();
}

void TCustomComboBox::SetCaption(const std::string& caption) {
    if (Editable())
        TWinControl::SetCaption(caption);
    else
        SetItemIndex(FItems.IndexOf(caption));
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    RecreateWnd();
}

void TCustomComboBox::SetSorted(bool sorted) {
    if (sorted == FSorted) return;
    FSorted = sorted;
    if (!FHandle) FStore.SetSorted(sorted);
    RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int count) {
    FDropDownCount = count;
    if (FHandle) SetBounds(FLeft, FTop, FWidth, FHeight);
}

void TCustomComboBox::SetMaxLength(int length) {
    FMaxLength = length;
    if (FHandle && Editable()) SendMessageA(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(length), 0);
}

void TCustomComboBox::SetItemHeight(int height) {
    FItemHeight = height;
    if (FHandle && FStyle == csOwnerDrawFixed) {
        SendMessageA(FHandle, CB_SETITEMHEIGHT, 0, height);
        Invalidate();
    }
}

bool TCustomComboBox::DroppedDown() const {
    return FHandle && SendMessageA(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool down) {
    if (FHandle) SendMessageA(FHandle, CB_SHOWDROPDOWN, down, 0);
}

int TCustomComboBox::SelStart() const {
    DWORD s = 0, e = 0;
    if (FHandle)
        SendMessageA(FHandle, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&s),
                     reinterpret_cast<LPARAM>(&e));
    return EditPositionFromWindow(FHandle, static_cast<int>(s));
}

int TCustomComboBox::SelLength() const {
    DWORD s = 0, e = 0;
    if (FHandle)
        SendMessageA(FHandle, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&s),
                     reinterpret_cast<LPARAM>(&e));
    return EditPositionFromWindow(FHandle, static_cast<int>(e)) -
           EditPositionFromWindow(FHandle, static_cast<int>(s));
}

void TCustomComboBox::SetSelection(int start, int length) {
    if (FHandle)
        SendMessageA(FHandle, CB_SETEDITSEL, 0,
                     MAKELPARAM(EditPositionToWindow(FHandle, start),
                                EditPositionToWindow(FHandle, start + length)));
}

void TCustomComboBox::SetBounds(int left, int top, int width, int height) {
    // The window's height includes the dropped-down list; the control's is the closed box.
    if (FHandle && FStyle != csSimple) {
        TWinControl::SetBounds(left, top, width, height + ListHeight());
        return;
    }
    TWinControl::SetBounds(left, top, width, height);
}

void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBox::DrawItem(int index, RECT rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    FCanvas.FillRect(rect);
    if (index < FItems.Count()) FCanvas.TextOut(rect.left + 2, rect.top, FItems.Strings(index));
}

void TCustomComboBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomComboBox::WndProc(TMessage& message) {
    if (OwnerDrawMessage(
            message, FCanvas, FFont, FColor, FItemHeight, FStyle == csOwnerDrawVariable,
            [this](int i, RECT r, TOwnerDrawState st) { DrawItem(i, r, st); },
            [this](int i, int& h) { MeasureItem(i, h); }))
        return;
    switch (message.Msg) {
        case CN_KEYDOWN:
            // A dropped-down list takes Enter and Esc itself (to choose, to close up): they
            // are no dialog keys then.
            if ((message.WParam == VK_RETURN || message.WParam == VK_ESCAPE) && DroppedDown()) {
                message.Result = 0;
                return;
            }
            TWinControl::WndProc(message);
            return;
        case CN_COMMAND:
            switch (HIWORD(message.WParam)) {
                case CBN_EDITCHANGE:
                    Change();
                    break;
                case CBN_SELCHANGE: {
                    // The edit shows the chosen item only after this notice: show it now.
                    int i = ItemIndex();
                    if (Editable() && i >= 0) SetWindowTextA(FHandle, FItems.Strings(i).c_str());
                    Click();
                    Change();
                    break;
                }
                case CBN_DROPDOWN:
                    if (OnDropDown) OnDropDown(this);
                    break;
                case CBN_CLOSEUP:
                    if (OnCloseUp) OnCloseUp(this);
                    break;
                case CBN_SETFOCUS:
                    NotifyFocused();
                    break;
                default:
                    break;
            }
            message.Result = 0;
            return;
        default:
            TWinControl::WndProc(message);
    }
}

// ---- Buttons ----------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    FWidth = 75;
    FHeight = 25;
    FTabStop = true;
}

void TButtonControl::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroButton";
    params.SystemClassName = "BUTTON";
}

void TButtonControl::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CN_COMMAND:
            if (HIWORD(message.WParam) == BN_CLICKED) Clicked();
            message.Result = 0;
            return;
        case CM_DIALOGCHAR:
            if (IsAccel(static_cast<char>(message.WParam), Caption()) && CanFocus()) {
                AccelPressed();
                message.Result = 1;
                return;
            }
            break;
        default:
            break;
    }
    TWinControl::WndProc(message);
}

void TButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool isDefault) {
    FDefault = isDefault;
    UpdateDefaultFrame();
}

bool TButton::Active() const {
    TForm* form = ParentForm();
    TWinControl* focused = form ? form->ActiveControl() : nullptr;
    return focused == this || (FDefault && !dynamic_cast<TButton*>(focused));
}

void TButton::UpdateDefaultFrame() {
    if (FHandle)
        SendMessageA(FHandle, BM_SETSTYLE, Active() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (ModalResult != mrNone)
        if (TForm* form = ParentForm()) form->ModalResult = ModalResult;
    TButtonControl::Click();
}

void TButton::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CM_DIALOGKEY:
            if (((message.WParam == VK_RETURN && Active()) ||
                 (message.WParam == VK_ESCAPE && Cancel)) &&
                KeyDataToShiftState(message.LParam) == 0 && CanFocus()) {
                Click();
                message.Result = 1;
                return;
            }
            break;
        case CM_FOCUSCHANGED:
            UpdateDefaultFrame();
            break;
        default:
            break;
    }
    TButtonControl::WndProc(message);
}

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
    FWidth = 97;
    FHeight = 17;
    SetParentColor(true);
}

void TCheckBox::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= BS_3STATE;
}

void TCheckBox::CreateHandleDone() {
    SendMessageA(FHandle, BM_SETCHECK, FState, 0);
}

void TCheckBox::SetState(TCheckBoxState state) {
    if (state == FState) return;
    FState = state;
    if (FHandle) SendMessageA(FHandle, BM_SETCHECK, state, 0);
    Click();
}

void TCheckBox::Toggle() {
    switch (FState) {
        case cbUnchecked:
            SetState(AllowGrayed ? cbGrayed : cbChecked);
            break;
        case cbChecked:
            SetState(cbUnchecked);
            break;
        case cbGrayed:
            SetState(cbChecked);
            break;
    }
}

void TCheckBox::AccelPressed() {
    SetFocus();
    if (Focused()) Toggle();
}

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    FWidth = 113;
    FHeight = 17;
    FTabStop = false;
    SetParentColor(true);
}

void TRadioButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= BS_RADIOBUTTON;
}

void TRadioButton::CreateHandleDone() {
    SendMessageA(FHandle, BM_SETCHECK, FChecked, 0);
}

void TRadioButton::SetChecked(bool checked) {
    if (checked == FChecked) return;
    FChecked = checked;
    SetTabStop(checked);
    if (FHandle) SendMessageA(FHandle, BM_SETCHECK, checked, 0);
    if (!checked) return;
    if (FParent) {
        for (int i = 0; i < FParent->ControlCount(); ++i) {
            auto* other = dynamic_cast<TRadioButton*>(FParent->Controls(i));
            if (other && other != this) other->SetChecked(false);
        }
    }
    Click();
}

void TRadioButton::AccelPressed() {
    SetFocus();
    if (Focused()) SetChecked(true);
}

// ---- TGroupBox --------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
    FWidth = 185;
    FHeight = 105;
    FCaptureMouse = false;
    SetParentColor(true);
}

RECT TGroupBox::AlignRect() {
    RECT r = TCustomControl::AlignRect();
    r.top += MeasureText(FFont, "0", DT_SINGLELINE, 0).cy;
    InflateRect(&r, -2, -2);
    return r;
}

void TGroupBox::Paint() {
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    RECT client = ClientRect();
    c->Brush()->SetColor(FColor);
    c->FillRect(client);
    c->RequireTools();
    std::string text = Caption();
    SIZE size = MeasureText(FFont, text.empty() ? "0" : text, DT_SINGLELINE, 0);
    RECT frame = client;
    frame.top += size.cy / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (text.empty()) return;
    RECT textRect{8, 0, 8 + size.cx + 4, size.cy};
    c->FillRect(textRect);
    SetBkMode(dc, TRANSPARENT);
    textRect.left += 2;
    SetTextColor(dc, ColorToGdi(Enabled() ? FFont.Color() : clGrayText));
    DrawTextA(dc, text.c_str(), -1, &textRect, DT_SINGLELINE | DT_LEFT);
}

void TGroupBox::WndProc(TMessage& message) {
    if (message.Msg == CM_DIALOGCHAR && IsAccel(static_cast<char>(message.WParam), Caption()) &&
        CanFocus()) {
        SelectFirst();
        message.Result = 1;
        return;
    }
    TCustomControl::WndProc(message);
}

// ---- TLabel -----------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    FWidth = 65;
    FHeight = 17;
    FAutoSize = true;
    FClickEvents = true;
    SetParentColor(true);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TLabel::SetFocusControl(TWinControl* control) {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = control;
    if (control) control->FreeNotification(this);
}

void TLabel::SetAlignment(TAlignment alignment) {
    FAlignment = alignment;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout layout) {
    FLayout = layout;
    Invalidate();
}

void TLabel::SetWordWrap(bool wrap) {
    FWordWrap = wrap;
    AdjustSize();
    Invalidate();
}

void TLabel::SetCaption(const std::string& caption) {
    if (caption == Caption()) return;
    TGraphicControl::SetCaption(caption);
    Invalidate();
}

void TLabel::SetTransparent(bool transparent) {
    FTransparent = transparent;
    Invalidate();
}

UINT TLabel::DrawFlags() const {
    UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | (ShowAccelChar ? 0 : DT_NOPREFIX);
    if (FAlignment == taRightJustify)
        flags |= DT_RIGHT;
    else if (FAlignment == taCenter)
        flags |= DT_CENTER;
    return flags;
}

bool TLabel::CanAutoSize(int& width, int& height) {
    std::string text = Caption();
    if (text.empty() || (ShowAccelChar && text == "&")) text += ' ';
    SIZE size = MeasureText(FFont, text, DrawFlags(), FWordWrap ? FWidth : 0);
    if (!FWordWrap) width = size.cx;
    height = size.cy;
    return true;
}

void TLabel::Paint() {
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    if (!FTransparent) {
        c->Brush()->SetColor(FColor);
        c->FillRect(r);
    }
    c->Font()->Assign(FFont);
    c->RequireTools();
    HDC dc = c->Handle();
    SetBkMode(dc, TRANSPARENT);
    std::string text = Caption();
    UINT flags = DrawFlags();
    if (FLayout != tlTop) {
        SIZE size = MeasureText(FFont, text.empty() ? " " : text, flags, FWordWrap ? FWidth : 0);
        int room = r.bottom - size.cy;
        r.top += FLayout == tlCenter ? room / 2 : room;
    }
    if (!Enabled()) {
        RECT shifted = r;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(dc, ColorToGdi(clBtnHighlight));
        DrawTextA(dc, text.c_str(), -1, &shifted, flags);
        SetTextColor(dc, ColorToGdi(clBtnShadow));
    }
    DrawTextA(dc, text.c_str(), -1, &r, flags);
}

void TLabel::WndProc(TMessage& message) {
    if (message.Msg == CM_DIALOGCHAR) {
        if (FFocusControl && Enabled() && ShowAccelChar &&
            IsAccel(static_cast<char>(message.WParam), Caption()) && FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            message.Result = 1;
        }
        return;
    }
    TGraphicControl::WndProc(message);
}

// ---- TScrollBar -------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
    FWidth = 121;
    FHeight = GetSystemMetrics(SM_CYHSCROLL);
    FTabStop = true;
}

void TScrollBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroScrollBar";
    params.SystemClassName = "SCROLLBAR";
    params.Style |= FKind == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateHandleDone() {
    FApplied = false;  // a new window
    FPaintAsked = false;
    ApplyToWindow();
}

void TScrollBar::ApplyToWindow() {
    if (!FHandle || !ValuesWait()) return;
    if (FDrawLater && FApplied) {
        // The paint gives the window the values.
        if (!FPaintAsked) InvalidateRect(FHandle, nullptr, FALSE);
        FPaintAsked = true;
        return;
    }
    GiveToWindow();
}

bool TScrollBar::ValuesWait() const {
    return !FApplied || FAppliedMin != FMin || FAppliedMax != FMax || FAppliedPosition != FPosition ||
           FAppliedPageSize != FPageSize;
}

void TScrollBar::GiveToWindow() {
    FApplied = true;
    FAppliedMin = FMin;
    FAppliedMax = FMax;
    FAppliedPosition = FPosition;
    FAppliedPageSize = FPageSize;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    si.nMin = FMin;
    si.nMax = FMax;
    si.nPage = static_cast<UINT>(FPageSize);
    si.nPos = FPosition;
    SetScrollInfo(FHandle, SB_CTL, &si, FDrawLater ? FALSE : TRUE);
}

void TScrollBar::SetKind(TScrollBarKind kind) {
    if (kind == FKind) return;
    FKind = kind;
    SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TScrollBar::SetParams(int position, int min, int max) {
    if (max < min) throw Exception("Scroll bar property out of range");
    position = std::clamp(position, min, max);
    bool changed = position != FPosition;
    FMin = min;
    FMax = max;
    FPosition = position;
    ApplyToWindow();
    if (changed && OnChange) OnChange(this);
}

void TScrollBar::SetPageSize(int size) {
    FPageSize = std::max(0, size);
    ApplyToWindow();
}

void TScrollBar::DoScroll(TScrollCode code) {
    int pos = FPosition;
    switch (code) {
        case scLineUp:
            pos -= SmallChange;
            break;
        case scLineDown:
            pos += SmallChange;
            break;
        case scPageUp:
            pos -= LargeChange;
            break;
        case scPageDown:
            pos += LargeChange;
            break;
        case scPosition:
        case scTrack: {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(FHandle, SB_CTL, &si);
            pos = si.nTrackPos;
            break;
        }
        case scTop:
            pos = FMin;
            break;
        case scBottom:
            pos = FMax;
            break;
        default:
            break;
    }
    pos = std::clamp(pos, FMin, std::max(FMin, FMax - std::max(FPageSize - 1, 0)));
    if (OnScroll) OnScroll(this, code, pos);
    SetPosition(pos);
}

void TScrollBar::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CN_HSCROLL:
        case CN_VSCROLL:
            if (LOWORD(message.WParam) <= SB_ENDSCROLL)
                DoScroll(static_cast<TScrollCode>(LOWORD(message.WParam)));
            message.Result = 0;
            return;
        case WM_PAINT:
            FPaintAsked = false;
            [[fallthrough]];
        case WM_LBUTTONDOWN:  // a click or a drag starts from the values of now
        case WM_LBUTTONDBLCLK:
            if (FApplied && ValuesWait()) GiveToWindow();
            TWinControl::WndProc(message);
            return;
        case CN_CTLCOLORSCROLLBAR:
            // The system's own look (a dithered track), not a flat fill.
            message.Result = DefWindowProcA(GetParent(FHandle), WM_CTLCOLORSCROLLBAR,
                                            message.WParam, message.LParam);
            return;
        default:
            TWinControl::WndProc(message);
    }
}
