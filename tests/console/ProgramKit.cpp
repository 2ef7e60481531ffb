#include "ProgramKit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "comm/CommTestKit.h"
#include "console/ConsoleProbe.h"
#include "console/core/ConsoleView.h"
#include "controls/FileUtil.h"
#include "engines/core/ConsolePalette.h"
#include "engines/core/DravelHanguel.h"
#include "framework/Graphics.h"

namespace quiro::console::test {

namespace {

const char* const kSettingsKey = "\\SOFTWARE\\Orvatek\\QUIRO";

// The process's visible top-level windows, owned ones (its message boxes) too.
struct Found {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK FindWindows(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == f->pid && IsWindowVisible(h)) f->windows.push_back(h);
    return TRUE;
}

std::vector<HWND> Windows(DWORD pid) {
    Found f{pid, {}};
    EnumWindows(&FindWindows, reinterpret_cast<LPARAM>(&f));
    return f.windows;
}

std::string WindowText(HWND h) {
    char text[1024] = {};
    GetWindowTextA(h, text, sizeof text);
    return text;
}

BOOL CALLBACK NoteChildText(HWND h, LPARAM lp) {
    char cls[32] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && IsWindowVisible(h)) {
        std::string text = WindowText(h);
        if (!text.empty()) *reinterpret_cast<std::string*>(lp) += text;
    }
    return TRUE;
}

Picture ReadPixels(TBitmap& b) {
    GdiFlush();
    Picture p{b.Width(), b.Height(), {}};
    for (int y = 0; y < p.height; ++y) {
        auto* row = static_cast<const uint32_t*>(b.ScanLine(y));
        for (int x = 0; x < p.width; ++x) p.pixels.push_back(row[x] & 0xFFFFFF);
    }
    return p;
}

TColor Colour(int index) { return static_cast<TColor>(ColorIndexToColor(static_cast<ColorIndex>(index))); }

}  // namespace

std::vector<std::string> ProbeState::Texts() const {
    std::vector<std::string> texts;
    for (const ProbeLine& l : lines) texts.push_back(l.text);
    return texts;
}

int ProbeState::Find(const std::string& text) const {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].text == text) return int(i);
    return -1;
}

namespace {
// The program a test runs now: the pointer's moves are settled with it.
QuiroProgram* runningProgram = nullptr;
}  // namespace

QuiroProgram::QuiroProgram(const std::string& arguments, bool telephonyDouble, const std::string& copyIn) {
    runningProgram = this;
    std::string exe = std::string(QUIRO_BINARY_DIR) +
                      (telephonyDouble ? "/tapi-double/quiro_probe.exe" : "/src/console/quiro_probe.exe");
    if (!copyIn.empty()) {
        std::string copy = copyIn + "/quiro_probe.exe";
        if (!CopyFileA(exe.c_str(), copy.c_str(), FALSE)) return;
        exe = copy;
    }
    std::string cmd = "\"" + exe + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
        return;
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    dumpFile_ = std::string(dir) + "quiro-probe-" + std::to_string(pi_.dwProcessId) + ".txt";
    comm::test::PumpUntil([&] {
        for (HWND h : Windows(pi_.dwProcessId))
            if (WindowText(h).rfind("Quiro 2", 0) == 0) wnd_ = h;
        return wnd_ || WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0;
    }, 60000);  // the first start of a new build takes Wine a while
}

QuiroProgram::~QuiroProgram() {
    if (runningProgram == this) runningProgram = nullptr;
    if (!pi_.hProcess) return;
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 10000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
    DeleteFileA(dumpFile_.c_str());
}

bool QuiroProgram::CopyData(uintptr_t kind, const std::string& data) {
    COPYDATASTRUCT cds{kind, DWORD(data.size()), const_cast<char*>(data.data())};
    DWORD_PTR result = 0;
    return wnd_ && SendMessageTimeoutA(wnd_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL,
                                       10000, &result) && result == 1;
}

ProbeState QuiroProgram::State() {
    ProbeState s;
    if (!CopyData(ConsoleProbeDump, dumpFile_)) return s;
    std::ifstream in(dumpFile_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        std::string name = line.substr(0, eq), value = line.substr(eq + 1);
        if (name != "line") {
            s.fields[name] = value;
            continue;
        }
        std::istringstream parts(value);
        std::string hex, text;
        ProbeLine l;
        parts >> hex >> l.foreground >> l.background;
        for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2)
            l.text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        s.lines.push_back(l);
    }
    return s;
}

bool QuiroProgram::WaitFor(const std::function<bool(const ProbeState&)>& done, DWORD ms, ProbeState* last) {
    return comm::test::PumpUntil([&] {
        *last = State();
        return !last->fields.empty() && done(*last);
    }, ms);
}

void QuiroProgram::Connect(const std::string& address) { CopyData(ConsoleProbeConnect, address); }

bool QuiroProgram::TimePainting(int n) { return CopyData(ConsoleProbePaintTimes, std::to_string(n)); }

void QuiroProgram::Send(const std::string& bytes) { CopyData(ConsoleProbeSend, bytes); }

void QuiroProgram::Click(const std::string& name) { CopyData(ConsoleProbeClick, name); }

void QuiroProgram::ClickLater(const std::string& name) { CopyData(ConsoleProbeClickLater, name); }

bool QuiroProgram::SettleDisplay() { return CopyData(ConsoleProbeSettleDisplay, ""); }

bool QuiroProgram::Focus(HWND window) {
    // The program makes the window active when it reads the system's word (posted to it),
    // and gives it the display's keyboard then: only after that is there all to take in.
    const HWND root = GetAncestor(window, GA_ROOT);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return quiro::console::test::Focus(window) && comm::test::PumpUntil([&] {
               return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndActive == root;
           }, 5000) && SettleDisplay();
}

void QuiroProgram::Set(const std::string& name, const std::string& value) {
    CopyData(ConsoleProbeSet, name + "\n" + value);
}

bool QuiroProgram::SetText(const std::string& name, const std::string& text) {
    return CopyData(ConsoleProbeSetText, name + "=" + text);
}

FormState QuiroProgram::Form(const std::string& formName) {
    FormState form;
    const std::string file = dumpFile_ + ".form";
    if (!CopyData(ConsoleProbeDumpForm, formName + "|" + file)) return form;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        std::vector<std::string> parts;
        std::istringstream fields(line.substr(eq + 1));
        for (std::string part; std::getline(fields, part, '|');) parts.push_back(part);
        if (parts.size() != 4 && parts.size() != 5) continue;
        ControlState& c = form[line.substr(0, eq)];
        c.text = parts[0];
        c.enabled = parts[1] == "1";
        c.visible = parts[2] == "1";
        c.checked = parts.size() == 5 && parts[4] == "1";
        std::sscanf(parts[3].c_str(), "%ld,%ld,%ld,%ld", &c.rect.left, &c.rect.top, &c.rect.right, &c.rect.bottom);
    }
    in.close();
    DeleteFileA(file.c_str());
    return form;
}

bool QuiroProgram::WaitForForm(const std::string& formName, const std::function<bool(const FormState&)>& done,
                               DWORD ms, FormState* last) {
    return comm::test::PumpUntil([&] {
        *last = Form(formName);
        return !last->empty() && done(*last);
    }, ms);
}

void QuiroProgram::SetClockScale(int scale) { CopyData(ConsoleProbeClockScale, std::to_string(scale)); }

void QuiroProgram::SavePicture(const std::string& fileName) { CopyData(ConsoleProbeSavePicture, fileName); }

int QuiroProgram::OtherWindows() const {
    std::vector<HWND> all = Windows(pi_.dwProcessId);
    return int(std::count_if(all.begin(), all.end(), [&](HWND h) { return h != wnd_; }));
}

HWND QuiroProgram::WaitForDialog(DWORD ms) const {
    HWND dialog = nullptr;
    comm::test::PumpUntil([&] {
        for (HWND h : Windows(pi_.dwProcessId)) {
            char cls[16] = {};
            GetClassNameA(h, cls, sizeof cls);
            if (h != wnd_ && std::string(cls) == "#32770" && IsWindowEnabled(h)) dialog = h;
        }
        return dialog != nullptr;
    }, ms);
    return dialog;
}

HWND QuiroProgram::WaitForWindow(const std::string& caption, DWORD ms) const {
    HWND found = nullptr;
    comm::test::PumpUntil([&] {
        for (HWND h : Windows(pi_.dwProcessId))
            if (WindowText(h) == caption) found = h;
        return found != nullptr;
    }, ms);
    return found;
}

DialogSeen Answer(HWND dialog, int button, const std::string& fileName) {
    DialogSeen seen{WindowText(dialog), {}};
    EnumChildWindows(dialog, &NoteChildText, reinterpret_cast<LPARAM>(&seen.text));
    if (!fileName.empty()) SetDlgItemTextA(dialog, 0x47c, fileName.c_str());  // the file name box
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    comm::test::PumpUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000);
    return seen;
}

int QuiroProgram::Close(const std::function<void()>& meanwhile) {
    DWORD code = DWORD(-1);
    if (!wnd_ || !PostMessageA(wnd_, WM_CLOSE, 0, 0)) return int(code);
    if (meanwhile) meanwhile();
    if (WaitForSingleObject(pi_.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(pi_.hProcess, &code);
    return int(code);
}

HostFolder::HostFolder() {
    static int folders = 0;
    dir_ = "/tmp/quiro-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++folders);
    CreateDirectoryA(("Z:" + dir_).c_str(), nullptr);
}

HostFolder::~HostFolder() {
    std::string folder = "Z:" + dir_;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    ClearDir(folder, true);
}

void HostFolder::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
}

std::string HostFolder::Read(const std::string& name) const {
    return FileBytes(Path(name));
}

TelnetHost::TelnetHost(const std::string& login) {
    Write("login.sh", "#!/bin/sh\ncd " + Dir() + " || exit 1\n" + login);
    std::string cmd = std::string(QUIRO_COMM_PEER) + " telnetd " + Dir() + "/port " + Dir() + "/login.sh";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(("Z:" + std::string(QUIRO_COMM_PEER)).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &pi))
        return;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    comm::test::PumpUntil([&] { return bool(std::getline(std::ifstream(Path("port")), port_)); }, 10000);
}

namespace {

INPUT Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    const bool extended = (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

// A button event that says where it happens. Under Wine a button event without a place
// happens where the pointer is when the event is read, and the display's own report of an
// earlier pointer move, read late, can have put it back there meanwhile.
constexpr DWORD kAt = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;

INPUT Mouse(DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = (x * 65536 + w - 1) / w;
    in.mi.dy = (y * 65536 + h - 1) / h;
    return in;
}

void Inject(std::vector<INPUT> events) { SendInput(UINT(events.size()), events.data(), sizeof(INPUT)); }

std::vector<INPUT> Modifiers(int modifiers, bool up) {
    std::vector<INPUT> events;
    for (auto [bit, vk] : {std::pair{kShift, VK_SHIFT}, std::pair{kCtrl, VK_CONTROL}, std::pair{kAlt, VK_MENU}})
        if (modifiers & bit) events.push_back(Key(WORD(vk), up));
    return events;
}

}  // namespace

bool Focus(HWND window) {
    SetForegroundWindow(window);
    return comm::test::PumpUntil([&] { return GetForegroundWindow() == window; }, 5000);
}

void Press(WORD vk, int modifiers) {
    std::vector<INPUT> events = Modifiers(modifiers, false);
    events.push_back(Key(vk, false));
    events.push_back(Key(vk, true));
    for (const INPUT& in : Modifiers(modifiers, true)) events.push_back(in);
    Inject(events);
}

void TypeLetters(const std::string& letters) {
    for (char c : letters) Press(WORD(std::toupper(static_cast<unsigned char>(c))));
}

void TypeText(const std::wstring& text) {
    std::vector<INPUT> events;
    for (wchar_t ch : text)
        for (bool up : {false, true}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = static_cast<WORD>(ch);
            in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            events.push_back(in);
        }
    Inject(events);
}

void MouseTo(int x, int y) {
    Inject({Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y)});
    // The display hears of the move (asking it where the pointer is waits for that), and
    // the program takes in what the display said of it: the pointer entering a window
    // brings the display's idea of the keyboard with it, which would let go of a modifier
    // pressed after the move if the program read it later.
    POINT p;
    GetCursorPos(&p);
    if (runningProgram) runningProgram->SettleDisplay();
}

void Click(int x, int y, int modifiers) {
    MouseTo(x, y);
    std::vector<INPUT> events = Modifiers(modifiers, false);
    events.push_back(Mouse(MOUSEEVENTF_LEFTDOWN | kAt, x, y));
    events.push_back(Mouse(MOUSEEVENTF_LEFTUP | kAt, x, y));
    for (const INPUT& in : Modifiers(modifiers, true)) events.push_back(in);
    Inject(events);
}

void Drag(int fromX, int fromY, int toX, int toY) {
    MouseTo(fromX, fromY);
    Inject({Mouse(MOUSEEVENTF_LEFTDOWN | kAt, fromX, fromY), Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, toX, toY - 1),
            Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, toX, toY), Mouse(MOUSEEVENTF_LEFTUP | kAt, toX, toY)});
}

RECT ControlRect(const ProbeState& state, const std::string& name) {
    RECT r{};
    std::sscanf(state.Str(name).c_str(), "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom);
    return r;
}

std::unique_ptr<TRegistry> Settings() {
    auto key = std::make_unique<TRegistry>();
    key->OpenKey(kSettingsKey, true);
    return key;
}

void DeleteSettings() { TRegistry().DeleteKey(kSettingsKey); }

std::string ToCp949(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), int(wide.size()))));
    std::string out(wide.size() * 2, '\0');
    out.resize(size_t(WideCharToMultiByte(949, 0, wide.data(), int(wide.size()), out.data(), int(out.size()),
                                          nullptr, nullptr)));
    return out;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

int Picture::Differences(const Picture& other) const {
    if (width != other.width || height != other.height) return width * height;
    int n = 0;
    for (size_t i = 0; i < pixels.size(); ++i) n += pixels[i] != other.pixels[i];
    return n;
}

void Picture::SaveBmp(const std::string& name) const {
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        std::copy_n(&pixels[size_t(y) * width], width, static_cast<uint32_t*>(b.ScanLine(y)));
    std::string dir = std::string(QUIRO_BINARY_DIR) + "/artifacts";
    CreateDirectoryA(dir.c_str(), nullptr);
    b.SaveToFile(dir + "/" + name);
}

Picture CaptureScreen(const RECT& r) {
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(b.Canvas()->Handle(), 0, 0, b.Width(), b.Height(), screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return ReadPixels(b);
}

Picture RenderConsole(const ProbeState& state) {
    ScreenModel screen;
    for (const ProbeLine& l : state.lines) screen.AppendLine(l.text, l.foreground, l.background);
    screen.CellWidth = state.Int("cellWidth");
    screen.CellHeight = state.Int("cellHeight");
    screen.FirstDisplayedLine = state.Int("firstDisplayedLine");
    ConsoleViewport view{state.Int("paintBoxWidth"), state.Int("paintBoxHeight"), 0};
    std::vector<PaintRun> runs;
    const PaintGeometry g = ViewGeometry(screen, view, state.Int("horizontalOffset"));
    PlanLinesPaint(screen, g, g.firstDisplayedLine, screen.LineCount() - 1, KeptRange{}, runs);
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(view.width, view.height);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(Colour(state.Int("viewBackground")));
    c->FillRect(RECT{0, 0, view.width, view.height});
    TDravelHanguel renderer;
    renderer.LoadBitmapFonts(nullptr);
    for (const PaintRun& run : runs) {
        c->Brush()->SetColor(Colour(run.background));
        c->Font()->SetColor(Colour(run.foreground));
        renderer.PaintText(c, run.x, run.y, screen.Text(run.line).substr(run.column, run.length));
    }
    return ReadPixels(b);
}

Picture ConsoleOnScreen(const ProbeState& state, const Picture& expected) {
    const RECT box{state.Int("paintBoxLeft"), state.Int("paintBoxTop"), state.Int("paintBoxLeft") + expected.width,
                   state.Int("paintBoxTop") + expected.height};
    Picture onScreen;
    comm::test::PumpUntil([&] { return (onScreen = CaptureScreen(box)).Differences(expected) == 0; }, 5000);
    return onScreen;
}

}  // namespace quiro::console::test
