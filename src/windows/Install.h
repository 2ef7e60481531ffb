// Gives the main window the openers of this library's windows (console/SecondaryWindows.h);
// the program entry calls it before the main window is created.
#pragma once

void InstallSecondaryWindows();
