#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "console/core/ConsoleKeyboard.h"
#include "console/core/ConsoleKeys.h"
#include "framework/core/MemIniStore.h"

namespace {

namespace Vk = ConsoleVk;
using Kind = KeyMessageKind;

// Context flags by letter.
KeyContext Context(const std::string& flags) {
    // clang-format off
    static const std::pair<char, bool KeyContext::*> kFlags[] = {
        {'C', &KeyContext::connected}, {'T', &KeyContext::transferRunning},
        {'I', &KeyContext::imagePackArmed}, {'A', &KeyContext::cursorKeyApplicationMode},
        {'K', &KeyContext::keypadApplicationMode}, {'E', &KeyContext::emulateTerminalKeypad},
        {'H', &KeyContext::koreanInput}, {'S', &KeyContext::hangulShown},
        {'c', &KeyContext::composing}, {'B', &KeyContext::scrolledBack},
        {'L', &KeyContext::atLiveLine}, {'D', &KeyContext::dragSelection},
        {'U', &KeyContext::canScrollUp}};
    // clang-format on
    KeyContext c;
    for (const auto& [letter, field] : kFlags) c.*field = flags.find(letter) != std::string::npos;
    return c;
}

// Modifiers by letter: c Ctrl, s Shift, a Alt, x extended key.
KeyMessage Key(Kind kind, int code, const std::string& mods = "") {
    auto has = [&](char m) { return mods.find(m) != std::string::npos; };
    return {kind, code, has('x'), has('c'), has('s'), has('a')};
}

std::string Hex(const std::string& bytes) {
    std::string s;
    for (unsigned char b : bytes) {
        char h[4];
        std::snprintf(h, sizeof h, " %02X", b);
        s += h;
    }
    return s.empty() ? s : s.substr(1);
}

std::string Describe(const KeyDecision& d) {
    static const char* const kActions[] = {"pass",  "eat",           "char",   "undo", "send",
                                           "map",   "drop-syllable", "scroll", "zup",  "zdown",
                                           "table", "toggle",        "copy",   "paste"};
    static const char* const kScroll[] = {"lineup", "linedown", "pgup", "pgdn", "track", ""};
    std::string s = d.viewReturn == ViewReturn::Return    ? "return "
                    : d.viewReturn == ViewReturn::Release ? "release "
                                                          : "";
    s += std::string(d.dropDrag ? "drop " : "") + kActions[static_cast<int>(d.action)];
    if (d.action == KeyAction::SendMapped)
        s += " " + std::to_string(d.mapCode) + "/" + std::to_string(d.mapMode);
    if (!d.bytes.empty()) s += (d.action == KeyAction::SendBytes ? " " : " or ") + Hex(d.bytes);
    if (d.scroll != ScrollCode::Other)
        s += (d.action == KeyAction::Scroll ? " " : " or ") + std::string(kScroll[int(d.scroll)]);
    return s;
}

struct KeyRow {
    const char* what;
    KeyMessage key;
    const char* context;
    const char* decision;
};

const KeyRow kKeyRows[] = {
    {"Backspace", Key(Kind::KeyDown, Vk::Back), "C", "map 41/0 or 08"},
    {"Ctrl+Backspace", Key(Kind::KeyDown, Vk::Back, "c"), "C", "send 7F"},
    {"Backspace in a syllable", Key(Kind::KeyDown, Vk::Back, "c"), "CSc", "undo"},
    {"Tab", Key(Kind::KeyDown, Vk::Tab), "C", "send 09"},
    {"Up", Key(Kind::KeyDown, Vk::Up), "C", "map 21/0"},
    {"Up in application mode", Key(Kind::KeyDown, Vk::Up), "CA", "map 21/1"},
    {"keypad 5 emulated", Key(Kind::KeyDown, Vk::Numpad0 + 5), "CEK", "map 6/1"},
    {"keypad 5 plain", Key(Kind::KeyDown, Vk::Numpad0 + 5), "CK", "pass"},
    {"keypad slash", Key(Kind::KeyDown, Vk::Divide), "CE", "map 11/0"},
    {"keypad Enter, application mode", Key(Kind::KeyDown, Vk::Return, "x"), "CEK", "map 16/1"},
    {"keypad Enter, normal mode", Key(Kind::KeyDown, Vk::Return, "x"), "CE", "pass"},
    {"F1", Key(Kind::KeyDown, Vk::F1), "C", "map 51/0"},
    {"Shift+F5", Key(Kind::KeyDown, Vk::F1 + 4, "s"), "C", "map 55/2"},
    {"Alt+F4 closes the window", Key(Kind::KeyDown, Vk::F4, "a"), "C", "pass"},
    {"F10 comes as a system key", Key(Kind::SysKeyDown, Vk::F10), "C", "map 60/0"},
    {"Delete", Key(Kind::KeyDown, Vk::Delete), "C", "map 34/0 or 7F"},
    {"Delete in a syllable", Key(Kind::KeyDown, Vk::Delete), "CSc", "drop-syllable"},
    {"PgUp", Key(Kind::KeyDown, Vk::Prior), "C", "map 33/0 or pgup"},
    {"Ctrl+PgUp uploads", Key(Kind::KeyDown, Vk::Prior, "c"), "C", "zup"},
    {"Ctrl+PgDn downloads", Key(Kind::KeyDown, Vk::Next, "c"), "C", "zdown"},
    {"Hanja key", Key(Kind::KeyDown, Vk::Hanja), "C", "table"},
    {"scrolled back: a key returns the view", Key(Kind::KeyDown, 'A'), "CB", "return eat"},
    {"scrolled back: PgUp scrolls on", Key(Kind::KeyDown, Vk::Prior), "CB", "map 33/0 or pgup"},
    {"back at the live line", Key(Kind::KeyDown, Vk::Up), "CBL", "release map 21/0"},
    {"scrolled back: Ctrl+C keeps the view", Key(Kind::KeyDown, 'C', "c"), "CB", "pass"},
    {"scrolled back: Shift+Insert pastes", Key(Kind::KeyDown, Vk::Insert, "s"), "CB", "paste"},
    {"Ctrl+C copies a selection", Key(Kind::KeyDown, 'C', "c"), "CD", "copy"},
    {"Ctrl+Insert copies offline too", Key(Kind::KeyDown, Vk::Insert, "c"), "D", "copy"},
    {"a key drops the selection", Key(Kind::KeyDown, 'A'), "CD", "drop pass"},
    {"Alt+H toggles", Key(Kind::SysKeyDown, 'H', "a"), "H", "toggle"},
    {"Alt+H without Korean input", Key(Kind::SysKeyDown, 'H', "a"), "C", "pass"},
    {"offline", Key(Kind::KeyDown, Vk::Up), "", "pass"},
    {"transfer: PgUp scrolls", Key(Kind::KeyDown, Vk::Prior), "CT", "scroll pgup"},
    {"transfer: Up scrolls", Key(Kind::KeyDown, Vk::Up), "CTU", "scroll lineup"},
    {"transfer: a key returns the view", Key(Kind::KeyDown, 'A'), "CTB", "return eat"},
    {"transfer: at the live line", Key(Kind::KeyDown, 'A'), "CTBL", "release pass"},
    {"picture armed: a character", Key(Kind::Char, 'a'), "CI", "pass"},
    {"a character", Key(Kind::Char, 'a'), "C", "char"},
};

TEST(ConsoleKeys, DecisionTable) {
    for (const KeyRow& row : kKeyRows) {
        const KeyDecision d = DecideKey(row.key, Context(row.context));
        EXPECT_EQ(Describe(d), row.decision) << row.what;
        EXPECT_EQ(d.consumed, d.action != KeyAction::PassOn) << row.what;
    }
}

// A layout by scan codes; characters it lacks stay as typed (as on a US keyboard).
struct MapLayout : KeyboardLayout {
    explicit MapLayout(std::map<unsigned char, int> codes = {}) : scan(std::move(codes)) {}
    std::map<unsigned char, int> scan;
    int ScanCodeOf(unsigned char ch) const override { return scan.count(ch) ? scan.at(ch) : -1; }
};
// A German keyboard: Y and Z swapped, minus where the US slash is, and a key of its own.
const MapLayout kGerman(
    {{'z', 0x15}, {'Z', 0x15}, {'y', 0x2C}, {'-', 0x35}, {'1', 0x02}, {'<', 0x56}});

TEST(ConsoleKeys, MapKeyToUSLayout) {
    // Character, Shift, Caps Lock, result.
    const std::tuple<unsigned char, bool, bool, unsigned char> rows[] = {
        {'z', 0, 0, 'y'}, {'Z', 1, 0, 'Y'}, {'y', 0, 0, 'z'}, {'z', 0, 1, 'Y'},
        {'Z', 1, 1, 'y'}, {'-', 0, 0, '/'}, {'-', 1, 0, '?'}, {'1', 1, 0, '!'},
        {'<', 0, 0, '<'}, {'!', 0, 0, '!'}, {' ', 0, 0, ' '}, {0xB0, 0, 0, 0xB0}};
    for (const auto& [in, shift, caps, out] : rows)
        EXPECT_EQ(MapKeyToUSLayout(in, kGerman, shift, caps), out) << in << shift << caps;
}

class RecordingHost : public ConsoleKeyHost {
public:
    void SendString(const std::string& bytes) override {
        if (failSends) throw std::runtime_error("port closed");
        sent += bytes;
    }
    void EchoLocally(const std::string& bytes) override { echoed += bytes; }
    void ShowInputMode(int mode, int) override { log += "mode " + std::to_string(mode) + " "; }
    void ScrollView(ScrollCode code) override {
        log += "scroll " + std::to_string(int(code)) + " ";
    }
    void ReportFailure(const std::string& what) override { log += "failed: " + what; }
    void KeyTyped() override { ++typed; }
    void ShowComposition() override {}
    void ReturnView(bool) override {}
    void DropDragSelection() override {}
    void StartZModem(bool) override {}
    void ShowCharacterTable() override {}
    void CopySelection() override {}
    void PasteClipboard() override {}

    std::string sent, echoed, log;
    int typed = 0;
    bool failSends = false;
};

// clang-format off
const std::pair<const char*, KeyMessage> kNamedKeys[] = {
    {"Tab", Key(Kind::KeyDown, Vk::Tab)}, {"Up", Key(Kind::KeyDown, Vk::Up)},
    {"F1", Key(Kind::KeyDown, Vk::F1)}, {"Back", Key(Kind::KeyDown, Vk::Back)},
    {"Del", Key(Kind::KeyDown, Vk::Delete)}, {"PgUp", Key(Kind::KeyDown, Vk::Prior)},
    {"Alt+H", Key(Kind::SysKeyDown, 'H', "a")}, {"Shift+Space", Key(Kind::Char, ' ', "s")},
    {"Enter", Key(Kind::Char, '\r')}, {"Ctrl+Enter", Key(Kind::Char, '\n', "c")}};
// clang-format on

struct Console {
    explicit Console(int layout = 1, const MapLayout& os = MapLayout()) : os(os) {
        hangul.SetCodePage(949);
        hangul.SetKeyboardLayout(layout);
        hangul.SetKeyState(&keys);
    }
    // Keys as a user types them: a character is its key-down (which goes on) and the
    // character; {Name} is a key of kNamedKeys.
    void Type(const std::string& script) {
        for (size_t i = 0; i < script.size(); ++i) {
            if (script[i] != '{') {
                keyboard.HandleKeyMessage(Key(Kind::KeyDown, toupper(script[i])), context);
                keyboard.HandleKeyMessage(Key(Kind::Char, static_cast<unsigned char>(script[i])), context);
                continue;
            }
            const size_t end = script.find('}', i);
            for (const auto& [name, key] : kNamedKeys) {
                if (script.compare(i + 1, end - i - 1, name) != 0) continue;
                keys.Shift = key.shift;
                keyboard.HandleKeyMessage(key, context);
                keys.Shift = false;
            }
            i = end;
        }
    }

    TDravelHanguel hangul;
    MemIniStore keyMap;
    MapLayout os;
    quiro::engines::HangulKeyFlags keys;
    RecordingHost host;
    KeyContext context = Context("CH");
    ConsoleKeyboard keyboard{hangul, keyMap, os, keys, host};
};

struct TypingRow {
    int layout;
    bool german, echo, crlf;
    const char* keys;
    const char* sent;
    const char* echoed;
    const char* shown;
};

// clang-format off
const TypingRow kTyping[] = {
    {1, 0, 0, 0, "{Alt+H}gksrmf{Tab}", "C7 D1 B1 DB 09", "", "mode 1 "},
    {2, 0, 0, 0, "{Alt+H}mfskgw{Tab}", "C7 D1 B1 DB 09", "", "mode 1 "},
    {3, 0, 0, 0, "{Alt+H}mfskgw{Tab}", "C7 D1 B1 DB 09", "", "mode 1 "},
    // Leaving Hangul by Alt+H or Shift+Space sends the syllable in progress.
    {1, 0, 1, 0, "{Alt+H}rk{Alt+H}{Alt+H}r{Shift+Space}", "B0 A1 A4 A1", "B0 A1 A4 A1",
     "mode 1 mode 0 mode 1 mode 0 "},
    {1, 0, 1, 0, "a{Enter}{Ctrl+Enter}", "61 0D 0D 0A", "61 0D 0D 0A", ""},
    {1, 0, 1, 1, "{Enter}", "0D 0A", "0D 0A", ""},
    // Mapped keys are not echoed; an empty PgUp scrolls the view (code 2, page up).
    {1, 0, 1, 0, "{Up}{F1}{Back}{PgUp}", "1B 5B 41 1B 4F 50 08", "", "scroll 2 "},
    // Backspace takes back the vowel, Delete drops the rest; the German Z (the US Y
    // position) gives the jamo of the US Y key, flushed by the mapped Up.
    {1, 1, 0, 0, "{Alt+H}rk{Back}{Del}z{Up}", "A4 CB 1B 5B 41", "", "mode 1 "},
};
// clang-format on

TEST(ConsoleKeyboard, Typing) {
    for (const TypingRow& r : kTyping) {
        Console c(r.layout, r.german ? kGerman : MapLayout());
        c.context.localEcho = r.echo;
        c.context.sendEnterAsCrLf = r.crlf;
        c.Type(r.keys);
        EXPECT_EQ(Hex(c.host.sent), r.sent) << r.keys;
        EXPECT_EQ(Hex(c.host.echoed), r.echoed) << r.keys;
        EXPECT_EQ(c.host.log, r.shown) << r.keys;
    }
}

TEST(ConsoleKeyboard, KeyMapIsReadAtEveryPress) {
    Console c;
    c.Type("{Up}a");
    EXPECT_EQ(c.host.typed, 3);  // key-downs and characters keep the line alive
    ASSERT_TRUE(c.keyMap.WriteValue("QuiroKeyMap", "KeyUp_Norm", "\\x1B[Z"));
    ASSERT_TRUE(c.keyMap.WriteValue("QuiroKeyMap", "KeyF1_Norm", ""));
    c.Type("{Up}");
    EXPECT_TRUE(c.keyboard.HandleKeyMessage(Key(Kind::KeyDown, Vk::F1), c.context));  // empty: nothing
    EXPECT_EQ(Hex(c.host.sent), "1B 5B 41 61 1B 5B 5A");
}

TEST(ConsoleKeyboard, AFailingActionKeepsTheDecision) {
    Console c;
    c.host.failSends = true;
    EXPECT_TRUE(c.keyboard.HandleKeyMessage(Key(Kind::KeyDown, Vk::Tab), c.context));
    EXPECT_FALSE(c.keyboard.HandleKeyMessage(Key(Kind::KeyDown, Vk::Return), c.context));
    EXPECT_EQ(c.host.log, "failed: port closed");
}

}  // namespace
