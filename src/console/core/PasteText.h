// Clipboard text on its way to the host.
//
// The text is taken as bytes (clipboard text already converted to the console's code
// page). LF bytes are never sent from it: a line end CR LF reaches the host as CR, or as
// CR LF when Enter is sent as CR LF, where one LF stands for each run of LFs that follows
// text. The whole paste goes to the send routine at once; what the port cannot take yet
// waits in its queue.
#pragma once

#include <string>
#include <string_view>

std::string PasteBytes(std::string_view text, bool sendEnterAsCrLf);
