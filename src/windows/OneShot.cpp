#include "windows/OneShot.h"

#include <windows.h>

#include <memory>

#include "console/Main.h"
#include "controls/XcSpin.h"
#include "framework/FormBuilder.h"

namespace {

const TComponentRow kRows[] = {
    {Make<TLabel>, "ONESHOT_LABEL_Command1", "", 12, 15, 140, 14, "Command #1 [ Alt + 1 ]", 0, 0},
    {Make<TEdit>, "ONESHOT_EDIT_Command1", "", 156, 12, 206, 21, "", 0, 0},
    {Make<TLabel>, "ONESHOT_LABEL_Command2", "", 12, 43, 140, 14, "Command #2 [ Alt + 2 ]", 0, 0},
    {Make<TEdit>, "ONESHOT_EDIT_Command2", "", 156, 40, 206, 21, "", 0, 0},
    {Make<TLabel>, "ONESHOT_LABEL_Command3", "", 12, 71, 140, 14, "Command #3 [ Alt + 3 ]", 0, 0},
    {Make<TEdit>, "ONESHOT_EDIT_Command3", "", 156, 68, 206, 21, "", 0, 0},
    {Make<TLabel>, "ONESHOT_LABEL_KeepAlive", "", 12, 107, 140, 14, "Keep Alive String", 0, 0},
    {Make<TEdit>, "ONESHOT_EDIT_KeepAlive", "", 156, 104, 120, 21, "", 0, 0},
    {Make<TXcSpinEdit>, "ONESHOT_EDIT_SendInterval", "", 282, 104, 48, 21, "5", 0, 0},
    {Make<TLabel>, "ONESHOT_LABEL_Minutes", "", 336, 107, 26, 14, "Min.", 0, 0},
    {Make<TLabel>, "ONESHOT_LABEL_Help", "", 12, 136, 350, 28,
     "Escapes: \\x0D for CR (Enter), \\x0A for LF, \\x08 for Backspace, \\xHH for any byte, \\\\ for a "
     "backslash.",
     bfWordWrap, 0},
    {Make<TButton>, "ONESHOT_BTN_OK", "", 206, 172, 75, 25, "OK", bfDefault | bfModalResult(mrOk), 0},
    {Make<TButton>, "ONESHOT_BTN_Cancel", "", 287, 172, 75, 25, "Cancel", bfCancel | bfModalResult(mrCancel), 0},
};

}  // namespace

TOneShotForm::TOneShotForm(TComponent* owner) : TForm(owner) {
    SetName("OneShotForm");
    SetCaption(" Set Command Strings...");
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    Position = poMainFormCenter;
    Font()->SetName("MS Sans Serif");
    Font()->SetSize(8);
    BuildForm(this, kRows);
    SetClientWidth(374);
    SetClientHeight(207);
    ONESHOT_EDIT_Command1 = FindAs<TEdit>(this, "ONESHOT_EDIT_Command1");
    ONESHOT_EDIT_Command2 = FindAs<TEdit>(this, "ONESHOT_EDIT_Command2");
    ONESHOT_EDIT_Command3 = FindAs<TEdit>(this, "ONESHOT_EDIT_Command3");
    ONESHOT_EDIT_KeepAlive = FindAs<TEdit>(this, "ONESHOT_EDIT_KeepAlive");
    ONESHOT_EDIT_SendInterval = FindAs<TXcSpinEdit>(this, "ONESHOT_EDIT_SendInterval");
    ONESHOT_BTN_OK = FindAs<TButton>(this, "ONESHOT_BTN_OK");
    ONESHOT_BTN_Cancel = FindAs<TButton>(this, "ONESHOT_BTN_Cancel");
    ONESHOT_EDIT_SendInterval->SetMinValue(1);
    ONESHOT_EDIT_SendInterval->SetMaxValue(99999);
    ONESHOT_EDIT_SendInterval->OnExit = [this](TComponent*) { SendIntervalExit(); };
    // The strings may hold Korean text.
    if (GetSystemDefaultLangID() == 1042)
        for (TEdit* edit : {ONESHOT_EDIT_Command1, ONESHOT_EDIT_Command2, ONESHOT_EDIT_Command3, ONESHOT_EDIT_KeepAlive})
            edit->Font()->SetName(KoreanUiFont);
    KeyPreview = true;
    OnKeyPress = [this](TComponent*, char& key) { FormKeyPress(key); };
}

void TOneShotForm::Fill(const CommandStrings& strings) {
    ONESHOT_EDIT_Command1->SetText(strings.commands[0]);
    ONESHOT_EDIT_Command2->SetText(strings.commands[1]);
    ONESHOT_EDIT_Command3->SetText(strings.commands[2]);
    ONESHOT_EDIT_KeepAlive->SetText(strings.keepAlive);
    ONESHOT_EDIT_SendInterval->SetAsInteger(KeepAliveMinutes(strings.interval));
}

CommandStrings TOneShotForm::ReadBack() const {
    CommandStrings s;
    s.commands = {ONESHOT_EDIT_Command1->Text(), ONESHOT_EDIT_Command2->Text(), ONESHOT_EDIT_Command3->Text()};
    s.keepAlive = ONESHOT_EDIT_KeepAlive->Text();
    s.interval = KeepAliveMinutes(ONESHOT_EDIT_SendInterval->Value());
    return s;
}

// Enter is OK and Esc is Cancel also where a control would take the key (the spin edit).
void TOneShotForm::FormKeyPress(char& key) {
    if (key == '\r')
        ModalResult = mrOk;
    else if (key == '\x1B')
        ModalResult = mrCancel;
    else
        return;
    key = 0;
}

void TOneShotForm::SendIntervalExit() {
    const int minutes = KeepAliveMinutes(ONESHOT_EDIT_SendInterval->Value());
    if (ONESHOT_EDIT_SendInterval->AsInteger() != minutes || ONESHOT_EDIT_SendInterval->Value() != minutes)
        ONESHOT_EDIT_SendInterval->SetAsInteger(minutes);
}

bool RunOneShotForm(TConsoleForm&, CommandStrings& strings) {
    std::unique_ptr<TOneShotForm> dialog(new TOneShotForm(Application));
    dialog->Fill(strings);
    if (dialog->ShowModal() != mrOk) return false;
    strings = dialog->ReadBack();
    return true;
}
