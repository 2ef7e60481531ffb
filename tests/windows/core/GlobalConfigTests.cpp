#include "windows/core/GlobalConfig.h"

#include <gtest/gtest.h>

#include <map>

#include "framework/core/MemIniStore.h"

namespace {

// The main window and the program folder as the dialog sees them; what it did is logged.
struct FakeHost : GlobalConfigHost {
    bool fontsLoad = true;
    std::map<std::string, int> charsets{{"Gulim", 129}, {"Courier", 0}, {"Oddity", 77}};
    std::vector<std::string> directories{"C:\\Up"};
    std::vector<std::string> printerList;
    bool keyMapExists = true;
    MemIniStore keyMap;
    int notWritten = 0;
    std::string log;

    bool LoadBitmapFonts() override {
        log += "load ";
        return fontsLoad;
    }
    void FreeBitmapFonts() override { log += "free "; }
    int ProbeCharset(const std::string& name) override {
        log += "probe:" + name + " ";
        return charsets.count(name) ? charsets[name] : 1;
    }
    bool DirectoryExists(const std::string& path) override {
        return std::find(directories.begin(), directories.end(), path) != directories.end();
    }
    std::string ProgramFolder() override { return "C:\\Quiro\\"; }
    std::vector<std::string> Printers() override { return printerList; }
    bool KeyMapExists() override { return keyMapExists; }
    IIniStore& KeyMap() override { return keyMap; }
    void KeyMapNotWritten() override { ++notWritten; }
};

ConsoleSettings Stored() {
    ConsoleSettings s;
    s.ConsoleFontName = "Courier";
    s.ConsoleFontSize = 10;
    s.ConsoleFontCharset = 0;
    s.ConsoleFGColor = 15;
    s.ConsoleBGColor = 4;
    s.UploadDir = "C:\\Up";
    s.DownloadDir = "C:\\Gone";
    s.HanguelKeyLayoutMode = 2;
    s.ConvertToKSC5601 = true;
    s.ScreenSizeHeight = 24;
    s.ScreenSizeWidth = 80;
    s.EditorFontName = "Gulim";
    s.EditorFontSize = 12;
    s.EditorFontCharset = 129;
    s.EditorHanguelKeyLayoutMode = 1;
    s.PrinterName = "Laser";
    s.PrintFileName = "C:\\print.txt";
    return s;
}

struct Dialog {
    FakeHost host;
    std::unique_ptr<GlobalConfigModel> model;
    // The main window's round trip up to the dialog being shown.
    GlobalConfigModel& Open(const ConsoleSettings& s) {
        model = std::make_unique<GlobalConfigModel>(host);
        model->CopyIn(s);
        model->LoadFromConsole();
        model->SetVisible(true);
        return *model;
    }
};

TEST(GlobalConfig, FillingTheDialogFromTheMainWindow) {
    Dialog d;
    d.host.printerList = {"Ink", "Laser"};
    ConsoleSettings s = Stored();
    s.PrinterName = "lASER";  // printer names ignore case
    GlobalConfigModel& m = d.Open(s);
    EXPECT_EQ(d.host.log, "") << "neither fonts nor probes while the dialog is hidden";
    EXPECT_TRUE(m.consoleFontEnabled);
    EXPECT_FALSE(m.SamplePaintBoxShown());
    EXPECT_EQ(m.ConsoleSampleCaption(), " Console, 10");
    EXPECT_EQ(m.EditorSampleCaption(), " Editor, 12");
    // An ANSI console font: the layouts greyed and the Johab flag cleared; the editor's
    // Korean font keeps its layouts.
    EXPECT_FALSE(m.consoleLayoutEnabled);
    EXPECT_FALSE(m.values.ConvertToKSC5601);
    EXPECT_TRUE(m.editorLayoutEnabled);
    EXPECT_EQ(m.consoleCharsetIndex, 5);
    EXPECT_EQ(m.editorCharsetIndex, 1);
    EXPECT_EQ(m.values.DownloadDir, "C:\\Quiro\\") << "a folder that is gone: the program's";
    EXPECT_FALSE(m.customScreenSize);
    EXPECT_FALSE(m.printerListEnabled || m.printFileEnabled);
    EXPECT_EQ(m.printerIndex, 1);
    EXPECT_EQ(m.values.PrinterName, "Laser") << "the installed spelling";
    EXPECT_EQ(m.keyFirst, "\\x1BOP") << "a missing value shows the VT100 default";

    // The built-in fonts: loaded when the box is checked; the layouts follow them.
    s.UseInternalFont = true;
    s.HanguelKeyLayoutMode = 7;
    s.EditorHanguelKeyLayoutMode = 9;
    s.EditorFontCharset = 0;
    s.ScreenSizeHeight = 25;
    s.PrintType = 2;
    s.PrinterName = "Gone";
    Dialog internal;
    internal.host.printerList = {"Ink", "Laser"};
    GlobalConfigModel& i = internal.Open(s);
    EXPECT_EQ(internal.host.log, "load ");
    EXPECT_TRUE(i.internalFontChecked && i.values.UseInternalFont && i.SamplePaintBoxShown());
    EXPECT_FALSE(i.consoleFontEnabled);
    EXPECT_TRUE(i.consoleLayoutEnabled);
    EXPECT_TRUE(i.values.ConvertToKSC5601);
    EXPECT_EQ(i.ConsoleSampleCaption(), "");
    EXPECT_EQ(i.consoleLayout, 0) << "a layout out of range checks none";
    EXPECT_EQ(i.editorLayout, 1) << "the form's checked layout stays";
    EXPECT_EQ(i.values.EditorHanguelKeyLayoutMode, 9);
    EXPECT_FALSE(i.editorLayoutEnabled);
    EXPECT_TRUE(i.customScreenSize);
    EXPECT_EQ(i.printRadio, 2);
    EXPECT_TRUE(i.printFileEnabled && !i.printerListEnabled);
    EXPECT_EQ(i.printerIndex, 0) << "an unknown printer selects the first";
    ConsoleSettings saved;
    i.ReadBack(saved);
    EXPECT_EQ(saved.PrinterName, "Ink") << "OK saves the printer shown";

    // Fonts that cannot be loaded: the box unchecks itself and the font probe runs.
    Dialog failing;
    failing.host.fontsLoad = false;
    GlobalConfigModel& f = failing.Open(s);
    EXPECT_EQ(failing.host.log, "load free ");
    EXPECT_FALSE(f.internalFontChecked || f.values.UseInternalFont);
    EXPECT_TRUE(f.consoleFontEnabled);
    EXPECT_EQ(f.printerIndex, -1) << "no printers: an empty list";
    EXPECT_EQ(f.values.PrinterName, "Gone") << "and the stored name kept";
}

// Each proxy radio button empties the five edits, puts its port in, clears the SOCKS 5
// switch and sets the enabling (host, port, user, password, connect command, switch).
TEST(GlobalConfig, ProxyRadioButtons) {
    struct Row {
        int type;
        const char* port;
        const char* enabled;
    };
    const Row rows[] = {{0, "", "000000"}, {1, "23", "110010"}, {2, "1080", "111000"}, {3, "1080", "110001"}};
    for (const Row& r : rows) {
        Dialog d;
        ConsoleSettings s = Stored();
        s.ProxyType = 3;
        s.ProxyUseSocks5UserPswd = true;
        GlobalConfigModel& m = d.Open(s);
        m.values.ProxyHostAddress = "typed.host";
        m.values.ProxyUserID = m.values.ProxyPassword = m.values.ProxyConnectCommand = "typed";
        m.ProxyTypeClick(r.type);
        const ConsoleSettings& v = m.values;
        EXPECT_EQ(v.ProxyHostAddress + v.ProxyUserID + v.ProxyPassword + v.ProxyConnectCommand, "") << r.type;
        EXPECT_EQ(v.ProxyPort, r.port) << r.type;
        EXPECT_FALSE(v.ProxyUseSocks5UserPswd) << r.type;
        std::string enabled;
        for (bool on : {m.proxyHostEnabled, m.proxyPortEnabled, m.proxyUserEnabled, m.proxyPasswordEnabled,
                        m.proxyCommandEnabled, m.socks5SwitchEnabled})
            enabled += on ? '1' : '0';
        EXPECT_EQ(enabled, r.enabled) << r.type;
        EXPECT_EQ(v.ProxyType, r.type);
    }
}

// The main window checks the radio button, then fills the edits, then the switch: the
// stored texts survive the radio button's emptying, and the switch opens user/password.
TEST(GlobalConfig, StoredProxyIsShownAsStored) {
    Dialog d;
    ConsoleSettings s = Stored();
    s.ProxyType = 3;
    s.ProxyHostAddress = "socks.example";
    s.ProxyPort = "1081";
    s.ProxyUserID = "guest";
    s.ProxyPassword = "secret";
    s.ProxyUseSocks5UserPswd = true;
    GlobalConfigModel& m = d.Open(s);
    EXPECT_EQ(m.proxyRadio, 3);
    EXPECT_EQ(m.values.ProxyHostAddress + ":" + m.values.ProxyPort, "socks.example:1081");
    EXPECT_TRUE(m.proxyUserEnabled && m.proxyPasswordEnabled && m.socks5SwitchEnabled);
    m.ProxySocks5UserPswdClick(false);
    EXPECT_FALSE(m.proxyUserEnabled || m.proxyPasswordEnabled);

    ConsoleSettings back;
    m.ReadBack(back);
    EXPECT_EQ(back.ProxyType, 3);
    EXPECT_EQ(back.ProxyUserID, "guest");
    EXPECT_FALSE(back.ProxyUseSocks5UserPswd);
}

TEST(GlobalConfig, ReadBackHoldsWhatTheMainWindowCannotTake) {
    Dialog d;
    ConsoleSettings s = Stored();
    s.ScreenSizeHeight = 0;
    s.ScreenSizeWidth = 900;
    s.EditorMarginTop = -4;
    GlobalConfigModel& m = d.Open(s);
    EXPECT_EQ(m.values.ScreenSizeHeight, 1) << "the spin edits hold their limits";
    EXPECT_EQ(m.values.ScreenSizeWidth, 254);
    EXPECT_TRUE(m.customScreenSize);
    // What was typed into the spin edits, an unknown proxy type, an empty print file and
    // a font list without the stored font.
    m.values.ScreenSizeHeight = 0;
    m.values.ScreenSizeWidth = -3;
    m.values.EditorMarginLeft = 101;
    m.values.ProxyType = 7;
    m.values.PrintFileName.clear();
    m.ConsoleFontChange("");
    ConsoleSettings back = s;
    back.QuickLinks = "kept";
    m.ReadBack(back);
    EXPECT_EQ(back.ScreenSizeHeight, 1);
    EXPECT_EQ(back.ScreenSizeWidth, 1);
    EXPECT_EQ(back.EditorMarginLeft, 100);
    EXPECT_EQ(back.EditorMarginTop, 0);
    EXPECT_EQ(back.ProxyType, 0);
    EXPECT_EQ(back.PrintFileName, "C:\\Quiro\\print.txt");
    EXPECT_EQ(back.ConsoleFontName, "Courier");
    EXPECT_EQ(back.QuickLinks, "kept");

    // Unchecking the custom size hands 24 x 80 back.
    m.values.ScreenSizeHeight = 30;
    m.CustomScreenSizeClick(false);
    m.ReadBack(back);
    EXPECT_EQ(back.ScreenSizeHeight * 1000 + back.ScreenSizeWidth, 24080);
}

// A font chosen while the dialog shows: its character set is probed and the charset list
// and the Hangul layouts follow; a set the list lacks gives ANSI (0).
TEST(GlobalConfig, FontAndCharsetChanges) {
    struct Row {
        const char* font;
        int index, code;
        bool layouts;
    };
    const Row rows[] = {{"Gulim", 1, 129, true}, {"Courier", 5, 0, false}, {"Oddity", 5, 0, false},
                        {"Default", 0, 1, false}};
    for (const Row& r : rows) {
        Dialog d;
        GlobalConfigModel& m = d.Open(Stored());
        m.ConsoleFontChange(r.font);
        m.EditorFontChange(r.font);
        EXPECT_EQ(d.host.log, std::string("probe:") + r.font + " probe:" + r.font + " ");
        EXPECT_EQ(m.values.ConsoleFontName, r.font);
        EXPECT_EQ(m.consoleCharsetIndex * 1000 + m.values.ConsoleFontCharset, r.index * 1000 + r.code) << r.font;
        EXPECT_EQ(m.editorCharsetIndex * 1000 + m.values.EditorFontCharset, r.index * 1000 + r.code) << r.font;
        EXPECT_EQ(m.consoleLayoutEnabled, r.layouts) << r.font;
        EXPECT_EQ(m.editorLayoutEnabled, r.layouts) << r.font;
    }
    Dialog d;
    GlobalConfigModel& m = d.Open(Stored());
    m.ConsoleCharsetChange(1);
    EXPECT_TRUE(m.consoleLayoutEnabled);
    m.values.ConvertToKSC5601 = true;
    m.ConsoleCharsetChange(-1);  // no selection: the first item
    EXPECT_EQ(m.consoleCharsetIndex, 0);
    EXPECT_EQ(m.values.ConsoleFontCharset, 1);
    EXPECT_FALSE(m.consoleLayoutEnabled);
    EXPECT_FALSE(m.values.ConvertToKSC5601);
}

TEST(GlobalConfig, CharsetListAndFontSizes) {
    const int codes[] = {1, 129, 134, 136, 128, 0, 255, 238, 204, 161, 162, 186, 178, 177, 222, 2};
    ASSERT_EQ(CharsetItems().size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(CharsetCodeAt(i), codes[i]);
        EXPECT_EQ(CharsetIndexOf(codes[i]), i);
    }
    EXPECT_EQ(CharsetItems()[1].name, "Hanguel (Korean)");
    EXPECT_EQ(CharsetIndexOf(130), 5);
    EXPECT_EQ(CharsetCodeAt(16), 1);

    struct Step {
        int size;
        bool up;
        int after;
    };
    for (Step s : {Step{128, true, 128}, Step{127, true, 128}, Step{300, true, 128}, Step{1, false, 1},
                   Step{0, false, 1}, Step{2, false, 1}})
        EXPECT_EQ(StepFontSize(s.size, s.up), s.after) << s.size << (s.up ? " up" : " down");
}

TEST(GlobalConfig, BuiltInFontsToggledLive) {
    Dialog d;
    GlobalConfigModel& m = d.Open(Stored());
    m.UseInternalFontClick(true);
    EXPECT_TRUE(m.values.UseInternalFont && !m.consoleFontEnabled && m.consoleLayoutEnabled);
    m.UseInternalFontClick(false);
    EXPECT_FALSE(m.values.UseInternalFont);
    EXPECT_TRUE(m.consoleFontEnabled);
    EXPECT_FALSE(m.consoleLayoutEnabled) << "the ANSI font again";
    EXPECT_EQ(d.host.log, "load free probe:Courier ");
}

// The 39 key buttons carry the codes of the key map's keys, each once.
TEST(GlobalConfig, KeyButtonsAndTheirBoxes) {
    std::vector<int> codes;
    for (const KeyButton& b : KeyButtons()) {
        EXPECT_NE(FindKeyMapKey(b.code), nullptr) << b.name;
        codes.push_back(b.code);
    }
    std::vector<int> keys;
    for (const KeyMapKey& k : KeyMapKeys()) keys.push_back(k.code);
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, keys);
    EXPECT_EQ(std::count_if(codes.begin(), codes.end(), IsKeypadButton), 16);

    struct Row {
        int code;
        const char* name;
        const char* captions;
        const char* enabled;
    };
    const Row rows[] = {{51, "F1", "Normal/Pressed with Shift", "11"},
                        {31, "Insert", "Normal/Reserved", "10"},
                        {23, "Arrow - Left", "Normal/Application Mode", "11"},
                        {16, "KeyPad[<ENTER>]", "Normal/Application Mode", "01"},
                        {99, "", "Normal/Reserved", "10"}};
    for (const Row& r : rows) {
        const KeyBoxes b = KeyBoxesFor(r.code);
        EXPECT_EQ(b.name, r.name);
        EXPECT_EQ(std::string(b.firstCaption) + "/" + std::string(b.secondCaption), r.captions) << r.code;
        EXPECT_EQ(std::string(1, b.firstEnabled ? '1' : '0') + (b.secondEnabled ? '1' : '0'), r.enabled) << r.code;
    }
}

TEST(GlobalConfig, KeyMapEditing) {
    Dialog d;
    d.host.keyMapExists = false;
    GlobalConfigModel& m = d.Open(Stored());
    m.KeyClick(31);
    EXPECT_EQ(m.keyFirst + "|" + m.keySecond, "|");
    m.LoadKeySet(KeyMapSet::VT220);
    EXPECT_EQ(m.keyFirst, "\\x1B[2~");
    m.KeyClick(16);
    EXPECT_EQ(m.keyFirst + "|" + m.keySecond, "|\\x1BOM");

    // An edit lost to "Load"; one kept by closing, as typed.
    m.KeyClick(55);
    m.keySecond = "mine";
    m.LoadKeySet(KeyMapSet::VT220);
    EXPECT_EQ(m.keySecond, "\\x1B[31~");
    m.keyFirst = " spaced ";
    m.FormClose();
    EXPECT_EQ(d.host.keyMap.ReadValue("QuiroKeyMap", "KeyF5_Norm"), " spaced ");

    // A value deleted by hand shows the VT100 default, whatever set was loaded.
    d.host.keyMap = MemIniStore::Parse("[QuiroKeyMap]\nKeyF7_Shift=x\n");
    m.KeyClick(57);
    EXPECT_EQ(m.keyFirst + "|" + m.keySecond, "\\x1BOv|x");

}

TEST(GlobalConfig, KeyMapThatCannotBeWrittenIsToldOnce) {
    Dialog d;
    d.host.keyMapExists = false;
    d.host.keyMap.FailWritesAfter(0);
    GlobalConfigModel& m = d.Open(Stored());
    m.keyFirst = "typed";
    m.KeyClick(52);
    m.LoadKeySet(KeyMapSet::VT220);
    m.FormClose();
    EXPECT_EQ(d.host.notWritten, 1);
    EXPECT_EQ(m.keyFirst, "\\x1BOQ") << "the editor still shows the defaults";
}

TEST(GlobalConfig, ConsoleSampleIsCentred) {
    // 13 bytes of 8 pixels: 104 wide, 16 high; odd leftovers and small boxes halve toward zero.
    EXPECT_EQ(ConsoleSampleOrigin(148, 44).x, 22);
    EXPECT_EQ(ConsoleSampleOrigin(148, 44).y, 14);
    EXPECT_EQ(ConsoleSampleOrigin(105, 17).x, 0);
    EXPECT_EQ(ConsoleSampleOrigin(105, 17).y, 0);
    EXPECT_EQ(ConsoleSampleOrigin(101, 13).x, -1);
    EXPECT_EQ(ConsoleSampleOrigin(101, 13).y, -1);
}

}  // namespace
