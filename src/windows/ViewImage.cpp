#include "windows/ViewImage.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

#include "framework/FormBuilder.h"
#include "framework/JpegImage.h"
#include "framework/core/SysUtils.h"

namespace {

constexpr int kBarHeight = 33;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

const TComponentRow kViewImageRows[] = {
    {Make<TPanel>, "VIEWIMG_PANEL_Buttons", "", 0, 0, 375, kBarHeight, "", bfAlignBottom, 0},
    {Make<TButton>, "VIEWIMG_BTN_SaveAs", "VIEWIMG_PANEL_Buttons", 4, 4, kButtonWidth, kButtonHeight, "Save As...", 0, 0},
    {Make<TButton>, "VIEWIMG_BTN_Cancel", "VIEWIMG_PANEL_Buttons", 216, 4, kButtonWidth, kButtonHeight, "Cancel",
     bfDisabled, 0},
    {Make<TButton>, "VIEWIMG_BTN_Close", "VIEWIMG_PANEL_Buttons", 296, 4, kButtonWidth, kButtonHeight, "Close", 0, 0},
    {Make<TImage>, "VIEWIMG_Image", "", 0, 0, 375, 100, "", bfAlignClient, 0},
    {Make<TSavePictureDialog>, "SavePictureDialog", "", 0, 0, 0, 0, "", 0, 0},
};

const char kSaveFilter[] =
    "All (*.jpeg;*.jpg;*.gif;*.bmp;*.ico;*.emf;*.wmf)|*.jpeg;*.jpg;*.gif;*.bmp;*.ico;*.emf;*.wmf|"
    "JPEG Image File (*.jpeg)|*.jpeg|JPEG Image File (*.jpg)|*.jpg|CompuServe GIF Image (*.gif)|*.gif|"
    "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf";
// The extension a name without one gets, by the filter chosen.
const char* const kFilterExtensions[] = {"jpg", "jpeg", "jpg", "gif", "bmp", "ico", "emf", "wmf"};

const char kCaption[] = " View Image";

}  // namespace

TPictureViewer* MakeViewImageForm(TComponent* owner, TPictureViewerHost* host) {
    return new TViewImageForm(owner, host);
}

quiro::framework::JpegLimits TViewImageForm::PictureLimits() {
    quiro::framework::JpegLimits limits;
    limits.maxSide = kMaxSide;
    limits.maxPixels = kMaxPixels;
    return limits;
}

TViewImageForm::TViewImageForm(TComponent* owner, TPictureViewerHost* host) : TForm(owner), FHost(host) {
    SetName("ViewImageForm");
    SetCaption(kCaption);
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(0);
    SetFormStyle(fsStayOnTop);
    BuildForm(this, kViewImageRows);
    VIEWIMG_Image = FindAs<TImage>(this, "VIEWIMG_Image");
    VIEWIMG_PANEL_Buttons = FindAs<TPanel>(this, "VIEWIMG_PANEL_Buttons");
    VIEWIMG_BTN_SaveAs = FindAs<TButton>(this, "VIEWIMG_BTN_SaveAs");
    VIEWIMG_BTN_Cancel = FindAs<TButton>(this, "VIEWIMG_BTN_Cancel");
    VIEWIMG_BTN_Close = FindAs<TButton>(this, "VIEWIMG_BTN_Close");
    SavePictureDialog = FindAs<TSavePictureDialog>(this, "SavePictureDialog");
    SavePictureDialog->Filter = kSaveFilter;
    SavePictureDialog->Options |= ofOverwritePrompt;
    VIEWIMG_Image->SetCenter(true);
    VIEWIMG_Image->SetProportional(true);
    VIEWIMG_Image->IncrementalDisplay = true;
    VIEWIMG_BTN_SaveAs->OnClick = [this](TComponent*) { VIEWIMG_BTN_SaveAsClick(); };
    VIEWIMG_BTN_Cancel->OnClick = [this](TComponent*) { VIEWIMG_BTN_CancelClick(); };
    VIEWIMG_BTN_Close->OnClick = [this](TComponent*) { VIEWIMG_BTN_CloseClick(); };
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    FDecodeTimer = std::make_unique<TTimer>(nullptr);
    FDecodeTimer->SetEnabled(false);
    FDecodeTimer->SetOnTimer([this](TComponent*) { DecodeTimerTick(); });
    SetClientWidth(5 * kButtonWidth);
    SetClientHeight(kBarHeight + 100);
    PlaceButtons();
}

TViewImageForm::~TViewImageForm() = default;

int TViewImageForm::ParseImagePackData(const uint8_t* data, size_t length) { return FParser.Parse(data, length); }

void TViewImageForm::ResetViewer() {
    FParser.Reset();
    FSchedule.Reset();
    FDecodeTimer->SetEnabled(false);
    SetCaption(kCaption);
}

void TViewImageForm::ClearPicture() { VIEWIMG_Image->Picture()->Clear(); }

void TViewImageForm::UpdateProgressiveImage(const std::string& name) {
    const size_t size = FParser.Picture().size();
    if (FSchedule.Grown(size)) {
        const uint32_t wait = FSchedule.WaitMs(GetTickCount());
        if (wait == 0) {
            DecodeStream();
        } else if (!FDecodeTimer->Enabled()) {
            FDecodeTimer->SetInterval(wait);
            FDecodeTimer->SetEnabled(true);
        }
    }
    SetCaption(" " + IntToStr(size / 1024) + "K " + " [ " + name + " ]");
}

void TViewImageForm::DecodeTimerTick() {
    FDecodeTimer->SetEnabled(false);
    const size_t size = FParser.Picture().size();
    if (!FSchedule.Grown(size)) return;
    const uint32_t wait = FSchedule.WaitMs(GetTickCount());
    if (wait == 0) {
        DecodeStream();
    } else {
        FDecodeTimer->SetInterval(wait);
        FDecodeTimer->SetEnabled(true);
    }
}

void TViewImageForm::DecodeStream() {
    const std::vector<uint8_t>& stream = FParser.Picture();
    const uint32_t start = GetTickCount();
    try {
        TJPEGImage jpeg;
        jpeg.SetLimits(PictureLimits());
        jpeg.LoadFromMemory(stream.data(), stream.size());
        VIEWIMG_Image->Picture()->Assign(jpeg);
        ++FDecodes;
        FitViewerToImage();
    } catch (const Exception&) {
        // No picture in it (yet): the last one stays. Nothing goes back to the host.
    }
    FSchedule.Decoded(stream.size(), start, GetTickCount());
}

void TViewImageForm::ShowReceivedImage(int mode) {
    FDecodeTimer->SetEnabled(false);
    if (mode == 1) {
        if (ImageDecodeSchedule::FinalDue(FParser.Picture().size())) DecodeStream();
    } else if (!FFileName.empty() && GetFileAttributesA(FFileName.c_str()) != INVALID_FILE_ATTRIBUTES) {
        try {
            VIEWIMG_Image->Picture()->LoadFromFile(FFileName, PictureLimits());
            ++FDecodes;
        } catch (const Exception&) {
            // Not a picture this program reads: nothing is shown.
        }
        FitViewerToImage();
    }
    SetCaption(kCaption);
}

void TViewImageForm::SetViewerPosition(int x, int y) { SetBounds(x, y, Width(), Height()); }

void TViewImageForm::SetViewerProgress(const std::string& name, int percent) {
    SetCaption(" " + IntToStr(percent) + "% " + " [ " + name + " ]");
}

void TViewImageForm::SetCancelEnabled(bool enabled) { VIEWIMG_BTN_Cancel->SetEnabled(enabled); }

bool TViewImageForm::CancelEnabled() { return VIEWIMG_BTN_Cancel->Enabled(); }

void TViewImageForm::FitViewerToImage() {
    TPicture* picture = VIEWIMG_Image->Picture();
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int frameWidth = Width() - ClientWidth(), frameHeight = Height() - ClientHeight();
    const ViewerSize size =
        FitViewerSize(picture->Width(), picture->Height(), VIEWIMG_PANEL_Buttons->Height(), VIEWIMG_BTN_Close->Width(),
                      (work.right - work.left) - frameWidth, (work.bottom - work.top) - frameHeight);
    const int width = size.clientWidth + frameWidth, height = size.clientHeight + frameHeight;
    // Kept on the screen: moved back when its new size would pass the work area's edge.
    const int left = std::max<int>(work.left, std::min<int>(Left(), work.right - width));
    const int top = std::max<int>(work.top, std::min<int>(Top(), work.bottom - height));
    SetBounds(left, top, width, height);
    PlaceButtons();
}

void TViewImageForm::PlaceButtons() {
    const int right = ClientWidth() - 4;
    VIEWIMG_BTN_Close->SetLeft(right - kButtonWidth);
    VIEWIMG_BTN_Cancel->SetLeft(right - 2 * kButtonWidth - 5);
}

std::string TViewImageForm::SavePicture(const std::string& fileName) {
    if (VIEWIMG_Image->Picture()->Empty()) return "There is no picture to save.";
    try {
        VIEWIMG_Image->Picture()->SaveToFile(fileName);
        return "";
    } catch (const Exception& e) {
        return e.Message;
    }
}

void TViewImageForm::VIEWIMG_BTN_SaveAsClick() {
    SavePictureDialog->FileName.clear();
    if (!SavePictureDialog->Execute()) return;
    std::string name = SavePictureDialog->FileName;
    if (ExtractFileExt(name).empty()) {
        const int index = std::clamp(SavePictureDialog->FilterIndex, 1, int(std::size(kFilterExtensions)));
        name += std::string(".") + kFilterExtensions[index - 1];
    }
    const std::string error = SavePicture(name);
    if (!error.empty())
        MessageBoxA(Handle(), ("The picture was not saved.\n\n" + error).c_str(), " Quiro 2: Error",
                    MB_OK | MB_ICONERROR);
}

void TViewImageForm::VIEWIMG_BTN_CancelClick() {
    if (!FHost) return;
    if (FHost->PictureStreamArmed())
        FHost->SendString(kImageCancel);  // the host ends the stream
    else if (FHost->TransferExists())
        FHost->CancelTransfer();
}

void TViewImageForm::VIEWIMG_BTN_CloseClick() {
    Close();
    if (FHost) FHost->ViewerClosed();
}

// Closing while a picture still comes ends it: an in-band stream is closed with the host,
// a ZModem picture is cancelled as by the transfer's Cancel.
void TViewImageForm::FormClose(TCloseAction&) {
    if (!FHost || !CancelEnabled()) return;
    if (FHost->PictureStreamArmed()) {
        FParser.SetState(ImagePackParser::PictureEnded);
        FHost->SendString(kImageClose);
        FHost->ImagePackStep(nullptr, 0);
    } else if (FHost->TransferExists()) {
        FHost->CancelTransfer();
    }
    SetCancelEnabled(false);
}
