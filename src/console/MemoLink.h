// The on-line memo window as the main window sees it. It is a secondary window, a layer
// above the console: the program's entry installs its maker (console/SecondaryWindows.h),
// and the main window makes it when the first memo comes or the user asks for it.
#pragma once

#include <string>

#include "framework/Forms.h"
#include "framework/Graphics.h"

class OnLineMemo {
public:
    virtual ~OnLineMemo() = default;
    virtual TForm* Form() = 0;
    // The memo font: new memos come in it, and the text already there takes its face,
    // size and colour.
    virtual void SetMemoFont(const TFont& font) = 0;
    // One memo of the host (bytes of the font's code page) at the end, stamped with the
    // local time.
    virtual void AddMemo(const std::string& text) = 0;
    virtual void Clear() = 0;
};
