// A memo from the host as the on-line memo window shows it: one RTF group in the memo's
// font (the capture editor's wrapper), the local time as "[hh:nn:ss AM/PM] ", the text
// without its leading blanks, and a paragraph end.
#pragma once

#include <string>
#include <string_view>

#include "framework/core/DateTime.h"
#include "windows/core/RtfText.h"

// "[02:05:09 PM] " at 14:05:09.
std::string MemoTimeStamp(TDateTime when);
std::string MemoRtf(std::string_view text, const RtfFont& font, int codePage, TDateTime when);
