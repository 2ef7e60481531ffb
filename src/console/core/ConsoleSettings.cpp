#include "console/core/ConsoleSettings.h"

#include <algorithm>
#include <climits>
#include <variant>
#include <vector>

#include "engines/core/DravelTerminal.h"

namespace {

using StrRef = std::string& (*)(ConsoleSettings&);
using IntRef = int32_t& (*)(ConsoleSettings&);
using BoolRef = bool& (*)(ConsoleSettings&);

#define STR(f) StrRef([](ConsoleSettings& s) -> std::string& { return s.f; })
#define INT(f) IntRef([](ConsoleSettings& s) -> int32_t& { return s.f; })
#define BOOL(f) BoolRef([](ConsoleSettings& s) -> bool& { return s.f; })

enum class DefaultKind {
    Fixed,          // number or text
    ProgramFolder,  // the program folder + text
    SameAs,         // the value of the setting named by text
    Probed,         // the charset of the font named by the setting named by text
    NotReset,       // the field keeps its value
};

// Out of [min, max]: clamp to the range, or take the default.
enum class OutOfRange { Clamp, TakeDefault };

struct Entry {
    SettingInfo info;
    std::variant<StrRef, IntRef, BoolRef> field;
    DefaultKind kind;
    int32_t number = 0;
    std::string_view text;
    int32_t min = INT32_MIN;
    int32_t max = INT32_MAX;
    OutOfRange outOfRange = OutOfRange::Clamp;
};

constexpr unsigned W = WriterGlobal;
constexpr unsigned S = WriterSession;

constexpr Entry Text(std::string_view name, StrRef f, unsigned writers, std::string_view def,
                     DefaultKind kind = DefaultKind::Fixed) {
    return {{name, SettingType::String, writers, kind != DefaultKind::NotReset}, f, kind, 0, def};
}
constexpr Entry Number(std::string_view name, IntRef f, unsigned writers, int32_t def,
                       int32_t min = INT32_MIN, int32_t max = INT32_MAX,
                       OutOfRange outOfRange = OutOfRange::Clamp) {
    return {{name, SettingType::Integer, writers, true}, f, DefaultKind::Fixed, def, {},
            min, max, outOfRange};
}
// A value with a fixed range whose strays take the default (enumerations, colours).
constexpr Entry Choice(std::string_view name, IntRef f, unsigned writers, int32_t def,
                       int32_t min, int32_t max) {
    return Number(name, f, writers, def, min, max, OutOfRange::TakeDefault);
}
constexpr Entry Colour(std::string_view name, IntRef f, int32_t def) {
    return Choice(name, f, W, def, 0, 15);
}
constexpr Entry Charset(std::string_view name, IntRef f, std::string_view fontSetting) {
    return {{name, SettingType::Integer, W, true}, f, DefaultKind::Probed, 0, fontSetting};
}
constexpr Entry Flag(std::string_view name, BoolRef f, unsigned writers, bool def) {
    return {{name, SettingType::Boolean, writers, true}, f, DefaultKind::Fixed, def ? 1 : 0, {}};
}
template <typename Ref>
constexpr Entry Kept(std::string_view name, Ref f, SettingType type, unsigned writers) {
    return {{name, type, writers, false}, f, DefaultKind::NotReset, 0, {}};
}

const Entry kEntries[] = {
    Text("QuickLinks", STR(QuickLinks), W | WriterQuickLinks, ""),
    Text("ConsoleFontName", STR(ConsoleFontName), W, "Fixedsys"),
    Number("ConsoleFontSize", INT(ConsoleFontSize), W, 10),
    Charset("ConsoleFontCharset", INT(ConsoleFontCharset), "ConsoleFontName"),
    Colour("ConsoleFGColor", INT(ConsoleFGColor), 15),
    Colour("ConsoleBGColor", INT(ConsoleBGColor), 4),
    Text("UploadDir", STR(UploadDir), W, "download", DefaultKind::ProgramFolder),
    Text("DownloadDir", STR(DownloadDir), W, "UploadDir", DefaultKind::SameAs),
    Flag("ConvertToKSC5601", BOOL(ConvertToKSC5601), W, false),
    Flag("AddLFToReceivedCR", BOOL(AddLFToReceivedCR), W | S, false),
    Flag("LineAutoWrap", BOOL(LineAutoWrap), W | S, true),
    Flag("DoLocalEcho", BOOL(DoLocalEcho), W | S, false),
    Flag("SendENTERasCRLF", BOOL(SendENTERasCRLF), W | S, false),
    Flag("ZModemAutoDetect", BOOL(ZModemAutoDetect), W, true),
    Flag("ZModemShowFinishDialog", BOOL(ZModemShowFinishDialog), W | S, false),
    Choice("HanguelKeyLayoutMode", INT(HanguelKeyLayoutMode), W, 1, 1, 3),
    Flag("UseInternalFont", BOOL(UseInternalFont), W, false),
    Flag("ShowOnLineMemoWindow", BOOL(ShowOnLineMemoWindow), W, false),
    Flag("ShowImagePack", BOOL(ShowImagePack), W, false),
    Flag("EmulateTerminalKeypad", BOOL(EmulateTerminalKeypad), W, false),
    Number("ScreenSizeWidth", INT(ScreenSizeWidth), W, 80, TDravelTerminal::MinColumns,
           TDravelTerminal::MaxColumns),
    Number("ScreenSizeHeight", INT(ScreenSizeHeight), W, 24, TDravelTerminal::MinRows,
           TDravelTerminal::MaxRows),
    Choice("ProxyType", INT(ProxyType), W, 0, 0, 3),
    Text("ProxyHostAddress", STR(ProxyHostAddress), W, ""),
    Text("ProxyPort", STR(ProxyPort), W, ""),
    Text("ProxyUserID", STR(ProxyUserID), W, ""),
    Text("ProxyPassword", STR(ProxyPassword), W, ""),
    Text("ProxyConnectCommand", STR(ProxyConnectCommand), W, ""),
    Flag("ProxyUseSocks5UserPswd", BOOL(ProxyUseSocks5UserPswd), W, false),
    Number("KeepAliveInterval", INT(KeepAliveInterval), W | WriterOneShotDialog, 5, 1),
    Text("KeepAliveString", STR(KeepAliveString), W | WriterOneShotDialog, "z\\x0D"),
    Kept("UseKeepAlive", BOOL(UseKeepAlive), SettingType::Boolean, S),
    Kept("ConsoleFormWidth", INT(ConsoleFormWidth), SettingType::Integer, S),
    Kept("ConsoleFormHeight", INT(ConsoleFormHeight), SettingType::Integer, S),
    Kept("ConsoleFormState", INT(ConsoleFormState), SettingType::Integer, S),
    Text("EditorFontName", STR(EditorFontName), W, "Fixedsys"),
    Number("EditorFontSize", INT(EditorFontSize), W, 10),
    Charset("EditorFontCharset", INT(EditorFontCharset), "EditorFontName"),
    Colour("EditorFGColor", INT(EditorFGColor), 0),
    Colour("EditorBGColor", INT(EditorBGColor), 15),
    Choice("EditorHanguelKeyLayoutMode", INT(EditorHanguelKeyLayoutMode), W, 1, 1, 3),
    Number("EditorMarginLeft", INT(EditorMarginLeft), W, 0),
    Number("EditorMarginTop", INT(EditorMarginTop), W, 0),
    Number("EditorMarginRight", INT(EditorMarginRight), W, 0),
    Number("EditorMarginBottom", INT(EditorMarginBottom), W, 0),
    Choice("PrintType", INT(PrintType), W, 0, 0, 2),
    Text("PrinterName", STR(PrinterName), W, ""),
    Text("PrintFileName", STR(PrintFileName), W, "print.txt", DefaultKind::ProgramFolder),
    Kept("TAPIDeviceName", STR(TAPIDeviceName), SettingType::String, W | WriterStartConnection),
    Text("Favorites1", STR(Favorites[0]), S | WriterFavorites, "KorNet"),
    Text("Favorites2", STR(Favorites[1]), S | WriterFavorites, ""),
    Text("Favorites3", STR(Favorites[2]), S | WriterFavorites, ""),
    Text("Favorites4", STR(Favorites[3]), S | WriterFavorites, ""),
    Text("Favorites5", STR(Favorites[4]), S | WriterFavorites, ""),
    Kept("CoolBand1", STR(CoolBand1), SettingType::String, S),
    Kept("CoolBand2", STR(CoolBand2), SettingType::String, S),
    Kept("CoolBandBreak2", BOOL(CoolBandBreak2), SettingType::Boolean, S),
    Kept("CoolBandBreak3", BOOL(CoolBandBreak3), SettingType::Boolean, S),
    Kept("CoolBandWidth1", INT(CoolBandWidth[0]), SettingType::Integer, S),
    Kept("CoolBandWidth2", INT(CoolBandWidth[1]), SettingType::Integer, S),
    Kept("CoolBandWidth3", INT(CoolBandWidth[2]), SettingType::Integer, S),
    Text("OneShotCommand1", STR(OneShotCommand[0]), W | WriterOneShotDialog, "P\\x0D"),
    Text("OneShotCommand2", STR(OneShotCommand[1]), W | WriterOneShotDialog, "GO PDS\\x0D"),
    Text("OneShotCommand3", STR(OneShotCommand[2]), W | WriterOneShotDialog, "GO TODAY\\x0D"),
};

#undef STR
#undef INT
#undef BOOL

constexpr size_t kCount = sizeof kEntries / sizeof kEntries[0];
static_assert(kCount == 64);

const std::array<SettingInfo, kCount> kSchema = [] {
    std::array<SettingInfo, kCount> infos{};
    for (size_t i = 0; i < kCount; ++i)
        infos[i] = kEntries[i].info;
    return infos;
}();

const Entry* FindEntry(std::string_view name) {
    for (const Entry& e : kEntries)
        if (e.info.name == name)
            return &e;
    return nullptr;
}

std::string& TextField(const Entry& e, ConsoleSettings& s) { return std::get<StrRef>(e.field)(s); }

void ApplyDefault(const Entry& e, const SettingsEnvironment& env, ConsoleSettings& s) {
    switch (e.kind) {
    case DefaultKind::Fixed:
        if (auto* str = std::get_if<StrRef>(&e.field))
            (*str)(s) = std::string(e.text);
        else if (auto* num = std::get_if<IntRef>(&e.field))
            (*num)(s) = e.number;
        else
            std::get<BoolRef>(e.field)(s) = e.number != 0;
        break;
    case DefaultKind::ProgramFolder:
        TextField(e, s) = env.programFolder + std::string(e.text);
        break;
    case DefaultKind::SameAs:
        TextField(e, s) = TextField(*FindEntry(e.text), s);
        break;
    case DefaultKind::Probed: {
        const std::string& font = TextField(*FindEntry(e.text), s);
        std::get<IntRef>(e.field)(s) = env.probeCharset ? env.probeCharset(font) : 1;
        break;
    }
    case DefaultKind::NotReset:
        break;
    }
}

// Reads one value into its field; false when it is missing.
bool ReadValue(const Entry& e, const ISettingsStore& store, ConsoleSettings& s) {
    if (auto* str = std::get_if<StrRef>(&e.field)) {
        std::optional<std::string> v = store.ReadString(e.info.name);
        if (v)
            (*str)(s) = std::move(*v);
        return v.has_value();
    }
    std::optional<int32_t> v = store.ReadInteger(e.info.name);
    if (v) {
        if (auto* num = std::get_if<IntRef>(&e.field))
            (*num)(s) = *v;
        else
            std::get<BoolRef>(e.field)(s) = *v != 0;
    }
    return v.has_value();
}

void KeepInRange(const Entry& e, const SettingsEnvironment& env, ConsoleSettings& s) {
    auto* num = std::get_if<IntRef>(&e.field);
    if (!num)
        return;
    int32_t& v = (*num)(s);
    if (v >= e.min && v <= e.max)
        return;
    if (e.outOfRange == OutOfRange::TakeDefault)
        ApplyDefault(e, env, s);
    else
        v = std::clamp(v, e.min, e.max);
}

bool WriteValue(const Entry& e, ISettingsStore& store, const ConsoleSettings& settings) {
    ConsoleSettings& s = const_cast<ConsoleSettings&>(settings);  // the accessors only read here
    if (auto* str = std::get_if<StrRef>(&e.field))
        return store.WriteString(e.info.name, (*str)(s));
    if (auto* num = std::get_if<IntRef>(&e.field))
        return store.WriteInteger(e.info.name, (*num)(s));
    return store.WriteInteger(e.info.name, std::get<BoolRef>(e.field)(s) ? 1 : 0);
}

constexpr std::string_view kGlobalOrder[] = {
    "QuickLinks", "ConsoleFontName", "ConsoleFontSize", "ConsoleFontCharset", "ConsoleFGColor",
    "ConsoleBGColor", "UploadDir", "DownloadDir", "ConvertToKSC5601", "AddLFToReceivedCR",
    "LineAutoWrap", "DoLocalEcho", "SendENTERasCRLF", "ZModemAutoDetect",
    "ZModemShowFinishDialog", "HanguelKeyLayoutMode", "UseInternalFont",
    "ShowOnLineMemoWindow", "ShowImagePack", "EmulateTerminalKeypad", "ScreenSizeWidth",
    "ScreenSizeHeight", "TAPIDeviceName", "EditorFontName", "EditorFontSize",
    "EditorFontCharset", "EditorFGColor", "EditorBGColor", "EditorHanguelKeyLayoutMode",
    "EditorMarginLeft", "EditorMarginTop", "EditorMarginRight", "EditorMarginBottom",
    "ProxyType", "ProxyHostAddress", "ProxyPort", "ProxyUserID", "ProxyPassword",
    "ProxyConnectCommand", "ProxyUseSocks5UserPswd", "PrintType", "PrinterName",
    "PrintFileName", "OneShotCommand1", "OneShotCommand2", "OneShotCommand3",
    "KeepAliveInterval", "KeepAliveString",
};

constexpr std::string_view kPanels[] = {"Address", "Menu", "Favorites"};

bool IsPanel(std::string_view name) {
    return std::find(std::begin(kPanels), std::end(kPanels), name) != std::end(kPanels);
}

}  // namespace

std::span<const SettingInfo> SettingsSchema() { return kSchema; }

const SettingInfo* FindSetting(std::string_view name) {
    const Entry* e = FindEntry(name);
    return e ? &e->info : nullptr;
}

SettingsLoadResult LoadSettings(const ISettingsStore& store, const SettingsEnvironment& env,
                                ConsoleSettings& settings) {
    SettingsLoadResult result;
    bool oneShotStored = false;
    for (const Entry& e : kEntries) {
        bool stored = ReadValue(e, store, settings);
        if (!stored)
            ApplyDefault(e, env, settings);
        KeepInRange(e, env, settings);
        if (e.info.name == "CoolBand1")
            result.coolBarStored = stored;
        else if (e.info.name == "OneShotCommand1")
            oneShotStored = stored;
    }
    result.defaultsUsed = !result.coolBarStored || !oneShotStored;
    return result;
}

std::string SettingsSaveFailureText(const SettingsSaveResult& result) {
    std::string text = "The settings could not be saved in the registry (" + result.firstRefused;
    if (result.refused > 1)
        text += " and " + std::to_string(result.refused - 1) + " more";
    text += ")";
    return result.reason.empty() ? text + "." : text + ": " + result.reason;
}

SettingsSaveResult SaveSettingValues(ISettingsStore& store, const ConsoleSettings& settings,
                                     std::span<const std::string_view> names) {
    SettingsSaveResult result;
    for (std::string_view name : names) {
        const Entry* e = FindEntry(name);
        if (e && WriteValue(*e, store, settings))
            continue;
        if (result.refused++ == 0) {
            result.firstRefused = name;
            result.reason = e ? store.WriteFailure() : "not a setting.";
        }
    }
    return result;
}

SettingsSaveResult SaveGlobalSettings(ISettingsStore& store, const ConsoleSettings& settings) {
    return SaveSettingValues(store, settings, kGlobalOrder);
}

SettingsSaveResult SaveSessionSettings(ISettingsStore& store, const ConsoleSettings& settings) {
    std::vector<std::string_view> names = {
        "SendENTERasCRLF", "AddLFToReceivedCR", "LineAutoWrap",     "DoLocalEcho",
        "ZModemShowFinishDialog", "UseKeepAlive", "ConsoleFormState", "ConsoleFormWidth",
        "ConsoleFormHeight"};
    if (IsPanel(settings.CoolBand1))
        names.push_back("CoolBand1");
    if (IsPanel(settings.CoolBand2))
        names.push_back("CoolBand2");
    for (std::string_view name : {"CoolBandBreak2", "CoolBandBreak3", "CoolBandWidth1",
                                  "CoolBandWidth2", "CoolBandWidth3", "Favorites1", "Favorites2",
                                  "Favorites3", "Favorites4", "Favorites5"})
        names.push_back(name);
    return SaveSettingValues(store, settings, names);
}

std::array<std::string_view, 3> CoolBarBands(std::string_view band1, std::string_view band2) {
    std::array<std::string_view, 3> bands = {kPanels[0], kPanels[1], kPanels[2]};
    if (!IsPanel(band1))
        return bands;
    // Bring band1 to the front, then band2 behind it; the rest keep their design order.
    auto front = [&](std::string_view name, size_t at) {
        auto it = std::find(bands.begin() + at, bands.end(), name);
        if (it != bands.end())
            std::rotate(bands.begin() + at, it, it + 1);
    };
    front(band1, 0);
    if (IsPanel(band2))
        front(band2, 1);
    return bands;
}

int CharsetToCodePage(int charset) {
    switch (charset & 0xFF) {
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 1252;
    }
}
