// Drives a modal dialog of the library as a user would: a timer of this thread, served by
// the dialog's own message loop, finds the dialog by its caption once it shows and acts on
// its controls with the controls' own messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quiro::comm::test {

class TDialogDriver {
 public:
  TDialogDriver(std::string caption, std::function<void(HWND dialog)> act)
      : caption_(std::move(caption)), act_(std::move(act)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &TDialogDriver::Tick);
  }
  ~TDialogDriver() {
    if (timer_) KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  TDialogDriver(const TDialogDriver&) = delete;
  TDialogDriver& operator=(const TDialogDriver&) = delete;
  bool Acted() const { return acted_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TDialogDriver* self = current_;
    if (!self || self->acted_) return;
    HWND dialog = FindWindowA(nullptr, self->caption_.c_str());
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, self->timer_);
    self->timer_ = 0;
    self->acted_ = true;
    self->act_(dialog);
  }
  static inline TDialogDriver* current_ = nullptr;
  std::string caption_;
  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
  bool acted_ = false;
};

inline HWND Control(HWND dialog, const char* className, const char* text = nullptr) {
  return FindWindowExA(dialog, nullptr, className, text);
}

inline std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  int n = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::string text(size_t(SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(i), 0)), '\0');
    SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()));
    items.push_back(text);
  }
  return items;
}

inline std::string ComboSelection(HWND combo) {
  int i = int(SendMessageA(combo, CB_GETCURSEL, 0, 0));
  return i < 0 ? std::string() : ComboItems(combo)[size_t(i)];
}

inline void Press(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

// Selects the item of that text and presses OK; without such an item, Cancel (false).
inline bool ChooseAndPress(HWND combo, const std::string& item, HWND ok, HWND cancel) {
  LRESULT i = SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(item.c_str()));
  if (i == CB_ERR) {
    Press(cancel);
    return false;
  }
  SendMessageA(combo, CB_SETCURSEL, WPARAM(i), 0);
  Press(ok);
  return true;
}

}  // namespace quiro::comm::test
