#include "windows/Install.h"

#include "console/SecondaryWindows.h"
#include "windows/About.h"
#include "windows/CharTable.h"
#include "windows/Edit.h"
#include "windows/Gset.h"
#include "windows/HostList.h"
#include "windows/OneShot.h"
#include "windows/OnLineMemo.h"
#include "windows/ViewImage.h"

void InstallSecondaryWindows() {
    SecondaryWindows& windows = ConsoleWindows();
    windows.AddressBook = &ShowAddressBook;
    windows.SettingsDialog = &RunGlobalConfigForm;
    windows.PictureViewer = &MakeViewImageForm;
    windows.CaptureEditor = [](TForm* owner, EditorHost& host) -> CaptureEditor* {
        return new TEditMainForm(owner, host);
    };
    windows.CommandStringsDialog = &RunOneShotForm;
    windows.AboutBox = &ShowAboutBox;
    windows.OnLineMemo = &MakeOnLineMemoForm;
    windows.CharacterTable = &MakeCharacterTableForm;
}
