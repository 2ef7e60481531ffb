// File and folder names as the file utilities judge and shape them (Windows rules, on
// byte strings; "\" and "/" both separate folders).
#pragma once

#include <string>
#include <string_view>

// A folder name ready for a file name to be appended: a trailing backslash added unless
// the name is empty or ends in ":" or "\"; a lone drive letter becomes "X:\".
std::string NormalDir(std::string_view dirName);
// Without one trailing backslash, except for a drive root ("C:\") and a name of one
// character.
std::string RemoveBackSlash(std::string_view dirName);
// Whether a file name (with or without folders) is one the system can create: not empty;
// no control character and none of < > " | ? *; a ":" only after a leading drive letter;
// no folder or file called like a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any
// extension); a last part that is not empty and not "." or "..".
bool ValidFileName(std::string_view fileName);
