// The in-band picture stream of any content, cut into blocks anywhere, as a telnet session
// gives it to the picture parser: the telnet commands taken out first, then the stream's
// state machine. However the bytes are split, the parser must end in the same state with
// the same picture and position; the picture never passes its cap and the position numbers
// stay in range.
//
// Input: a byte whose bits choose the block sizes, then the host's bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "console/core/ImagePack.h"
#include "engines/core/Telnet.h"

namespace {

struct Result {
    int state = 0;
    std::vector<uint8_t> picture;
    bool positioned = false;
    int row = 0, column = 0;
    bool overflowed = false;
};

Result Run(const uint8_t* data, size_t size, uint8_t cuts) {
    IDravelTelnet telnet;  // no line: its answers go nowhere
    TelnetDataStrip strip;
    ImagePackParser parser;
    Result r;
    size_t at = 0, piece = 0;
    while (at < size) {
        size_t n = cuts == 0 ? size - at : 1 + (size_t(cuts) >> (piece++ % 8)) % 97;
        n = std::min(n, size - at);
        std::vector<uint8_t> block(data + at, data + at + n);
        at += n;
        const size_t kept = strip.Strip(telnet, block.data(), block.size());
        r.state = parser.Parse(block.data(), kept);
        int row, column;
        if (parser.TakePosition(row, column)) {
            if (row < -1 || row > ImagePackParser::kMaxNumber - 1 || column < -1 ||
                column > ImagePackParser::kMaxNumber - 1)
                std::abort();
            r.positioned = true;
            r.row = row;
            r.column = column;
        }
    }
    if (r.state < -2 || r.state > 3) std::abort();
    if (parser.Picture().size() > ImagePackParser::kMaxPictureBytes) std::abort();
    r.picture = parser.Picture();
    r.overflowed = parser.Overflowed();
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const Result whole = Run(data + 1, size - 1, 0);
    const Result pieces = Run(data + 1, size - 1, data[0]);
    // A position command may end in different blocks, but the last one taken is the same.
    if (whole.state != pieces.state || whole.picture != pieces.picture || whole.overflowed != pieces.overflowed ||
        whole.positioned != pieces.positioned || whole.row != pieces.row || whole.column != pieces.column)
        std::abort();
    return 0;
}
