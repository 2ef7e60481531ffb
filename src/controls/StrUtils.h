// String routines that ask the system: locale comparison, OEM conversion and the
// program's own command line. The portable ones are in controls/core/StrUtils.h.
#pragma once

#include <string>
#include <string_view>

#include "controls/core/StrUtils.h"

// -1, 0 or 1 by the user's locale (word sort off: CompareString with SORT_STRINGSORT);
// CompText ignores case.
int CompStr(const std::string& s1, const std::string& s2);
int CompText(const std::string& s1, const std::string& s2);
// The same length, converted to / from the OEM code page.
std::string StrToOem(const std::string& s);
std::string OemToAnsiStr(const std::string& s);
// Over the program's command-line parameters (ParamStr 1..ParamCount).
bool FindCmdLineSwitch(std::string_view switchName, TCharSet chars, bool ignoreCase);
std::string GetCmdLineArg(std::string_view switchName, TCharSet switchChars);
