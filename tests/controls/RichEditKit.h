// A form with one rich edit for the rich edit tests, and Korean text written readably:
// K("한글") is the text in code page 949, as the control's ANSI window takes it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "controls/XcRichEd.h"
#include "framework/Forms.h"
#include "framework/Libraries.h"
#include "framework/UiTestKit.h"
#include "framework/core/TempDir.h"

inline std::string K(const char* utf8) {
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), static_cast<int>(wide.size()));
    const int n = WideCharToMultiByte(949, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(949, 0, wide.c_str(), -1, text.data(), n, nullptr, nullptr);
    text.resize(text.size() - 1);
    return text;
}

class RichEditForm : public ::testing::Test {
protected:
    void SetUp() override {
        StartLibraries();
        uitest::DrainQueue();
        app.OnException = [this](TComponent*, std::exception_ptr e) {
            errors.push_back(TApplication::ExceptionMessage(e));
        };
        form = app.CreateForm<TForm>();
        form->SetBounds(40, 40, 520, 340);
        edit = new TXcRichEdit(form);
        edit->SetParent(form);
        edit->SetBounds(8, 8, 480, 280);
        form->Show();
    }
    void TearDown() override {
        if (!errors.empty()) ADD_FAILURE() << errors.front();
    }
    // The whole text, paragraphs ending in CR as the window keeps them.
    std::string Text() { return edit->GetTextRange(0, edit->TextLength()); }
    void Select(int start, int end) { edit->SetSelection(start, end, false); }
    bool BoldAt(int pos) {
        Select(pos, pos + 1);
        return (edit->SelAttributes()->Style() & fsBold) != 0;
    }

    std::vector<std::string> errors;  // outlives the application
    TApplication app;
    TForm* form = nullptr;
    TXcRichEdit* edit = nullptr;
    TempDir dir;
};
