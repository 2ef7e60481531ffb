#include "windows/core/GlobalConfig.h"

#include <algorithm>
#include <array>

#include "framework/core/SysUtils.h"

namespace {

constexpr std::array<CharsetItem, 16> kCharsets{{
    {"Default Charset", 1},
    {"Hanguel (Korean)", 129},
    {"GB2312 (Simplified Chinese)", 134},
    {"Chinese-BIG5 (Traditional Chinese)", 136},
    {"Shift-JIS (Japanese)", 128},
    {"ANSI Charset", 0},
    {"OEM Charset", 255},
    {"East-Europe", 238},
    {"Russian", 204},
    {"Greek", 161},
    {"Turkish", 162},
    {"Baltic", 186},
    {"Arabic", 178},
    {"Hebrew", 177},
    {"Thai", 222},
    {"Symbol", 2},
}};
constexpr int kAnsiIndex = 5;

constexpr std::array<KeyButton, 39> kKeyButtons{{
    {"GSET_BTN_KeyPad0", "0", 1},
    {"GSET_BTN_KeyPad1", "1", 2},
    {"GSET_BTN_KeyPad2", "2", 3},
    {"GSET_BTN_KeyPad3", "3", 4},
    {"GSET_BTN_KeyPad4", "4", 5},
    {"GSET_BTN_KeyPad5", "5", 6},
    {"GSET_BTN_KeyPad6", "6", 7},
    {"GSET_BTN_KeyPad7", "7", 8},
    {"GSET_BTN_KeyPad8", "8", 9},
    {"GSET_BTN_KeyPad9", "9", 10},
    {"GSET_BTN_KeyPadSlash", "/", 11},
    {"GSET_BTN_KeyPadMult", "*", 12},
    {"GSET_BTN_KeyPadMinus", "-", 13},
    {"GSET_BTN_KeyPadPlus", "+", 14},
    {"GSET_BTN_KeyPadDot", ".", 15},
    {"GSET_BTN_KeyPadENT", "Ent", 16},
    {"GSET_BTN_KeyUp", "", 21},
    {"GSET_BTN_KeyDown", "", 22},
    {"GSET_BTN_KeyLeft", "", 23},
    {"GSET_BTN_KeyRight", "", 24},
    {"GSET_BTN_KeyIns", "Ins", 31},
    {"GSET_BTN_KeyHome", "Home", 32},
    {"GSET_BTN_KeyPgUp", "PgUp", 33},
    {"GSET_BTN_KeyDel", "Del", 34},
    {"GSET_BTN_KeyEnd", "End", 35},
    {"GSET_BTN_KeyPgDn", "PgDn", 36},
    {"GSET_BTN_KeyBackspace", "Backspace", 41},
    {"GSET_BTN_KeyF1", "F1", 51},
    {"GSET_BTN_KeyF2", "F2", 52},
    {"GSET_BTN_KeyF3", "F3", 53},
    {"GSET_BTN_KeyF4", "F4", 54},
    {"GSET_BTN_KeyF5", "F5", 55},
    {"GSET_BTN_KeyF6", "F6", 56},
    {"GSET_BTN_KeyF7", "F7", 57},
    {"GSET_BTN_KeyF8", "F8", 58},
    {"GSET_BTN_KeyF9", "F9", 59},
    {"GSET_BTN_KeyF10", "F10", 60},
    {"GSET_BTN_KeyF11", "F11", 61},
    {"GSET_BTN_KeyF12", "F12", 62},
}};

bool LayoutInRange(int layout) { return layout >= 1 && layout <= 3; }

}  // namespace

std::span<const CharsetItem> CharsetItems() { return kCharsets; }

int CharsetIndexOf(int code) {
    for (size_t i = 0; i < kCharsets.size(); ++i)
        if (kCharsets[i].code == code) return static_cast<int>(i);
    return kAnsiIndex;
}

int CharsetCodeAt(int index) {
    if (index < 0 || index >= static_cast<int>(kCharsets.size())) index = 0;
    return kCharsets[static_cast<size_t>(index)].code;
}

ProxyControlState ProxyControlsFor(int type) {
    switch (type) {
    case 1: return {true, true, false, false, true, false, "23"};
    case 2: return {true, true, true, false, false, false, "1080"};
    case 3: return {true, true, false, false, false, true, "1080"};
    default: return {false, false, false, false, false, false, ""};
    }
}

KeyBoxes KeyBoxesFor(int code) {
    const KeyMapKey* key = FindKeyMapKey(code);
    if (!key) return {"", "Normal", "Reserved", true, false, -1, -1};
    switch (key->kind) {
    case KeyMapKind::Function: return {key->displayName, "Normal", "Pressed with Shift", true, true, 0, 2};
    case KeyMapKind::Keypad: return {key->displayName, "Normal", "Application Mode", true, true, 0, 1};
    case KeyMapKind::Enter: return {key->displayName, "Normal", "Application Mode", false, true, -1, 1};
    case KeyMapKind::Single:
    case KeyMapKind::None: break;
    }
    return {key->displayName, "Normal", "Reserved", true, false, 0, -1};
}

std::span<const KeyButton> KeyButtons() { return kKeyButtons; }

SampleOrigin ConsoleSampleOrigin(int width, int height) {
    const int bytes = static_cast<int>(ConsoleSampleText.size());
    return {(width - 8 * bytes) / 2, (height - 16) / 2};
}

int StepFontSize(int size, bool up) { return up ? std::min(size + 1, 128) : std::max(size - 1, 1); }

// ---- GlobalConfigModel ------------------------------------------------------------------

GlobalConfigModel::GlobalConfigModel(GlobalConfigHost& host) : host_(host) {
    if (!host_.KeyMapExists()) LoadKeySet(KeyMapSet::VT100);
}

void GlobalConfigModel::CopyIn(const ConsoleSettings& s) {
    values.ConsoleFontName = s.ConsoleFontName;
    values.ConsoleFontSize = s.ConsoleFontSize;
    values.ConsoleFontCharset = s.ConsoleFontCharset;
    values.ConsoleFGColor = s.ConsoleFGColor;
    values.ConsoleBGColor = s.ConsoleBGColor;
    values.UploadDir = s.UploadDir;
    values.DownloadDir = s.DownloadDir;
    values.HanguelKeyLayoutMode = s.HanguelKeyLayoutMode;
    values.UseInternalFont = s.UseInternalFont;
    values.ConvertToKSC5601 = s.ConvertToKSC5601;
    values.ZModemAutoDetect = s.ZModemAutoDetect;
    values.ShowOnLineMemoWindow = s.ShowOnLineMemoWindow;
    values.ShowImagePack = s.ShowImagePack;
    values.EmulateTerminalKeypad = s.EmulateTerminalKeypad;
    // The spin edits hold what they are given to their limits.
    values.ScreenSizeHeight = std::clamp(s.ScreenSizeHeight, 1, ScreenRowsMax);
    values.ScreenSizeWidth = std::clamp(s.ScreenSizeWidth, 1, ScreenColumnsMax);
    // The radio button first (its handler empties the edits), then the field, the edits
    // and the switch.
    SetProxyRadio(s.ProxyType >= 0 && s.ProxyType <= 3 ? s.ProxyType : 0);
    values.ProxyType = s.ProxyType;
    values.ProxyHostAddress = s.ProxyHostAddress;
    values.ProxyPort = s.ProxyPort;
    values.ProxyUserID = s.ProxyUserID;
    values.ProxyPassword = s.ProxyPassword;
    values.ProxyConnectCommand = s.ProxyConnectCommand;
    SetSocks5Checked(s.ProxyUseSocks5UserPswd);
    values.PrintType = s.PrintType;
    values.PrinterName = s.PrinterName;
    values.PrintFileName = s.PrintFileName;
    values.EditorFontName = s.EditorFontName;
    values.EditorFontSize = s.EditorFontSize;
    values.EditorFontCharset = s.EditorFontCharset;
    values.EditorFGColor = s.EditorFGColor;
    values.EditorBGColor = s.EditorBGColor;
    values.EditorHanguelKeyLayoutMode = s.EditorHanguelKeyLayoutMode;
    values.EditorMarginLeft = std::clamp(s.EditorMarginLeft, 0, MarginMax);
    values.EditorMarginRight = std::clamp(s.EditorMarginRight, 0, MarginMax);
    values.EditorMarginTop = std::clamp(s.EditorMarginTop, 0, MarginMax);
    values.EditorMarginBottom = std::clamp(s.EditorMarginBottom, 0, MarginMax);
}

void GlobalConfigModel::LoadFromConsole() {
    // The built-in fonts: checking the box loads them (and unchecks it when that fails).
    consoleFontEnabled = !values.UseInternalFont;
    SetInternalFontChecked(values.UseInternalFont);

    // Selecting the font name runs the font change (no probe while hidden).
    ConsoleFontChange(values.ConsoleFontName);
    consoleCharsetIndex = CharsetIndexOf(values.ConsoleFontCharset);
    if (LayoutInRange(values.HanguelKeyLayoutMode)) ConsoleLayoutClick(values.HanguelKeyLayoutMode);

    for (std::string* dir : {&values.UploadDir, &values.DownloadDir})
        if (!host_.DirectoryExists(*dir)) *dir = host_.ProgramFolder();

    EditorFontChange(values.EditorFontName);
    editorCharsetIndex = CharsetIndexOf(values.EditorFontCharset);
    if (LayoutInRange(values.EditorHanguelKeyLayoutMode)) EditorLayoutClick(values.EditorHanguelKeyLayoutMode);

    SetCustomScreenSize(values.ScreenSizeHeight != 24 || values.ScreenSizeWidth != 80);

    if (values.PrintType == 1 || values.PrintType == 2) {
        SetPrintRadio(values.PrintType);
    } else {
        SetPrintRadio(0);
        printerListEnabled = printFileEnabled = false;
    }

    ShowKeyMapping();

    // A printer that is not installed (or none stored) shows the first one, and the first
    // one is what OK saves; with no printers at all the stored name is kept. Printer names
    // ignore case: a stored name finds its printer whatever its case, and takes the
    // installed spelling.
    printers = host_.Printers();
    const auto it = std::find_if(printers.begin(), printers.end(), [&](const std::string& printer) {
        return AnsiCompareText(printer, values.PrinterName) == 0;
    });
    if (it != printers.end()) {
        printerIndex = static_cast<int>(it - printers.begin());
        values.PrinterName = *it;
    } else if (!printers.empty()) {
        printerIndex = 0;
        values.PrinterName = printers.front();
    } else {
        printerIndex = -1;
    }
}

void GlobalConfigModel::ReadBack(ConsoleSettings& s) const {
    s.ConsoleFontName = values.ConsoleFontName;
    s.ConsoleFontSize = values.ConsoleFontSize;
    s.ConsoleFontCharset = values.ConsoleFontCharset;
    s.ConsoleFGColor = values.ConsoleFGColor;
    s.ConsoleBGColor = values.ConsoleBGColor;
    s.UploadDir = values.UploadDir;
    s.DownloadDir = values.DownloadDir;
    s.HanguelKeyLayoutMode = values.HanguelKeyLayoutMode;
    s.UseInternalFont = values.UseInternalFont;
    s.EditorHanguelKeyLayoutMode = values.EditorHanguelKeyLayoutMode;
    s.EditorFontName = values.EditorFontName;
    s.EditorFontSize = values.EditorFontSize;
    s.EditorFontCharset = values.EditorFontCharset;
    s.EditorFGColor = values.EditorFGColor;
    s.EditorBGColor = values.EditorBGColor;
    s.EditorMarginLeft = std::clamp(values.EditorMarginLeft, 0, MarginMax);
    s.EditorMarginRight = std::clamp(values.EditorMarginRight, 0, MarginMax);
    s.EditorMarginTop = std::clamp(values.EditorMarginTop, 0, MarginMax);
    s.EditorMarginBottom = std::clamp(values.EditorMarginBottom, 0, MarginMax);
    s.ConvertToKSC5601 = values.ConvertToKSC5601;
    s.ZModemAutoDetect = values.ZModemAutoDetect;
    s.ShowOnLineMemoWindow = values.ShowOnLineMemoWindow;
    s.ShowImagePack = values.ShowImagePack;
    s.EmulateTerminalKeypad = values.EmulateTerminalKeypad;
    s.ProxyType = values.ProxyType >= 0 && values.ProxyType <= 3 ? values.ProxyType : 0;
    s.ProxyHostAddress = values.ProxyHostAddress;
    s.ProxyPort = values.ProxyPort;
    s.ProxyUserID = values.ProxyUserID;
    s.ProxyPassword = values.ProxyPassword;
    s.ProxyConnectCommand = values.ProxyConnectCommand;
    s.ProxyUseSocks5UserPswd = values.ProxyUseSocks5UserPswd;
    s.PrintType = values.PrintType;
    s.PrinterName = values.PrinterName;
    s.PrintFileName = values.PrintFileName.empty() ? host_.ProgramFolder() + "print.txt" : values.PrintFileName;
    s.ScreenSizeHeight = std::clamp(values.ScreenSizeHeight, 1, ScreenRowsMax);
    s.ScreenSizeWidth = std::clamp(values.ScreenSizeWidth, 1, ScreenColumnsMax);
}

// ---- Fonts, samples and the Hangul controls -------------------------------------------

void GlobalConfigModel::SetInternalFontChecked(bool checked) {
    if (internalFontChecked != checked) UseInternalFontClick(checked);
}

void GlobalConfigModel::UseInternalFontClick(bool checked) {
    internalFontChecked = checked;
    if (!checked) {
        host_.FreeBitmapFonts();
        values.UseInternalFont = false;
    } else {
        values.UseInternalFont = host_.LoadBitmapFonts();
        if (!values.UseInternalFont) {
            SetInternalFontChecked(false);  // the box unchecks itself: the handler again
            return;
        }
    }
    if (!values.UseInternalFont) {
        consoleFontEnabled = true;
        ConsoleFontChange(values.ConsoleFontName);
    } else {
        consoleLayoutEnabled = true;
        consoleFontEnabled = false;
    }
}

void GlobalConfigModel::FontChange(bool console, const std::string& fontName) {
    std::string& name = console ? values.ConsoleFontName : values.EditorFontName;
    // A combo without the name (a font not installed) keeps the stored one.
    if (!fontName.empty()) name = fontName;
    if (visible_) {
        const int index = CharsetIndexOf(host_.ProbeCharset(name));
        (console ? consoleCharsetIndex : editorCharsetIndex) = index;
        (console ? values.ConsoleFontCharset : values.EditorFontCharset) = CharsetCodeAt(index);
    }
    if (console)
        ConsoleHangulState();
    else
        EditorHangulState();
}

void GlobalConfigModel::ConsoleFontChange(const std::string& fontName) { FontChange(true, fontName); }

void GlobalConfigModel::EditorFontChange(const std::string& fontName) { FontChange(false, fontName); }

void GlobalConfigModel::ConsoleCharsetChange(int index) {
    consoleCharsetIndex = std::max(index, 0);
    values.ConsoleFontCharset = CharsetCodeAt(consoleCharsetIndex);
    ConsoleHangulState();
}

void GlobalConfigModel::EditorCharsetChange(int index) {
    editorCharsetIndex = std::max(index, 0);
    values.EditorFontCharset = CharsetCodeAt(editorCharsetIndex);
    EditorHangulState();
}

void GlobalConfigModel::ConsoleHangulState() {
    consoleLayoutEnabled = values.ConsoleFontCharset == HangulCharset || values.UseInternalFont;
    if (!consoleLayoutEnabled) values.ConvertToKSC5601 = false;
}

void GlobalConfigModel::EditorHangulState() { editorLayoutEnabled = values.EditorFontCharset == HangulCharset; }

void GlobalConfigModel::ConsoleSizeClick(bool up) { values.ConsoleFontSize = StepFontSize(values.ConsoleFontSize, up); }

void GlobalConfigModel::EditorSizeClick(bool up) { values.EditorFontSize = StepFontSize(values.EditorFontSize, up); }

void GlobalConfigModel::ConsoleColorChange(bool background, int colorIndex) {
    (background ? values.ConsoleBGColor : values.ConsoleFGColor) = colorIndex;
}

void GlobalConfigModel::EditorColorChange(bool background, int colorIndex) {
    (background ? values.EditorBGColor : values.EditorFGColor) = colorIndex;
}

void GlobalConfigModel::ConsoleLayoutClick(int layout) {
    values.HanguelKeyLayoutMode = layout;
    consoleLayout = layout;
}

void GlobalConfigModel::EditorLayoutClick(int layout) {
    values.EditorHanguelKeyLayoutMode = layout;
    editorLayout = layout;
}

std::string GlobalConfigModel::ConsoleSampleCaption() const {
    return values.UseInternalFont ? std::string() : " Console, " + std::to_string(values.ConsoleFontSize);
}

std::string GlobalConfigModel::EditorSampleCaption() const {
    return " Editor, " + std::to_string(values.EditorFontSize);
}

// ---- "Advanced..." and "Printing" -----------------------------------------------------

void GlobalConfigModel::SetCustomScreenSize(bool checked) {
    if (customScreenSize != checked) CustomScreenSizeClick(checked);
}

void GlobalConfigModel::CustomScreenSizeClick(bool checked) {
    customScreenSize = checked;
    if (checked) return;
    values.ScreenSizeHeight = 24;
    values.ScreenSizeWidth = 80;
}

void GlobalConfigModel::SetProxyRadio(int type) {
    if (proxyRadio != type) ProxyTypeClick(type);
}

void GlobalConfigModel::ProxyTypeClick(int type) {
    values.ProxyType = type;
    proxyRadio = type;
    for (std::string* text : {&values.ProxyHostAddress, &values.ProxyPort, &values.ProxyUserID,
                              &values.ProxyPassword, &values.ProxyConnectCommand})
        text->clear();
    const ProxyControlState state = ProxyControlsFor(type);
    values.ProxyPort = std::string(state.portText);
    SetSocks5Checked(false);
    proxyHostEnabled = state.host;
    proxyPortEnabled = state.port;
    proxyUserEnabled = state.user;
    proxyPasswordEnabled = state.password;
    proxyCommandEnabled = state.command;
    socks5SwitchEnabled = state.socks5Switch;
}

void GlobalConfigModel::SetSocks5Checked(bool checked) {
    if (values.ProxyUseSocks5UserPswd != checked) ProxySocks5UserPswdClick(checked);
}

void GlobalConfigModel::ProxySocks5UserPswdClick(bool checked) {
    values.ProxyUseSocks5UserPswd = checked;
    proxyUserEnabled = proxyPasswordEnabled = checked;
}

void GlobalConfigModel::SetPrintRadio(int type) {
    if (printRadio != type) PrintTypeClick(type);
}

void GlobalConfigModel::PrintTypeClick(int type) {
    values.PrintType = type;
    printRadio = type;
    printerListEnabled = type == 1;
    printFileEnabled = type == 2;
}

// ---- "Keyboard" ------------------------------------------------------------------------

std::string GlobalConfigModel::ReadKeyMapping(int column) const {
    return ReadKeyMapText(host_.KeyMap(), currentKey, column, KeyMapReader::Editor);
}

void GlobalConfigModel::ShowKeyMapping() {
    const KeyBoxes boxes = KeyBoxesFor(currentKey);
    keyFirst = boxes.firstColumn < 0 ? std::string() : ReadKeyMapping(boxes.firstColumn);
    keySecond = boxes.secondColumn < 0 ? std::string() : ReadKeyMapping(boxes.secondColumn);
}

void GlobalConfigModel::StoreKeyMapping() {
    KeyMapWritten(StoreKeyMapTexts(host_.KeyMap(), currentKey, keyFirst, keySecond));
}

void GlobalConfigModel::KeyMapWritten(bool ok) {
    if (ok || keyMapFailureSaid_) return;
    keyMapFailureSaid_ = true;
    host_.KeyMapNotWritten();
}

void GlobalConfigModel::KeyClick(int code) {
    StoreKeyMapping();
    currentKey = code;
    ShowKeyMapping();
}

void GlobalConfigModel::LoadKeySet(KeyMapSet set) {
    KeyMapWritten(WriteKeyMapDefaults(host_.KeyMap(), set));
    ShowKeyMapping();
}

void GlobalConfigModel::EmulateTerminalKeypadClick(bool checked) { values.EmulateTerminalKeypad = checked; }

void GlobalConfigModel::FormClose() { StoreKeyMapping(); }
