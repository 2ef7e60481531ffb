// The command-strings dialog " Set Command Strings...": the three one-shot commands
// (Alt+1..Alt+3), the keep-alive string and its interval in minutes, all as escape text.
// Enter acts as OK and Esc as Cancel wherever the focus is.
#pragma once

#include "console/core/ConsoleCommands.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TConsoleForm;
class TXcSpinEdit;

class TOneShotForm : public TForm {
public:
    explicit TOneShotForm(TComponent* owner);

    // The edits take the strings; ReadBack gives what the user typed (the interval in
    // whole minutes, at least 1).
    void Fill(const CommandStrings& strings);
    CommandStrings ReadBack() const;

    TEdit* ONESHOT_EDIT_Command1 = nullptr;
    TEdit* ONESHOT_EDIT_Command2 = nullptr;
    TEdit* ONESHOT_EDIT_Command3 = nullptr;
    TEdit* ONESHOT_EDIT_KeepAlive = nullptr;
    TXcSpinEdit* ONESHOT_EDIT_SendInterval = nullptr;
    TButton* ONESHOT_BTN_OK = nullptr;
    TButton* ONESHOT_BTN_Cancel = nullptr;

private:
    void FormKeyPress(char& key);
    void SendIntervalExit();
};

// The dialog's round trip (SecondaryWindows::CommandStringsDialog).
bool RunOneShotForm(TConsoleForm& main, CommandStrings& strings);
