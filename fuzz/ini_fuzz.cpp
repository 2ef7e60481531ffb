// Profile file text as a damaged or hand-edited file may hold it: parsed, written out and
// parsed again, the file must read the same; the address book and the key map readers
// must take whatever it holds without failing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "console/core/AddressBookFile.h"
#include "console/core/KeyMapFile.h"
#include "framework/core/MemIniStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MemIniStore file = MemIniStore::Parse(text);
    const MemIniStore again = MemIniStore::Parse(file.Serialize());
    if (file.Serialize() != again.Serialize()) std::abort();
    for (const std::string& section : file.ListSections()) {
        for (const std::string& key : file.ListKeys(section)) {
            if (file.ReadValue(section, key) != again.ReadValue(section, key)) std::abort();
        }
        const auto entry = LoadHostEntry(file, section);
        if (!entry) std::abort();
        if (entry->MemoLines.size() > file.ListKeys(section).size()) std::abort();
    }
    for (const KeyMapKey& k : KeyMapKeys()) {
        for (int variant = 0; variant <= 2; ++variant) {
            (void)ReadKeyMapText(file, k.code, variant, KeyMapReader::Console);
        }
    }
    return 0;
}
