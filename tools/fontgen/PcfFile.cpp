// Reading a font file from disk, compressed or not (kept apart from the parser so that the
// parser builds without zlib).
#include <zlib.h>

#include "PcfFont.h"

namespace {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    // gzread passes uncompressed files through unchanged.
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t buffer[65536];
    int n;
    while ((n = gzread(f, buffer, sizeof buffer)) > 0) out.insert(out.end(), buffer, buffer + n);
    bool ok = n == 0;
    gzclose(f);
    return ok;
}

}  // namespace

bool PcfFont::Load(const std::string& path) {
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path, file)) return Fail("cannot read " + path);
    if (!Parse(file)) {
        error_ = path + ": " + error_;
        return false;
    }
    return true;
}
