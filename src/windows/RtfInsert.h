// An RTF group streamed into a rich edit at its selection (in place of what is selected):
// how the capture editor and the on-line memo put text in.
#pragma once

#include <string>

#include "controls/XcRichEd.h"

void StreamRtfAtSelection(TXcCustomRichEdit& edit, const std::string& rtf);
