// In-band pictures ("Image Pack"). The picture viewer is not part of this version: the
// receive road treats an announcement as ordinary text, and a picture the host starts
// anyway is ignored (its bytes are shown as the terminal sees them).
#include "console/Main.h"

bool TConsoleForm::ImageViewerAvailable() { return false; }

void TConsoleForm::StartImagePack() {
    FTerminal->ImagePackEnabled = 0;
    FTerminal->ImagePackArmed = 0;
}

void TConsoleForm::ImagePackStep(const uint8_t*, size_t) {}

void TConsoleForm::ShowDownloadedPicture(const std::string&) {}
