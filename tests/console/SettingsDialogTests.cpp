// The settings dialog end to end: quiro_probe.exe with its settings key in the Wine
// prefix, the dialog opened with the main window's button and driven through the probe,
// its pages kept as pictures (build/win32/artifacts/settings-*.bmp).
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <cstring>
#include <fstream>

#include "HarnessCheck.h"
#include "ProgramKit.h"
#include "SessionKit.h"
#include "comm/CommTestKit.h"
#include "framework/core/MemIniStore.h"

using namespace quiro::console::test;
using namespace quiro::comm::test;

namespace {

const char* const kDialog = "GlobalConfigForm";
const std::string kKeyMap = std::string(QUIRO_BINARY_DIR) + "/src/console/KeyMap.INI";

std::string In(const std::string& control) { return std::string(kDialog) + "." + control; }

bool OpenSettings(QuiroProgram& q, FormState& f) {
    q.ClickLater("MAIN_BTN_GlobalConfig");
    return q.WaitForForm(kDialog, [](const FormState& st) { return st.at("form").visible; }, 20000, &f);
}

// OK or Cancel: the dialog is gone.
bool CloseSettings(QuiroProgram& q, const char* button) {
    q.Click(In(button));
    return PumpUntil([&] { return q.Form(kDialog).empty(); }, 10000);
}

// Every value of the settings key: its name, type and bytes.
std::map<std::string, std::string> ExportSettings() {
    std::map<std::string, std::string> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Orvatek\\QUIRO", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[4096];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        values[name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataSize);
    }
    RegCloseKey(key);
    return values;
}

std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The first child window that is a combo box of some kind.
BOOL CALLBACK FindList(HWND h, LPARAM found) {
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (!std::strstr(CharLowerA(cls), "combo")) return TRUE;
    *reinterpret_cast<HWND*>(found) = h;
    return FALSE;
}

// The console's rows above the cursor's (where the caret blinks).
RECT RowsAboveCursor(const ProbeState& s) {
    return RECT{s.Int("paintBoxLeft"), s.Int("paintBoxTop"), s.Int("paintBoxLeft") + s.Int("paintBoxWidth"),
                s.Int("paintBoxTop") + s.Int("cursorRow") * s.Int("cellHeight")};
}

// What a settings key holds, one value per page, is what the dialog shows; each page is
// kept as a picture.
TEST(SettingsDialog, ShowsTheStoredSettingsOnEveryPage) {
    HostFolder upload;
    const std::string uploadDir = WindowsPath(upload.Path(""));
    DeleteSettings();
    {
        auto key = Settings();
        key->WriteInteger("ConsoleFontSize", 12);
        key->WriteInteger("ConsoleFGColor", 11);
        key->WriteInteger("ConsoleBGColor", 0);
        key->WriteString("UploadDir", uploadDir);
        key->WriteInteger("HanguelKeyLayoutMode", 3);
        key->WriteInteger("EditorFontSize", 14);
        key->WriteInteger("EditorHanguelKeyLayoutMode", 2);
        key->WriteInteger("EditorMarginBottom", 40);
        key->WriteInteger("EmulateTerminalKeypad", 1);
        key->WriteInteger("PrintType", 2);
        key->WriteString("PrintFileName", "C:\\capture\\print.txt");
        key->WriteInteger("ScreenSizeHeight", 25);
        key->WriteInteger("ShowImagePack", 1);
        key->WriteInteger("ProxyType", 1);
        key->WriteString("ProxyHostAddress", "gate.example");
        key->WriteString("ProxyConnectCommand", "connect");
    }
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    FormState f;
    ASSERT_TRUE(OpenSettings(q, f));
    auto text = [&](const char* name) { return f.at(name).text; };
    EXPECT_EQ(text("form"), " Global Settings...");
    EXPECT_EQ(text("GSET_CB_ConsoleFGColor") + "/" + text("GSET_CB_ConsoleBGColor"), "Yellow/Black");
    EXPECT_EQ(text("GSET_PANEL_ConsoleFontSample"), " Console, 12");
    EXPECT_EQ(text("GSET_EDIT_UpDir"), uploadDir);
    EXPECT_EQ(text("GSET_RB_HKeyMode3BSFinal"), "1");
    EXPECT_EQ(text("GSET_PANEL_EditorSample"), " Editor, 14");
    EXPECT_EQ(text("GSET_RB_EditorHKeyMode3BS390"), "1");
    EXPECT_EQ(text("GSET_ED_MarginBottom"), "40");
    EXPECT_EQ(text("GSET_LABEL_KeyName"), "F1");
    EXPECT_EQ(text("GSET_CB_EmulateTerminalKeypad"), "1");
    EXPECT_EQ(text("GSET_RB_PrintFile") + text("GSET_CB_PrintFileName"), "1C:\\capture\\print.txt");
    EXPECT_TRUE(f.at("GSET_CB_PrintFileName").enabled);
    EXPECT_EQ(text("GSET_CB_CustomScreenSize") + " " + text("GSET_ED_ScreenRows") + "x" + text("GSET_ED_ScreenColumns"),
              "1 25x80");
    EXPECT_EQ(text("GSET_CB_ImagePack"), "1");
    EXPECT_EQ(text("GSET_RB_ProxyTypeTIS") + text("GSET_ED_ProxyHost") + ":" + text("GSET_ED_ProxyPort"),
              "1gate.example:");
    EXPECT_TRUE(f.at("GSET_ED_ProxyTISConnectCommand").enabled);

    const char* pages[] = {"Font", "Editor", "Keyboard", "Printing", "Advanced"};
    for (int i = 0; i < 5; ++i) {
        q.Click(In(std::string("GSET_TS_") + pages[i]));
        ASSERT_TRUE(q.WaitForForm(kDialog, [&](const FormState& st) { return st.at("GSET_PageControl").text == std::to_string(i); },
                                  5000, &f));
        // Once two pictures in a row agree, the page is drawn.
        Picture last, now;
        PumpUntil([&] {
            now = CaptureScreen(f.at("form").rect);
            bool same = now.width > 0 && now.Differences(last) == 0;
            last = now;
            return same;
        }, 5000);
        now.SaveBmp(std::string("settings-") + pages[i] + ".bmp");
    }
    ASSERT_TRUE(CloseSettings(q, "GSET_BTN_Cancel"));
    EXPECT_EQ(q.Close(), 0);
}

// While connected: a bigger font, other colours, 30 x 100 and SOCKS 5 with a user, OK.
// The key holds them, the host is told the new size, the window grows, and the next
// connection goes through the proxy with the user and password.
TEST(SettingsDialog, OkAppliesAndSaves) {
    DeleteSettings();
    RecordingHost host("ready\r\n");
    std::string wire;
    TestServer proxy([&](SOCKET s) {
        auto take = [&](size_t n) {
            const size_t want = wire.size() + n;
            Receive(s, wire, [&] { return wire.size() >= want; }, 20000);
        };
        take(4);
        SendAll(s, std::string("\x05\x02", 2));
        take(8);
        SendAll(s, std::string("\x01\x00", 2));
        take(10);
        SendAll(s, std::string("\x05\x00\x00\x01\x7F\x00\x00\x01\x00\x17", 10) + "\r\nthrough the proxy\r\n");
        take(6);
    });
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    const int width = s.Int("paintBoxWidth");
    FormState f;
    ASSERT_TRUE(OpenSettings(q, f));

    // The font size's up button, with the mouse.
    ASSERT_TRUE(q.Focus(q.WaitForWindow(" Global Settings...", 5000)));
    const RECT spin = f.at("GSET_SPIN_ConsoleFontSize").rect;
    Click((spin.left + spin.right) / 2, spin.top + 3);
    EXPECT_TRUE(q.WaitForForm(kDialog, [](const FormState& st) {
        return st.at("GSET_PANEL_ConsoleFontSample").text == " Console, 11";
    }, 5000, &f)) << f["GSET_PANEL_ConsoleFontSample"].text;
    EXPECT_TRUE(q.SetText(In("GSET_CB_ConsoleFGColor"), "Yellow"));
    EXPECT_TRUE(q.SetText(In("GSET_CB_ConsoleBGColor"), "Black"));
    q.Click(In("GSET_CB_CustomScreenSize"));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ScreenRows"), "30"));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ScreenColumns"), "100"));
    q.Click(In("GSET_RB_ProxyTypeSocks5"));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ProxyHost"), "127.0.0.1"));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ProxyPort"), std::to_string(proxy.Port())));
    q.Click(In("GSET_CB_ProxySocks5UserPswd"));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ProxyUsername"), "guest"));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ProxyPassword"), "pw"));
    const size_t mark = host.Received().size();
    ASSERT_TRUE(CloseSettings(q, "GSET_BTN_OK"));

    {
        auto key = Settings();
        EXPECT_EQ(key->ReadInteger("ConsoleFontSize"), 11);
        EXPECT_EQ(key->ReadInteger("ConsoleFGColor"), 11);
        EXPECT_EQ(key->ReadInteger("ConsoleBGColor"), 0);
        EXPECT_EQ(key->ReadInteger("ScreenSizeWidth") * 1000 + key->ReadInteger("ScreenSizeHeight"), 100030);
        EXPECT_EQ(key->ReadInteger("ProxyType"), 3);
        EXPECT_EQ(key->ReadString("ProxyHostAddress") + ":" + key->ReadString("ProxyPort"),
                  "127.0.0.1:" + std::to_string(proxy.Port()));
        EXPECT_EQ(key->ReadString("ProxyUserID") + "/" + key->ReadString("ProxyPassword"), "guest/pw");
        EXPECT_EQ(key->ReadInteger("ProxyUseSocks5UserPswd"), 1);
    }
    const std::string naws("\xFF\xFA\x1F\x00\x64\x00\x1E\xFF\xF0", 9);
    EXPECT_TRUE(PumpUntil([&] { return host.Received().find(naws, mark) != std::string::npos; }))
        << ::testing::PrintToString(host.Received().substr(mark));
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("columns") == 100 && st.Int("rows") == 30; }, 5000,
                          &s));
    EXPECT_GT(s.Int("paintBoxWidth"), width);
    EXPECT_GE(s.Int("paintBoxWidth"), 100 * s.Int("cellWidth"));

    q.Click("MAIN_BTN_Disconnect");
    ASSERT_TRUE(q.WaitFor(Ended, 10000, &s));
    q.Connect("10.9.8.7:2323");
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Find("through the proxy") >= 0; }, 20000, &s))
        << ::testing::PrintToString(s.Texts());
    EXPECT_EQ(wire.substr(0, 14), std::string("\x05\x02\x00\x02\x01\x05guest\x02pw", 14));
    EXPECT_EQ(q.Close(), 0);
}

// Cancel after the built-in fonts were switched on (loaded at once) and another proxy
// chosen: no value of the key changes and the console looks as before.
TEST(SettingsDialog, CancelChangesNothing) {
    DeleteSettings();
    RecordingHost host(ToCp949("\xED\x95\x9C\xEA\xB8\x80 banner\r\n"));
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, ToCp949("\xED\x95\x9C\xEA\xB8\x80 banner"), s));
    const auto before = ExportSettings();
    ASSERT_FALSE(before.empty());
    // All of it painted before the picture is taken.
    RedrawWindow(q.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const Picture console = CaptureScreen(RowsAboveCursor(s));
    FormState f;
    ASSERT_TRUE(OpenSettings(q, f));
    q.Click(In("GSET_CB_UseInternalFont"));
    q.Click(In("GSET_RB_ProxyTypeSocks4"));
    ASSERT_TRUE(q.WaitForForm(kDialog, [](const FormState& st) {
        return st.at("GSET_PB_InternalConsoleFontSample").visible;
    }, 5000, &f));
    ASSERT_TRUE(CloseSettings(q, "GSET_BTN_Cancel"));
    EXPECT_EQ(ExportSettings(), before);
    s = q.State();
    EXPECT_EQ(s.Str("useInternalFont"), "0");
    EXPECT_TRUE(PumpUntil([&] { return CaptureScreen(RowsAboveCursor(s)).Differences(console) == 0; }, 5000));
    EXPECT_EQ(q.Close(), 0);
}

// The settings key made readable but not writable for as long as the object lives.
class ReadOnlySettings {
public:
    ReadOnlySettings() {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Orvatek\\QUIRO", 0, KEY_ALL_ACCESS, &key_) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        made_ = RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) == ERROR_SUCCESS &&
                ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                     nullptr) &&
                RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
        LocalFree(readOnly);
    }
    ~ReadOnlySettings() {
        if (made_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
        if (key_) RegCloseKey(key_);
    }
    bool Made() const { return made_; }

private:
    HKEY key_ = nullptr;
    std::vector<BYTE> saved_;
    bool made_ = false;
};

std::string SystemText(DWORD error) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

// A key that may be read but not written: the program starts with what it holds; the
// address list saved as a session starts is told as a status line; OK in the dialog tells
// once, with the system's reason, that the settings were not saved, and the program goes
// on with them; so does closing.
TEST(SettingsDialog, AKeyThatCannotBeWritten) {
    DeleteSettings();
    {
        auto key = Settings();
        key->WriteInteger("ScreenSizeHeight", 25);
        key->WriteString("CoolBand1", "Address");  // (no save due at the first show)
        key->WriteString("OneShotCommand1", "P");
    }
    ReadOnlySettings readOnly;
    ASSERT_TRUE(readOnly.Made());
    const std::string denied = SystemText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(denied.empty());
    const auto before = ExportSettings();
    RecordingHost host("ready\r\n");
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    const std::string line = "Error : The settings could not be saved in the registry (QuickLinks): " + denied;
    EXPECT_TRUE(q.WaitFor([&](const ProbeState& st) { return st.Find("ready") >= 0 && st.Find(line) >= 0; }, 20000,
                          &s))
        << ::testing::PrintToString(s.Texts());
    EXPECT_EQ(s.Int("rows"), 25);
    FormState f;
    ASSERT_TRUE(OpenSettings(q, f));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ScreenRows"), "30"));
    q.ClickLater(In("GSET_BTN_OK"));
    HWND box = q.WaitForDialog(10000);
    ASSERT_TRUE(box) << "the refused save was not told";
    DialogSeen seen = Answer(box, IDOK);
    EXPECT_EQ(seen.caption, " Quiro 2: Error");
    EXPECT_NE(seen.text.find(denied), std::string::npos) << seen.text;
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("rows") == 30; }, 5000, &s)) << s.Str("rows");
    EXPECT_EQ(q.OtherWindows(), 0) << "told more than once";
    EXPECT_EQ(ExportSettings(), before);

    PostMessageA(q.Window(), WM_CLOSE, 0, 0);
    box = q.WaitForDialog(10000);
    ASSERT_TRUE(box) << "the refused save on closing was not told";
    seen = Answer(box, IDOK);
    EXPECT_NE(seen.text.find(denied), std::string::npos) << seen.text;
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(q.Window()); }, 10000));
}

// An open capture editor takes the new editor settings at OK; glued under the main window,
// it stays glued when OK gives the window a new size.
TEST(SettingsDialog, AnOpenEditorFollowsAtOnce) {
    DeleteSettings();
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    ProbeState s;
    q.Click("MAIN_BTN_Capture");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("editorVisible") == "1"; }, 5000, &s));
    EXPECT_EQ(s.Int("editorColor"), 0xFFFFFF);
    FormState f;
    ASSERT_TRUE(OpenSettings(q, f));
    EXPECT_TRUE(q.SetText(In("GSET_CB_EditorBGColor"), "Black"));
    q.Click(In("GSET_CB_CustomScreenSize"));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ScreenRows"), "30"));
    EXPECT_TRUE(q.SetText(In("GSET_ED_ScreenColumns"), "90"));
    const RECT before = ControlRect(s, "ConsoleForm");
    ASSERT_TRUE(CloseSettings(q, "GSET_BTN_OK"));
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("editorColor") == 0 && st.Int("rows") == 30; },
                          5000, &s))
        << s.Str("editorColor");
    const RECT main = ControlRect(s, "ConsoleForm"), editor = ControlRect(s, "EditMainForm");
    EXPECT_GT(main.bottom - main.top, before.bottom - before.top);
    EXPECT_GT(main.right - main.left, before.right - before.left);
    EXPECT_EQ(editor.top, main.bottom);
    EXPECT_EQ(editor.left, main.left);
    EXPECT_EQ(editor.right, main.right);
    EXPECT_EQ(q.Close(), 0);
}

// The keyboard page over a program folder without "KeyMap.INI": the VT100 set is written;
// what is typed for F1 is kept by the switch to F2, what is typed for F2 by Cancel; the
// console sends both; "Load VT220" and OK give F6 its VT220 text.
TEST(SettingsDialog, KeyMapPage) {
    DeleteSettings();
    DeleteFileA(kKeyMap.c_str());
    RecordingHost host("ready\r\n");
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    FormState f;
    ASSERT_TRUE(OpenSettings(q, f));
    const std::string vt100 = FileBytes(std::string(QUIRO_SOURCE_DIR) + "/tests/console/core/data/keymap_vt100.ini");
    EXPECT_EQ(MemIniStore::Parse(FileBytes(kKeyMap)).Serialize(), MemIniStore::Parse(vt100).Serialize());

    EXPECT_TRUE(q.SetText(In("GSET_EDIT_KeyNorm"), "\\x1B[11~F1"));
    q.Click(In("GSET_BTN_KeyF2"));
    EXPECT_TRUE(q.WaitForForm(kDialog, [](const FormState& st) { return st.at("GSET_LABEL_KeyName").text == "F2"; },
                              5000, &f));
    EXPECT_EQ(f.at("GSET_LABEL_KeyAlt").text, "Pressed with Shift");
    EXPECT_TRUE(q.SetText(In("GSET_EDIT_KeyNorm"), "typed F2"));
    ASSERT_TRUE(CloseSettings(q, "GSET_BTN_Cancel"));
    const MemIniStore file = MemIniStore::Parse(FileBytes(kKeyMap));
    EXPECT_EQ(file.ReadValue("QuiroKeyMap", "KeyF1_Norm"), "\\x1B[11~F1");
    EXPECT_EQ(file.ReadValue("QuiroKeyMap", "KeyF2_Norm"), "typed F2");

    ASSERT_TRUE(q.Focus(q.Window()));
    size_t mark = host.Received().size();
    Press(VK_F1);
    EXPECT_TRUE(host.Gets(mark, "\x1B[11~F1"));
    mark = host.Received().size();
    Press(VK_F2);
    EXPECT_TRUE(host.Gets(mark, "typed F2"));

    ASSERT_TRUE(OpenSettings(q, f));
    q.Click(In("GSET_BTN_FKeyDefVT220"));
    ASSERT_TRUE(CloseSettings(q, "GSET_BTN_OK"));
    ASSERT_TRUE(q.Focus(q.Window()));
    mark = host.Received().size();
    Press(VK_F6);
    // (After the host was told the window's size again.)
    EXPECT_TRUE(PumpUntil([&] { return host.Received().find("\x1B[17~", mark) != std::string::npos; }))
        << ::testing::PrintToString(host.Received().substr(mark));
    EXPECT_EQ(q.Close(), 0);
    DeleteFileA(kKeyMap.c_str());
}

}  // namespace

// The modem button opens the device selection on the main window's telephony device
// (the telephony double lists its line); closing it leaves the settings dialog open.
TEST(TelephoneSettings, ModemButtonOpensTheDeviceSelection) {
    QUIRO_NEEDS_HARNESS(TelephonyDoubleInPlace(), "the telephony test double");
    DeleteSettings();
    QuiroProgram q("", true);
    ASSERT_TRUE(q.Window());
    FormState f;
    ASSERT_TRUE(OpenSettings(q, f));
    q.ClickLater(In("GSET_BTN_SelectTAPIDevice"));
    HWND selection = q.WaitForWindow("Device Selection", 20000);
    ASSERT_NE(selection, nullptr);
    HWND list = nullptr;
    EnumChildWindows(selection, &FindList, reinterpret_cast<LPARAM>(&list));
    ASSERT_NE(list, nullptr);
    std::vector<std::wstring> lines;
    for (LRESULT i = 0, n = SendMessageW(list, CB_GETCOUNT, 0, 0); i < n; ++i) {
        wchar_t item[256] = {};
        SendMessageW(list, CB_GETLBTEXT, WPARAM(i), LPARAM(item));
        lines.push_back(item);
    }
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::wstring& l) { return l.find(L"Quiro Test Modem") != std::wstring::npos; }),
              lines.end())
        << lines.size() << " lines";
    PostMessageA(selection, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(selection) || !IsWindowVisible(selection); }));
    ASSERT_TRUE(q.WaitForForm(kDialog, [](const FormState& st) { return st.at("form").enabled; }, 5000, &f));
    ASSERT_TRUE(CloseSettings(q, "GSET_BTN_Cancel"));
    EXPECT_EQ(q.Close(), 0);
}
