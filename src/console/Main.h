// The main window: the session hub every other window reaches through ConsoleForm.
#pragma once

#include <string>

#include "framework/Forms.h"

class TConsoleForm : public TForm {
public:
    explicit TConsoleForm(TComponent* owner);
    ~TConsoleForm() override;

    // The address given on the command line; connected to when the window is shown.
    const std::string& StartAddress() const { return FStartAddress; }

protected:
    void FormCreate();
    void FormShow(TComponent* sender);
    void FormClose(TComponent* sender, TCloseAction& action);

private:
    std::string FBaseCaption;
    std::string FStartAddress;
};

extern TConsoleForm* ConsoleForm;
