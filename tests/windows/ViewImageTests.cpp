// The picture viewer on its own, with a stand-in for the main window: the decoding while a
// picture arrives, the captions, the size, and what Cancel and Close ask of the session.
// The whole road from a host to the viewer is the console's end-to-end test.
#include <gtest/gtest.h>

#include <memory>

#include "framework/JpegKit.h"
#include "framework/UiTestKit.h"
#include "windows/ViewImage.h"

namespace {

struct Session : TPictureViewerHost {
    bool armed = false, transfer = false;
    std::string sent;
    int cancels = 0, steps = 0, stateAtStep = 0, closes = 0;
    TViewImageForm* viewer = nullptr;
    bool PictureStreamArmed() override { return armed; }
    bool TransferExists() override { return transfer; }
    void CancelTransfer() override { ++cancels; }
    void SendString(const std::string& bytes) override { sent += bytes; }
    void ImagePackStep(const uint8_t*, size_t) override {
        ++steps;
        stateAtStep = viewer->ParserState();
        armed = false;
    }
    void ViewerClosed() override { ++closes; }
};

struct Viewer : ::testing::Test {
    TApplication app;
    Session session;
    std::unique_ptr<TViewImageForm> v;
    void SetUp() override {
        v = std::make_unique<TViewImageForm>(nullptr, &session);
        session.viewer = v.get();
    }
    // One data line of picture bytes, escaped as a host escapes them.
    int Line(const uint8_t* p, size_t n) {
        std::string line = "\x01" "D#@";
        for (size_t i = 0; i < n; ++i) {
            if (p[i] < 0x20 || p[i] == '#' || p[i] == 0xFF) {
                line += '#';
                line += p[i] == '#' ? '#' : char(p[i] ^ 0x40);
            } else {
                line += char(p[i]);
            }
        }
        line += '\r';
        return v->ParseImagePackData(reinterpret_cast<const uint8_t*>(line.data()), line.size());
    }
};

// The schedule's steps are the core's; here the viewer's side of them: the captions, the
// window around the picture, and what stays when nothing (new) can be shown.
TEST_F(Viewer, CaptionsSizeAndTheLastPicture) {
    const std::vector<uint8_t> jpeg = MakeJpeg(500, 120, true);
    v->ResetViewer();
    ASSERT_EQ(Line(jpeg.data(), 3072), -2);
    v->SetParserState(0);
    v->UpdateProgressiveImage("bbs");
    EXPECT_EQ(v->Caption(), " 3K  [ bbs ]");
    EXPECT_EQ(v->Decodes(), 1);
    Line(jpeg.data() + 3072, jpeg.size() - 3072);
    v->ShowReceivedImage(1);
    EXPECT_EQ(v->Caption(), " View Image");
    EXPECT_EQ(v->ClientWidth(), 500);
    EXPECT_EQ(v->ClientHeight(), 120 + v->VIEWIMG_PANEL_Buttons->Height());

    // A small picture: the window keeps room for its buttons.
    const std::vector<uint8_t> small = MakeJpeg(40, 30);
    v->ResetViewer();
    Line(small.data(), small.size());
    v->ShowReceivedImage(1);
    EXPECT_EQ(v->ClientWidth(), 5 * v->VIEWIMG_BTN_Close->Width());
    // A finished stream of 1024 bytes or less is not decoded: the last picture stays.
    v->ResetViewer();
    Line(jpeg.data(), 1024);
    v->ShowReceivedImage(1);
    EXPECT_EQ(v->VIEWIMG_Image->Picture()->Width(), 40);

    v->SetViewerProgress("bbs", 40);
    EXPECT_EQ(v->Caption(), " 40%  [ bbs ]");
    v->SetFileName("Z:\\no\\such\\picture.gif");
    v->ClearPicture();
    v->ShowReceivedImage(0);
    EXPECT_TRUE(v->VIEWIMG_Image->Picture()->Empty());
    EXPECT_EQ(v->Caption(), " View Image");
}

TEST_F(Viewer, CancelAndCloseWhileAPictureComes) {
    v->Show();
    // The in-band stream: Cancel asks the host to stop, Close ends the stream with it.
    session.armed = true;
    v->SetCancelEnabled(true);
    v->VIEWIMG_BTN_Cancel->Click();
    EXPECT_EQ(session.sent, "\x1B\x1B\x1B");
    EXPECT_TRUE(v->Visible());
    v->VIEWIMG_BTN_Close->Click();
    EXPECT_EQ(session.sent, "\x1B\x1B\x1B\x1B\x1B\x1B\r");
    EXPECT_EQ(session.steps, 1);
    EXPECT_EQ(session.stateAtStep, -1);
    EXPECT_FALSE(v->Visible());

    // A picture by ZModem: both buttons cancel the transfer.
    session.sent.clear();
    session.transfer = true;
    v->Show();
    v->SetCancelEnabled(true);
    v->VIEWIMG_BTN_Cancel->Click();
    v->VIEWIMG_BTN_Close->Click();
    EXPECT_EQ(session.cancels, 2);
    EXPECT_EQ(session.sent, "");
    EXPECT_FALSE(v->Visible());

    // Nothing coming: Close only hides. Each Close gave the keyboard back to the session.
    v->Show();
    v->SetCancelEnabled(false);
    v->VIEWIMG_BTN_Close->Click();
    EXPECT_EQ(session.cancels, 2);
    EXPECT_EQ(session.steps, 1);
    EXPECT_FALSE(v->Visible());
    EXPECT_EQ(session.closes, 3);
}

}  // namespace
