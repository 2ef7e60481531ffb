// The controls library's start-up and its cursors.
#pragma once

#include "framework/Screen.h"

// The program's own cursors, from its resources "XC_HANDCUR" (a pointing hand, over
// links) and "XC_DRAGCUR" (while dragging).
constexpr TCursor crXcHand = 14000;
constexpr TCursor crXcDrag = 14001;

// Installs the cursors, declares the stored properties of the framework's controls
// (position, size, caption, visibility, tag; a progress bar's range and position) and
// registers the progress bar as a progress control. The program entry calls it once the
// application is initialised.
void InitXcControls();
