// The small INI interface that the program's own files (the address book and the key map)
// are read and written through.
//
// The product implements it with the Windows private-profile functions (TIniFile), so
// the files behave exactly as they always have; MemIniStore implements it in memory with
// the same observable rules, for tests and for any code that works on file text.
//
// Rules every implementation follows:
//   - section and key names are matched without regard to ASCII case (double-byte
//     characters of the code page are compared as they stand) and are trimmed of blanks;
//   - a value is read trimmed of surrounding blanks, then with one pair of matching
//     surrounding quotes (" or ') removed;
//   - a missing key reads as "missing", distinct from a key with an empty value;
//   - sections and keys are listed in file order; rewriting a key keeps its place, a new
//     key goes to the end of its section, a new section to the end of the file;
//   - every write says whether it reached the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IIniStore {
public:
    virtual ~IIniStore() = default;

    // Value of `key` in `section`; std::nullopt when the section or the key is missing.
    virtual std::optional<std::string> ReadValue(std::string_view section,
                                                 std::string_view key) const = 0;
    // Sets `key` in `section`, creating either as needed. False when it could not be written.
    virtual bool WriteValue(std::string_view section, std::string_view key,
                            std::string_view value) = 0;
    // Removes `section` with all its keys. A missing section is no failure.
    virtual bool DeleteSection(std::string_view section) = 0;
    // Removes `key` from `section`. A missing key is no failure.
    virtual bool DeleteKey(std::string_view section, std::string_view key) = 0;
    // Names of all sections, in file order.
    virtual std::vector<std::string> ListSections() const = 0;
    // Names of the keys of `section`, in file order; empty when the section is missing.
    virtual std::vector<std::string> ListKeys(std::string_view section) const = 0;

    // True when `section` is among ListSections() (an empty section exists too).
    bool HasSection(std::string_view section) const;

    // Whether values are read by the rules above (trimmed, one pair of quotes off), as
    // profile files do; a store in the registry gives them back as they were written.
    virtual bool TrimsValues() const { return true; }
};

// Helpers for the rules above, shared by the implementations and by the files' own code.

// True when `c` is a blank that profile files trim (space, tab, CR, LF, VT, FF).
bool IsIniBlank(char c);
// `s` without leading and trailing blanks.
std::string_view TrimIni(std::string_view s);
// True when two section or key names match by the rules above: trimmed, ASCII letters
// without regard to case; the trail byte of a double-byte character (lead byte 0x81-0xFE)
// is compared as it stands, as it is no letter.
bool SameIniName(std::string_view a, std::string_view b);
// The form of a name that SameIniName compares: trimmed, ASCII letters in lower case, the
// trail byte of a double-byte character as it stands. Two names match when their folded
// forms are equal, so a store can index its names by it.
std::string FoldIniName(std::string_view name);
// What a read gives for the stored text `raw`: trimmed, then one pair of matching quotes off.
std::string_view UnquoteIniValue(std::string_view raw);

// The text to write so that a value reads back exactly as given, or std::nullopt when no
// text can (the value holds a line break or a NUL). A value that would lose surrounding
// blanks or quotes on reading is written inside double quotes, which the reader removes;
// every other value is written as it stands.
std::optional<std::string> EncodeIniValue(std::string_view value);

// Full name of the file `fileName` in `folder`; a backslash is put between them unless the
// folder is empty or already ends in a backslash or a slash.
std::string IniFilePath(std::string_view folder, std::string_view fileName);
