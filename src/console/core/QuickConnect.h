// The favourites bar's quick-connect buttons: one for each favourite, in order, that names
// an address-book entry with an address, placed side by side from `left` with no gap for a
// favourite that gets none.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class IIniStore;

struct QuickConnectButton {
    int favourite = 0;    // 0..4: which favourite
    std::string caption;  // the favourite's name
    std::string address;  // the entry's address (the button's hint)
    bool phone = false;   // a telephone number: the phone glyph, else the network one
    int left = 0;
    int width = 0;        // the caption's width and room for the glyph on both sides
};

std::vector<QuickConnectButton> PlanQuickConnectButtons(
    const IIniStore& book, const std::array<std::string, 5>& favourites, int left, int glyphWidth,
    const std::function<int(std::string_view caption)>& textWidth);

// The planned buttons placed on a bar whose room ends at `right`: as planned where they
// fit; else each keeps its width while it is narrower than an equal share of the room left
// to the others, and the wider ones take equal shares, so that every one stays on the bar.
std::vector<QuickConnectButton> FitQuickConnectButtons(std::vector<QuickConnectButton> buttons,
                                                       int right);
