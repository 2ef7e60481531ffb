// The settings dialog's window over a host of the test's own, the printer list and the
// key-map file's failure text.
#include "windows/Gset.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include <tuple>

#include "controls/XcCombos.h"
#include "controls/XcConst.h"
#include "controls/XcSpin.h"
#include "engines/core/DravelHanguel.h"
#include "framework/ComCtrls.h"
#include "framework/FormBuilder.h"
#include "framework/Libraries.h"
#include "framework/Timers.h"
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

// What the end-to-end tests cannot reach: a font that is not installed, and a spin edit
// the user is emptying.
TEST_F(GlobalConfigWindow, KeepsWhatItCannotShowAndWhatIsBeingTyped) {
    ConsoleSettings s;
    s.ConsoleFontName = "No Such Font Anywhere";
    s.ScreenSizeHeight = 25;
    s.ScreenSizeWidth = 80;
    dialog->Model.CopyIn(s);
    dialog->LoadFromConsole();
    dialog->Show();
    uitest::Pump();
    EXPECT_EQ(Find<TFontComboBox>("GSET_CB_Font")->FontName(), s.ConsoleFontName);
    auto* rows = Find<TXcSpinEdit>("GSET_ED_ScreenRows");
    rows->SetText("");
    EXPECT_EQ(rows->Caption(), "");
    rows->SetText("0");
    ConsoleSettings back;
    dialog->Model.ReadBack(back);
    EXPECT_EQ(back.ConsoleFontName, s.ConsoleFontName);
    EXPECT_EQ(back.ScreenSizeHeight, 1);
    delete dialog;
}

// Enter is OK and Esc is Cancel, wherever the focus is on the pages (the two flat buttons
// are never focused).
TEST_F(GlobalConfigWindow, EnterConfirmsAndEscCancels) {
    ConsoleSettings s;
    dialog->Model.CopyIn(s);
    dialog->LoadFromConsole();
    for (const auto& [focus, key, result] :
         {std::tuple{"GSET_ED_MarginLeft", WORD(VK_RETURN), mrOk},
          std::tuple{"GSET_EDIT_KeyNorm", WORD(VK_ESCAPE), mrCancel},
          std::tuple{"GSET_CB_FontCharset", WORD(VK_ESCAPE), mrCancel},
          std::tuple{"GSET_CB_UseInternalFont", WORD(VK_RETURN), mrOk}}) {
        TTimer timer(nullptr);
        timer.SetInterval(1);
        timer.SetOnTimer([&, focus = focus, key = key](TComponent*) {
            timer.SetEnabled(false);
            auto* control = Find<TWinControl>(focus);
            for (TWinControl* c = control; c; c = c->Parent())
                if (auto* page = dynamic_cast<TTabSheet*>(c))
                    Find<TPageControl>("GSET_PageControl")->SetActivePage(page);
            control->SetFocus();
            uitest::PressKey(key);
            if (dialog->ModalResult == mrNone) dialog->ModalResult = mrAbort;  // still open
        });
        EXPECT_EQ(dialog->ShowModal(), result) << focus;
    }
    delete dialog;
}

}  // namespace
