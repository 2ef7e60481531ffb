// The program under test: quiro_probe.exe (quiro.exe with its state probe, see
// console/ConsoleProbe.h) started as a process of its own, its state read through the
// probe, its settings key, and pictures of its console.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/Registry.h"

namespace quiro::console::test {

struct ProbeLine {
    std::string text;  // bytes as the screen model holds them
    std::string foreground;
    std::string background;
};

struct ProbeState {
    std::map<std::string, std::string> fields;
    std::vector<ProbeLine> lines;

    const std::string& Str(const std::string& name) const { return fields.at(name); }
    int Int(const std::string& name) const { return std::stoi(Str(name)); }
    std::vector<std::string> Texts() const;
    // Index of the first line equal to `text`, -1 when none.
    int Find(const std::string& text) const;
};

// What a window of the program shows (ConsoleProbeDumpForm), by control name; "form" is
// the window itself.
struct ControlState {
    std::string text;
    bool enabled = false, visible = false;
    bool checked = false;  // a menu item's check mark
    RECT rect{};
};
using FormState = std::map<std::string, ControlState>;

class QuiroProgram {
public:
    // Starts the program with its command line and waits for its main window; with
    // `telephonyDouble`, the copy beside the telephony test double, which it loads when
    // the run puts the double in place of the system's library; with `copyIn`, a copy of
    // the program in that folder (its program folder).
    explicit QuiroProgram(const std::string& arguments = "", bool telephonyDouble = false,
                          const std::string& copyIn = "");
    ~QuiroProgram();  // a program still running is ended
    QuiroProgram(const QuiroProgram&) = delete;
    QuiroProgram& operator=(const QuiroProgram&) = delete;

    HWND Window() const { return wnd_; }
    ProbeState State();
    // Polls the state until `done` holds (false after `ms`); `last` gets the last state.
    bool WaitFor(const std::function<bool(const ProbeState&)>& done, DWORD ms, ProbeState* last);
    void Connect(const std::string& address);
    void Send(const std::string& bytes);
    // Clicks a control or menu item of the main window, or of the secondary window on
    // show, by its name, or "Form.Control" of another of its windows (a check box toggles,
    // a radio button or a page is chosen); ClickLater once the probe has answered (a click
    // that opens a modal window or a message box).
    void Click(const std::string& name);
    void ClickLater(const std::string& name);
    // The display's events for the program so far taken in and its windows painted on the
    // display (see ConsoleProbeSettleDisplay).
    bool SettleDisplay();
    // One of the program's windows to the front and made active by the program, then its
    // display's events taken in: keys injected next reach it whole.
    bool Focus(HWND window);
    // An edit's text as typed, or a list box's item (by index) clicked.
    void Set(const std::string& name, const std::string& value);
    // An edit takes `text` as typed, a list chooses the item of that text.
    bool SetText(const std::string& name, const std::string& text);
    // The controls of the program's window of that name; empty when it is not open.
    FormState Form(const std::string& formName);
    // Polls the window until it is open and `done` holds (false after `ms`).
    bool WaitForForm(const std::string& formName, const std::function<bool(const FormState&)>& done, DWORD ms,
                     FormState* last);
    // The transfer engine's clock runs `scale` times as fast from now on.
    void SetClockScale(int scale);
    // Times the console's own painting n times (the state's paintMicros, scrollLineMicros).
    bool TimePainting(int n);
    // The picture viewer's Save As to `fileName` (the state's viewerSaveResult tells).
    void SavePicture(const std::string& fileName);
    // Visible top-level windows of the process besides the main window (message boxes).
    int OtherWindows() const;
    // A dialog window of the process (a file dialog, a message box) once one is up;
    // nullptr after `ms`.
    HWND WaitForDialog(DWORD ms) const;
    // A visible window of the process with that caption once one is up; nullptr after `ms`.
    HWND WaitForWindow(const std::string& caption, DWORD ms) const;
    // Closes the main window as the user does: the exit code, -1 when it did not end.
    // `meanwhile` runs once the window was asked to close (to answer what it asks then).
    int Close(const std::function<void()>& meanwhile = {});

private:
    bool CopyData(uintptr_t kind, const std::string& data);
    PROCESS_INFORMATION pi_{};
    HWND wnd_ = nullptr;
    std::string dumpFile_;
};

struct DialogSeen {
    std::string caption;
    std::string text;  // the texts it shows (a message box's message)
};
// Notes what a dialog of another process shows, puts `fileName` (when given) into a file
// dialog's name box, presses `button` (IDOK, IDCANCEL) and waits for it to close.
DialogSeen Answer(HWND dialog, int button, const std::string& fileName = "");

// A scratch folder of the host system under /tmp, which goes with the object.
class HostFolder {
public:
    HostFolder();
    ~HostFolder();
    HostFolder(const HostFolder&) = delete;
    HostFolder& operator=(const HostFolder&) = delete;

    const std::string& Dir() const { return dir_; }  // the folder as the host sees it
    // A file of the folder as this program sees it ("Z:/tmp/...").
    std::string Path(const std::string& name) const { return "Z:" + dir_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;  // "" when missing

private:
    std::string dir_;
};

// The inetutils telnet server on 127.0.0.1, for one connection, running `login` (a shell
// script) in place of login inside a scratch folder of its own.
class TelnetHost : public HostFolder {
public:
    explicit TelnetHost(const std::string& login);

    const std::string& Port() const { return port_; }  // "" when the server did not start

private:
    std::string port_;
};

// A shell in the host's scratch folder, prompting with "$ ".
inline constexpr char kShellLogin[] = "export PATH=/usr/bin:/bin\nPS1='$ ' exec /bin/sh -i\n";
// The user's keyboard and mouse: events through the system's input queue (modifiers
// included) to the foreground window, which Focus makes `window`.
enum KeyModifier { kShift = 1, kCtrl = 2, kAlt = 4 };
bool Focus(HWND window);
void Press(WORD vk, int modifiers = 0);
void TypeLetters(const std::string& letters);  // a-z and 0-9 as their keys
void TypeText(const std::wstring& text);        // characters as a keyboard of any kind types them
void MouseTo(int x, int y);                     // screen pixels
void Click(int x, int y, int modifiers = 0);
void Drag(int fromX, int fromY, int toX, int toY);
// A control's screen rectangle from the probe (ConsoleProbe lists them by name).
RECT ControlRect(const ProbeState& state, const std::string& name);

// The settings key HKEY_CURRENT_USER "SOFTWARE\Orvatek\QUIRO", opened (created when
// missing) for as long as the object lives.
std::unique_ptr<TRegistry> Settings();
void DeleteSettings();

std::string ToCp949(const std::string& utf8);
// A file's bytes ("" when it cannot be read).
std::string FileBytes(const std::string& path);
// The bytes of a hex field of the probe ("-" for none).
std::string FromHex(const std::string& hex);

// 32-bit pixels (0x00RRGGBB, top row first) of a rectangle.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    int Differences(const Picture& other) const;
    void SaveBmp(const std::string& name) const;  // into the build tree's artifacts
};
Picture CaptureScreen(const RECT& r);
// The console's paint box in `state` as the renderer draws it with the built-in fonts:
// the view's background, then every visible row.
Picture RenderConsole(const ProbeState& state);
// The console's paint box on the screen, once it is `expected` (the program paints at its
// own pace), or as it is after 5 s.
Picture ConsoleOnScreen(const ProbeState& state, const Picture& expected);

}  // namespace quiro::console::test
