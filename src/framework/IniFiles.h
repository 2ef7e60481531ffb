// TIniFile: an INI file read and written through the Windows private-profile functions,
// so that files behave exactly as the system treats them (its cache included: a second
// TIniFile over the same file sees every write of the first at once).
//
// Section and key names are trimmed of blanks before they reach the system. A file name
// without a folder means a file in the Windows folder, as for the system functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/Exception.h"
#include "framework/core/IniStore.h"

class TStrings;

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TIniFile : public IIniStore {
public:
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return FFileName; }

    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& fallback) const;
    // A number as StrToInt reads it ("$" or "0x" for hexadecimal); `fallback` when missing
    // or not a number.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // Any integer but 0 is true; `fallback` when missing or not a number.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
    // These throw EIniFileException "Unable to write to FILE" when the file cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Section names / key names of a section, in file order, into `strings` (cleared first).
    void ReadSections(TStrings* strings) const;
    void ReadSection(std::string_view section, TStrings* strings) const;
    bool SectionExists(std::string_view section) const { return HasSection(section); }
    bool ValueExists(std::string_view section, std::string_view key) const;
    void EraseSection(std::string_view section);
    // Writes the system's cached copy of the file to disk.
    void UpdateFile();
    // The system's reason why the last write that failed did ("" when none has).
    const std::string& WriteFailure() const { return FWriteFailure; }

    // IIniStore
    std::optional<std::string> ReadValue(std::string_view section,
                                         std::string_view key) const override;
    bool WriteValue(std::string_view section, std::string_view key,
                    std::string_view value) override;
    bool DeleteSection(std::string_view section) override;
    bool DeleteKey(std::string_view section, std::string_view key) override;
    std::vector<std::string> ListSections() const override;
    std::vector<std::string> ListKeys(std::string_view section) const override;

private:
    [[noreturn]] void WriteError() const;
    // `ok`, noting the system's reason when it is false.
    bool Written(bool ok);

    std::string FFileName;
    std::string FWriteFailure;
};
