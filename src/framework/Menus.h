// Menus: a form's menu bar (TMainMenu), pop-up menus (TPopupMenu) and their items.
//
// An item's shortcut works while it exists, also when the item is hidden (menus made only
// for their shortcuts), but not while it is disabled. A pop-up menu's shortcuts work while
// the keyboard focus is inside the control it is attached to (TControl::PopupMenu); a main
// menu's while the focus is on its form. The system menu is rebuilt from the items after
// every change, so what GetMenuItemInfo reports is what the items say.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Controls.h"

class TMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // "-" makes a separator; '&' marks the accelerator.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption);
    bool Checked() const { return FChecked; }
    void SetChecked(bool checked);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    // Shown in bold; the item a double click on the owner would run.
    bool Default() const { return FDefault; }
    void SetDefault(bool isDefault);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut shortCut);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& hint) { FHint = hint; }
    bool IsLine() const { return FCaption == "-"; }

    // Sub-items (an item with any is a submenu).
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    void Delete(int index);
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* Parent() const { return FParent; }
    // The menu the item belongs to (nullptr: none).
    TMenu* Menu() const;
    // The item with this shortcut here or below, visible or not (nullptr: none).
    TMenuItem* FindShortCut(TShortCut shortCut);

    // The command id under which the system reports a choice of the item.
    UINT Command() const { return FCommand; }
    static TMenuItem* FromCommand(UINT command);

    virtual void Click();
    TNotifyEvent OnClick;

private:
    friend class TMenu;
    void Changed();
    // Appends the visible sub-items to `menu`.
    void BuildInto(HMENU menu);

    std::string FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FDefault = false;
    TShortCut FShortCut = 0;
    std::string FHint;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on the root item only
    UINT FCommand = 0;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    // The root: its sub-items are the menu's items.
    TMenuItem* Items() const { return FItems; }
    // The system menu, up to date with the items (made when first needed).
    HMENU Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Clicks the enabled item with this shortcut; true when there was one.
    bool IsShortCut(TShortCut shortCut);

protected:
    virtual HMENU CreateMenuHandle() = 0;
    // Told after the system menu was rebuilt.
    virtual void MenuChanged() {}

private:
    friend class TMenuItem;
    void Rebuild();

    TMenuItem* FItems;
    HMENU FHandle = nullptr;
};

// The menu bar of a form (TForm::SetMenu).
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
    // The window whose bar shows the menu (set by the form).
    void SetWindow(HWND window) { FWindow = window; }

protected:
    HMENU CreateMenuHandle() override { return CreateMenu(); }
    void MenuChanged() override;

private:
    HWND FWindow = nullptr;
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}

    // Runs OnPopup (to bring the items' states up to date), then shows the menu at the
    // screen point and clicks the item the user chooses, if any.
    virtual void Popup(int x, int y);
    TNotifyEvent OnPopup;
    // Shown by a right click on its control (else only by Popup).
    bool AutoPopup = true;
    // The control the menu was last shown for.
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* component) { FPopupComponent = component; }

protected:
    HMENU CreateMenuHandle() override { return CreatePopupMenu(); }
    void Notification(TComponent* component, TOperation operation) override;

private:
    TComponent* FPopupComponent = nullptr;
};
