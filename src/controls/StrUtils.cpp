#include "controls/StrUtils.h"

#include <windows.h>

#include <vector>

#include "framework/Forms.h"

namespace {

int Compare(const std::string& a, const std::string& b, DWORD flags) {
    int r = CompareStringA(LOCALE_USER_DEFAULT, flags | SORT_STRINGSORT, a.data(),
                           static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
    return r == CSTR_LESS_THAN ? -1 : (r == CSTR_GREATER_THAN ? 1 : 0);
}

std::vector<std::string> Params() {
    std::vector<std::string> params;
    for (int i = 1; i <= ParamCount(); ++i) params.push_back(ParamStr(i));
    return params;
}

}  // namespace

int CompStr(const std::string& s1, const std::string& s2) {
    return Compare(s1, s2, 0);
}
int CompText(const std::string& s1, const std::string& s2) {
    return Compare(s1, s2, NORM_IGNORECASE);
}

std::string StrToOem(const std::string& s) {
    std::string out(s.size(), '\0');
    if (!s.empty()) CharToOemBuffA(s.data(), out.data(), static_cast<DWORD>(s.size()));
    return out;
}

std::string OemToAnsiStr(const std::string& s) {
    std::string out(s.size(), '\0');
    if (!s.empty()) OemToCharBuffA(s.data(), out.data(), static_cast<DWORD>(s.size()));
    return out;
}

bool FindCmdLineSwitch(std::string_view switchName, TCharSet chars, bool ignoreCase) {
    return FindCmdLineSwitch(Params(), switchName, chars, ignoreCase);
}

std::string GetCmdLineArg(std::string_view switchName, TCharSet switchChars) {
    return GetCmdLineArg(Params(), switchName, switchChars);
}
