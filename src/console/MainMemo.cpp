// The on-line memo window: the lines the host marks as memos (the terminal's memo escape)
// delivered into it, made on first use in the editor font and shown without taking the
// keyboard from the console; its caption names the session; the settings dialog's OK
// gives it the editor font and closes it when memos are not wanted. The console pop-up's
// memo and character-table items are enabled here too.
#include <algorithm>

#include "console/Main.h"
#include "console/SecondaryWindows.h"
#include "framework/FormBuilder.h"

void TConsoleForm::WireMemoAndTableEvents() {
    FSideChannels.SetMemoOutlet(this);
    FindAs<TMenuItem>(this, "MAIN_PMENU_ShowOnLineMemo")->OnClick = [this](TComponent*) {
        MAIN_PMENU_ShowOnLineMemoClick();
    };
    FindAs<TMenuItem>(this, "MAIN_PMENU_ShowCharacterTable")->OnClick = [this](TComponent*) {
        MAIN_PMENU_ShowCharacterTableClick();
    };
    MemoSettingsChanged = [this] {
        UpdateMemoAndTableItems();
        if (!FMemo) return;
        FMemo->SetMemoFont(EditorFont);
        if (!Settings.ShowOnLineMemoWindow) FMemo->Form()->Close();
    };
}

void TConsoleForm::UpdateMemoAndTableItems() {
    FindAs<TMenuItem>(this, "MAIN_PMENU_ShowOnLineMemo")
        ->SetEnabled(Settings.ShowOnLineMemoWindow && ConsoleWindows().OnLineMemo);
    FindAs<TMenuItem>(this, "MAIN_PMENU_ShowCharacterTable")
        ->SetEnabled(KoreanInput() && ConsoleWindows().CharacterTable);
}

bool TConsoleForm::PrepareOnLineMemo() {
    if (FMemo) return true;
    const auto& make = ConsoleWindows().OnLineMemo;
    if (!make) return false;
    FMemo = make(this);
    FMemo->SetMemoFont(EditorFont);
    FMemo->Form()->SetCaption(" On-Line Memo [" + ConnectionName + " ]");
    // Its first place: at the main window's top right, clear of the console's middle.
    TForm* memo = FMemo->Form();
    memo->SetBounds(std::max(0, Left() + Width() - memo->Width() - 24), Top() + 64, memo->Width(), memo->Height());
    return true;
}

void TConsoleForm::ShowOnLineMemo(const std::string& text) {
    if (!PrepareOnLineMemo()) return;
    FMemo->AddMemo(text);
    // Shown for the user to read, also when other windows had covered it; the keys go on
    // to where they went.
    FMemo->Form()->ShowNoActivate();
}

void TConsoleForm::MAIN_PMENU_ShowOnLineMemoClick() {
    if (!Settings.ShowOnLineMemoWindow || !PrepareOnLineMemo()) return;
    FMemo->Form()->Show();
}

void TConsoleForm::ResetOnLineMemo() {
    if (!FMemo) return;
    FMemo->Form()->SetCaption(" On-Line Memo [" + ConnectionName + " ]");
    FMemo->Clear();
}
