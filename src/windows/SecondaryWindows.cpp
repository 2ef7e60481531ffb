#include "windows/SecondaryWindows.h"

#include "windows/Edit.h"

void InstallSecondaryWindows() {
    SetCaptureEditorMaker([](TForm* owner, EditorHost& host) -> CaptureEditor* {
        return new TEditMainForm(owner, host);
    });
}
