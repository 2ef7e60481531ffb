// The secondary windows the main window opens. They live in the windows library, which
// is built on the console, so the main window reaches them through openers that the
// windows library installs when the program starts (InstallSecondaryWindows, called by
// the program entry). An opener that is not installed means the window is not there.
#pragma once

#include <functional>
#include <string>

class TConsoleForm;

struct SecondaryWindows {
    // Shows the address book modally over the main window, whose favourites it edits in
    // place. True when the user chose to connect; `hostName` then holds the name.
    std::function<bool(TConsoleForm& main, std::string& hostName)> AddressBook;
};

SecondaryWindows& ConsoleWindows();
