#include "framework/core/ControlMath.h"

#include <algorithm>
#include <cstdint>

namespace {

// The order in which items of one alignment take their place at the edge.
bool PlacedBefore(TAlign align, const TAlignItem& a, const TAlignItem& b) {
    switch (align) {
        case alTop:
            return a.Top < b.Top;
        case alBottom:
            return a.Top + a.Height > b.Top + b.Height;
        case alLeft:
            return a.Left < b.Left;
        case alRight:
            return a.Left + a.Width > b.Left + b.Width;
        default:
            return false;
    }
}

}  // namespace

TRectI AlignItems(const TRectI& client, std::vector<TAlignItem>& items) {
    TRectI r = client;
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TAlignItem*> group;
        for (TAlignItem& item : items)
            if (item.Align == align) group.push_back(&item);
        std::stable_sort(group.begin(), group.end(), [align](TAlignItem* a, TAlignItem* b) {
            return PlacedBefore(align, *a, *b);
        });
        for (TAlignItem* item : group) {
            int w = std::max(0, r.Width()), h = std::max(0, r.Height());
            switch (align) {
                case alTop:
                    *item = {align, r.Left, r.Top, w, item->Height};
                    r.Top += item->Height;
                    break;
                case alBottom:
                    *item = {align, r.Left, r.Bottom - item->Height, w, item->Height};
                    r.Bottom -= item->Height;
                    break;
                case alLeft:
                    *item = {align, r.Left, r.Top, item->Width, h};
                    r.Left += item->Width;
                    break;
                case alRight:
                    *item = {align, r.Right - item->Width, r.Top, item->Width, h};
                    r.Right -= item->Width;
                    break;
                default:
                    *item = {align, r.Left, r.Top, w, h};
                    break;
            }
        }
        if (align == alRight) {
            // What alClient items fill.
            r.Right = std::max(r.Left, r.Right);
            r.Bottom = std::max(r.Top, r.Bottom);
        }
    }
    return r;
}

void CenterBox(const TRectI& outer, int width, int height, const TRectI& keepIn, int& left,
               int& top) {
    left = outer.Left + (outer.Width() - width) / 2;
    top = outer.Top + (outer.Height() - height) / 2;
    left = std::max(keepIn.Left, std::min(left, keepIn.Right - width));
    top = std::max(keepIn.Top, std::min(top, keepIn.Bottom - height));
}

int GaugePercent(int minValue, int maxValue, int progress) {
    if (maxValue <= minValue) return 0;
    progress = std::clamp(progress, minValue, maxValue);
    return static_cast<int>(static_cast<int64_t>(progress - minValue) * 100 /
                            (static_cast<int64_t>(maxValue) - minValue));
}

std::string GaugeText(int percent) {
    return std::to_string(percent) + "%";
}
