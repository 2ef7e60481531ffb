// Splitting a Windows command line into arguments, as the program's ParamStr sees them.
#pragma once

#include <string>
#include <vector>

namespace quiro::framework {

// Splits `line` by the Windows rules: blanks separate arguments; double quotes group
// blanks and are removed; 2n backslashes before a quote give n backslashes and the quote
// acts; 2n+1 give n backslashes and a literal quote; other backslashes are literal.
// Element 0 is the program itself.
std::vector<std::string> SplitCommandLine(const std::string& line);

}  // namespace quiro::framework
