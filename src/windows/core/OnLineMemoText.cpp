#include "windows/core/OnLineMemoText.h"

#include <algorithm>

std::string MemoTimeStamp(TDateTime when) { return "[" + FormatDateTime("hh:nn:ss AM/PM", when) + "] "; }

std::string MemoRtf(std::string_view text, const RtfFont& font, int codePage, TDateTime when) {
    const size_t start = std::min(text.find_first_not_of(' '), text.size());
    std::string rtf = RtfHeader(font);
    AppendRtfBody(rtf, MemoTimeStamp(when), codePage);
    AppendRtfBody(rtf, text.substr(start), codePage);
    rtf += "\\par }";
    return rtf;
}
