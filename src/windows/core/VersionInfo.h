// The about box's version line from a program's version resource (the block that
// GetFileVersionInfo gives): the first language and code page of "\VarFileInfo\Translation"
// choose the string table "\StringFileInfo\LLLLCCCC" (four hexadecimal digits each), whose
// "FileVersion" is the version shown.
//
// The block is a tree of nodes, each: its length, its value's length (in characters for a
// text value, else in bytes), its type (1 text, 0 binary), its key as a NUL-ended UTF-16
// string, the value and the children, each part starting on a 32-bit boundary of the block.
// Keys compare without regard to case. Anything cut short or out of bounds ends the walk.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The FileVersion text (up to its NUL); std::nullopt when the block has no translation,
// no such string table or no such value.
std::optional<std::u16string> FindFileVersion(std::span<const uint8_t> block);

// "Version " and the version, or "Version UNKNOWN" without one. The version comes as the
// program's ANSI text.
std::string AboutVersionCaption(const std::optional<std::string>& version);
