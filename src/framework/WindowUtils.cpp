#include "framework/WindowUtils.h"

#include <algorithm>
#include <map>
#include <vector>

#include "framework/core/Exception.h"

namespace {

const char kUtilClass[] = "QuiroUtilWindow";

LRESULT CALLBACK UtilWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lparam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        delete method;
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
    if (!method || !*method || msg == WM_NCCREATE || msg == WM_CREATE)
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    TMessage m{msg, wparam, lparam, 0};
    GuardCallback([&] { (*method)(m); });
    return m.Result;
}

// Per subclassed window: its original procedure and the chain of subclasses.
struct SubclassChain {
    WNDPROC original = nullptr;
    std::vector<TWindowSubclass*> chain;
};
std::map<HWND, SubclassChain>& Chains() {
    static std::map<HWND, SubclassChain> chains;
    return chains;
}

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
    static bool registered = false;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &UtilWndProc;
        wc.hInstance = inst;
        wc.lpszClassName = kUtilClass;
        if (!RegisterClassA(&wc)) throw Exception("Cannot register the utility window class");
        registered = true;
    }
    auto* stored = new TWndMethod(std::move(method));
    HWND h = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, inst, stored);
    if (!h) {
        delete stored;
        throw Exception("Cannot create a utility window (error " +
                        std::to_string(GetLastError()) + ")");
    }
    return h;
}

void DeallocateHWnd(HWND wnd) {
    if (wnd) DestroyWindow(wnd);
}

void DefaultUtilMessage(HWND wnd, TMessage& message) {
    message.Result = DefWindowProcA(wnd, message.Msg, message.WParam, message.LParam);
}

LRESULT CALLBACK QuiroSubclassProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto& chains = Chains();
    auto it = chains.find(hwnd);
    if (it == chains.end()) return DefWindowProcA(hwnd, msg, wparam, lparam);
    WNDPROC original = it->second.original;
    if (it->second.chain.empty()) {
        // Every subclass left while a foreign one still called us: we only pass messages on,
        // and forget the window with its last message.
        if (msg == WM_NCDESTROY) chains.erase(it);
        return CallWindowProcA(original, hwnd, msg, wparam, lparam);
    }
    TWindowSubclass* top = it->second.chain.back();
    TMessage m{msg, wparam, lparam, 0};
    GuardCallback([&] { top->FHandler(m); });
    if (msg == WM_NCDESTROY) {
        // The window is gone: detach everything that still points at it.
        auto again = chains.find(hwnd);
        if (again != chains.end()) {
            for (TWindowSubclass* s : again->second.chain) s->FWnd = nullptr;
            chains.erase(again);
        }
    }
    return m.Result;
}

TWindowSubclass::TWindowSubclass(TWndMethod handler) : FHandler(std::move(handler)) {}

TWindowSubclass::~TWindowSubclass() { Detach(); }

void TWindowSubclass::Attach(HWND wnd) {
    Detach();
    if (!wnd) return;
    auto& chains = Chains();
    auto it = chains.find(wnd);
    if (it == chains.end()) {
        SubclassChain c;
        c.original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC));
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&QuiroSubclassProc));
        it = chains.emplace(wnd, std::move(c)).first;
    }
    it->second.chain.push_back(this);
    FWnd = wnd;
}

void TWindowSubclass::Detach() {
    if (!FWnd) return;
    auto& chains = Chains();
    auto it = chains.find(FWnd);
    if (it != chains.end()) {
        auto& v = it->second.chain;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        if (v.empty() &&
            reinterpret_cast<WNDPROC>(GetWindowLongPtrA(FWnd, GWLP_WNDPROC)) == &QuiroSubclassProc) {
            SetWindowLongPtrA(FWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.original));
            chains.erase(it);
        }
    }
    FWnd = nullptr;
}

void TWindowSubclass::CallPrevious(TMessage& message) {
    HWND wnd = FWnd;
    if (!wnd) return;
    auto& chains = Chains();
    auto it = chains.find(wnd);
    if (it == chains.end()) return;
    auto& v = it->second.chain;
    auto pos = std::find(v.begin(), v.end(), this);
    size_t index = static_cast<size_t>(pos - v.begin());
    if (pos != v.end() && index > 0) {
        TWindowSubclass* below = v[index - 1];
        below->FHandler(message);
        return;
    }
    message.Result = CallWindowProcA(it->second.original, wnd, message.Msg, message.WParam,
                                     message.LParam);
}

BOOL CALLBACK QuiroDisableWindow(HWND hwnd, LPARAM lparam) {
    auto* self = reinterpret_cast<TDisabledWindows*>(lparam);
    if (hwnd != self->FExcept && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        // No exception may leave the system's enumeration; a window that could not be
        // noted for enabling again afterwards stays enabled.
        bool noted = false;
        GuardCallback([&] {
            self->FWindows.push_back(hwnd);
            noted = true;
        });
        if (noted) EnableWindow(hwnd, FALSE);
    }
    return TRUE;
}

TDisabledWindows::TDisabledWindows(HWND except) : FExcept(except) {
    EnumThreadWindows(GetCurrentThreadId(), &QuiroDisableWindow, reinterpret_cast<LPARAM>(this));
}

void TDisabledWindows::Restore() {
    for (HWND h : FWindows)
        if (IsWindow(h)) EnableWindow(h, TRUE);
    FWindows.clear();
}
