// Layout arithmetic of the controls and forms: aligning children to the edges of their
// parent, centring a window, a window's state, and the percentage a gauge shows; and the
// kinds that both the controls and their portable arithmetic speak of.
#pragma once

#include <string>
#include <vector>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

struct TPointI {
    int X = 0, Y = 0;
    bool operator==(const TPointI&) const = default;
};

// A form's window: as sized, minimised or maximised.
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

struct TRectI {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRectI&) const = default;
};

// One visible child as the aligning sees it: its alignment and its bounds (in and out).
struct TAlignItem {
    TAlign Align = alNone;
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// Docks the items inside `client`: first every alTop item (topmost first) along the top
// edge, then alBottom (lowest first) along the bottom, alLeft (leftmost first), alRight
// (rightmost first), each taking its height or width from what is left; alClient items
// fill what remains; alNone items stay. Items of one alignment at the same position keep
// their order. Returns the area left over for alClient.
TRectI AlignItems(const TRectI& client, std::vector<TAlignItem>& items);

// Top-left corner that centres a width x height box on `outer`, then moved inside `keepIn`
// as far as the box fits (left/top edge wins when it is larger).
void CenterBox(const TRectI& outer, int width, int height, const TRectI& keepIn, int& left,
               int& top);

// A gauge's filled share, 0..100: (progress - min) * 100 / (max - min), truncated; 0 when
// min equals max. Progress outside the range is held to it.
int GaugePercent(int minValue, int maxValue, int progress);
// The text a gauge shows: "42%".
std::string GaugeText(int percent);
