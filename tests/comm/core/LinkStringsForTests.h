// The program's own error table, built from its text source, installed for LinkLoadStr.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "comm/core/StringTables.h"

namespace quiro::comm::test {

inline std::vector<uint8_t> BuildTableFromSource(const std::string& name) {
  std::ifstream in(std::string(QUIRO_SOURCE_DIR) + "/src/comm/LinkStrings.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<TStringSection> sections;
  std::string error;
  if (!ParseStringSource(text.str(), sections, error)) return {};
  for (auto& s : sections)
    if (s.Name == name) return BuildStr0Table(s.Rows);
  return {};
}

// Installs the error table for the life of the object.
class ErrorTableScope {
 public:
  ErrorTableScope() : blob_(BuildTableFromSource("LINK_ERROR_STRINGS_ENGLISH")), table_(blob_) {
    SetLinkErrorTable(&table_);
  }
  ~ErrorTableScope() { SetLinkErrorTable(nullptr); }
  const TStr0Table& Table() const { return table_; }

 private:
  std::vector<uint8_t> blob_;
  TStr0Table table_;
};

}  // namespace quiro::comm::test
