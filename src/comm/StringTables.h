// The library's string tables as resources of the program: RCDATA resources in the
// "STR0" format, read in place.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "comm/core/StringTables.h"

class TLinkStringResource {
 public:
  // Opens the named RCDATA resource of instance; throws ELinkStringResourceError when it
  // is missing, cannot be loaded or locked, or is not a sound table.
  TLinkStringResource(HINSTANCE instance, const std::string& resName);
  // Closes the current table and opens the named one; an empty name only closes.
  void ChangeResource(HINSTANCE instance, const std::string& resName);

  std::string GetString(int32_t ident) const { return table_.GetString(ident); }
  char* GetAsciiZ(int32_t ident, char* buffer, size_t bufSize) const { return table_.GetAsciiZ(ident, buffer, bufSize); }
  char16_t* GetWideChar(int32_t ident, char16_t* buffer, size_t bufChars) const {
    return table_.GetWideChar(ident, buffer, bufChars);
  }
  void SetReportMissing(bool on) { table_.ReportMissing = on; }
  const TStr0Table& Table() const { return table_; }
  const std::string& Name() const { return name_; }

 private:
  TStr0Table table_;
  std::string name_;
};

// The readers the library keeps for the program's life (null when the program carries
// no such resource). Made by InitLinkLibrary.
const TLinkStringResource* LinkErrorStrings();
const TLinkStringResource* ReaderStrings();
