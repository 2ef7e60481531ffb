// What the end-to-end tests of the user's input share beside the session kit (its recording
// host and the program started with its console focused): the clipboard and the cells.
#pragma once

#include <atomic>
#include <mutex>

#include "ProgramKit.h"
#include "SessionKit.h"
#include "comm/CommTestKit.h"
#include "framework/Clipbrd.h"

namespace quiro::console::test {

using namespace quiro::comm::test;

// The clipboard, which the program may hold for a moment: tried until it opens.
inline bool WithClipboard(const std::function<void(TClipboard&)>& use) {
    return PumpUntil([&] {
        try {
            use(*Clipboard());
            return true;
        } catch (const std::exception&) {
            return false;
        }
    });
}

// A cell's centre on the screen.
inline POINT CellCentre(const ProbeState& s, int line, int column) {
    const int w = s.Int("cellWidth"), h = s.Int("cellHeight");
    return POINT{s.Int("paintBoxLeft") + s.Int("horizontalOffset") + column * w + w / 2,
                 s.Int("paintBoxTop") + (line - s.Int("firstDisplayedLine")) * h + h / 2};
}

}  // namespace quiro::console::test
