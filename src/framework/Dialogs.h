// Message boxes of the program's windows, with the captions they use.
#pragma once

#include <windows.h>

#include <string>

inline constexpr char kCaptionError[] = " Quiro 2: Error";
inline constexpr char kCaptionWarning[] = " Quiro 2: Warning";
inline constexpr char kCaptionQuestion[] = " Quiro 2: Question";
// The capture editor's.
inline constexpr char kCaptionEditorConfirm[] = " Confirm";
inline constexpr char kCaptionEditorError[] = " ERROR";
inline constexpr char kCaptionEditorInfo[] = " Info";

// A message box over the active window (through the application object when there is
// one); returns the button pressed (IDOK, IDYES, ...).
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);
// An information box captioned with the application's title.
void ShowMessage(const std::string& text);
