#include "controls/AppUtils.h"

#include "controls/CtlUtils.h"
#include "controls/Placement.h"
#include "controls/core/XcProps.h"
#include "framework/IniFiles.h"
#include "framework/Registry.h"
#include "framework/Screen.h"

std::function<std::string()> OnGetDefaultIniName;
std::string DefCompanyName;
bool RegUseAppTitle = false;

namespace {

TForm* ParentForm(TControl* control) {
    for (TWinControl* p = control->Parent(); p; p = p->Parent())
        if (auto* form = dynamic_cast<TForm*>(p)) return form;
    return nullptr;
}

// A position text: the one for this screen size, else the plain one.
std::string ReadPosition(IIniStore* store, const std::string& section, const char* key) {
    std::string text =
        IniReadString(store, section, ScreenSizeKey(key, Screen->Width(), Screen->Height()), "");
    return text.empty() ? IniReadString(store, section, key, "") : text;
}

void WritePosition(IIniStore* store, const std::string& section, const char* key,
                   const std::string& text) {
    IniWriteString(store, section, ScreenSizeKey(key, Screen->Width(), Screen->Height()), text);
    IniWriteString(store, section, key, text);
}

}  // namespace

std::string GetDefaultSection(TComponent* component) {
    if (!component) return {};
    if (auto* form = dynamic_cast<TForm*>(component)) return ClassNameOf(*form);
    if (auto* control = dynamic_cast<TControl*>(component)) {
        if (TForm* form = ParentForm(control)) return ClassNameOf(*form) + control->Name();
        if (control->Parent()) return control->Parent()->Name() + control->Name();
        return control->Name();
    }
    if (auto* owner = dynamic_cast<TForm*>(component->Owner()))
        return ClassNameOf(*owner) + "." + component->Name();
    return component->Name();
}

std::string GetDefaultIniName() {
    if (OnGetDefaultIniName) return OnGetDefaultIniName();
    return DefaultIniName(ParamStr(0));
}

std::string GetDefaultIniRegKey() {
    return DefaultIniRegKey(ParamStr(0), DefCompanyName, Application ? Application->Title() : "",
                            RegUseAppTitle);
}

void GetDefaultIniData(TComponent* component, std::string& iniFileName, std::string& section,
                       bool useRegistry) {
    iniFileName.clear();
    TComponent* form = component;
    while (form && !dynamic_cast<TForm*>(form)) form = form->Owner();
    for (int i = 0; form && i < form->ComponentCount(); ++i) {
        if (auto* placement = dynamic_cast<TFormPlacement*>(form->Components(i))) {
            iniFileName = placement->IniFileName;
            break;
        }
    }
    section = GetDefaultSection(component);
    if (iniFileName.empty())
        iniFileName = useRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::unique_ptr<IIniStore> OpenIniStore(const std::string& iniFileName, bool useRegistry) {
    if (useRegistry)
        return std::make_unique<TRegIniFile>(iniFileName.empty() ? GetDefaultIniRegKey()
                                                                 : iniFileName);
    return std::make_unique<TIniFile>(iniFileName.empty() ? GetDefaultIniName() : iniFileName);
}

void WriteFormPlacement(TForm* form, IIniStore* store, const std::string& section) {
    HWND h = form->Handle();
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(h, &wp);
    if (Application && Application->MainForm() == form && IsIconic(h))
        wp.showCmd = SW_SHOWMINIMIZED;
    IniWriteInteger(store, section, kPlacementFlags, static_cast<int>(wp.flags));
    IniWriteInteger(store, section, kPlacementShowCmd, static_cast<int>(wp.showCmd));
    IniWriteInteger(store, section, kPlacementPixels, Screen->PixelsPerInch());
    WritePosition(store, section, kPlacementMinMaxPos,
                  FormatPlacementNumbers({wp.ptMinPosition.x, wp.ptMinPosition.y,
                                          wp.ptMaxPosition.x, wp.ptMaxPosition.y}));
    const RECT& n = wp.rcNormalPosition;
    WritePosition(store, section, kPlacementNormPos,
                  FormatPlacementNumbers({n.left, n.top, n.right, n.bottom}));
}

void ReadFormPlacement(TForm* form, IIniStore* store, const std::string& section, bool loadState,
                       bool loadPosition) {
    if (!loadState && !loadPosition) return;
    HWND h = form->Handle();
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(h, &wp);
    if (!IsWindowVisible(h)) wp.showCmd = SW_HIDE;
    if (loadPosition) {
        const std::string minMax = ReadPosition(store, section, kPlacementMinMaxPos);
        const std::string norm = ReadPosition(store, section, kPlacementNormPos);
        const int ppi = IniReadInteger(store, section, kPlacementPixels, 0);
        if ((!minMax.empty() || !norm.empty()) && ppi == Screen->PixelsPerInch()) {
            wp.flags = static_cast<UINT>(
                IniReadInteger(store, section, kPlacementFlags, static_cast<int>(wp.flags)));
            const auto mm = ParsePlacementNumbers(minMax, {0, 0, 0, 0});
            wp.ptMinPosition = POINT{mm[0], mm[1]};
            wp.ptMaxPosition = POINT{mm[2], mm[3]};
            const RECT current = wp.rcNormalPosition;
            const auto n = ParsePlacementNumbers(
                norm, {form->Left(), form->Top(), form->Left() + form->Width(),
                       form->Top() + form->Height()});
            wp.rcNormalPosition = RECT{n[0], n[1], n[2], n[3]};
            // A form the user cannot size keeps its own size.
            if (!(GetWindowLongA(h, GWL_STYLE) & WS_THICKFRAME)) {
                wp.rcNormalPosition.right = n[0] + (current.right - current.left);
                wp.rcNormalPosition.bottom = n[1] + (current.bottom - current.top);
            }
            SetWindowPlacement(h, &wp);
        }
    }
    if (loadState) {
        const bool mainForm = !Application || !Application->MainForm() || Application->MainForm() == form;
        const TWindowState fallback =
            mainForm && form->FormStyle() == fsNormal && form->Position == poDefault ? wsMaximized : wsNormal;
        const TWindowState state = WindowStateFromShowCmd(
            IniReadInteger(store, section, kPlacementShowCmd, SW_HIDE), fallback);
        if (state == wsMinimized && Application && Application->MainForm() == form) {
            PostMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return;
        }
        if (state == wsMaximized)
            ShowWindow(h, SW_SHOWMAXIMIZED);
        else if (state == wsMinimized)
            ShowWindow(h, SW_SHOWMINNOACTIVE);
        else if (IsZoomed(h) || IsIconic(h))
            ShowWindow(h, SW_RESTORE);
    }
    UpdateWindow(h);
}

void SaveFormPlacement(TForm* form, const std::string& iniFileName, bool useRegistry) {
    std::unique_ptr<IIniStore> store = OpenIniStore(iniFileName, useRegistry);
    WriteFormPlacement(form, store.get(), ClassNameOf(*form));
}

void RestoreFormPlacement(TForm* form, const std::string& iniFileName, bool useRegistry) {
    std::unique_ptr<IIniStore> store = OpenIniStore(iniFileName, useRegistry);
    ReadFormPlacement(form, store.get(), ClassNameOf(*form), true, true);
}

void AppBroadcast(UINT msg, WPARAM wparam, LPARAM lparam) {
    for (int i = 0; Application && i < Application->ComponentCount(); ++i) {
        auto* form = dynamic_cast<TForm*>(Application->Components(i));
        if (form && form->HandleAllocated()) SendMessageA(form->Handle(), msg, wparam, lparam);
    }
}

void SaveGridLayout(TCustomGrid* grid, IIniStore* store) {
    const std::string section = GetDefaultSection(grid);
    for (int i = 0; i < grid->ColCount(); ++i)
        IniWriteInteger(store, section, Format("Item%d", i), grid->ColWidths(i));
}

void RestoreGridLayout(TCustomGrid* grid, IIniStore* store) {
    const std::string section = GetDefaultSection(grid);
    for (int i = 0; i < grid->ColCount(); ++i)
        grid->SetColWidths(i, IniReadInteger(store, section, Format("Item%d", i), grid->ColWidths(i)));
}

void AppTaskbarIcons(bool appOnly) {
    HWND window = Application ? Application->Handle() : nullptr;
    if (!window) return;
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    if (appOnly)
        style |= WS_CAPTION;
    else
        style &= ~static_cast<LONG_PTR>(WS_CAPTION);
    SetWindowLongPtrA(window, GWL_STYLE, style);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SwitchToWindow(window, false);
}
