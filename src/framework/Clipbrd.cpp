#include "framework/Clipbrd.h"

#include <cstring>
#include <memory>

#include "framework/WindowUtils.h"

TClipboard::TClipboard() = default;

TClipboard::~TClipboard() {
    if (FOpenCount > 0) CloseClipboard();
    if (FWindow) DeallocateHWnd(FWindow);
}

void TClipboard::Open() {
    if (FOpenCount++ > 0) return;
    if (!FWindow) {
        FWindow = AllocateHWnd([this](TMessage& m) { DefaultUtilMessage(FWindow, m); });
    }
    // Another program may hold the clipboard for a moment.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(FWindow)) {
            FEmptied = false;
            return;
        }
        Sleep(5);
    }
    FOpenCount = 0;
    throw EClipboardException("Cannot open clipboard");
}

void TClipboard::Close() {
    if (FOpenCount == 0) return;
    if (--FOpenCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
    Open();
    EmptyClipboard();
    FEmptied = true;
    Close();
}

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != 0; }

void TClipboard::SetBuffer(UINT format, const void* data, size_t size) {
    Open();
    struct Closer {
        TClipboard* c;
        ~Closer() { c->Close(); }
    } closer{this};
    if (!FEmptied) {
        EmptyClipboard();
        FEmptied = true;
    }
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!mem) throw EClipboardException("Not enough memory for the clipboard");
    void* p = GlobalLock(mem);
    if (!p) {
        GlobalFree(mem);
        throw EClipboardException("Not enough memory for the clipboard");
    }
    std::memcpy(p, data, size);
    GlobalUnlock(mem);
    if (!SetClipboardData(format, mem)) {
        GlobalFree(mem);
        throw EClipboardException("Cannot put data on the clipboard");
    }
}

std::string TClipboard::GetBuffer(UINT format) {
    Open();
    struct Closer {
        TClipboard* c;
        ~Closer() { c->Close(); }
    } closer{this};
    HANDLE h = GetClipboardData(format);
    if (!h) return std::string();
    const void* p = GlobalLock(h);
    if (!p) return std::string();
    std::string bytes(static_cast<const char*>(p), GlobalSize(h));
    GlobalUnlock(h);
    return bytes;
}

std::string TClipboard::AsText() {
    std::string s = GetBuffer(CF_TEXT);
    size_t end = s.find('\0');
    if (end != std::string::npos) s.resize(end);
    return s;
}

void TClipboard::SetAsText(const std::string& text) {
    SetBuffer(CF_TEXT, text.c_str(), text.size() + 1);
}

std::wstring TClipboard::AsUnicodeText() {
    std::string bytes = GetBuffer(CF_UNICODETEXT);
    std::wstring s(bytes.size() / sizeof(wchar_t), L'\0');
    if (!s.empty()) std::memcpy(s.data(), bytes.data(), s.size() * sizeof(wchar_t));
    size_t end = s.find(L'\0');
    if (end != std::wstring::npos) s.resize(end);
    return s;
}

void TClipboard::SetAsUnicodeText(const std::wstring& text) {
    SetBuffer(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

TClipboard* Clipboard() {
    static std::unique_ptr<TClipboard> clipboard = std::make_unique<TClipboard>();
    return clipboard.get();
}

std::wstring AnsiToWide(const std::string& text, UINT codePage, DWORD flags) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                            out.data(), n);
    return out;
}

std::string WideToAnsi(const std::wstring& text, UINT codePage, bool* usedDefault) {
    if (usedDefault) *usedDefault = false;
    if (text.empty()) return std::string();
    BOOL used = FALSE;
    // UTF-7 and UTF-8 take no default-character flag.
    BOOL* usedPtr = (codePage == CP_UTF8 || codePage == CP_UTF7) ? nullptr : &used;
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, usedPtr);
    if (usedDefault) *usedDefault = used != 0;
    return out;
}
