#include "console/SecondaryWindows.h"

SecondaryWindows& ConsoleWindows() {
    static SecondaryWindows windows;
    return windows;
}
