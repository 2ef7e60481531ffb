// The capture editor on its own, under a main window of the test's: the host records what
// the editor sends and asks of it; message boxes the editor shows are answered and noted.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <exception>
#include <string>
#include <vector>

#include "controls/RichEditKit.h"  // K(): Korean text in code page 949
#include "framework/Libraries.h"
#include "framework/Timers.h"
#include "framework/UiTestKit.h"
#include "windows/Edit.h"

class FakeEditorHost : public EditorHost {
public:
    bool PortOpen() override { return open; }
    bool SendEnterAsCrLf() override { return crlf; }
    void SendUserText(const std::string& bytes) override { sent += bytes; }
    void SetCaptureButton(bool down) override { captureButton = down; }
    void SetHexCapture(bool on) override { hexCapture = on; }
    TForm* MainWindow() override { return main; }
    void ShowCharacterTable(uint16_t syllable) override { tables.push_back(syllable); }
    unsigned char MapKeyToUSLayout(unsigned char ch, bool) override { return ch; }

    bool open = false;
    bool crlf = false;
    bool captureButton = true;
    bool hexCapture = false;
    std::string sent;
    std::vector<uint16_t> tables;
    TForm* main = nullptr;
};

struct BoxSeen {
    std::string caption, text;
};

class EditorFixture : public ::testing::Test {
protected:
    static BOOL CALLBACK NoteBox(HWND h, LPARAM lp) {
        char cls[16] = {};
        GetClassNameA(h, cls, sizeof cls);
        if (std::string(cls) != "#32770" || !IsWindowVisible(h)) return TRUE;
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }

    void SetUp() override {
        StartLibraries();
        uitest::DrainQueue();
        app.OnException = [this](TComponent*, std::exception_ptr e) {
            errors.push_back(TApplication::ExceptionMessage(e));
        };
        main = app.CreateForm<TForm>();
        main->SetBounds(60, 40, 600, 300);
        main->Show();
        host.main = main;
        editor = new TEditMainForm(main, host);
        font.SetName(K("굴림체"));
        font.SetSize(12);
        font.SetCharset(HANGEUL_CHARSET);
        font.SetColor(clNavy);
        EditorSettings s;
        s.font = &font;
        s.keyboardLayout = 1;
        s.marginLeft = 20;
        s.marginTop = 10;
        editor->ApplySettings(s);
        editor->GlueEditorToConsole();
        editor->Show();
        edit = editor->CED_REDIT_Editor;
        SetForegroundWindow(editor->Handle());
        edit->SetFocus();
        uitest::Pump();
    }
    void TearDown() override {
        if (!errors.empty()) ADD_FAILURE() << errors.front();
        if (!answers.empty()) ADD_FAILURE() << answers.size() << " answers left for boxes that never came";
    }

    std::string Text() { return edit->GetTextRange(0, edit->TextLength()); }
    void Caret(int at) { edit->SetSelection(at, at, false); }
    // A key as the keyboard makes it: down and up through the loop, translated there.
    void Key(WORD vk, TShiftState shift = 0) { uitest::PressKey(vk, shift, edit->Handle()); }
    void Letters(const std::string& letters) {
        for (char c : letters) Key(static_cast<WORD>(c >= 'a' && c <= 'z' ? c - 32 : c));
    }

    // Runs `act` while a timer answers each message box the thread shows with the next of
    // `answers` (noting what it said).
    void WithBoxes(const std::function<void()>& act) {
        TTimer timer;
        timer.SetInterval(30);
        timer.SetOnTimer([this](TComponent*) {
            HWND box = nullptr;
            EnumThreadWindows(GetCurrentThreadId(), &NoteBox, reinterpret_cast<LPARAM>(&box));
            if (!box || box == lastBox) return;
            lastBox = box;
            BoxSeen seen;
            char text[512] = {};
            GetWindowTextA(box, text, sizeof text);
            seen.caption = text;
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            seen.text = text;
            boxes.push_back(seen);
            int answer = IDCANCEL;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        });
        act();
        uitest::Pump();
    }

    std::vector<std::string> errors;  // outlives the application
    TApplication app;
    TForm* main = nullptr;
    FakeEditorHost host;
    TFont font;
    TEditMainForm* editor = nullptr;
    TXcRichEdit* edit = nullptr;
    TempDir dir;
    std::deque<int> answers;
    std::vector<BoxSeen> boxes;
    HWND lastBox = nullptr;
};
