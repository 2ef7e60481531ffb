// The main window's settings: the 64 values of the settings key, their types, their
// defaults, who writes them, and how they are loaded and saved.
//
// The key is HKEY_CURRENT_USER "SOFTWARE\Orvatek\QUIRO". Integers are DWORDs, booleans
// DWORDs 0 or 1 (any non-zero value reads as true), strings registry strings. Colours are
// stored as a ColorIndex 0..15. Escape texts (one-shot commands, the keep-alive string) are
// stored as typed and expanded only when sent.
//
// Loading gives every value that is missing (or stored with another type) its own default;
// nothing else is touched. The values marked "not reset" (window size and state, the
// cool-bar layout, the keep-alive switch, the telephony device) keep what the caller put in
// the fields before loading: the window's design values.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::string_view SettingsKeyPath = "SOFTWARE\\Orvatek\\QUIRO";

// One open settings key. The product implements it over TRegistry; a missing value is
// distinct from a stored zero or empty text.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // std::nullopt when the value is missing or not stored as a DWORD.
    virtual std::optional<int32_t> ReadInteger(std::string_view name) const = 0;
    // std::nullopt when the value is missing or not stored as a string.
    virtual std::optional<std::string> ReadString(std::string_view name) const = 0;
    // False when the value could not be written; WriteFailure() then says why.
    virtual bool WriteInteger(std::string_view name, int32_t value) = 0;
    virtual bool WriteString(std::string_view name, std::string_view value) = 0;
    // The system's reason why the last write failed (empty when it gives none).
    virtual std::string WriteFailure() const { return {}; }
};

// The settings as the main window holds them. Field names are the value names; arrays
// hold the numbered values (Favorites[0] is "Favorites1").
struct ConsoleSettings {
    std::string QuickLinks;  // the address box's drop-down items, one per line
    std::string ConsoleFontName;
    int32_t ConsoleFontSize = 0;
    int32_t ConsoleFontCharset = 0;
    int32_t ConsoleFGColor = 0;  // ColorIndex
    int32_t ConsoleBGColor = 0;  // ColorIndex
    std::string UploadDir;
    std::string DownloadDir;
    bool ConvertToKSC5601 = false;
    bool AddLFToReceivedCR = false;
    bool LineAutoWrap = false;
    bool DoLocalEcho = false;
    bool SendENTERasCRLF = false;
    bool ZModemAutoDetect = false;
    bool ZModemShowFinishDialog = false;
    int32_t HanguelKeyLayoutMode = 0;  // 1 2-set, 2 3-set 390, 3 3-set final
    bool UseInternalFont = false;
    bool ShowOnLineMemoWindow = false;
    bool ShowImagePack = false;
    bool EmulateTerminalKeypad = false;
    int32_t ScreenSizeWidth = 0;   // columns
    int32_t ScreenSizeHeight = 0;  // rows
    int32_t ProxyType = 0;         // 0 none, 1 TIS, 2 SOCKS 4, 3 SOCKS 5
    std::string ProxyHostAddress;
    std::string ProxyPort;
    std::string ProxyUserID;
    std::string ProxyPassword;
    std::string ProxyConnectCommand;
    bool ProxyUseSocks5UserPswd = false;
    int32_t KeepAliveInterval = 0;  // minutes
    std::string KeepAliveString;    // escape text
    bool UseKeepAlive = false;
    int32_t ConsoleFormWidth = 0;
    int32_t ConsoleFormHeight = 0;
    int32_t ConsoleFormState = 0;  // the window state
    std::string EditorFontName;
    int32_t EditorFontSize = 0;
    int32_t EditorFontCharset = 0;
    int32_t EditorFGColor = 0;  // ColorIndex
    int32_t EditorBGColor = 0;  // ColorIndex
    int32_t EditorHanguelKeyLayoutMode = 0;
    int32_t EditorMarginLeft = 0;  // print margins, mm
    int32_t EditorMarginTop = 0;
    int32_t EditorMarginRight = 0;
    int32_t EditorMarginBottom = 0;
    int32_t PrintType = 0;  // 0 none, 1 raw to a printer, 2 file only
    std::string PrinterName;
    std::string PrintFileName;
    std::string TAPIDeviceName;
    std::array<std::string, 5> Favorites;
    std::string CoolBand1;  // panel of the first band: "Address", "Menu" or "Favorites"
    std::string CoolBand2;  // panel of the second band
    bool CoolBandBreak2 = false;
    bool CoolBandBreak3 = false;
    std::array<int32_t, 3> CoolBandWidth{};
    std::array<std::string, 3> OneShotCommand;  // escape texts

    bool operator==(const ConsoleSettings&) const = default;
};

enum class SettingType { String, Integer, Boolean };

// Who writes a value.
enum SettingWriter : unsigned {
    WriterGlobal = 1,           // SaveGlobalSettings: the settings dialog and the first run
    WriterSession = 2,          // SaveSessionSettings: on closing
    WriterQuickLinks = 4,       // AddAddressToQuickLinks
    WriterOneShotDialog = 8,    // the one-shot command dialog
    WriterStartConnection = 16, // a telephony device chosen when a call starts
    WriterFavorites = 32,       // favourites editing
};

struct SettingInfo {
    std::string_view name;
    SettingType type;
    unsigned writers;  // SettingWriter bits
    bool reset;        // false: "not reset", a missing value keeps the field's value
};

// The 64 values, in the order LoadSettings reads them.
std::span<const SettingInfo> SettingsSchema();
const SettingInfo* FindSetting(std::string_view name);

// What the defaults depend on.
struct SettingsEnvironment {
    std::string programFolder;  // with its trailing backslash
    // The character set of a font name (ProbeFontCharset); used for a missing charset.
    std::function<int32_t(const std::string& fontName)> probeCharset;
};

struct SettingsLoadResult {
    // The first-run save is due: "CoolBand1" or "OneShotCommand1" was missing.
    bool defaultsUsed = false;
    // "CoolBand1" was stored: the cool-bar layout is to be applied (CoolBarBands).
    bool coolBarStored = false;
};

// Reads every value in schema order into `settings`. A missing value takes its default:
// a fixed one, the program folder and a name ("download", "print.txt"), another value
// (DownloadDir: UploadDir), or a probe (a charset from its font name); "not reset"
// values keep the field's value. Then the values are made safe for their users: columns
// 1..254, rows 1..199 and a keep-alive interval of at least 1 are clamped; a ProxyType,
// PrintType, keyboard layout or colour index out of its range takes the default.
SettingsLoadResult LoadSettings(const ISettingsStore& store, const SettingsEnvironment& env,
                                ConsoleSettings& settings);

// What a save could not write. A value the store refuses does not stop the others; the
// first refusal is the one the user is told about, once for the whole save.
struct SettingsSaveResult {
    int refused = 0;           // values not written
    std::string firstRefused;  // the first of them
    std::string reason;        // the store's reason for it
    bool Saved() const { return refused == 0; }
};

// What the user is told of a save that was refused: the values and the store's reason.
std::string SettingsSaveFailureText(const SettingsSaveResult& result);

// Writes the named values from `settings`, in the given order. A name that is not a
// setting counts as refused.
SettingsSaveResult SaveSettingValues(ISettingsStore& store, const ConsoleSettings& settings,
                                     std::span<const std::string_view> names);
// The settings dialog's save and the first run's: every value written by WriterGlobal.
SettingsSaveResult SaveGlobalSettings(ISettingsStore& store, const ConsoleSettings& settings);
// The save on closing. CoolBand1 and CoolBand2 are written only when they name one of the
// three panels.
SettingsSaveResult SaveSessionSettings(ISettingsStore& store, const ConsoleSettings& settings);

// The panels of the cool bar's three bands, in band order, from the stored CoolBand1 and
// CoolBand2 (design order Address, Menu, Favorites; unknown or repeated names keep it).
std::array<std::string_view, 3> CoolBarBands(std::string_view band1, std::string_view band2);

// The ANSI code page of a Windows character set (its low byte counts).
int CharsetToCodePage(int charset);
