// The PCF font reader of tools/fontgen on damaged font files: an error, never a read past
// the data or an unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "../tools/fontgen/PcfFont.cpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PcfFont font;
    if (font.Parse(std::vector<uint8_t>(data, data + size))) {
        for (unsigned code = 0; code < 0x10000; code += 0x101) {
            if (const PcfGlyph* g = font.Find(code)) {
                if (g->pixels.size() != static_cast<size_t>(g->Columns()) * g->Rows()) std::abort();
            }
        }
    }
    return 0;
}
