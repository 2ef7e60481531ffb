// String routines of the controls library, on byte strings with 1-based positions (0 means
// "none"). A set of characters (word delimiters, "empty" characters) is given as a
// string_view holding its members.
//
// Every routine takes any argument without looping for ever or dividing by zero: an empty
// search text replaces nothing, a position outside the text finds nothing, a number base
// outside 2..36 is an EConvertError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using TCharSet = std::string_view;

// The blanks most callers mean: space, tab, CR, LF.
inline constexpr TCharSet kSpaceChars = " \t\r\n";

// ---- Trimming, filling and building -----------------------------------------------------

// `n` copies of `c` ("" when n < 1).
std::string MakeStr(char c, int n);
inline std::string MS(char c, int n) {
    return MakeStr(c, n);
}
// `s` padded with `c` on the left (AddChar) or the right (AddCharR) to length `n`; unchanged
// when not shorter.
std::string AddChar(char c, std::string_view s, int n);
std::string AddCharR(char c, std::string_view s, int n);
// Blank-padded to `n` on the right / left; never cut.
std::string LeftStr(std::string_view s, int n);
std::string RightStr(std::string_view s, int n);
// `s` centred in `len` blanks; `s` when it is not shorter.
std::string CenterStr(std::string_view s, int len);
// Without any space / any `chr`.
std::string DelSpace(std::string_view s);
std::string DelChars(std::string_view s, char chr);
// Without leading (B), trailing (E) or both (R) spaces; only the space character counts.
std::string DelBSpace(std::string_view s);
std::string DelESpace(std::string_view s);
std::string DelRSpace(std::string_view s);
// Every run of spaces made one space.
std::string DelSpace1(std::string_view s);
// Every tab replaced by `numb` spaces (no tab stops).
std::string Tab2Space(std::string_view s, int numb);
// Every `srch` replaced, left to right; a replacement is not searched again. An empty
// `srch` replaces nothing.
std::string ReplaceStr(std::string_view s, std::string_view srch, std::string_view replace);
// A "," before every group of three characters from the right, never in front.
std::string Numb2USA(std::string_view s);
// `s` in `quote`s with inner quotes doubled; the inverse for a text that starts with
// `quote` (any other text is returned as it is).
std::string QuotedString(std::string_view s, char quote);
std::string ExtractQuotedString(std::string_view s, char quote);
// Lower case, then the first character of every word upper case.
std::string AnsiProperCase(std::string_view s, TCharSet wordDelims);

// ---- Searching and comparing ------------------------------------------------------------

// True when `s` is empty or holds only characters of `emptyChars`.
bool IsEmptyStr(std::string_view s, TCharSet emptyChars);
// Position of the n-th `c` in `s`, each search starting one past the previous hit.
int NPos(std::string_view c, std::string_view s, int n);
// `s` up to, not including, the first `symb` (all of `s` without one).
std::string Copy2Symb(std::string_view s, char symb);
// As Copy2Symb; `s` keeps the rest from `symb` on, without leading spaces.
std::string Copy2SymbDel(std::string& s, char symb);
std::string Copy2Space(std::string_view s);
std::string Copy2SpaceDel(std::string& s);
// Position of `helpWilds` in `inputStr`, where "?" matches any one character.
int FindPart(std::string_view helpWilds, std::string_view inputStr);
// Whether `inputStr` matches `wilds`: "?" is any one character, "*" any run (also none).
bool IsWild(std::string_view inputStr, std::string_view wilds, bool ignoreCase);
// Whether some word of `s` is `w`.
bool IsWordPresent(std::string_view w, std::string_view s, TCharSet wordDelims);

// ---- Words: maximal runs of characters outside `wordDelims` -----------------------------

int WordCount(std::string_view s, TCharSet wordDelims);
// Position of word `n` (from 1); 0 without one.
int WordPosition(int n, std::string_view s, TCharSet wordDelims);
std::string ExtractWord(int n, std::string_view s, TCharSet wordDelims);
// Word `n` and its position in `pos` (0 without one).
std::string ExtractWordPos(int n, std::string_view s, TCharSet wordDelims, int& pos);
// Field `n`: every delimiter ends a field, so empty fields count.
std::string ExtractDelimited(int n, std::string_view s, TCharSet delims);
// The characters from `pos` to the next delimiter (or the end); `pos` moves past it. A
// `pos` below 1 reads from the start, one past the end gives "".
std::string ExtractSubstr(std::string_view s, int& pos, TCharSet delims);

// ---- Numbers ----------------------------------------------------------------------------

std::string Dec2Hex(int32_t n, int digits);
inline std::string D2H(int32_t n, int digits) {
    return Dec2Hex(n, digits);
}
// `s` as hexadecimal, with or without "$"; 0 when it is none.
int32_t Hex2Dec(std::string_view s);
inline int32_t H2D(std::string_view s) {
    return Hex2Dec(s);
}
// `n` in base `b` (digits 0-9 then A-Z), zero-padded to `digits`; "" for a negative `n`.
// A base outside 2..36 throws EConvertError.
std::string Dec2Numb(int32_t n, int digits, int b);
// `s` read in base `b`, upper-cased: a character above "@" counts as its code - 55, any
// other as its code - 48 (not checked against the base).
int32_t Numb2Dec(std::string_view s, int b);
// The `digits` (at most 32) low bits of `value` from the highest, a blank before each bit
// position (counted from `digits` down to 1) that is a multiple of `spaces`; no blanks
// when `spaces` is below 1.
std::string IntToBin(int32_t value, int digits, int spaces);
// Roman numerals; "" below 1. Reading: letters in either case, a smaller before a larger
// value subtracts, a leading "-" negates, any other character gives 0.
std::string IntToRoman(int32_t value);
int32_t RomanToInt(std::string_view s);

// ---- Command line -----------------------------------------------------------------------

// Whether a parameter (after its first character) is `switchName`; with `chars` not empty
// it must also start with one of them and be at least two long. `params` are the
// parameters without the program.
bool FindCmdLineSwitch(const std::vector<std::string>& params, std::string_view switchName,
                       TCharSet chars, bool ignoreCase);
// The parameter after the first matching switch (case ignored); "" without one.
std::string GetCmdLineArg(const std::vector<std::string>& params, std::string_view switchName,
                          TCharSet switchChars);
