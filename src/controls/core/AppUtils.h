// The portable half of the application utilities: reading and writing values through an
// INI file or a registry key (any IIniStore; a null store reads defaults and writes
// nothing), the texts of a window placement, and names of files and keys. The Win32 half
// (form placement itself, default sections of components) is controls/AppUtils.h.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "framework/core/ControlMath.h"
#include "framework/core/IniStore.h"

class TStrings;

std::string IniReadString(const IIniStore* store, std::string_view section, std::string_view key,
                          const std::string& fallback);
// Into a store that trims and unquotes what it reads (an INI file), a value that would
// not read back as written is put in one more pair of double quotes; a registry store
// takes it as it is. False when the store could not write it.
bool IniWriteString(IIniStore* store, std::string_view section, std::string_view key,
                    std::string_view value);
// A number as StrToInt reads it; `fallback` when missing or no number.
int IniReadInteger(const IIniStore* store, std::string_view section, std::string_view key,
                   int fallback);
bool IniWriteInteger(IIniStore* store, std::string_view section, std::string_view key, int value);
// Any number but 0 is true; written as "1" or "0".
bool IniReadBool(const IIniStore* store, std::string_view section, std::string_view key,
                 bool fallback);
bool IniWriteBool(IIniStore* store, std::string_view section, std::string_view key, bool value);
bool IniEraseSection(IIniStore* store, std::string_view section);
bool IniDeleteKey(IIniStore* store, std::string_view section, std::string_view key);
// The section names (the list is cleared first).
void IniReadSections(const IIniStore* store, TStrings* sections);

// Line breaks (CR LF, LF CR, CR or LF) as the two characters "\n", and back (to CR LF).
// A text longer than 4096 characters throws Exception "Line too long".
std::string StrToIniStr(std::string_view str);
std::string IniStrToStr(std::string_view str);

// ---- Window placement texts -------------------------------------------------------------

inline constexpr char kPlacementFlags[] = "Flags";
inline constexpr char kPlacementShowCmd[] = "ShowCmd";
inline constexpr char kPlacementPixels[] = "PixelsPerInch";
inline constexpr char kPlacementMinMaxPos[] = "MinMaxPos";
inline constexpr char kPlacementNormPos[] = "NormPos";

// "%d,%d,%d,%d".
std::string FormatPlacementNumbers(const std::array<int, 4>& numbers);
// Four integers separated by blanks or commas; a missing or unreadable one takes its
// fallback.
std::array<int, 4> ParsePlacementNumbers(std::string_view text, const std::array<int, 4>& fallback);
// The key for one screen size: key + "(WxH)".
std::string ScreenSizeKey(std::string_view key, int screenWidth, int screenHeight);

// The state a stored show command asks for: 1, 5, 9 normal; 2, 6, 7 minimised; 3
// maximised; any other `fallback`.
TWindowState WindowStateFromShowCmd(int showCmd, TWindowState fallback);

// ---- Names ------------------------------------------------------------------------------

// The program's file name with the extension ".INI", without its folder.
std::string DefaultIniName(std::string_view exePath);
// "Software\" + company + "\" (when there is one) + the program's name without extension,
// or `title` when `useTitle`.
std::string DefaultIniRegKey(std::string_view exePath, std::string_view company,
                             std::string_view title, bool useTitle);
// The first name Format(mask, [N]) for N = 0, 1, ... that does not exist in `path`; ""
// when none below 2^31 is free or the mask does not fit a number. A mask that uses no
// number has one name to offer.
std::string GetUniqueFileNameInDir(std::string_view path, std::string_view mask);
