// The console's fixed 16-colour palette and the ColorIndex conversions.
//
// A ColorIndex (0..15) is what the line lists, the registry and the terminal store; the
// colour value is a Windows COLORREF (0x00BBGGRR).
#pragma once

#include <cstdint>

using ColorIndex = int;
using ColorValue = uint32_t;

extern const ColorValue ConsolePalette[16];

// Colour value of an index; any index outside 0..15 gives black.
ColorValue ColorIndexToColor(ColorIndex index);
// Index whose colour equals the value exactly; any other value gives 0.
ColorIndex ColorToColorIndex(ColorValue color);

// Bright form 8 + (i AND 7) and dim form i AND 7.
constexpr ColorIndex BrightColorIndex(ColorIndex index) { return 8 + (index & 7); }
constexpr ColorIndex DimColorIndex(ColorIndex index) { return index & 7; }

// Colour n (0..15) in the PC text-attribute order (bit 0 blue, bit 1 green, bit 2 red,
// bit 3 bright) as a ColorIndex; used by the colour extensions of the escape sequences.
ColorIndex PcOrderColorIndex(int n);

// Letters of the line lists: foreground 'a' + index, background 'A' + index.
constexpr char ForegroundLetter(ColorIndex index) { return static_cast<char>('a' + index); }
constexpr char BackgroundLetter(ColorIndex index) { return static_cast<char>('A' + index); }
