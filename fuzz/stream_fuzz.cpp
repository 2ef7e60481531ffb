// The rich edit's stream normaliser on random bytes read in random pieces into random
// capacities: what it gives equals the whole input normalised at once, no call before the
// end gives nothing, no call gives more than asked, and no piece ends inside a double-byte
// character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/core/RichStream.h"
#include "framework/core/SysUtils.h"

namespace {

std::string Reference(const uint8_t* data, size_t size, size_t unit) {
    std::vector<uint16_t> units;
    for (size_t i = 0; i + unit <= size; i += unit)
        units.push_back(static_cast<uint16_t>(data[i] | (unit == 2 ? data[i + 1] << 8 : 0)));
    std::string out;
    auto put = [&](uint16_t u) {
        out += static_cast<char>(u & 0xFF);
        if (unit == 2) out += static_cast<char>(u >> 8);
    };
    for (size_t i = 0; i < units.size(); ++i) {
        const uint16_t u = units[i];
        if (u == '\r' || u == '\n') {
            put('\r');
            put('\n');
            if (u == '\r' && i + 1 < units.size() && units[i + 1] == '\n') ++i;
        } else if (u != 0) {
            put(u);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t unit = (data[0] & 1) ? 2 : 1;
    const uint8_t pieces = data[1];
    const uint8_t* text = data + 2;
    const size_t n = size - 2;

    size_t at = 0, reads = 0;
    auto read = [&](char* buffer, int count) -> int {
        // Pieces of 1 to 8 bytes while text remains, then the end.
        size_t len = (pieces + reads * 13) % 9;
        ++reads;
        len = std::min({len, n - at, static_cast<size_t>(count)});
        if (len == 0 && at < n) len = 1;
        for (size_t i = 0; i < len; ++i) buffer[i] = static_cast<char>(text[at + i]);
        at += len;
        return static_cast<int>(len);
    };
    TStreamNormaliser normaliser(static_cast<int>(unit));
    std::string out;
    std::vector<size_t> ends;
    std::vector<char> buffer(64);
    for (size_t call = 0;; ++call) {
        // The control asks for whole units, and more than one byte.
        const int capacity = 2 + static_cast<int>((data[0] / 2 + call * 7) % 62);
        const int got = normaliser.Fill(buffer.data(), capacity, read);
        if (got < 0 || got > capacity) std::abort();
        if (unit == 2 && got % 2) std::abort();
        if (got == 0) break;
        out.append(buffer.data(), static_cast<size_t>(got));
        ends.push_back(out.size());
    }
    if (at != n || out != Reference(text, n, unit)) std::abort();
    // No piece ends inside a double-byte character.
    for (size_t i = 0, e = 0; unit == 1 && i < out.size();) {
        const size_t step = IsDoubleBytePair(out, i) ? 2 : 1;
        while (e < ends.size() && ends[e] <= i) ++e;
        if (step == 2 && e < ends.size() && ends[e] == i + 1) std::abort();
        i += step;
    }
    return 0;
}
