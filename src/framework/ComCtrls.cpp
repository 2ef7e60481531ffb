#include "framework/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/core/Exception.h"

// ---- TCustomUpDown ----------------------------------------------------------------------

namespace {
// The step of the last press, told by UDN_DELTAPOS before the position message.
thread_local int gLastDelta = 0;
}  // namespace

TCustomUpDown::TCustomUpDown(TComponent* owner) : TWinControl(owner) {
    FWidth = GetSystemMetrics(SM_CXVSCROLL);
    FHeight = 25;
}

TCustomUpDown::~TCustomUpDown() {
    if (FAssociate) FAssociate->RemoveFreeNotification(this);
}

void TCustomUpDown::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FAssociate) FAssociate = nullptr;
}

void TCustomUpDown::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroUpDown";
    params.SystemClassName = UPDOWN_CLASSA;
    params.Style |= UDS_NOTHOUSANDS | (FAssociate ? UDS_SETBUDDYINT : 0);
    if (FOrientation == udHorizontal) params.Style |= UDS_HORZ;
    if (FArrowKeys) params.Style |= UDS_ARROWKEYS;
    if (FWrap) params.Style |= UDS_WRAP;
}

void TCustomUpDown::CreateHandleDone() {
    SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
    SendMessageA(FHandle, UDM_SETPOS32, 0, FPosition);
    UDACCEL accel{0, static_cast<UINT>(FIncrement)};
    SendMessageA(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    if (FAssociate)
        SendMessageA(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
}

void TCustomUpDown::SetMin(int v) {
    FMin = v;
    if (FHandle) SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TCustomUpDown::SetMax(int v) {
    FMax = v;
    if (FHandle) SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TCustomUpDown::Position() const {
    if (!FHandle) return FPosition;
    return static_cast<int>(SendMessageA(FHandle, UDM_GETPOS32, 0, 0));
}

void TCustomUpDown::SetPosition(int v) {
    FPosition = std::clamp(v, std::min(FMin, FMax), std::max(FMin, FMax));
    if (FHandle) SendMessageA(FHandle, UDM_SETPOS32, 0, FPosition);
}

void TCustomUpDown::SetIncrement(int v) {
    FIncrement = v;
    if (!FHandle) return;
    UDACCEL accel{0, static_cast<UINT>(v)};
    SendMessageA(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void TCustomUpDown::SetOrientation(TUDOrientation o) {
    if (o == FOrientation) return;
    FOrientation = o;
    RecreateWnd();
}

void TCustomUpDown::SetWrap(bool wrap) {
    if (wrap == FWrap) return;
    FWrap = wrap;
    RecreateWnd();
}

void TCustomUpDown::SetArrowKeys(bool on) {
    if (on == FArrowKeys) return;
    FArrowKeys = on;
    RecreateWnd();
}

void TCustomUpDown::SetAssociate(TWinControl* control) {
    if (FAssociate) FAssociate->RemoveFreeNotification(this);
    FAssociate = control;
    if (control) control->FreeNotification(this);
    RecreateWnd();
}

void TCustomUpDown::Click(TUDBtnType button) {
    if (OnClick) OnClick(this, button);
}

void TCustomUpDown::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CN_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(message.LParam);
            if (hdr->code == UDN_DELTAPOS) {
                gLastDelta = reinterpret_cast<NMUPDOWN*>(message.LParam)->iDelta;
                bool allow = true;
                if (OnChanging) OnChanging(this, allow);
                message.Result = allow ? 0 : 1;
                return;
            }
            message.Result = 0;
            return;
        }
        case CN_HSCROLL:
        case CN_VSCROLL:
            if (LOWORD(message.WParam) == SB_THUMBPOSITION) {
                FPosition = static_cast<int>(SendMessageA(FHandle, UDM_GETPOS32, 0, 0));
                Click(gLastDelta >= 0 ? btNext : btPrev);
            }
            message.Result = 0;
            return;
        default:
            TWinControl::WndProc(message);
    }
}

// ---- Tab controls -----------------------------------------------------------------------

namespace {

std::string TabText(HWND wnd, int index) {
    for (size_t size = 256;; size *= 2) {
        std::string buf(size, '\0');
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = buf.data();
        item.cchTextMax = static_cast<int>(size);
        if (!SendMessageA(wnd, TCM_GETITEMA, static_cast<WPARAM>(index),
                          reinterpret_cast<LPARAM>(&item)))
            throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
        // The text may sit elsewhere than the buffer given.
        std::string text(item.pszText ? item.pszText : "");
        if (text.size() + 1 < size || size >= 65536) return text;
    }
}

void InsertTab(HWND wnd, int index, const std::string& text) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(wnd, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

int TTabStrings::GetCount() const {
    if (!FControl->HandleAllocated()) return static_cast<int>(FControl->FTabs.size());
    return static_cast<int>(SendMessageA(FControl->Handle(), TCM_GETITEMCOUNT, 0, 0));
}

std::string TTabStrings::Get(int index) const {
    if (index < 0 || index >= GetCount()) IndexError(index);
    if (!FControl->HandleAllocated()) return FControl->FTabs[static_cast<size_t>(index)];
    return TabText(FControl->Handle(), index);
}

void TTabStrings::Put(int index, const std::string& s) {
    if (index < 0 || index >= GetCount()) IndexError(index);
    if (!FControl->HandleAllocated()) {
        FControl->FTabs[static_cast<size_t>(index)] = s;
        return;
    }
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(s.c_str());
    SendMessageA(FControl->Handle(), TCM_SETITEMA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

void TTabStrings::Insert(int index, const std::string& s) {
    if (index < 0 || index > GetCount()) IndexError(index);
    if (!FControl->HandleAllocated())
        FControl->FTabs.insert(FControl->FTabs.begin() + index, s);
    else
        InsertTab(FControl->Handle(), index, s);
    FControl->AlignControls();
}

void TTabStrings::Delete(int index) {
    if (index < 0 || index >= GetCount()) IndexError(index);
    if (!FControl->HandleAllocated())
        FControl->FTabs.erase(FControl->FTabs.begin() + index);
    else
        SendMessageA(FControl->Handle(), TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
    FControl->AlignControls();
}

void TTabStrings::Clear() {
    if (!FControl->HandleAllocated())
        FControl->FTabs.clear();
    else
        SendMessageA(FControl->Handle(), TCM_DELETEALLITEMS, 0, 0);
    FControl->AlignControls();
}

TCustomTabControl::TCustomTabControl(TComponent* owner) : TWinControl(owner) {
    FWidth = 289;
    FHeight = 193;
    FTabStop = true;
}

void TCustomTabControl::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroTabControl";
    params.SystemClassName = WC_TABCONTROLA;
    params.Style |= WS_CLIPCHILDREN;
}

void TCustomTabControl::CreateWnd() {
    TWinControl::CreateWnd();
    for (size_t i = 0; i < FTabs.size(); ++i) InsertTab(FHandle, static_cast<int>(i), FTabs[i]);
    FTabs.clear();
    SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(FTabIndex), 0);
    AlignControls();
}

void TCustomTabControl::DestroyWnd() {
    if (FHandle) {
        FTabIndex = CurrentTab();
        FTabs.clear();
        auto n = static_cast<int>(SendMessageA(FHandle, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) FTabs.push_back(TabText(FHandle, i));
    }
    TWinControl::DestroyWnd();
}

RECT TCustomTabControl::DisplayRect() {
    RECT r{0, 0, ClientWidth(), ClientHeight()};
    if (HandleAllocated())
        SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

RECT TCustomTabControl::AlignRect() {
    return DisplayRect();
}

int TCustomTabControl::IndexOfTabAt(int x, int y) {
    if (!HandleAllocated()) return -1;
    TCHITTESTINFO hit{{x, y}, 0};
    return static_cast<int>(SendMessageA(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

int TCustomTabControl::CurrentTab() const {
    if (!FHandle) return FTabIndex;
    return static_cast<int>(SendMessageA(FHandle, TCM_GETCURSEL, 0, 0));
}

void TCustomTabControl::SelectTab(int index) {
    FTabIndex = index;
    if (FHandle) SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool TCustomTabControl::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TCustomTabControl::Change() {
    if (OnChange) OnChange(this);
}

void TCustomTabControl::WndProc(TMessage& message) {
    if (message.Msg == CN_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(message.LParam);
        message.Result = 0;
        if (hdr->code == TCN_SELCHANGING)
            message.Result = CanChange() ? 0 : 1;
        else if (hdr->code == TCN_SELCHANGE)
            Change();
        return;
    }
    TWinControl::WndProc(message);
}

// ---- Page controls ----------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    FVisible = false;
    FAlign = alClient;
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* control) {
    if (control == FPageControl) return;
    if (FPageControl) FPageControl->RemovePage(this);
    FPageControl = control;
    TWinControl::SetParent(control);
    if (control) control->InsertPage(this);
}

void TTabSheet::SetParent(TWinControl* parent) {
    if (auto* pages = dynamic_cast<TPageControl*>(parent)) {
        SetPageControl(pages);
        return;
    }
    SetPageControl(nullptr);
    TWinControl::SetParent(parent);
}

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    auto& pages = FPageControl->FPages;
    auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::SetCaption(const std::string& caption) {
    FCaption = caption;
    if (FPageControl) FPageControl->PageCaptionChanged(this);
}

TPageControl::~TPageControl() {
    for (TTabSheet* page : FPages) page->FPageControl = nullptr;
    FPages.clear();
}

void TPageControl::InsertPage(TTabSheet* page) {
    FPages.push_back(page);
    int index = static_cast<int>(FPages.size()) - 1;
    if (HandleAllocated())
        InsertTab(Handle(), index, page->FCaption);
    else
        FTabs.push_back(page->FCaption);
    if (CurrentTab() < 0) SelectTab(0);
    ShowActive();
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(FPages.begin(), FPages.end(), page);
    if (it == FPages.end()) return;
    auto index = static_cast<int>(it - FPages.begin());
    int active = CurrentTab();
    FPages.erase(it);
    if (HandleAllocated())
        SendMessageA(Handle(), TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
    else if (index < static_cast<int>(FTabs.size()))
        FTabs.erase(FTabs.begin() + index);
    if (active >= static_cast<int>(FPages.size()) || active == index)
        SelectTab(FPages.empty() ? -1 : std::min(index, static_cast<int>(FPages.size()) - 1));
    else if (active > index)
        SelectTab(active - 1);
    ShowActive();
}

void TPageControl::PageCaptionChanged(TTabSheet* page) {
    int index = page->PageIndex();
    if (index < 0) return;
    if (!HandleAllocated()) {
        FTabs[static_cast<size_t>(index)] = page->FCaption;
        return;
    }
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(page->FCaption.c_str());
    SendMessageA(Handle(), TCM_SETITEMA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

TTabSheet* TPageControl::ActivePage() const {
    int i = CurrentTab();
    return i >= 0 && i < PageCount() ? FPages[static_cast<size_t>(i)] : nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page) {
    SetActivePageIndex(page ? page->PageIndex() : -1);
}

void TPageControl::SetActivePageIndex(int index) {
    SelectTab(index);
    ShowActive();
}

void TPageControl::ShowActive() {
    TTabSheet* active = ActivePage();
    // The new page shows before the old one hides, so the focus has somewhere to go.
    if (active) active->SetVisible(true);
    for (TTabSheet* page : FPages)
        if (page != active) page->SetVisible(false);
    if (active && HandleAllocated()) BringWindowToTop(active->Handle());
}

void TPageControl::Change() {
    ShowActive();
    TCustomTabControl::Change();
}

void TPageControl::CreateWnd() {
    TCustomTabControl::CreateWnd();
    ShowActive();
}

// ---- Cool bar ---------------------------------------------------------------------------

int TCoolBands::Count() const {
    return static_cast<int>(FItems.size());
}

TCoolBand* TCoolBands::Items(int index) const {
    FBar->SyncFromWindow();
    return FItems.at(static_cast<size_t>(index)).get();
}

TCoolBand* TCoolBands::Add() {
    FBar->SyncFromWindow();
    FItems.push_back(std::unique_ptr<TCoolBand>(new TCoolBand(FBar, FBar->FNextId++)));
    TCoolBand* band = FItems.back().get();
    if (FBar->HandleAllocated()) FBar->InsertBand(band);
    return band;
}

TCoolBand* TCoolBands::FindBand(const TControl* control) const {
    for (const auto& band : FItems)
        if (band->FControl == control) return band.get();
    return nullptr;
}

void TCoolBands::Delete(int index) {
    FBar->SyncFromWindow();
    TCoolBand* band = FItems.at(static_cast<size_t>(index)).get();
    if (FBar->HandleAllocated())
        SendMessageA(FBar->Handle(), RB_DELETEBAND, static_cast<WPARAM>(FBar->WindowIndex(band)),
                     0);
    FItems.erase(FItems.begin() + index);
    FBar->FitHeight();
}

int TCoolBand::Index() const {
    FBar->SyncFromWindow();
    auto& items = FBar->FBands.FItems;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this) return static_cast<int>(i);
    return -1;
}

void TCoolBand::SetIndex(int index) {
    int from = Index();
    auto& items = FBar->FBands.FItems;
    index = std::clamp(index, 0, static_cast<int>(items.size()) - 1);
    if (from < 0 || from == index) return;
    if (FBar->HandleAllocated()) {
        SendMessageA(FBar->Handle(), RB_MOVEBAND, static_cast<WPARAM>(FBar->WindowIndex(this)),
                     index);
        FBar->SyncFromWindow();
        FBar->FitHeight();
        return;
    }
    auto moved = std::move(items[static_cast<size_t>(from)]);
    items.erase(items.begin() + from);
    items.insert(items.begin() + index, std::move(moved));
}

int TCoolBand::Width() const {
    FBar->SyncFromWindow();
    return FWidth;
}

void TCoolBand::SetWidth(int width) {
    FBar->SyncFromWindow();
    FWidth = width;
    Update();
}

bool TCoolBand::Break() const {
    FBar->SyncFromWindow();
    return FBreak;
}

void TCoolBand::SetBreak(bool brk) {
    FBar->SyncFromWindow();
    FBreak = brk;
    Update();
}

void TCoolBand::SetText(const std::string& text) {
    FText = text;
    Update();
}

void TCoolBand::SetMinHeight(int height) {
    FMinHeight = height;
    Update();
}

void TCoolBand::SetMinWidth(int width) {
    FMinWidth = width;
    Update();
}

void TCoolBand::SetVisible(bool visible) {
    FVisible = visible;
    Update();
}

void TCoolBand::SetFixedSize(bool fixed) {
    FFixedSize = fixed;
    Update();
}

void TCoolBand::SetControl(TWinControl* control) {
    FBar->SyncFromWindow();
    if (FControl) FControl->RemoveFreeNotification(FBar);
    FControl = control;
    if (control) {
        control->FreeNotification(FBar);
        if (control->Parent() != FBar) control->SetParent(FBar);
    }
    Update();
}

// The system's description of a band, from the band's own fields.
struct CoolBandInfo {
    static REBARBANDINFOA Of(const TCoolBand* band, std::string& text) {
        REBARBANDINFOA info{};
        info.cbSize = sizeof info;
        info.fMask =
            RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE | RBBIM_TEXT | RBBIM_CHILD | RBBIM_CHILDSIZE;
        info.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | (band->FBreak ? RBBS_BREAK : 0) |
                      (band->FVisible ? 0 : RBBS_HIDDEN) | (band->FFixedSize ? RBBS_FIXEDSIZE : 0);
        info.wID = band->FId;
        info.cx = static_cast<UINT>(std::max(0, band->FWidth));
        text = band->FText;
        info.lpText = text.data();
        TWinControl* control = band->FControl;
        info.hwndChild = control ? control->Handle() : nullptr;
        info.cxMinChild = static_cast<UINT>(band->FMinWidth);
        info.cyMinChild =
            static_cast<UINT>(std::max(band->FMinHeight, control ? control->Height() : 0));
        return info;
    }
};

void TCoolBand::Update() {
    if (!FBar->HandleAllocated()) return;
    int at = FBar->WindowIndex(this);
    if (at < 0) return;
    std::string text;
    REBARBANDINFOA info = CoolBandInfo::Of(this, text);
    SendMessageA(FBar->Handle(), RB_SETBANDINFOA, static_cast<WPARAM>(at),
                 reinterpret_cast<LPARAM>(&info));
    FBar->FitHeight();
}

TCoolBar::TCoolBar(TComponent* owner) : TWinControl(owner), FBands(this) {
    FWidth = 150;
    FHeight = 75;
}

TCoolBar::~TCoolBar() {
    for (auto& band : FBands.FItems)
        if (band->FControl) band->FControl->RemoveFreeNotification(this);
}

void TCoolBar::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    for (auto& band : FBands.FItems)
        if (band->FControl == component) band->FControl = nullptr;
}

void TCoolBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroCoolBar";
    params.SystemClassName = REBARCLASSNAMEA;
    params.Style |= WS_CLIPCHILDREN | RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_NODIVIDER |
                    CCS_NOPARENTALIGN | CCS_NORESIZE;
}

void TCoolBar::CreateWnd() {
    TWinControl::CreateWnd();
    for (auto& band : FBands.FItems) InsertBand(band.get());
    FitHeight();
}

void TCoolBar::DestroyWnd() {
    SyncFromWindow();
    TWinControl::DestroyWnd();
}

void TCoolBar::InsertBand(TCoolBand* band) {
    std::string text;
    REBARBANDINFOA info = CoolBandInfo::Of(band, text);
    SendMessageA(FHandle, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&info));
    FitHeight();
}

int TCoolBar::WindowIndex(const TCoolBand* band) const {
    if (!FHandle) return -1;
    return static_cast<int>(SendMessageA(FHandle, RB_IDTOINDEX, band->FId, 0));
}

void TCoolBar::SyncFromWindow() const {
    if (!FHandle) return;
    auto& items = const_cast<TCoolBands&>(FBands).FItems;
    auto n = static_cast<int>(SendMessageA(FHandle, RB_GETBANDCOUNT, 0, 0));
    std::vector<std::unique_ptr<TCoolBand>> ordered;
    for (int i = 0; i < n; ++i) {
        REBARBANDINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = RBBIM_ID | RBBIM_STYLE | RBBIM_SIZE;
        if (!SendMessageA(FHandle, RB_GETBANDINFOA, static_cast<WPARAM>(i),
                          reinterpret_cast<LPARAM>(&info)))
            continue;
        auto it = std::find_if(items.begin(), items.end(),
                               [&](const auto& b) { return b && b->FId == info.wID; });
        if (it == items.end()) continue;
        (*it)->FWidth = static_cast<int>(info.cx);
        (*it)->FBreak = (info.fStyle & RBBS_BREAK) != 0;
        ordered.push_back(std::move(*it));
    }
    for (auto& rest : items)
        if (rest) ordered.push_back(std::move(rest));
    items = std::move(ordered);
}

void TCoolBar::FitHeight() {
    if (!FHandle) return;
    auto h = static_cast<int>(SendMessageA(FHandle, RB_GETBARHEIGHT, 0, 0));
    if (h > 0 && h != FHeight) SetBounds(FLeft, FTop, FWidth, h);
}

void TCoolBar::WndProc(TMessage& message) {
    if (message.Msg == CN_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(message.LParam);
        message.Result = 0;
        if (hdr->code == RBN_HEIGHTCHANGE) FitHeight();
        return;
    }
    TWinControl::WndProc(message);
}
