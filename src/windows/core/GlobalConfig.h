// The settings dialog apart from its window: the working copy of the settings it edits,
// what each of its controls shows and whether it is enabled, and every handler of the
// dialog as a method. The window (windows/Gset) shows this state after each change and
// hands every user action to the matching method; the main window copies its settings in
// and reads them back (the dialog never touches the settings key).
//
// The handlers follow the window's event rules: a check box or radio button set in code
// runs its handler only when its state changes; selecting a list item in code runs none.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/core/ConsoleSettings.h"
#include "console/core/KeyMapFile.h"
#include "framework/core/IniStore.h"

// ---- Tables ---------------------------------------------------------------------------

// The 16 items of both character-set lists, in list order, with the system's code.
struct CharsetItem {
    std::string_view name;
    int code;
};
std::span<const CharsetItem> CharsetItems();
// The list index of a code; a code the list lacks gives 5 ("ANSI Charset").
int CharsetIndexOf(int code);
// The code of a list index; no selection (or an index outside the list) gives the first's.
int CharsetCodeAt(int index);
inline constexpr int HangulCharset = 129;

// What a proxy radio button does to the proxy controls: which are enabled, and the port
// it puts in. A type outside 0..3 is treated as "None".
struct ProxyControlState {
    bool host, port, user, password, command, socks5Switch;
    std::string_view portText;
};
ProxyControlState ProxyControlsFor(int type);

// The keyboard page's two boxes for a key: its display name, the captions, which box is
// enabled, and the value column each box shows (0 normal, 1 application mode, 2 with
// Shift; -1 none, the box is empty). A code of no key gives an empty name, empty boxes
// and the single-key layout.
struct KeyBoxes {
    std::string_view name;
    std::string_view firstCaption, secondCaption;
    bool firstEnabled, secondEnabled;
    int firstColumn, secondColumn;
};
KeyBoxes KeyBoxesFor(int code);

// The 39 key buttons of the keyboard page (component name, caption, key code); the
// sixteen keypad buttons (codes 1..16) are enabled only while the terminal keypad is
// emulated.
struct KeyButton {
    std::string_view name;
    std::string_view caption;
    int code;
};
std::span<const KeyButton> KeyButtons();
inline bool IsKeypadButton(int code) { return code >= 1 && code <= 16; }

// The console sample with the built-in fonts: "Console, " and the Korean word for Hangul,
// in 8 x 16 cells, centred in the paint box (halved toward zero).
inline constexpr std::string_view ConsoleSampleText = "Console, \xC7\xD1\xB1\xDB";
struct SampleOrigin {
    int x, y;
};
SampleOrigin ConsoleSampleOrigin(int width, int height);

// The font size buttons: one up with a ceiling of 128, one down with a floor of 1.
int StepFontSize(int size, bool up);

// The spin edits' limits (and the clamps applied when the values are read back).
inline constexpr int ScreenRowsMax = 199, ScreenColumnsMax = 254, MarginMax = 100;

// ---- What the dialog reaches outside itself ------------------------------------------

class GlobalConfigHost {
public:
    virtual ~GlobalConfigHost() = default;
    // The main window's bitmap fonts, loaded (true on success) or freed at once.
    virtual bool LoadBitmapFonts() = 0;
    virtual void FreeBitmapFonts() = 0;
    // The character set the system gives a font of that name.
    virtual int ProbeCharset(const std::string& fontName) = 0;
    virtual bool DirectoryExists(const std::string& path) = 0;
    // The program's folder, with its trailing backslash.
    virtual std::string ProgramFolder() = 0;
    // The installed printers in the system's order; empty when there are none or the
    // list cannot be had.
    virtual std::vector<std::string> Printers() = 0;
    // The key-map file beside the program.
    virtual bool KeyMapExists() = 0;
    virtual IIniStore& KeyMap() = 0;
    // The key-map file could not be written (the model says it once per dialog).
    virtual void KeyMapNotWritten() = 0;
};

// ---- The dialog ----------------------------------------------------------------------

class GlobalConfigModel {
public:
    // The form as created: F1 the current key; a missing key-map file is written with
    // the VT100 set.
    explicit GlobalConfigModel(GlobalConfigHost& host);

    // The main window's copy into the dialog's fields and controls, in its order.
    void CopyIn(const ConsoleSettings& settings);
    // Fills the controls from the fields.
    void LoadFromConsole();
    // What the main window reads back after OK: the fields and the controls, with the
    // screen size and margins held to their spin edits' limits, a proxy type outside
    // 0..3 as none and an empty print file as the program folder's "print.txt". Other
    // members of `settings` are left alone.
    void ReadBack(ConsoleSettings& settings) const;

    // ---- Handlers ----
    // "Font && Directories" and "Editor".
    void UseInternalFontClick(bool checked);
    void ConsoleFontChange(const std::string& fontName);
    void EditorFontChange(const std::string& fontName);
    void ConsoleCharsetChange(int index);
    void EditorCharsetChange(int index);
    void ConsoleSizeClick(bool up);
    void EditorSizeClick(bool up);
    void ConsoleColorChange(bool background, int colorIndex);
    void EditorColorChange(bool background, int colorIndex);
    void ConsoleLayoutClick(int layout);
    void EditorLayoutClick(int layout);
    // "Advanced...".
    void CustomScreenSizeClick(bool checked);
    void ProxyTypeClick(int type);
    void ProxySocks5UserPswdClick(bool checked);
    // "Printing".
    void PrintTypeClick(int type);
    // "Keyboard".
    void KeyClick(int code);
    void LoadKeySet(KeyMapSet set);
    void EmulateTerminalKeypadClick(bool checked);
    // The dialog closes (OK, Cancel or the close box): the current key is stored.
    void FormClose();
    // The font probe runs only while the dialog is visible.
    void SetVisible(bool visible) { visible_ = visible; }

    // ---- What the controls show ----
    // The dialog's fields, and the values that live in controls (screen size, margins,
    // the proxy texts and switch, the print file); the plain edits and check boxes write
    // here directly (UploadDir, ZModemAutoDetect, PrinterName, ...).
    // ProxyType and PrintType are the dialog's fields; the checked radio buttons are
    // proxyRadio and printRadio.
    ConsoleSettings values;
    // "Font && Directories": the font combo, charset combo and size button.
    bool consoleFontEnabled = true;
    int consoleCharsetIndex = -1;
    bool internalFontChecked = false;
    int consoleLayout = 0;  // the checked layout radio button 1..3, 0 none
    bool consoleLayoutEnabled = true;
    // "Editor".
    int editorCharsetIndex = -1;
    int editorLayout = 1;  // "2 Bul-Sik" on the form
    bool editorLayoutEnabled = true;
    // "Keyboard".
    int currentKey = 51;  // F1
    std::string keyFirst, keySecond;
    // "Printing".
    int printRadio = 0;  // 0 None, 1 raw data, 2 file
    bool printerListEnabled = false, printFileEnabled = false;
    std::vector<std::string> printers;
    int printerIndex = -1;
    // "Advanced...".
    bool customScreenSize = false;
    int proxyRadio = 0;
    bool proxyHostEnabled = false, proxyPortEnabled = false, proxyUserEnabled = false,
         proxyPasswordEnabled = false, proxyCommandEnabled = false, socks5SwitchEnabled = false;

    // The console sample: without the built-in fonts the panel shows its caption in the
    // console font; with them the paint box shows the sample text.
    bool SamplePaintBoxShown() const { return values.UseInternalFont; }
    std::string ConsoleSampleCaption() const;
    std::string EditorSampleCaption() const;

private:
    void SetInternalFontChecked(bool checked);
    void SetCustomScreenSize(bool checked);
    void SetProxyRadio(int type);
    void SetSocks5Checked(bool checked);
    void SetPrintRadio(int type);
    void ConsoleHangulState();
    void EditorHangulState();
    void FontChange(bool console, const std::string& fontName);
    // The current key's value in a column (0 normal, 1 application mode, 2 with Shift),
    // or its VT100 default when the file lacks it.
    std::string ReadKeyMapping(int column) const;
    void ShowKeyMapping();
    void StoreKeyMapping();
    void KeyMapWritten(bool ok);

    GlobalConfigHost& host_;
    bool visible_ = false;
    bool keyMapFailureSaid_ = false;
};
