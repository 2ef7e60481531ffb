#include "console/EditorLink.h"

namespace {

CaptureEditorMaker& Maker() {
    static CaptureEditorMaker maker;
    return maker;
}

}  // namespace

void SetCaptureEditorMaker(CaptureEditorMaker maker) { Maker() = std::move(maker); }

CaptureEditor* MakeCaptureEditor(TForm* owner, EditorHost& host) {
    return Maker() ? Maker()(owner, host) : nullptr;
}
