#include "windows/RtfInsert.h"

#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <cstring>

namespace {

struct RtfSource {
    const std::string* text;
    size_t at = 0;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* read) {
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    const size_t n = std::min<size_t>(static_cast<size_t>(count), source->text->size() - source->at);
    std::memcpy(buffer, source->text->data() + source->at, n);
    source->at += n;
    *read = static_cast<LONG>(n);
    return 0;
}

}  // namespace

void StreamRtfAtSelection(TXcCustomRichEdit& edit, const std::string& rtf) {
    RtfSource source{&rtf};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadRtf};
    SendMessageA(edit.Handle(), EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&es));
}
