// The about box " About...": the program's picture, its version from the version resource
// ("Version UNKNOWN" without one) and a link to the program's web page. A click on the
// picture or the version, or any key, closes it.
#pragma once

#include <optional>
#include <string>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TConsoleForm;

class TAboutBox : public TForm {
public:
    // `programFile`: whose version is shown (empty: the running program).
    explicit TAboutBox(TComponent* owner, const std::string& programFile = "");

    TImage* ABOUT_IMG_Quiro2 = nullptr;
    TLabel* ABOUT_LB_Version = nullptr;
    TLabel* ABOUT_GoToURL = nullptr;
};

// The FileVersion of a program's version resource, in the ANSI code page; std::nullopt
// when it has none.
std::optional<std::string> ReadProgramVersion(const std::string& programFile);

// Shows the about box modally (SecondaryWindows::AboutBox).
void ShowAboutBox(TConsoleForm& main);
