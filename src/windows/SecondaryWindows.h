// The secondary windows' start-up: makes them known to the main window, which creates each
// on demand (the console does not link against this layer).
#pragma once

// Called by the program's entry before the main window.
void InstallSecondaryWindows();
