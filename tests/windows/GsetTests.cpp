// The settings dialog's window over a host of the test's own, the printer list and the
// key-map file's failure text.
#include "windows/Gset.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include "controls/XcCombos.h"
#include "controls/XcConst.h"
#include "controls/XcLabel.h"
#include "controls/XcSpin.h"
#include "engines/core/DravelHanguel.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/FormBuilder.h"
#include "framework/Libraries.h"
#include "framework/StdCtrls.h"
#include "framework/UiTestKit.h"
#include "framework/core/MemIniStore.h"

namespace {

// ---- The printer list ----------------------------------------------------------------

struct Spooler {
    std::vector<std::string> printers;
    bool failFill = false;
    DWORD sizeError = ERROR_INSUFFICIENT_BUFFER;
    std::vector<DWORD> sizesAsked;  // the buffer size of each call (0: the size query)
} spooler;

BOOL WINAPI FakeEnumPrinters(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                             LPDWORD returned) {
    EXPECT_EQ(flags, DWORD(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS));
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(level, 1u);
    spooler.sizesAsked.push_back(buffer ? size : 0);
    DWORD want = DWORD(spooler.printers.size() * sizeof(PRINTER_INFO_1A));
    for (const std::string& p : spooler.printers) want += DWORD(p.size() + 1);
    *needed = want;
    *returned = 0;
    if (!buffer || size < want || (buffer && spooler.failFill)) {
        SetLastError(buffer ? ERROR_INVALID_PARAMETER : spooler.sizeError);
        if (spooler.sizeError != ERROR_INSUFFICIENT_BUFFER) *needed = 0;
        return spooler.printers.empty() && spooler.sizeError == ERROR_INSUFFICIENT_BUFFER;
    }
    auto* info = reinterpret_cast<PRINTER_INFO_1A*>(buffer);
    char* text = reinterpret_cast<char*>(buffer + spooler.printers.size() * sizeof(PRINTER_INFO_1A));
    for (const std::string& p : spooler.printers) {
        *info++ = PRINTER_INFO_1A{0, nullptr, lstrcpyA(text, p.c_str()), nullptr};
        text += p.size() + 1;
    }
    *returned = DWORD(spooler.printers.size());
    return TRUE;
}

TEST(Printers, ListedAfterTheSizeQuery) {
    struct Row {
        const char* what;
        std::vector<std::string> printers;
        bool failFill;
        DWORD sizeError;
        std::vector<std::string> listed;
        size_t calls;
    };
    const Row rows[] = {
        {"two printers", {"Laser", "Ink Jet"}, false, ERROR_INSUFFICIENT_BUFFER, {"Laser", "Ink Jet"}, 2},
        {"none", {}, false, ERROR_INSUFFICIENT_BUFFER, {}, 1},
        {"the spooler fails", {"Laser"}, false, RPC_S_SERVER_UNAVAILABLE, {}, 1},
        {"the second call fails", {"Laser"}, true, ERROR_INSUFFICIENT_BUFFER, {}, 2},
    };
    for (const Row& r : rows) {
        spooler = Spooler{r.printers, r.failFill, r.sizeError, {}};
        EXPECT_EQ(ListPrinters(&FakeEnumPrinters), r.listed) << r.what;
        ASSERT_EQ(spooler.sizesAsked.size(), r.calls) << r.what;
        EXPECT_EQ(spooler.sizesAsked[0], 0u) << r.what;
        if (r.calls == 2) {
            EXPECT_GT(spooler.sizesAsked[1], 0u) << r.what;
        }
    }
}

// ---- The key-map file ------------------------------------------------------------------

TEST(KeyMapFile, NotWrittenSaysTheSystemsReason) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    // A folder where the file should be: no profile write can go there.
    const std::string path = std::string(temp) + "quiro-keymap-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    TKeyMapIniFile file(path);
    EXPECT_FALSE(file.WriteValue("QuiroKeyMap", "KeyF1_Norm", "x"));
    const DWORD error = file.Error();
    EXPECT_NE(error, 0u);
    // The system's own text for the code.
    char reason[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, reason,
                   sizeof reason, nullptr);
    std::string expected(reason);
    expected.erase(expected.find_last_not_of("\r\n") + 1);
    EXPECT_EQ(KeyMapNotWrittenText(file), "The key map could not be saved to " + path + ".\n" + expected);
    RemoveDirectoryA(path.c_str());
}

// ---- The dialog --------------------------------------------------------------------------

struct TestHost : GlobalConfigHost {
    TDravelHanguel renderer;
    MemIniStore keyMap;
    bool LoadBitmapFonts() override { return renderer.LoadBitmapFonts(nullptr) != 0; }
    void FreeBitmapFonts() override { renderer.FreeBitmapFonts(); }
    int ProbeCharset(const std::string&) override { return 0; }
    bool DirectoryExists(const std::string&) override { return false; }
    std::string ProgramFolder() override { return "C:\\Quiro\\"; }
    std::vector<std::string> Printers() override { return {}; }
    bool KeyMapExists() override { return true; }
    IIniStore& KeyMap() override { return keyMap; }
    void KeyMapNotWritten() override {}
};

class GlobalConfigWindow : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::DrainQueue();
        StartLibraries();
        InitXcControls();
        dialog = new TGlobalConfigForm(&app, host, &host.renderer, nullptr);
    }
    template <class T>
    T* Find(const char* name) {
        return FindAs<T>(dialog, name);
    }
    TApplication app;
    TestHost host;
    TGlobalConfigForm* dialog = nullptr;
};

TEST_F(GlobalConfigWindow, ShowsTheModelAndTakesTheUsersActions) {
    ConsoleSettings s;
    s.ConsoleFontName = "No Such Font Anywhere";
    s.ConsoleFontSize = 10;
    s.ConsoleBGColor = 4;
    s.ConsoleFGColor = 15;
    s.ScreenSizeHeight = 24;
    s.ScreenSizeWidth = 80;
    s.HanguelKeyLayoutMode = 1;
    dialog->Model.CopyIn(s);
    dialog->LoadFromConsole();
    dialog->Show();
    uitest::Pump();

    // A font the list lacks is kept, shown and read back.
    EXPECT_EQ(Find<TFontComboBox>("GSET_CB_Font")->FontName(), s.ConsoleFontName);
    EXPECT_EQ(Find<TPanel>("GSET_PANEL_ConsoleFontSample")->Caption(), " Console, 10");

    // The proxy radio buttons and the screen size, through their controls.
    Find<TRadioButton>("GSET_RB_ProxyTypeTIS")->SetChecked(true);
    EXPECT_EQ(Find<TEdit>("GSET_ED_ProxyPort")->Caption(), "23");
    EXPECT_TRUE(Find<TEdit>("GSET_ED_ProxyTISConnectCommand")->Enabled());
    EXPECT_EQ(Find<TEdit>("GSET_ED_ProxyUsername")->Color(), clBtnFace);
    Find<TEdit>("GSET_ED_ProxyHost")->SetText("gate.example");
    Find<TCheckBox>("GSET_CB_CustomScreenSize")->SetChecked(true);
    EXPECT_TRUE(Find<TXcSpinEdit>("GSET_ED_ScreenRows")->Enabled());
    Find<TXcSpinEdit>("GSET_ED_ScreenRows")->SetText("");
    EXPECT_EQ(Find<TXcSpinEdit>("GSET_ED_ScreenRows")->Caption(), "") << "what is being typed stays";
    Find<TXcSpinEdit>("GSET_ED_ScreenRows")->SetText("0");
    Find<TXcSpinEdit>("GSET_ED_ScreenColumns")->SetText("100");

    // The built-in fonts draw the sample in the paint box.
    Find<TCheckBox>("GSET_CB_UseInternalFont")->SetChecked(true);
    EXPECT_TRUE(Find<TPaintBox>("GSET_PB_InternalConsoleFontSample")->Visible());
    EXPECT_EQ(Find<TPanel>("GSET_PANEL_ConsoleFontSample")->Caption(), "");
    EXPECT_FALSE(Find<TFontComboBox>("GSET_CB_Font")->Enabled());

    // A key button shows its key; the keypad buttons wait for the emulation switch.
    Find<TSpeedButton>("GSET_BTN_KeyIns")->Click();
    EXPECT_EQ(Find<TXcLabel>("GSET_LABEL_KeyName")->Caption(), "Insert");
    EXPECT_EQ(Find<TLabel>("GSET_LABEL_KeyAlt")->Caption(), "Reserved");
    EXPECT_FALSE(Find<TEdit>("GSET_EDIT_KeyAlt")->Enabled());
    EXPECT_FALSE(Find<TSpeedButton>("GSET_BTN_KeyPad5")->Enabled());
    Find<TCheckBox>("GSET_CB_EmulateTerminalKeypad")->SetChecked(true);
    EXPECT_TRUE(Find<TSpeedButton>("GSET_BTN_KeyPad5")->Enabled());
    EXPECT_FALSE(Find<TSpeedButton>("GSET_BTN_KeyNum")->Enabled());

    ConsoleSettings back;
    dialog->Model.ReadBack(back);
    EXPECT_EQ(back.ConsoleFontName, s.ConsoleFontName);
    EXPECT_EQ(back.ProxyType, 1);
    EXPECT_EQ(back.ProxyHostAddress, "gate.example");
    EXPECT_EQ(back.ScreenSizeHeight, 1);
    EXPECT_EQ(back.ScreenSizeWidth, 100);
    EXPECT_TRUE(back.UseInternalFont);
    EXPECT_TRUE(back.EmulateTerminalKeypad);
    delete dialog;
}

}  // namespace
