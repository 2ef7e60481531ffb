#include "framework/FileDrop.h"

#include <shellapi.h>

void AcceptFiles(HWND window, bool accept) {
    if (window) DragAcceptFiles(window, accept ? TRUE : FALSE);
}

std::vector<std::string> TakeDroppedFiles(HDROP drop) {
    struct Release {
        HDROP drop;
        ~Release() { DragFinish(drop); }
    } release{drop};
    std::vector<std::string> names;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    names.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::string name(length + 1, '\0');
        const UINT got = DragQueryFileA(drop, i, name.data(), length + 1);
        name.resize(got <= length ? got : length);
        names.push_back(std::move(name));
    }
    return names;
}

bool HandleDropFiles(TMessage& message, const TDropFilesEvent& handler) {
    if (message.Msg != WM_DROPFILES) return false;
    message.Result = 0;
    std::vector<std::string> names = TakeDroppedFiles(reinterpret_cast<HDROP>(message.WParam));
    if (handler && !names.empty()) handler(names);
    return true;
}
