// The picture viewer as the main window drives it, and the main window as the viewer's
// buttons reach it. The viewer is a secondary window (windows/ViewImage), a layer above the
// console: the program's entry tells the console how to make one (console/SecondaryWindows.h);
// without a maker pictures are not offered and the host's announcements are plain text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class TComponent;
class TForm;

class TPictureViewer {
public:
    virtual ~TPictureViewer() = default;
    virtual TForm* Form() = 0;
    // The in-band stream: the parser's state after the block (ImagePackParser's states).
    virtual int ParseImagePackData(const uint8_t* data, size_t length) = 0;
    virtual int ParserState() = 0;
    virtual void SetParserState(int state) = 0;
    // The stream grew past its cap and was ended.
    virtual bool StreamOverflowed() = 0;
    // A position command ended in the stream: the 0-based cell it names.
    virtual bool TakePosition(int& row, int& column) = 0;
    virtual void ResetViewer() = 0;
    virtual void ClearPicture() = 0;
    virtual void UpdateProgressiveImage(const std::string& name) = 0;
    // 1: the in-band stream ended; 0: the picture of the file name, received by ZModem.
    virtual void ShowReceivedImage(int mode) = 0;
    virtual void SetViewerPosition(int x, int y) = 0;
    virtual void SetViewerProgress(const std::string& name, int percent) = 0;
    virtual void SetFileName(const std::string& path) = 0;
    virtual void SetCancelEnabled(bool enabled) = 0;
    virtual bool CancelEnabled() = 0;
    // Writes the picture in the format its name says; "" when done, else why not.
    virtual std::string SavePicture(const std::string& fileName) = 0;
};

// What the viewer's Cancel and Close ask of the main window.
class TPictureViewerHost {
public:
    virtual ~TPictureViewerHost() = default;
    // The in-band stream runs (the terminal's image pack is armed).
    virtual bool PictureStreamArmed() = 0;
    // A ZModem transfer exists (a picture download may run).
    virtual bool TransferExists() = 0;
    // As the transfer panel's Cancel button.
    virtual void CancelTransfer() = 0;
    virtual void SendString(const std::string& bytes) = 0;
    // A block of the in-band stream (an empty one finishes a stream whose state is -1).
    virtual void ImagePackStep(const uint8_t* data, size_t length) = 0;
    // The user closed the viewer: the keyboard goes back to the session.
    virtual void ViewerClosed() = 0;
};

