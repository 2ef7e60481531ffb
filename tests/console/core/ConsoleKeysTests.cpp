#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/core/ConsoleKeyboard.h"
#include "console/core/ConsoleKeys.h"
#include "framework/core/MemIniStore.h"

namespace {

namespace Vk = ConsoleVk;
using Kind = KeyMessageKind;

// Context flags by letter: C connected, T transfer, I picture armed, A cursor-key and K
// keypad application mode, E keypad emulation, H Korean input, S Hangul shown, c composing,
// B scrolled back, L at the live line, D drag selection, U/W can scroll up/down.
KeyContext Context(const char* flags) {
    KeyContext c;
    for (const char* f = flags; *f; ++f) {
        switch (*f) {
        case 'C': c.connected = true; break;
        case 'T': c.transferRunning = true; break;
        case 'I': c.imagePackArmed = true; break;
        case 'A': c.cursorKeyApplicationMode = true; break;
        case 'K': c.keypadApplicationMode = true; break;
        case 'E': c.emulateTerminalKeypad = true; break;
        case 'H': c.koreanInput = true; break;
        case 'S': c.hangulShown = true; break;
        case 'c': c.composing = true; break;
        case 'B': c.scrolledBack = true; break;
        case 'L': c.atLiveLine = true; break;
        case 'D': c.dragSelection = true; break;
        case 'U': c.canScrollUp = true; break;
        case 'W': c.canScrollDown = true; break;
        default: ADD_FAILURE() << "flag " << *f;
        }
    }
    return c;
}

// Modifiers by letter: c Ctrl, s Shift, a Alt, x extended key.
KeyMessage Key(Kind kind, int code, const char* mods = "") {
    KeyMessage k{kind, code};
    for (const char* m = mods; *m; ++m) {
        k.ctrl |= *m == 'c';
        k.shift |= *m == 's';
        k.alt |= *m == 'a';
        k.extended |= *m == 'x';
    }
    return k;
}

std::string Hex(const std::string& bytes) {
    std::string s;
    for (unsigned char b : bytes) {
        char h[4];
        std::snprintf(h, sizeof h, s.empty() ? "%02X" : " %02X", b);
        s += h;
    }
    return s;
}

std::string Describe(const KeyDecision& d) {
    static const char* const kScroll[] = {"lineup", "linedown", "pgup", "pgdn", "track", ""};
    static const char* const kActions[] = {"pass", "eat", "char", "undo", "send", "map",
                                           "drop-syllable", "scroll", "zup", "zdown",
                                           "table", "toggle", "copy", "paste"};
    std::string s;
    if (d.viewReturn != ViewReturn::None)
        s += d.viewReturn == ViewReturn::Return ? "return " : "release ";
    if (d.dropDrag) s += "drop ";
    s += kActions[static_cast<int>(d.action)];
    if (d.action == KeyAction::Character) s += " " + Hex(std::string(1, static_cast<char>(d.character)));
    if (d.action == KeyAction::SendBytes) s += " " + Hex(d.bytes);
    if (d.action == KeyAction::SendMapped) {
        s += " " + std::to_string(d.mapCode) + "/" + std::to_string(d.mapMode);
        if (!d.bytes.empty()) s += " or " + Hex(d.bytes);
    }
    if (d.scroll != ScrollCode::Other)
        s += std::string(d.action == KeyAction::Scroll ? " " : " or ") + kScroll[static_cast<int>(d.scroll)];
    return s;
}

struct KeyRow {
    const char* what;
    KeyMessage key;
    const char* context;
    const char* decision;
};

const KeyRow kKeyRows[] = {
    {"Enter goes as its character", Key(Kind::KeyDown, Vk::Return), "C", "pass"},
    {"Enter's character", Key(Kind::Char, 0x0D), "C", "char 0D"},
    {"Ctrl+Enter's character", Key(Kind::Char, 0x0A, "c"), "C", "char 0A"},
    {"Shift+Space goes to the automaton", Key(Kind::Char, ' ', "s"), "CH", "char 20"},
    {"Backspace", Key(Kind::KeyDown, Vk::Back), "C", "map 41/0 or 08"},
    {"Ctrl+Backspace", Key(Kind::KeyDown, Vk::Back, "c"), "C", "send 7F"},
    {"Backspace in a syllable", Key(Kind::KeyDown, Vk::Back, "c"), "CSc", "undo"},
    {"Tab", Key(Kind::KeyDown, Vk::Tab), "C", "send 09"},
    {"Up", Key(Kind::KeyDown, Vk::Up), "C", "map 21/0"},
    {"Up in application mode", Key(Kind::KeyDown, Vk::Up), "CA", "map 21/1"},
    {"Right", Key(Kind::KeyDown, Vk::Right), "C", "map 24/0"},
    {"keypad 5 emulated", Key(Kind::KeyDown, Vk::Numpad0 + 5), "CEK", "map 6/1"},
    {"keypad 5 plain", Key(Kind::KeyDown, Vk::Numpad0 + 5), "CK", "pass"},
    {"keypad minus", Key(Kind::KeyDown, Vk::Subtract), "CE", "map 13/0"},
    {"keypad slash", Key(Kind::KeyDown, Vk::Divide), "CEK", "map 11/1"},
    {"keypad Enter in application mode", Key(Kind::KeyDown, Vk::Return, "x"), "CEK", "map 16/1"},
    {"keypad Enter in normal mode", Key(Kind::KeyDown, Vk::Return, "x"), "CE", "pass"},
    {"main Enter in application mode", Key(Kind::KeyDown, Vk::Return), "CEK", "pass"},
    {"F1", Key(Kind::KeyDown, Vk::F1), "C", "map 51/0"},
    {"Shift+F5", Key(Kind::KeyDown, Vk::F1 + 4, "s"), "C", "map 55/2"},
    {"Alt+F4 closes the window", Key(Kind::KeyDown, Vk::F4, "a"), "C", "pass"},
    {"F10 comes as a system key", Key(Kind::SysKeyDown, Vk::F10), "C", "map 60/0"},
    {"Alt+F10", Key(Kind::SysKeyDown, Vk::F10, "a"), "C", "pass"},
    {"Home", Key(Kind::KeyDown, Vk::Home), "C", "map 32/0"},
    {"Insert", Key(Kind::KeyDown, Vk::Insert), "C", "map 31/0"},
    {"Delete", Key(Kind::KeyDown, Vk::Delete), "C", "map 34/0 or 7F"},
    {"Delete in a syllable", Key(Kind::KeyDown, Vk::Delete), "CSc", "drop-syllable"},
    {"PgUp", Key(Kind::KeyDown, Vk::Prior), "C", "map 33/0 or pgup"},
    {"PgDn", Key(Kind::KeyDown, Vk::Next), "C", "map 36/0 or pgdn"},
    {"Ctrl+PgUp uploads", Key(Kind::KeyDown, Vk::Prior, "c"), "C", "zup"},
    {"Ctrl+PgDn downloads", Key(Kind::KeyDown, Vk::Next, "c"), "C", "zdown"},
    {"Hanja key", Key(Kind::KeyDown, Vk::Hanja), "C", "table"},
    {"a letter key goes as its character", Key(Kind::KeyDown, 'A'), "C", "pass"},
    {"scrolled back: a key returns the view", Key(Kind::KeyDown, 'A'), "CB", "return eat"},
    {"scrolled back: PgUp scrolls on", Key(Kind::KeyDown, Vk::Prior), "CB", "map 33/0 or pgup"},
    {"scrolled back: Shift alone", Key(Kind::KeyDown, Vk::Shift, "s"), "CB", "pass"},
    {"back at the live line", Key(Kind::KeyDown, Vk::Up), "CBL", "release map 21/0"},
    {"scrolled back: Ctrl+C keeps the view", Key(Kind::KeyDown, 'C', "c"), "CB", "pass"},
    {"scrolled back: Shift+Insert pastes", Key(Kind::KeyDown, Vk::Insert, "s"), "CB", "paste"},
    {"Ctrl+C copies a selection", Key(Kind::KeyDown, 'C', "c"), "CD", "copy"},
    {"Ctrl+Insert copies a selection", Key(Kind::KeyDown, Vk::Insert, "c"), "D", "copy"},
    {"Ctrl+Insert without a selection", Key(Kind::KeyDown, Vk::Insert, "c"), "C", "pass"},
    {"Shift+Insert offline", Key(Kind::KeyDown, Vk::Insert, "s"), "", "pass"},
    {"a key drops the selection", Key(Kind::KeyDown, 'A'), "CD", "drop pass"},
    {"Alt+H toggles", Key(Kind::SysKeyDown, 'H', "a"), "H", "toggle"},
    {"Alt+H without Korean input", Key(Kind::SysKeyDown, 'H', "a"), "C", "pass"},
    {"offline", Key(Kind::KeyDown, Vk::Up), "", "pass"},
    {"offline character", Key(Kind::Char, 'a'), "", "pass"},
    {"transfer: PgUp scrolls", Key(Kind::KeyDown, Vk::Prior), "CT", "scroll pgup"},
    {"transfer: Up scrolls", Key(Kind::KeyDown, Vk::Up), "CTU", "scroll lineup"},
    {"transfer: Up at the top", Key(Kind::KeyDown, Vk::Up), "CT", "eat"},
    {"transfer: Down", Key(Kind::KeyDown, Vk::Down), "CTBW", "scroll linedown"},
    {"transfer: Left", Key(Kind::KeyDown, Vk::Left), "CT", "eat"},
    {"transfer: a character", Key(Kind::Char, 'a'), "CT", "pass"},
    {"transfer: a key returns the view", Key(Kind::KeyDown, 'A'), "CTB", "return eat"},
    {"transfer: at the live line", Key(Kind::KeyDown, 'A'), "CTBL", "release pass"},
    {"picture armed: Tab", Key(Kind::KeyDown, Vk::Tab), "CI", "pass"},
};

TEST(ConsoleKeys, DecisionTable) {
    for (const KeyRow& row : kKeyRows) {
        const KeyDecision d = DecideKey(row.key, Context(row.context));
        EXPECT_EQ(Describe(d), row.decision) << row.what;
        EXPECT_EQ(d.consumed, d.action != KeyAction::PassOn) << row.what;
    }
}

// A layout by the PC keys' scan codes; the German one has Y and Z swapped.
class FakeLayout : public KeyboardLayout {
public:
    explicit FakeLayout(bool german) {
        const std::pair<const char*, int> rows[] = {
            {"qwertyuiop", 0x10}, {"asdfghjkl", 0x1E}, {"zxcvbnm", 0x2C}, {"1234567890", 0x02}};
        for (const auto& [keys, first] : rows)
            for (int i = 0; keys[i]; ++i) Put(keys[i], first + i);
        Put('-', 0x0C);
        Put('_', 0x0C);
        if (german) {
            Put('z', 0x15);
            Put('y', 0x2C);
            Put('-', 0x35);
            Put('<', 0x56);  // a key the US keyboard lacks
        }
    }
    int ScanCodeOf(unsigned char ch) const override {
        const auto it = scan_.find(ch);
        return it == scan_.end() ? -1 : it->second;
    }

private:
    void Put(char c, int scan) {
        scan_[static_cast<unsigned char>(c)] = scan;
        if (c >= 'a' && c <= 'z') scan_[static_cast<unsigned char>(c - 32)] = scan;
    }
    std::map<unsigned char, int> scan_;
};

TEST(ConsoleKeys, MapKeyToUSLayout) {
    const FakeLayout german(true);
    struct Row {
        unsigned char in;
        bool shift, caps;
        unsigned char out;
    };
    const Row rows[] = {
        {'z', false, false, 'y'}, {'Z', true, false, 'Y'},  {'y', false, false, 'z'},
        {'z', false, true, 'Y'},  {'Z', true, true, 'y'},   {'-', false, false, '/'},
        {'-', true, false, '?'},  {'1', true, false, '!'},  {'<', false, false, '<'},
        {'!', false, false, '!'}, {' ', false, false, ' '}, {0x7F, false, false, 0x7F},
        {0xB0, false, false, 0xB0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(MapKeyToUSLayout(r.in, german, r.shift, r.caps), r.out)
            << r.in << " shift " << r.shift << " caps " << r.caps;
}

class RecordingHost : public ConsoleKeyHost {
public:
    void SendString(const std::string& bytes) override {
        if (failSends) throw std::runtime_error("port closed");
        sent += bytes;
    }
    void EchoLocally(const std::string& bytes) override { echoed += bytes; }
    void ShowInputMode(int mode, int layout) override {
        events.push_back("mode " + std::to_string(mode) + "/" + std::to_string(layout));
    }
    void ShowComposition() override {}
    void ReturnView(bool repaint) override { events.push_back(repaint ? "return" : "release"); }
    void DropDragSelection() override { events.push_back("drop"); }
    void ScrollView(ScrollCode code) override {
        events.push_back("scroll " + std::to_string(static_cast<int>(code)));
    }
    void StartZModem(bool upload) override { events.push_back(upload ? "zup" : "zdown"); }
    void ShowCharacterTable() override { events.push_back("table"); }
    void CopySelection() override { events.push_back("copy"); }
    void PasteClipboard() override { events.push_back("paste"); }
    void KeyTyped() override { ++typed; }
    void ReportFailure(const std::string& what) override { events.push_back("failed: " + what); }

    std::string sent, echoed;
    std::vector<std::string> events;
    int typed = 0;
    bool failSends = false;
};

struct Console {
    explicit Console(int layout = 1, bool german = false) : us(german) {
        hangul.SetCodePage(949);
        hangul.SetKeyboardLayout(layout);
        hangul.SetKeyState(&keys);
    }
    // Types the characters as a user would: key-down (passed on), then the character.
    void Type(const std::string& text) {
        for (unsigned char c : text) {
            keys.Shift = c >= 'A' && c <= 'Z';
            keyboard.HandleKey(Key(Kind::KeyDown, c >= 'a' && c <= 'z' ? c - 32 : c), context);
            keyboard.HandleKey(Key(Kind::Char, c, keys.Shift ? "s" : ""), context);
        }
        keys.Shift = false;
    }
    bool Press(int vk, const char* mods = "") { return keyboard.HandleKey(Key(Kind::KeyDown, vk, mods), context); }

    TDravelHanguel hangul;
    MemIniStore keyMap;
    FakeLayout us;
    quiro::engines::HangulKeyFlags keys;
    RecordingHost host;
    KeyContext context = Context("CH");
    ConsoleKeyboard keyboard{hangul, keyMap, us, keys, host};
};

TEST(ConsoleKeyboard, HangulInAllLayoutsThenTab) {
    for (const auto& [layout, keys] : {std::pair{1, "gksrmf"}, {2, "mfskgw"}, {3, "mfskgw"}}) {
        Console c(layout);
        c.keyboard.SetInputMode(1, false);
        EXPECT_EQ(c.host.events, std::vector<std::string>{"mode 1/" + std::to_string(layout)});
        c.Type(keys);
        EXPECT_TRUE(c.Press(Vk::Tab));
        EXPECT_EQ(Hex(c.host.sent), "C7 D1 B1 DB 09") << layout;
    }
}

TEST(ConsoleKeyboard, ModeTogglesSendTheSyllableAndShowTheMode) {
    Console c;
    c.context.localEcho = true;
    c.keyboard.SetInputMode(1, true);
    c.Type("rk");
    EXPECT_TRUE(c.keyboard.HandleKey(Key(Kind::SysKeyDown, 'H', "a"), c.context));  // Alt+H
    EXPECT_EQ(Hex(c.host.sent), "B0 A1");
    EXPECT_EQ(c.host.echoed, c.host.sent);
    c.keyboard.HandleKey(Key(Kind::SysKeyDown, 'H', "a"), c.context);
    // Shift+Space goes back to English through the automaton, with its syllable.
    c.Type("r");
    c.keys.Shift = true;
    c.keyboard.HandleKey(Key(Kind::Char, ' ', "s"), c.context);
    EXPECT_EQ(Hex(c.host.sent), "B0 A1 A4 A1");
    EXPECT_EQ(c.host.events, (std::vector<std::string>{"mode 1/1", "mode 0/1", "mode 1/1", "mode 0/1"}));
    EXPECT_EQ(c.keyboard.ShownMode(), 0);
}

TEST(ConsoleKeyboard, EnterAndControlCharacters) {
    Console c;
    c.context.localEcho = true;
    c.Type("a\r");
    c.keyboard.HandleKey(Key(Kind::Char, '\n', "c"), c.context);  // Ctrl+Enter
    c.context.sendEnterAsCrLf = true;
    c.Type("\r\x03");
    EXPECT_EQ(Hex(c.host.sent), "61 0D 0D 0A 0D 0A 03");
    EXPECT_EQ(c.host.echoed, c.host.sent);
    EXPECT_EQ(c.host.typed, 9);  // every key-down and character keeps the line alive
}

TEST(ConsoleKeyboard, KeyMapIsReadAtEveryPress) {
    Console c;
    c.context.localEcho = true;
    c.Press(Vk::Up);
    c.Press(Vk::F1);
    ASSERT_TRUE(c.keyMap.WriteValue("QuiroKeyMap", "KeyUp_Norm", "\\x1B[Z"));
    ASSERT_TRUE(c.keyMap.WriteValue("QuiroKeyMap", "KeyF1_Norm", ""));
    c.Press(Vk::Up);
    EXPECT_TRUE(c.Press(Vk::F1));  // an empty value: consumed, nothing sent
    EXPECT_EQ(Hex(c.host.sent), "1B 5B 41 1B 4F 50 1B 5B 5A");
    EXPECT_EQ(c.host.echoed, "");  // mapped keys are not echoed

    // Empty values fall back: Backspace and Delete to their bytes, PgUp to the view.
    c.host.sent.clear();
    ASSERT_TRUE(c.keyMap.WriteValue("QuiroKeyMap", "KeyBackspace", ""));
    c.Press(Vk::Back);
    c.Press(Vk::Prior);
    EXPECT_EQ(Hex(c.host.sent), "08");
    EXPECT_EQ(c.host.echoed, "\x08");
    EXPECT_EQ(c.host.events.back(), "scroll 2");
}

TEST(ConsoleKeyboard, SyllableKeysAndForeignLayout) {
    Console c(1, /*german=*/true);
    c.keyboard.SetInputMode(1, false);
    c.Type("rk");
    c.Press(Vk::Back);  // takes back the vowel
    c.Press(Vk::Delete);  // drops the rest
    // The German Z sits where the US keyboard has Y: the jamo of the US Y key.
    c.Type("z");
    c.Press(Vk::Up);  // a mapped key flushes the syllable first
    EXPECT_EQ(Hex(c.host.sent), "A4 CB 1B 5B 41");
}

TEST(ConsoleKeyboard, AFailingActionKeepsTheDecision) {
    Console c;
    c.host.failSends = true;
    EXPECT_TRUE(c.Press(Vk::Tab));
    EXPECT_FALSE(c.Press(Vk::Return));
    EXPECT_EQ(c.host.events, std::vector<std::string>{"failed: port closed"});
}

}  // namespace
