#include "console/core/ConsoleDamage.h"

#include <algorithm>
#include <cstdlib>

void ConsoleDamage::SetRows(int rows, bool lastPartial) {
    rows = std::max(rows, 0);
    if (rows == Rows() && lastPartial == lastPartial_) return;
    dirty_.assign(static_cast<size_t>(rows), 0);
    lastPartial_ = lastPartial;
    bandDy_ = 0;
    MarkAll();
}

void ConsoleDamage::MarkRows(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, Rows() - 1);
    for (int r = first; r <= last; ++r) dirty_[static_cast<size_t>(r)] = 1;
    if (first <= last) pending_ = true;
}

void ConsoleDamage::MarkAll() {
    std::fill(dirty_.begin(), dirty_.end(), 1);
    bandDy_ = 0;  // nothing left to copy
    pending_ = true;
}

void ConsoleDamage::MoveBand(int top, int bottom, int dy) {
    top = std::max(top, 0);
    bottom = std::min(bottom, Rows() - 1);
    if (dy == 0 || top > bottom) return;
    if (std::abs(dy) > bottom - top || (bandDy_ != 0 && (top != bandTop_ || bottom != bandBottom_))) {
        MarkRows(top, bottom);
        return;
    }
    // The rows' marks travel with what they show; what came from the partly shown last
    // row shows only its part.
    scratch_.assign(dirty_.begin(), dirty_.end());
    bool all = true;
    for (int r = top; r <= bottom; ++r) {
        const int from = r - dy;
        const bool inside = from >= top && from <= bottom;
        const bool mark = !inside || scratch_[static_cast<size_t>(from)] || (lastPartial_ && from == Rows() - 1);
        dirty_[static_cast<size_t>(r)] = mark ? 1 : 0;
        all = all && mark;
    }
    pending_ = true;
    bandTop_ = top;
    bandBottom_ = bottom;
    bandDy_ = all ? 0 : bandDy_ + dy;
}

ConsoleDamage::Plan ConsoleDamage::Take(bool pixelMoves) {
    Plan plan;
    if (!pending_) return plan;
    if (bandDy_ != 0) {
        const auto first = dirty_.begin() + bandTop_, last = dirty_.begin() + bandBottom_ + 1;
        const bool all = std::all_of(first, last, [](uint8_t d) { return d != 0; });
        if (pixelMoves && !all && std::abs(bandDy_) <= bandBottom_ - bandTop_) {
            plan.top = bandTop_;
            plan.bottom = bandBottom_;
            plan.dy = bandDy_;
        } else {
            std::fill(first, last, 1);
        }
    }
    for (int r = 0; r < Rows();) {
        if (!dirty_[static_cast<size_t>(r)]) {
            ++r;
            continue;
        }
        int end = r;
        while (end + 1 < Rows() && dirty_[static_cast<size_t>(end + 1)]) ++end;
        plan.rows.emplace_back(r, end);
        r = end + 1;
    }
    std::fill(dirty_.begin(), dirty_.end(), 0);
    bandDy_ = 0;
    pending_ = false;
    return plan;
}

void FrameClock::SetRate(int hz) {
    period_ = 1000000 / (hz >= 24 && hz <= 1000 ? hz : 60);
}

int64_t FrameClock::Wait(int64_t nowMicros) const {
    if (!painted_) return 0;
    const int64_t elapsed = nowMicros - last_;
    return elapsed >= period_ || elapsed < 0 ? 0 : period_ - elapsed;
}
