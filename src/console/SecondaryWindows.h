// The secondary windows the main window opens. They live in the windows library, which is
// built on the console, so the main window reaches them through what the windows library
// installs here when the program starts (InstallSecondaryWindows, called by the program
// entry before the main window is made). A window that is not installed is not there: the
// console's own tests run without any.
#pragma once

#include <functional>
#include <string>

class TComponent;
class TConsoleForm;
class TForm;
class TPictureViewer;
class TPictureViewerHost;
class CaptureEditor;
class EditorHost;
class OnLineMemo;
class CharacterTable;
class CharacterTableHost;
struct ConsoleSettings;
struct CommandStrings;

struct SecondaryWindows {
    // Shows the address book modally over the main window, whose favourites it edits in
    // place. True when the user chose to connect; `hostName` then holds the name.
    std::function<bool(TConsoleForm& main, std::string& hostName)> AddressBook;
    // Shows the settings dialog modally over a copy of the settings; true after OK, with
    // `settings` holding what the user chose.
    std::function<bool(TConsoleForm& main, ConsoleSettings& settings)> SettingsDialog;
    // A new picture viewer owned by `owner` (freed with it), reaching the session through
    // `host`.
    std::function<TPictureViewer*(TComponent* owner, TPictureViewerHost* host)> PictureViewer;
    // A new capture editor owned by `owner`, reaching the session through `host`.
    std::function<CaptureEditor*(TForm* owner, EditorHost& host)> CaptureEditor;
    // A new on-line memo window owned by `owner`.
    std::function<OnLineMemo*(TComponent* owner)> OnLineMemo;
    // A new character table owned by `owner`, reaching the session through `host`.
    std::function<CharacterTable*(TComponent* owner, CharacterTableHost& host)> CharacterTable;
    // Shows the command-strings dialog modally over the main window; true after OK, with
    // `strings` holding what the user chose.
    std::function<bool(TConsoleForm& main, CommandStrings& strings)> CommandStringsDialog;
    // Shows the about box modally over the main window.
    std::function<void(TConsoleForm& main)> AboutBox;
};

SecondaryWindows& ConsoleWindows();
