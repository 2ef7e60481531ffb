// Files dropped from the shell onto a window: a window accepts them after AcceptFiles; its
// procedure gives WM_DROPFILES to HandleDropFiles, which hands every name to a handler.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Controls.h"

using TDropFilesEvent = std::function<void(const std::vector<std::string>& names)>;

// Lets the window take dropped files, or no longer.
void AcceptFiles(HWND window, bool accept);

// Every name of a drop, in order, each of whatever length (asked for first); the drop is
// released, also when reading fails.
std::vector<std::string> TakeDroppedFiles(HDROP drop);

// For a window procedure: a WM_DROPFILES message gives its names to `handler` (result 0)
// and true; any other message false. The drop is released before the handler runs.
bool HandleDropFiles(TMessage& message, const TDropFilesEvent& handler);
