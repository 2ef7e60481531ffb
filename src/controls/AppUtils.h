// Application utilities: default names of sections, INI files and registry keys, a form's
// window placement kept in an INI file or the registry, and small form helpers. The
// portable half (values through a store, placement texts) is controls/core/AppUtils.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/core/AppUtils.h"
#include "framework/Forms.h"
#include "framework/Grids.h"

// A form: its class name; a control: its form's class name followed by its own name (or,
// without a form, its parent's name followed by its own); another component: its name,
// "FormClass.Name" when a form owns it; "" for null.
std::string GetDefaultSection(TComponent* component);
// The program's file name with ".INI" (no folder: the Windows folder holds it); a
// program may install its own rule.
std::string GetDefaultIniName();
extern std::function<std::string()> OnGetDefaultIniName;
// "Software\" + [DefCompanyName + "\"] + the program's name (its title with
// RegUseAppTitle).
std::string GetDefaultIniRegKey();
extern std::string DefCompanyName;
extern bool RegUseAppTitle;
// The file (or key) of the first form placement of the component's form, else the
// default one; the component's default section.
void GetDefaultIniData(TComponent* component, std::string& iniFileName, std::string& section,
                       bool useRegistry);
// The store of a file name or registry key (the default one for "").
std::unique_ptr<IIniStore> OpenIniStore(const std::string& iniFileName, bool useRegistry);

// The five placement values (flags, show command, pixels per inch, minimised and maximised
// positions, normal rectangle); the positions twice, under the plain key and under the key
// for the current screen size.
void WriteFormPlacement(TForm* form, IIniStore* store, const std::string& section);
// Reads them back: the position only when it was written at the current pixels per inch
// (a form without a sizing border keeps its size), the state (normal, minimised,
// maximised) from the show command; without one, the main form placed by the system
// (Position poDefault) is maximised and any other form normal.
void ReadFormPlacement(TForm* form, IIniStore* store, const std::string& section, bool loadState,
                       bool loadPosition);
// With the form's class name as the section.
void SaveFormPlacement(TForm* form, const std::string& iniFileName, bool useRegistry);
void RestoreFormPlacement(TForm* form, const std::string& iniFileName, bool useRegistry);

// The forms the application owns.
template <class F>
F* FindForm() {
    if (!Application) return nullptr;
    for (int i = 0; i < Application->ComponentCount(); ++i)
        if (auto* f = dynamic_cast<F*>(Application->Components(i))) return f;
    return nullptr;
}
// The first form of the class (with that caption, when one is given), else a new one with
// the caption; shown (restored when minimised).
template <class F>
F* FindShowForm(const std::string& caption) {
    F* form = nullptr;
    for (int i = 0; Application && i < Application->ComponentCount() && !form; ++i) {
        auto* f = dynamic_cast<F*>(Application->Components(i));
        if (f && (caption.empty() || f->Caption() == caption)) form = f;
    }
    if (!form) {
        form = new F(Application);
        if (!caption.empty()) form->SetCaption(caption);
    }
    if (form->HandleAllocated() && IsIconic(form->Handle())) ShowWindow(form->Handle(), SW_RESTORE);
    form->Show();
    return form;
}
// Shows a new form modally and frees it; whether it closed with OK or Yes.
template <class F>
bool ShowDialog() {
    std::unique_ptr<F> form(new F(Application));
    TModalResult r = form->ShowModal();
    return r == mrOk || r == mrYes;
}
template <class F>
void InstantiateForm(F*& reference) {
    if (!reference) reference = new F(Application);
}
// Sends the message to every form of the application that has a window.
void AppBroadcast(UINT msg, WPARAM wparam, LPARAM lparam);

// The widths of a grid's columns, in the grid's default section: "Item0", "Item1", ...
void SaveGridLayout(TCustomGrid* grid, IIniStore* store);
// Reads them back; a column without a stored width keeps its own.
void RestoreGridLayout(TCustomGrid* grid, IIniStore* store);

// The caption and system-menu styles of the application's window (the main form) on
// (true) or off (false); then the window is brought to the front.
void AppTaskbarIcons(bool appOnly);
