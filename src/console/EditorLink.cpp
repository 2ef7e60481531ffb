#include "console/EditorLink.h"

#include "console/SecondaryWindows.h"

CaptureEditor* MakeCaptureEditor(TForm* owner, EditorHost& host) {
    const auto& make = ConsoleWindows().CaptureEditor;
    return make ? make(owner, host) : nullptr;
}
