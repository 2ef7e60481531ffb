// String, number and file-name helpers of the framework, over byte strings.
//
// Strings are std::string holding bytes in the Windows ANSI code page (949 for Korean): a
// double-byte character is two bytes of the string. Helpers that look at characters treat
// a lead byte 0x81..0xFE with a trail byte of code page 949 (0x41..0x5A, 0x61..0x7A,
// 0x81..0xFE) as one character and never split or change it (its trail byte may be an
// ASCII letter).
//
// Indexing: helpers that take or return a character position say so; positions are
// 1-based (the first byte is 1, 0 means "not found") exactly where marked "1-based".
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "framework/core/Exception.h"

// A conversion that failed: a text that is no number, a format that does not fit its
// arguments.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// The silent exception: it ends what is being done without any message (the application
// shows none for it).
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};
[[noreturn]] inline void Abort() { throw EAbort(); }

// Memory for a buffer could not be had.
class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory") {}
};

// A file or device input/output failure. ErrorCode is the error number of the failure
// (positive, as the system numbers them).
class EInOutError : public Exception {
 public:
  EInOutError(std::string message, int32_t errorCode)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  int32_t ErrorCode = 0;
};

// ---- Numbers ----------------------------------------------------------------------------

// Decimal text of an integer of any width.
template <std::integral T>
std::string IntToStr(T value) {
  return std::to_string(value);
}

namespace quiro::framework {
std::string IntToHexBits(uint64_t bits, int digits);
}  // namespace quiro::framework

// Upper-case hexadecimal text with at least `digits` digits (zero-padded), no prefix.
// Negative values show their two's-complement bits: 8 digits for 32-bit types, 16 for
// 64-bit ones (IntToHex(-1, 2) is "FFFFFFFF").
template <std::integral T>
std::string IntToHex(T value, int digits) {
  uint64_t bits = sizeof(T) <= 4 ? static_cast<uint32_t>(value) : static_cast<uint64_t>(value);
  return quiro::framework::IntToHexBits(bits, digits);
}

// Reads a 32-bit integer: leading blanks (bytes <= ' '), an optional sign, then decimal
// digits, or hexadecimal digits after "$" or "0x"; nothing may follow. Decimal values must
// lie in the signed 32-bit range; hexadecimal ones may use all 32 bits ("$FFFFFFFF" is -1).
// Throws EConvertError "'S' is not a valid integer value" otherwise (empty text, overflow).
int32_t StrToInt(std::string_view s);
// As StrToInt, with `fallback` instead of the exception.
int32_t StrToIntDef(std::string_view s, int32_t fallback);
// The same rules; false (and `value` untouched) when the text is not a valid integer.
bool TryStrToInt(std::string_view s, int32_t& value);

struct TFormatSettings;

// Reads a decimal floating-point number with the decimal separator of the settings (the
// program's FormatSettings() when not given) and an optional exponent; surrounding blanks
// allowed. Throws EConvertError "'S' is not a valid floating point value".
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& settings);
// The same rules; false (and `value` untouched) when the text is not a number.
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings);

enum TFloatFormat { ffGeneral, ffFixed };
// ffFixed: `digits` decimals (0..18), in plain notation while the integer part has at most
// `precision` digits, else as ffGeneral. ffGeneral: `precision` significant digits (1..18)
// without trailing zeros, scientific for very large or small values. The settings' decimal
// separator (FormatSettings() when not given) separates the decimals; "NAN", "INF" and
// "-INF" for the special values.
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings);

// ---- Format -----------------------------------------------------------------------------

// One argument of Format: an integer (with its width), a floating-point number, a byte
// string, a C string or a pointer. A char argument is stored as its byte value 0..255.
class FormatArg {
 public:
  enum class Kind { Signed, Unsigned, Float, String, Pointer };

  template <std::integral T>
  FormatArg(T v) {  // NOLINT(google-explicit-constructor)
    if constexpr (std::same_as<T, char> || std::same_as<T, signed char> ||
                  std::same_as<T, unsigned char>) {
      kind_ = Kind::Unsigned;
      u_ = static_cast<unsigned char>(v);
      wide_ = false;
    } else if constexpr (std::same_as<T, bool>) {
      kind_ = Kind::Unsigned;
      u_ = v ? 1 : 0;
      wide_ = false;
    } else if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::Signed;
      i_ = v;
      wide_ = sizeof(T) > 4;
    } else {
      kind_ = Kind::Unsigned;
      u_ = v;
      wide_ = sizeof(T) > 4;
    }
  }
  FormatArg(double v) : kind_(Kind::Float), f_(v) {}  // NOLINT
  FormatArg(const std::string& s) : kind_(Kind::String), s_(s) {}  // NOLINT
  FormatArg(std::string_view s) : kind_(Kind::String), s_(s) {}  // NOLINT
  FormatArg(const char* s) : kind_(Kind::String), s_(s ? std::string_view(s) : std::string_view()) {}  // NOLINT
  FormatArg(const void* p) : kind_(Kind::Pointer), p_(p) {}  // NOLINT

  Kind kind() const { return kind_; }
  int64_t asSigned() const { return i_; }
  uint64_t asUnsigned() const { return u_; }
  bool wide() const { return wide_; }  // more than 32 bits
  double asFloat() const { return f_; }
  std::string_view asString() const { return s_; }
  const void* asPointer() const { return p_; }

 private:
  Kind kind_;
  int64_t i_ = 0;
  uint64_t u_ = 0;
  bool wide_ = false;
  double f_ = 0;
  std::string_view s_;
  const void* p_ = nullptr;
};

// printf-like formatting into a byte string. A specifier is
//   % [flags] [width] [.precision] [length] type
// flags "-" (left-justify), "0" (pad numbers with zeros), "+", " "; width and precision
// are numbers or "*" (taken from the next argument); length letters (h, l, ll, L, z, j, t)
// are accepted and ignored, the argument's own type decides. Types: d i u x X o (integers;
// precision = minimum digits), c (one byte, also NUL), s (the whole byte string, NULs
// included; precision = at most that many bytes), e E f g G (floating point), p, and "%%".
// An unknown type, a missing argument, or an argument of the wrong kind throws
// EConvertError "Format 'F' invalid or incompatible with argument"; extra arguments are
// ignored.
std::string FormatV(std::string_view format, std::initializer_list<FormatArg> args);

template <typename... Args>
std::string Format(std::string_view format, const Args&... args) {
  return FormatV(format, {FormatArg(args)...});
}

// ---- Strings ----------------------------------------------------------------------------

// Whether s[i] and s[i + 1] form one double-byte character of code page 949: a lead byte
// 0x81..0xFE and a trail byte 0x41..0x5A, 0x61..0x7A or 0x81..0xFE. A lead byte before
// anything else stands alone, so that quotes and delimiters are never swallowed.
bool IsDoubleBytePair(std::string_view s, size_t i);

// Without leading and/or trailing bytes <= ' ' (blanks and control characters).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Case mapping of the ASCII letters; the two bytes of a double-byte character are kept.
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
// <0, 0 or >0 like a byte comparison of both strings after AnsiUpperCase: equal exactly
// when the strings differ only in the case of ASCII letters.
int AnsiCompareText(std::string_view a, std::string_view b);
// Case-sensitive byte comparison: <0, 0 or >0.
int AnsiCompareStr(std::string_view a, std::string_view b);

// 1-based position of the first `sub` in `s`; 0 when absent or when `sub` is empty.
int Pos(std::string_view sub, std::string_view s);
// `count` bytes of `s` from the 1-based position `index`; an index below 1 counts as 1, a
// range beyond the end is cut, a count below 1 or an index past the end gives "".
std::string Copy(std::string_view s, int index, int count);

// `s` between two `quote` bytes, each `quote` inside doubled.
std::string AnsiQuotedStr(std::string_view s, char quote);
// Reads a quoted text from the start of `src`: when `src` begins with `quote`, returns the
// text up to the closing quote with doubled quotes made single, and removes what it read
// from `src` (all of it when no closing quote follows). Otherwise returns "" and leaves
// `src` unchanged.
std::string AnsiExtractQuotedStr(std::string& src, char quote);

// ---- File names -------------------------------------------------------------------------
// Path delimiters are "\" and "/"; a drive ends with ":".

// The folder part with its trailing delimiter ("C:\dir\" of "C:\dir\a.txt"); "" for a bare
// name.
std::string ExtractFilePath(std::string_view fileName);
// The part after the last delimiter or drive colon.
std::string ExtractFileName(std::string_view fileName);
// The extension with its dot (".txt"); "" when the name part has no dot.
std::string ExtractFileExt(std::string_view fileName);

// Whether a file (not a folder) of that name exists.
bool FileExists(const std::string& fileName);
// Whether a folder of that name exists; a trailing delimiter is allowed.
bool DirectoryExists(const std::string& dirName);
