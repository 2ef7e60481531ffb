// TViewImageForm: the picture viewer. A small tool window that stays on top, holding the
// picture above a button bar (Save As..., Cancel, Close). It parses the in-band picture
// stream, decodes the JPEG again while it arrives (on the schedule of ImageDecodeSchedule)
// and shows pictures received by ZModem, loaded by their extension. The main window drives
// it through TPictureViewer; its buttons reach the session through TPictureViewerHost.
#pragma once

#include <memory>
#include <string>

#include "console/PictureViewer.h"
#include "console/core/ImagePack.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/Timers.h"
#include "framework/core/JpegDecode.h"

class TViewImageForm : public TForm, public TPictureViewer {
public:
    TViewImageForm(TComponent* owner, TPictureViewerHost* host);
    ~TViewImageForm() override;

    // Pictures larger than this are not shown (a host's header may claim anything).
    static constexpr int kMaxSide = 8192;
    static constexpr uint32_t kMaxPixels = 16u << 20;
    static quiro::framework::JpegLimits PictureLimits();

    // TPictureViewer
    TForm* Form() override { return this; }
    int ParseImagePackData(const uint8_t* data, size_t length) override;
    int ParserState() override { return FParser.State(); }
    void SetParserState(int state) override { FParser.SetState(state); }
    bool StreamOverflowed() override { return FParser.Overflowed(); }
    bool TakePosition(int& row, int& column) override { return FParser.TakePosition(row, column); }
    void ResetViewer() override;
    void ClearPicture() override;
    void UpdateProgressiveImage(const std::string& name) override;
    void ShowReceivedImage(int mode) override;
    void SetViewerPosition(int x, int y) override;
    void SetViewerProgress(const std::string& name, int percent) override;
    void SetFileName(const std::string& path) override { FFileName = path; }
    void SetCancelEnabled(bool enabled) override;
    bool CancelEnabled() override;
    std::string SavePicture(const std::string& fileName) override;

    // The client size for the picture (Part of every decode).
    void FitViewerToImage();
    int Decodes() const { return FDecodes; }

    TImage* VIEWIMG_Image = nullptr;
    TPanel* VIEWIMG_PANEL_Buttons = nullptr;
    TButton* VIEWIMG_BTN_SaveAs = nullptr;
    TButton* VIEWIMG_BTN_Cancel = nullptr;
    TButton* VIEWIMG_BTN_Close = nullptr;
    TSavePictureDialog* SavePictureDialog = nullptr;

    void VIEWIMG_BTN_SaveAsClick();
    void VIEWIMG_BTN_CancelClick();
    void VIEWIMG_BTN_CloseClick();

private:
    // Decodes the whole stream; a stream that gives no picture leaves the last one.
    void DecodeStream();
    void DecodeTimerTick();
    void PlaceButtons();
    void FormClose(TCloseAction& action);

    TPictureViewerHost* FHost;
    ImagePackParser FParser;
    ImageDecodeSchedule FSchedule;
    std::string FFileName;
    std::unique_ptr<TTimer> FDecodeTimer;  // a decode that had to wait
    int FDecodes = 0;
};

// The viewer's maker, installed for the main window (console/SecondaryWindows.h).
TPictureViewer* MakeViewImageForm(TComponent* owner, TPictureViewerHost* host);
