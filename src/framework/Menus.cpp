#include "framework/Menus.h"

#include <algorithm>

#include "framework/WindowUtils.h"

namespace {

TIdMap<TMenuItem>& Commands() {
    static TIdMap<TMenuItem> commands(100, 0xEFFF);
    return commands;
}

// The window that owns shown pop-up menus when no window of ours is active.
HWND PopupWindow() {
    static HWND window = nullptr;
    if (!window) {
        window = AllocateHWnd([](TMessage& m) { DefaultUtilMessage(window, m); });
    }
    return window;
}

}  // namespace

// ---- TMenuItem --------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(Commands().Add(this)) {}

TMenuItem::~TMenuItem() {
    Commands().Remove(FCommand);
    while (!FItems.empty()) delete FItems.back();
    if (FParent) FParent->Remove(this);
}

TMenu* TMenuItem::Menu() const {
    const TMenuItem* i = this;
    while (i->FParent) i = i->FParent;
    return i->FMenu;
}

void TMenuItem::Changed() {
    if (TMenu* menu = Menu()) menu->Rebuild();
}

void TMenuItem::SetCaption(const std::string& caption) {
    FCaption = caption;
    Changed();
}

void TMenuItem::SetChecked(bool checked) {
    if (checked == FChecked) return;
    FChecked = checked;
    Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    Changed();
}

void TMenuItem::SetVisible(bool visible) {
    if (visible == FVisible) return;
    FVisible = visible;
    Changed();
}

void TMenuItem::SetDefault(bool isDefault) {
    FDefault = isDefault;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
    FShortCut = shortCut;
    Changed();
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (item->FParent) item->FParent->Remove(item);
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    item->FParent = nullptr;
    Changed();
}

void TMenuItem::Delete(int index) {
    delete FItems.at(static_cast<size_t>(index));
}

void TMenuItem::Clear() {
    while (!FItems.empty()) delete FItems.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortCut) {
    for (TMenuItem* item : FItems) {
        if (item->FShortCut == shortCut) return item;
        if (TMenuItem* found = item->FindShortCut(shortCut)) return found;
    }
    return nullptr;
}

TMenuItem* TMenuItem::FromCommand(UINT command) {
    return Commands().Find(command);
}

void TMenuItem::Click() {
    if (OnClick) OnClick(this);
}

void TMenuItem::BuildInto(HMENU menu) {
    for (TMenuItem* item : FItems) {
        if (!item->FVisible) continue;
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        if (item->IsLine()) {
            mii.fMask = MIIM_FTYPE;
            mii.fType = MFT_SEPARATOR;
            InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &mii);
            continue;
        }
        std::string text = item->FCaption;
        if (item->FShortCut) text += "\t" + ShortCutToText(item->FShortCut);
        mii.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
        mii.fType = MFT_STRING;
        mii.wID = item->FCommand;
        mii.dwTypeData = text.data();
        mii.fState = (item->FChecked ? MFS_CHECKED : 0) | (item->FEnabled ? 0 : MFS_GRAYED) |
                     (item->FDefault ? MFS_DEFAULT : 0);
        if (!item->FItems.empty()) {
            mii.fMask |= MIIM_SUBMENU;
            mii.hSubMenu = CreatePopupMenu();
            item->BuildInto(mii.hSubMenu);
        }
        InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &mii);
    }
}

// ---- TMenu ------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(this)) {
    FItems->FMenu = this;
}

TMenu::~TMenu() {
    FItems->FMenu = nullptr;
    delete FItems;
    FItems = nullptr;
    if (FHandle) DestroyMenu(FHandle);
}

HMENU TMenu::Handle() {
    if (!FHandle) {
        FHandle = CreateMenuHandle();
        FItems->BuildInto(FHandle);
    }
    return FHandle;
}

void TMenu::Rebuild() {
    if (!FHandle || !FItems) return;
    // The same menu handle is refilled, so a window showing it keeps it.
    while (GetMenuItemCount(FHandle) > 0) DeleteMenu(FHandle, 0, MF_BYPOSITION);
    FItems->BuildInto(FHandle);
    MenuChanged();
}

bool TMenu::IsShortCut(TShortCut shortCut) {
    TMenuItem* item = FItems->FindShortCut(shortCut);
    if (!item || !item->Enabled()) return false;
    item->Click();
    return true;
}

void TMainMenu::MenuChanged() {
    if (FWindow && IsWindow(FWindow)) DrawMenuBar(FWindow);
}

// ---- TPopupMenu -------------------------------------------------------------------------

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TMenu::Notification(component, operation);
    if (operation == opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    HMENU menu = Handle();
    if (GetMenuItemCount(menu) <= 0) return;
    HWND owner = GetActiveWindow();
    if (!owner) owner = PopupWindow();
    UINT command = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y,
                       0, owner, nullptr));
    if (!command) return;
    if (TMenuItem* item = TMenuItem::FromCommand(command)) item->Click();
}
