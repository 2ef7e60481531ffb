#include "console/core/PasteText.h"

std::string PasteBytes(std::string_view text, bool sendEnterAsCrLf) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] != '\n') {
            out += text[i++];
            continue;
        }
        const size_t end = text.find_first_not_of('\n', i);
        if (sendEnterAsCrLf && i > 0) out += '\n';
        i = end == std::string_view::npos ? text.size() : end;
    }
    return out;
}
