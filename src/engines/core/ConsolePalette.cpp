#include "engines/core/ConsolePalette.h"

const ColorValue ConsolePalette[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
    0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

ColorValue ColorIndexToColor(ColorIndex index)
{
    if (index < 0 || index > 15)
        return 0x000000;
    return ConsolePalette[index];
}

ColorIndex ColorToColorIndex(ColorValue color)
{
    for (int i = 0; i < 16; ++i)
        if (ConsolePalette[i] == color)
            return i;
    return 0;
}

ColorIndex PcOrderColorIndex(int n)
{
    static const ColorIndex order[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    return order[n & 15];
}
