// The character table: one window, made on first use, serving the console (the pop-up's
// "Show Character Table", Ctrl+Space and the Hanja key) or the capture editor (its own
// item and Hanja key). It serves whichever of the two became active last while it shows.
// A character picked for the console replaces the syllable in progress and goes to the
// host; one picked for the editor goes in at its caret.
#include <windows.h>

#include "console/Main.h"
#include "console/SecondaryWindows.h"
#include "framework/Screen.h"

void TConsoleForm::MAIN_PMENU_ShowCharacterTableClick() {
    if (!KoreanInput()) return;
    const uint16_t syllable = MAIN_CommPort->Open() && FHanguel->IsComposing() ? FHanguel->GetComposingChar() : 0;
    OpenCharacterTable(TableTargetConsole, syllable);
}

void TConsoleForm::OpenCharacterTable(int target, uint16_t syllable) {
    if (!FCharTable) {
        const auto& make = ConsoleWindows().CharacterTable;
        if (!make) return;
        FCharTable = make(this, static_cast<CharacterTableHost&>(*this));
    }
    FCharTable->SetHanjaSyllable(syllable);
    FCharTable->SetTarget(target);
    FCharTable->Form()->Show();
}

void TConsoleForm::RetargetCharacterTable() {
    if (!FCharTable || !FCharTable->Form()->Visible()) return;
    TForm* active = ::Screen->ActiveForm();
    if (active == this)
        FCharTable->SetTarget(TableTargetConsole);
    else if (FEditor && active == FEditor->Form())
        FCharTable->SetTarget(TableTargetEditor);
}

void TConsoleForm::PickToConsole(const std::string& bytes) {
    if (!MAIN_CommPort->Open()) return;
    FHanguel->ResetComposition();  // the picked Hanja takes the syllable's place
    SendString(bytes);
}

void TConsoleForm::PickToEditor(const std::string& bytes) {
    if (FEditor) FEditor->InsertPicked(bytes);
}

TForm* TConsoleForm::TargetWindow(int target) {
    if (target == TableTargetConsole) return this;
    if (target == TableTargetEditor && FEditor) return FEditor->Form();
    return nullptr;
}
