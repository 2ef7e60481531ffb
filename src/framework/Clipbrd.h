// TClipboard: text on the system clipboard, as ANSI bytes (CF_TEXT) or as Unicode
// (CF_UNICODETEXT). The system converts between the two through the code page of the
// text's locale; AnsiToWide and WideToAnsi do the same conversions for the program's own
// code (the console's paste converts Unicode text through its code page).
#pragma once

#include <windows.h>

#include <string>

#include "framework/core/Exception.h"

class EClipboardException : public Exception {
public:
    using Exception::Exception;
};

class TClipboard {
public:
    TClipboard();
    ~TClipboard();
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    // Opening nests; EClipboardException "Cannot open clipboard" when another program
    // keeps it open.
    void Open();
    void Close();
    void Clear();
    bool HasFormat(UINT format) const;

    // CF_TEXT: the bytes up to the first NUL; empty when there is no text.
    std::string AsText();
    void SetAsText(const std::string& text);
    // CF_UNICODETEXT.
    std::wstring AsUnicodeText();
    void SetAsUnicodeText(const std::wstring& text);

private:
    void SetBuffer(UINT format, const void* data, size_t size);
    std::string GetBuffer(UINT format);

    HWND FWindow = nullptr;
    int FOpenCount = 0;
    bool FEmptied = false;
};

// The program's clipboard object (made on first use).
TClipboard* Clipboard();

// MultiByteToWideChar / WideCharToMultiByte over whole strings (code page 0 is the ANSI
// code page). `usedDefault`, when given, tells whether a character had no equivalent.
std::wstring AnsiToWide(const std::string& text, UINT codePage = CP_ACP, DWORD flags = 0);
std::string WideToAnsi(const std::wstring& text, UINT codePage = CP_ACP,
                       bool* usedDefault = nullptr);
