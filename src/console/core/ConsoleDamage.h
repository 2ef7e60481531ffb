// What the console's picture lacks since it was last brought up to date, and when it may
// be brought up to date again.
//
// While the host's output streams in, the terminal changes lines, scrolls regions and the
// view follows the cursor many times between two frames of the display. The damage
// gathers all of that in view rows (0 = the top row of the paint box; the last row may be
// partly shown) and paints it once per frame: the rows that changed, and at most one move
// of a band of rows by whole rows, which costs a block copy of the pixels instead of a
// repaint of the rows it keeps.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

class ConsoleDamage {
public:
    // The view's rows; `lastPartial` when the last of them is cut by the paint box's bottom
    // edge. A change of the view's rows marks everything.
    void SetRows(int rows, bool lastPartial);
    int Rows() const { return static_cast<int>(dirty_.size()); }

    // Rows first..last changed (clipped to the view).
    void MarkRows(int first, int last);
    void MarkAll();
    // The picture of rows top..bottom moved by `dy` rows (negative: up): what row r showed
    // belongs at row r + dy now; rows the move uncovers changed. Only one band can wait
    // to be copied: a move of another band repaints that band.
    void MoveBand(int top, int bottom, int dy);

    bool Pending() const { return pending_; }
    // A band's pixels wait to be copied (the picture must not be painted elsewhere first).
    bool MoveWaits() const { return bandDy_ != 0; }

    struct Plan {
        // The block copy first (none when dy is 0): rows top..bottom by dy rows.
        int top = 0;
        int bottom = -1;
        int dy = 0;
        // Then these runs of rows are painted (first, last), top to bottom.
        std::vector<std::pair<int, int>> rows;
    };
    // What to do to bring the picture up to date, and nothing pending afterwards. Without
    // `pixelMoves` (another window covers the view) the band is painted instead of copied.
    Plan Take(bool pixelMoves);

private:
    std::vector<uint8_t> dirty_;
    std::vector<uint8_t> scratch_;
    bool lastPartial_ = false;
    bool pending_ = false;
    int bandTop_ = 0, bandBottom_ = -1, bandDy_ = 0;  // dy 0: no move waits
};

// The pace of painting: at most one picture per frame of the display.
class FrameClock {
public:
    // Frames per second of the display; values a display does not have (0, 1: the system
    // does not know) give 60.
    void SetRate(int hz);
    int64_t PeriodMicros() const { return period_; }
    // Microseconds until the next frame may be painted (0: now).
    int64_t Wait(int64_t nowMicros) const;
    void Painted(int64_t nowMicros) { last_ = nowMicros; painted_ = true; }

private:
    int64_t period_ = 1000000 / 60;
    int64_t last_ = 0;
    bool painted_ = false;
};
