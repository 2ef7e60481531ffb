// STR0 string tables and their text source from arbitrary bytes: a damaged table must be
// refused, a sound one read without ever leaving its bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "comm/core/CommErrors.h"
#include "comm/core/StringTables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> blob(data, data + size);  // exact size, so ASan sees any overrun
  try {
    TStr0Table table(blob);
    char ascii[8];
    char16_t wide[8];
    for (int32_t id : {0, 1, 2, 3007, -1, 0x7FFFFFFF}) {
      table.GetString(id);
      table.GetAsciiZ(id, ascii, sizeof ascii);
      table.GetWideChar(id, wide, 8);
    }
  } catch (const ELinkStringResourceError&) {
  }
  std::vector<TStringSection> sections;
  std::string error;
  if (ParseStringSource(std::string(data, data + size), sections, error))
    for (const auto& s : sections) {
      std::vector<uint8_t> built = BuildStr0Table(s.Rows);
      TStr0Table back(built);
      for (const auto& row : s.Rows) {
        std::u16string text;
        if (!back.Find(row.first, text) || text != row.second) __builtin_trap();
      }
    }
  return 0;
}
