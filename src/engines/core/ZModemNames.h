// File names announced by a ZModem sender, made safe to create inside the download
// directory on Windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quiro::engines {

// Longest name (in bytes) a received file gets; longer names are shortened, keeping the
// extension.
constexpr size_t MaxReceivedNameLength = 120;

// The name a received file is stored under, or "" when the announced name is refused.
// Only the last path component counts (after the last '/', '\' or ':'); "", "." and ".."
// are refused, and so are the DOS device names (CON, NUL, COM1, ...) with or without an
// extension. Control characters and <>:"/\|?* become '_', as do a leading '.' and
// trailing dots and spaces. Double-byte (KS C 5601) characters are kept whole.
std::string SafeReceivedName(std::string_view announced);

// "name_N.ext": another name for a received file when the first one is taken.
std::string NumberedName(const std::string& name, int n);

}  // namespace quiro::engines
