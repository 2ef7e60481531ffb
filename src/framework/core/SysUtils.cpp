#include "framework/core/SysUtils.h"

#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "framework/core/DateTime.h"

bool IsDoubleBytePair(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return false;
  unsigned char lead = static_cast<unsigned char>(s[i]);
  unsigned char trail = static_cast<unsigned char>(s[i + 1]);
  return lead >= 0x81 && lead <= 0xFE &&
         ((trail >= 0x41 && trail <= 0x5A) || (trail >= 0x61 && trail <= 0x7A) || (trail >= 0x81 && trail <= 0xFE));
}

namespace {

bool IsBlank(unsigned char b) { return b <= ' '; }

int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <typename Map>
std::string MapAsciiCase(std::string_view s, Map map) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsDoubleBytePair(out, i)) {
      ++i;  // keep the pair
    } else {
      out[i] = static_cast<char>(map(static_cast<unsigned char>(out[i])));
    }
  }
  return out;
}

unsigned char Upper(unsigned char b) { return (b >= 'a' && b <= 'z') ? b - 32 : b; }
unsigned char Lower(unsigned char b) { return (b >= 'A' && b <= 'Z') ? b + 32 : b; }

// 0-based index of the last byte of `s` that is one of `delims` and is not the trail byte
// of a double-byte character; npos when none.
size_t LastDelimiter(std::string_view delims, std::string_view s) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsDoubleBytePair(s, i)) {
      ++i;
      continue;
    }
    if (delims.find(s[i]) != std::string_view::npos) found = i;
  }
  return found;
}

constexpr std::string_view kPathDelims = "\\/:";

[[noreturn]] void BadInteger(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

}  // namespace

namespace quiro::framework {

std::string IntToHexBits(uint64_t bits, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  char buf[16];
  int n = 0;
  do {
    buf[n++] = kHex[bits & 15];
    bits >>= 4;
  } while (bits != 0);
  std::string out;
  if (digits > n) out.assign(static_cast<size_t>(digits - n), '0');
  while (n > 0) out.push_back(buf[--n]);
  return out;
}

}  // namespace quiro::framework

// ---- Numbers ----------------------------------------------------------------------------

bool TryStrToInt(std::string_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && IsBlank(static_cast<unsigned char>(s[i])) && s[i] != '\0') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return false;
  uint64_t magnitude = 0;
  const uint64_t limit = hex ? 0xFFFFFFFFull : 0x80000000ull;
  for (; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int d = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (d < 0) return false;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (magnitude > limit) return false;
  }
  int64_t v = hex ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(magnitude)))
                  : static_cast<int64_t>(magnitude);
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v = 0;
  if (!TryStrToInt(s, v)) BadInteger(s);
  return v;
}

int32_t StrToIntDef(std::string_view s, int32_t fallback) {
  int32_t v = fallback;
  return TryStrToInt(s, v) ? v : fallback;
}

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings) {
  std::string_view t = s;
  while (!t.empty() && IsBlank(static_cast<unsigned char>(t.front()))) t.remove_prefix(1);
  while (!t.empty() && IsBlank(static_cast<unsigned char>(t.back()))) t.remove_suffix(1);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  // The locale's separator stands where the C library's "." goes; a "." is then no longer
  // part of a number.
  std::string text(t);
  for (char& c : text) {
    if (c == settings.DecimalSeparator) c = '.';
    else if (c == '.') return false;
  }
  // Only digits and the separator may start the number (after a minus): no "inf" or "nan".
  size_t first = (!text.empty() && text.front() == '-') ? 1 : 0;
  if (first >= text.size() || !((text[first] >= '0' && text[first] <= '9') || text[first] == '.'))
    return false;
  double v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = v;
  return true;
}

bool TryStrToFloat(std::string_view s, double& value) { return TryStrToFloat(s, value, FormatSettings()); }

double StrToFloat(std::string_view s, const TFormatSettings& settings) {
  double v = 0;
  if (!TryStrToFloat(s, v, settings))
    throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return v;
}

double StrToFloat(std::string_view s) { return StrToFloat(s, FormatSettings()); }

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  precision = precision < 1 ? 1 : (precision > 18 ? 18 : precision);
  digits = digits < 0 ? 0 : (digits > 18 ? 18 : digits);
  char buf[64];
  if (format == ffFixed && std::fabs(value) < std::pow(10.0, precision)) {
    std::snprintf(buf, sizeof buf, "%.*f", digits, value);
  } else {
    std::snprintf(buf, sizeof buf, "%.*G", precision, value);
  }
  std::string out(buf);
  for (char& c : out)
    if (c == '.') c = settings.DecimalSeparator;
  return out;
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

// ---- Format -----------------------------------------------------------------------------

namespace {

struct Spec {
  bool left = false, zero = false, plus = false, space = false, alt = false;
  int width = 0;
  int precision = -1;  // none
  char type = 0;
};

constexpr int kMaxFieldWidth = 1 << 16;

class Formatter {
 public:
  Formatter(std::string_view format, std::initializer_list<FormatArg> args)
      : format_(format), args_(args.begin(), args.end()) {}

  std::string Run() {
    size_t i = 0;
    while (i < format_.size()) {
      char c = format_[i++];
      if (c != '%') {
        out_.push_back(c);
        continue;
      }
      if (i < format_.size() && format_[i] == '%') {
        out_.push_back('%');
        ++i;
        continue;
      }
      Spec spec = Parse(i);
      Emit(spec);
    }
    return out_;
  }

 private:
  [[noreturn]] void Fail() const {
    throw EConvertError("Format '" + std::string(format_) + "' invalid or incompatible with argument");
  }

  const FormatArg& NextArg() {
    if (next_ >= args_.size()) Fail();
    return args_[next_++];
  }

  int Number(size_t& i) {
    if (i < format_.size() && format_[i] == '*') {
      ++i;
      const FormatArg& a = NextArg();
      if (a.kind() == FormatArg::Kind::Signed) {
        int64_t v = a.asSigned();
        if (v < -kMaxFieldWidth || v > kMaxFieldWidth) Fail();
        return static_cast<int>(v);
      }
      if (a.kind() == FormatArg::Kind::Unsigned && a.asUnsigned() <= kMaxFieldWidth)
        return static_cast<int>(a.asUnsigned());
      Fail();
    }
    int v = 0;
    while (i < format_.size() && format_[i] >= '0' && format_[i] <= '9') {
      v = v * 10 + (format_[i++] - '0');
      if (v > kMaxFieldWidth) Fail();
    }
    return v;
  }

  Spec Parse(size_t& i) {
    Spec spec;
    for (; i < format_.size(); ++i) {
      char f = format_[i];
      if (f == '-') spec.left = true;
      else if (f == '0') spec.zero = true;
      else if (f == '+') spec.plus = true;
      else if (f == ' ') spec.space = true;
      else if (f == '#') spec.alt = true;
      else break;
    }
    spec.width = Number(i);
    if (spec.width < 0) {  // a negative "*" width means left-justified
      spec.left = true;
      spec.width = -spec.width;
    }
    if (i < format_.size() && format_[i] == '.') {
      ++i;
      spec.precision = Number(i);
      if (spec.precision < 0) spec.precision = -1;
    }
    while (i < format_.size() && std::string_view("hlLzjtq").find(format_[i]) != std::string_view::npos) ++i;
    if (i >= format_.size()) Fail();
    spec.type = format_[i++];
    return spec;
  }

  void Pad(const std::string& prefix, const std::string& body, const Spec& spec, bool zeroPad) {
    size_t len = prefix.size() + body.size();
    size_t fill = static_cast<size_t>(spec.width) > len ? static_cast<size_t>(spec.width) - len : 0;
    if (spec.left) {
      out_ += prefix;
      out_ += body;
      out_.append(fill, ' ');
    } else if (zeroPad) {
      out_ += prefix;
      out_.append(fill, '0');
      out_ += body;
    } else {
      out_.append(fill, ' ');
      out_ += prefix;
      out_ += body;
    }
  }

  void EmitInteger(const Spec& spec, const FormatArg& a) {
    bool isSigned = a.kind() == FormatArg::Kind::Signed;
    if (!isSigned && a.kind() != FormatArg::Kind::Unsigned) Fail();
    bool negative = false;
    uint64_t bits;
    char t = spec.type;
    if (t == 'd' || t == 'i') {
      if (isSigned && a.asSigned() < 0) {
        negative = true;
        bits = 0 - static_cast<uint64_t>(a.asSigned());
      } else {
        bits = isSigned ? static_cast<uint64_t>(a.asSigned()) : a.asUnsigned();
      }
    } else {
      bits = isSigned ? static_cast<uint64_t>(a.asSigned()) : a.asUnsigned();
      if (!a.wide()) bits &= 0xFFFFFFFFull;
    }
    unsigned base = (t == 'x' || t == 'X') ? 16 : (t == 'o' ? 8 : 10);
    const char* digitSet = t == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string digits;
    for (uint64_t v = bits; v != 0; v /= base) digits.insert(digits.begin(), digitSet[v % base]);
    if (spec.precision < 0 && digits.empty()) digits = "0";
    if (spec.precision > 0 && digits.size() < static_cast<size_t>(spec.precision))
      digits.insert(0, static_cast<size_t>(spec.precision) - digits.size(), '0');
    std::string prefix;
    if (negative) prefix = "-";
    else if ((t == 'd' || t == 'i') && spec.plus) prefix = "+";
    else if ((t == 'd' || t == 'i') && spec.space) prefix = " ";
    if (spec.alt && bits != 0 && base == 16) prefix += t == 'X' ? "0X" : "0x";
    if (spec.alt && base == 8 && (digits.empty() || digits[0] != '0')) digits.insert(0, "0");
    Pad(prefix, digits, spec, spec.zero && spec.precision < 0 && !spec.left);
  }

  void EmitFloat(const Spec& spec, const FormatArg& a) {
    if (a.kind() != FormatArg::Kind::Float) Fail();
    std::string f = "%";
    if (spec.left) f += '-';
    if (spec.zero) f += '0';
    if (spec.plus) f += '+';
    if (spec.space) f += ' ';
    if (spec.alt) f += '#';
    f += std::to_string(spec.width);
    if (spec.precision >= 0) f += "." + std::to_string(spec.precision);
    f += spec.type;
    int n = std::snprintf(nullptr, 0, f.c_str(), a.asFloat());
    if (n < 0) Fail();
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::snprintf(buf.data(), buf.size(), f.c_str(), a.asFloat());
    out_.append(buf.data(), static_cast<size_t>(n));
  }

  void Emit(const Spec& spec) {
    switch (spec.type) {
      case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
        EmitInteger(spec, NextArg());
        break;
      case 'c': {
        const FormatArg& a = NextArg();
        uint64_t v;
        if (a.kind() == FormatArg::Kind::Signed) v = static_cast<uint64_t>(a.asSigned());
        else if (a.kind() == FormatArg::Kind::Unsigned) v = a.asUnsigned();
        else Fail();
        Pad("", std::string(1, static_cast<char>(v & 0xFF)), spec, false);
        break;
      }
      case 's': {
        const FormatArg& a = NextArg();
        if (a.kind() != FormatArg::Kind::String) Fail();
        std::string_view s = a.asString();
        if (spec.precision >= 0 && s.size() > static_cast<size_t>(spec.precision))
          s = s.substr(0, static_cast<size_t>(spec.precision));
        Pad("", std::string(s), spec, false);
        break;
      }
      case 'e': case 'E': case 'f': case 'g': case 'G':
        EmitFloat(spec, NextArg());
        break;
      case 'p': {
        const FormatArg& a = NextArg();
        if (a.kind() != FormatArg::Kind::Pointer) Fail();
        Pad("", quiro::framework::IntToHexBits(reinterpret_cast<uintptr_t>(a.asPointer()),
                                               static_cast<int>(sizeof(void*) * 2)),
            spec, false);
        break;
      }
      default:
        Fail();
    }
  }

  std::string_view format_;
  std::vector<FormatArg> args_;
  size_t next_ = 0;
  std::string out_;
};

}  // namespace

std::string FormatV(std::string_view format, std::initializer_list<FormatArg> args) {
  return Formatter(format, args).Run();
}

// ---- Strings ----------------------------------------------------------------------------

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && IsBlank(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

std::string AnsiUpperCase(std::string_view s) { return MapAsciiCase(s, Upper); }
std::string AnsiLowerCase(std::string_view s) { return MapAsciiCase(s, Lower); }

int AnsiCompareText(std::string_view a, std::string_view b) {
  int r = AnsiUpperCase(a).compare(AnsiUpperCase(b));
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  size_t p = s.find(sub);
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

std::string Copy(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  if (count < 1 || static_cast<size_t>(index) > s.size()) return {};
  return std::string(s.substr(static_cast<size_t>(index) - 1, static_cast<size_t>(count)));
}

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string out(1, quote);
  for (size_t i = 0; i < s.size(); ++i) {
    out.push_back(s[i]);
    if (IsDoubleBytePair(s, i)) out.push_back(s[++i]);
    else if (s[i] == quote) out.push_back(quote);
  }
  out.push_back(quote);
  return out;
}

std::string AnsiExtractQuotedStr(std::string& src, char quote) {
  if (src.empty() || src[0] != quote) return {};
  std::string out;
  size_t i = 1;
  while (i < src.size()) {
    if (IsDoubleBytePair(src, i)) {
      out.append(src, i, 2);
      i += 2;
    } else if (src[i] == quote) {
      if (i + 1 < src.size() && src[i + 1] == quote) {
        out.push_back(quote);
        i += 2;
      } else {
        ++i;  // the closing quote
        break;
      }
    } else {
      out.push_back(src[i++]);
    }
  }
  src.erase(0, i);
  return out;
}

// ---- File names -------------------------------------------------------------------------

std::string ExtractFilePath(std::string_view fileName) {
  size_t i = LastDelimiter(kPathDelims, fileName);
  return i == std::string_view::npos ? std::string() : std::string(fileName.substr(0, i + 1));
}

std::string ExtractFileName(std::string_view fileName) {
  size_t i = LastDelimiter(kPathDelims, fileName);
  return std::string(i == std::string_view::npos ? fileName : fileName.substr(i + 1));
}

std::string ExtractFileExt(std::string_view fileName) {
  size_t i = LastDelimiter(".\\/:", fileName);
  if (i == std::string_view::npos || fileName[i] != '.') return {};
  return std::string(fileName.substr(i));
}

namespace {

enum class EntryKind { None, File, Directory };

EntryKind Probe(std::string name) {
  // The C library of the target refuses a folder name with a trailing delimiter, except a
  // root ("C:\", "/").
  while (name.size() > 1 && (name.back() == '\\' || name.back() == '/') &&
         !(name.size() == 3 && name[1] == ':'))
    name.pop_back();
  if (name.empty() || name.find('\0') != std::string::npos) return EntryKind::None;
  struct stat st {};
  if (stat(name.c_str(), &st) != 0) return EntryKind::None;
  return (st.st_mode & S_IFMT) == S_IFDIR ? EntryKind::Directory : EntryKind::File;
}

}  // namespace

bool FileExists(const std::string& fileName) {
  // A name with a trailing delimiter never names a file.
  if (!fileName.empty() && (fileName.back() == '\\' || fileName.back() == '/')) return false;
  return Probe(fileName) == EntryKind::File;
}

bool DirectoryExists(const std::string& dirName) { return Probe(dirName) == EntryKind::Directory; }
