#include "controls/core/StrUtils.h"

#include <algorithm>

#include "framework/core/SysUtils.h"

namespace {

bool In(TCharSet set, char c) {
    return set.find(c) != TCharSet::npos;
}

size_t Len(std::string_view s) {
    return s.size();
}

// Start (0-based) and length of word n (from 1); npos when there is none.
size_t FindWord(int n, std::string_view s, TCharSet delims, size_t& length) {
    int count = 0;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && In(delims, s[i])) ++i;
        if (i == s.size()) break;
        size_t start = i;
        while (i < s.size() && !In(delims, s[i])) ++i;
        if (++count == n) {
            length = i - start;
            return start;
        }
    }
    length = 0;
    return std::string_view::npos;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Whether `piece` ("?" = any character) matches `s` of the same length.
bool PieceMatches(std::string_view piece, std::string_view s) {
    if (s.size() != piece.size()) return false;
    for (size_t k = 0; k < piece.size(); ++k)
        if (piece[k] != '?' && piece[k] != s[k]) return false;
    return true;
}

}  // namespace

// ---- Trimming, filling and building -----------------------------------------------------

std::string MakeStr(char c, int n) {
    return n < 1 ? std::string() : std::string(static_cast<size_t>(n), c);
}

std::string AddChar(char c, std::string_view s, int n) {
    std::string out(s);
    if (n > 0 && Len(s) < static_cast<size_t>(n)) out.insert(0, static_cast<size_t>(n) - Len(s), c);
    return out;
}

std::string AddCharR(char c, std::string_view s, int n) {
    std::string out(s);
    if (n > 0 && Len(s) < static_cast<size_t>(n)) out.append(static_cast<size_t>(n) - Len(s), c);
    return out;
}

std::string LeftStr(std::string_view s, int n) {
    return AddCharR(' ', s, n);
}
std::string RightStr(std::string_view s, int n) {
    return AddChar(' ', s, n);
}

std::string CenterStr(std::string_view s, int len) {
    const int length = static_cast<int>(s.size());
    if (len <= length) return std::string(s);
    std::string out = MakeStr(' ', len / 2 - length / 2);
    out += s;
    return AddCharR(' ', out, len);
}

std::string DelSpace(std::string_view s) {
    return DelChars(s, ' ');
}

std::string DelChars(std::string_view s, char chr) {
    std::string out;
    for (char c : s)
        if (c != chr) out += c;
    return out;
}

std::string DelBSpace(std::string_view s) {
    size_t b = s.find_first_not_of(' ');
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string DelESpace(std::string_view s) {
    size_t e = s.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string DelRSpace(std::string_view s) {
    return DelBSpace(DelESpace(s));
}

std::string DelSpace1(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

std::string Tab2Space(std::string_view s, int numb) {
    return ReplaceStr(s, "\t", MakeStr(' ', numb));
}

std::string ReplaceStr(std::string_view s, std::string_view srch, std::string_view replace) {
    if (srch.empty()) return std::string(s);
    std::string out;
    size_t from = 0;
    for (size_t hit; (hit = s.find(srch, from)) != std::string_view::npos;
         from = hit + srch.size()) {
        out.append(s.substr(from, hit - from));
        out.append(replace);
    }
    out.append(s.substr(from));
    return out;
}

std::string Numb2USA(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i > 0 && (s.size() - i) % 3 == 0) out += ',';
        out += s[i];
    }
    return out;
}

std::string QuotedString(std::string_view s, char quote) {
    return AnsiQuotedStr(s, quote);
}

std::string ExtractQuotedString(std::string_view s, char quote) {
    if (s.empty() || s[0] != quote) return std::string(s);
    std::string text(s);
    return AnsiExtractQuotedStr(text, quote);
}

std::string AnsiProperCase(std::string_view s, TCharSet wordDelims) {
    std::string out = AnsiLowerCase(s);
    bool wordStart = true;
    for (size_t i = 0; i < out.size(); ++i) {
        if (In(wordDelims, out[i])) {
            wordStart = true;
            continue;
        }
        if (IsDoubleBytePair(out, i)) {
            ++i;
        } else if (wordStart) {
            out[i] = Upper(out[i]);
        }
        wordStart = false;
    }
    return out;
}

// ---- Searching and comparing ------------------------------------------------------------

bool IsEmptyStr(std::string_view s, TCharSet emptyChars) {
    return std::all_of(s.begin(), s.end(), [&](char c) { return In(emptyChars, c); });
}

int NPos(std::string_view c, std::string_view s, int n) {
    if (c.empty() || n < 1) return 0;
    size_t from = 0;
    for (int k = 1;; ++k) {
        size_t hit = s.find(c, from);
        if (hit == std::string_view::npos) return 0;
        if (k == n) return static_cast<int>(hit) + 1;
        from = hit + 1;
    }
}

std::string Copy2Symb(std::string_view s, char symb) {
    return std::string(s.substr(0, s.find(symb)));
}

std::string Copy2SymbDel(std::string& s, char symb) {
    size_t at = s.find(symb);
    std::string head = s.substr(0, at);
    s = at == std::string::npos ? std::string() : DelBSpace(std::string_view(s).substr(at));
    return head;
}

std::string Copy2Space(std::string_view s) {
    return Copy2Symb(s, ' ');
}
std::string Copy2SpaceDel(std::string& s) {
    return Copy2SymbDel(s, ' ');
}

int FindPart(std::string_view helpWilds, std::string_view inputStr) {
    if (helpWilds.empty() || helpWilds.size() > inputStr.size()) return 0;
    for (size_t i = 0; i + helpWilds.size() <= inputStr.size(); ++i)
        if (PieceMatches(helpWilds, inputStr.substr(i, helpWilds.size())))
            return static_cast<int>(i) + 1;
    return 0;
}

bool IsWild(std::string_view inputStr, std::string_view wilds, bool ignoreCase) {
    if (inputStr == wilds) return true;
    std::string w(wilds);
    for (size_t at; (at = w.find("**")) != std::string::npos;) w.erase(at, 1);
    if (w == "*") return true;
    std::string in(inputStr);
    if (ignoreCase) {
        in = AnsiUpperCase(in);
        w = AnsiUpperCase(w);
    }
    if (in.empty() || w.empty()) return false;
    size_t ci = 0, cw = 0;
    while (ci < in.size() && cw < w.size()) {
        if (w[cw] == '*') {
            // The literal piece up to the next "*" ("?" still matches anything).
            size_t next = w.find('*', cw + 1);
            std::string_view piece = std::string_view(w).substr(
                cw + 1, next == std::string::npos ? std::string::npos : next - cw - 1);
            if (piece.empty()) return true;  // a "*" at the end takes the rest
            std::string_view rest = std::string_view(in).substr(ci);
            if (next == std::string::npos)  // the last piece ends the input
                return rest.size() >= piece.size() &&
                       PieceMatches(piece, rest.substr(rest.size() - piece.size()));
            int found = FindPart(piece, rest);
            if (found == 0) return false;
            ci += static_cast<size_t>(found) - 1 + piece.size();
            cw = next;
        } else if (w[cw] == '?' || w[cw] == in[ci]) {
            ++ci;
            ++cw;
        } else {
            return false;
        }
    }
    // The input is used up: what is left of the pattern may only be stars.
    return ci == in.size() && w.find_first_not_of('*', cw) == std::string::npos;
}

bool IsWordPresent(std::string_view w, std::string_view s, TCharSet wordDelims) {
    for (int n = 1;; ++n) {
        size_t length;
        size_t at = FindWord(n, s, wordDelims, length);
        if (at == std::string_view::npos) return false;
        if (s.substr(at, length) == w) return true;
    }
}

// ---- Words ------------------------------------------------------------------------------

int WordCount(std::string_view s, TCharSet wordDelims) {
    int count = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if (!In(wordDelims, s[i]) && (i == 0 || In(wordDelims, s[i - 1]))) ++count;
    return count;
}

int WordPosition(int n, std::string_view s, TCharSet wordDelims) {
    size_t length;
    size_t at = FindWord(n, s, wordDelims, length);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string ExtractWord(int n, std::string_view s, TCharSet wordDelims) {
    int pos;
    return ExtractWordPos(n, s, wordDelims, pos);
}

std::string ExtractWordPos(int n, std::string_view s, TCharSet wordDelims, int& pos) {
    size_t length;
    size_t at = FindWord(n, s, wordDelims, length);
    pos = at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
    return at == std::string_view::npos ? std::string() : std::string(s.substr(at, length));
}

std::string ExtractDelimited(int n, std::string_view s, TCharSet delims) {
    if (n < 1) return {};
    size_t start = 0;
    for (int field = 1; field < n; ++field) {
        while (start < s.size() && !In(delims, s[start])) ++start;
        if (start >= s.size()) return {};
        ++start;  // past the delimiter that ends this field
    }
    size_t end = start;
    while (end < s.size() && !In(delims, s[end])) ++end;
    return std::string(s.substr(start, end - start));
}

std::string ExtractSubstr(std::string_view s, int& pos, TCharSet delims) {
    size_t i = pos < 1 ? 0 : static_cast<size_t>(pos) - 1;
    if (i >= s.size()) {
        pos = static_cast<int>(s.size()) + 1;
        return {};
    }
    size_t end = i;
    while (end < s.size() && !In(delims, s[end])) ++end;
    pos = static_cast<int>(end) + 2;
    if (end == s.size()) pos = static_cast<int>(s.size()) + 1;
    return std::string(s.substr(i, end - i));
}

// ---- Numbers ----------------------------------------------------------------------------

std::string Dec2Hex(int32_t n, int digits) {
    return IntToHex(n, digits);
}

int32_t Hex2Dec(std::string_view s) {
    if (!s.empty() && s[0] == '$') return StrToIntDef(s, 0);
    return StrToIntDef("$" + std::string(s), 0);
}

std::string Dec2Numb(int32_t n, int digits, int b) {
    if (b < 2 || b > 36) throw EConvertError(Format("Invalid number base %d", b));
    if (n < 0) return {};
    static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string out;
    auto v = static_cast<uint32_t>(n);
    do {
        out.insert(out.begin(), kDigits[v % static_cast<uint32_t>(b)]);
        v /= static_cast<uint32_t>(b);
    } while (v != 0);
    return AddChar('0', out, digits);
}

int32_t Numb2Dec(std::string_view s, int b) {
    uint32_t v = 0;  // wraps like the 32-bit sum it is
    for (char c : AnsiUpperCase(s)) {
        auto code = static_cast<unsigned char>(c);
        v = v * static_cast<uint32_t>(b) + (code > 64 ? code - 55u : code - 48u);
    }
    return static_cast<int32_t>(v);
}

std::string IntToBin(int32_t value, int digits, int spaces) {
    if (digits > 32) digits = 32;
    std::string out;
    for (int position = digits; position >= 1; --position) {
        if (spaces >= 1 && position % spaces == 0) out += ' ';
        out += ((static_cast<uint32_t>(value) >> (position - 1)) & 1u) ? '1' : '0';
    }
    return out;
}

std::string IntToRoman(int32_t value) {
    static const struct {
        int value;
        const char* text;
    } kNumerals[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
                     {90, "XC"},  {50, "L"},   {40, "XL"}, {10, "X"},   {9, "IX"},
                     {5, "V"},    {4, "IV"},   {1, "I"}};
    std::string out;
    for (const auto& n : kNumerals)
        for (; value >= n.value; value -= n.value) out += n.text;
    return out;
}

int32_t RomanToInt(std::string_view s) {
    auto valueOf = [](char c) {
        switch (Upper(c)) {
            case 'I':
                return 1;
            case 'V':
                return 5;
            case 'X':
                return 10;
            case 'L':
                return 50;
            case 'C':
                return 100;
            case 'D':
                return 500;
            case 'M':
                return 1000;
            default:
                return 0;
        }
    };
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.remove_prefix(1);
    int64_t total = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        int v = valueOf(s[i]);
        if (v == 0) return 0;
        int next = i + 1 < s.size() ? valueOf(s[i + 1]) : 0;
        total += next > v ? -v : v;
        if (total > INT32_MAX) return 0;
    }
    return static_cast<int32_t>(negative ? -total : total);
}

// ---- Command line -----------------------------------------------------------------------

namespace {

bool IsSwitch(const std::string& param, std::string_view switchName, TCharSet chars,
              bool ignoreCase) {
    if (param.empty()) return false;
    if (!chars.empty() && (param.size() < 2 || !In(chars, param[0]))) return false;
    std::string_view name = std::string_view(param).substr(1);
    return ignoreCase ? AnsiCompareText(name, switchName) == 0 : name == switchName;
}

}  // namespace

bool FindCmdLineSwitch(const std::vector<std::string>& params, std::string_view switchName,
                       TCharSet chars, bool ignoreCase) {
    return std::any_of(params.begin(), params.end(), [&](const std::string& p) {
        return IsSwitch(p, switchName, chars, ignoreCase);
    });
}

std::string GetCmdLineArg(const std::vector<std::string>& params, std::string_view switchName,
                          TCharSet switchChars) {
    for (size_t i = 0; i < params.size(); ++i)
        if (IsSwitch(params[i], switchName, switchChars, true))
            return i + 1 < params.size() ? params[i + 1] : std::string();
    return {};
}
