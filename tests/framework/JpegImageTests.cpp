// JPEG pictures made here with libjpeg's compressor, decoded through TJPEGImage.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "JpegKit.h"
#include "UiTestKit.h"
#include "core/TempDir.h"
#include "framework/ExtCtrls.h"
#include "framework/JpegImage.h"
#include "framework/core/Streams.h"

namespace {

// Blue, green, red of pixel (x, y).
std::vector<int> Bgr(TJPEGImage& img, int x, int y) {
    const auto* p = static_cast<const uint8_t*>(img.Bitmap()->ScanLine(y)) + x * 3;
    return {p[0], p[1], p[2]};
}

bool Near(const std::vector<int>& got, const std::vector<int>& want) {
    for (size_t i = 0; i < 3; ++i)
        if (std::abs(got[i] - want[i]) > 40) return false;
    return true;
}

TEST(JpegImage, DecodesSizeAndColoursFromAStream) {
    std::vector<uint8_t> data = MakeJpeg(64, 48);
    TMemoryStream stream;
    stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    stream.SetPosition(0);
    TJPEGImage img;
    img.LoadFromStream(&stream);
    EXPECT_EQ(img.Status(), quiro::framework::JpegStatus::Complete);
    EXPECT_EQ(img.Width(), 64);
    EXPECT_EQ(img.Height(), 48);
    ASSERT_EQ(img.Bitmap()->PixelFormat(), pf24bit);
    EXPECT_TRUE(Near(Bgr(img, 4, 4), {0, 0, 255})) << "red";
    EXPECT_TRUE(Near(Bgr(img, 60, 44), {255, 0, 0})) << "blue";

    TMemoryStream saved;
    img.SaveToStream(&saved);
    EXPECT_EQ(saved.Size(), static_cast<int64_t>(data.size()));
    TBitmap copy;
    img.AssignTo(&copy);
    EXPECT_EQ(copy.Width(), 64);
}

TEST(JpegImage, HalfAPictureShowsWhatArrived) {
    std::vector<uint8_t> data = MakeJpeg(64, 64);
    TJPEGImage img;
    img.LoadFromMemory(data.data(), data.size() / 2);
    EXPECT_EQ(img.Status(), quiro::framework::JpegStatus::Partial);
    EXPECT_EQ(img.Width(), 64);
    EXPECT_EQ(img.Height(), 64);
    EXPECT_TRUE(Near(Bgr(img, 4, 2), {0, 0, 255})) << "top rows decoded";
    EXPECT_TRUE(Near(Bgr(img, 4, 63), {128, 128, 128})) << "the rest grey";
}

// What the decoder makes of damaged and oversized data is in JpegDecodeTest; here a failure
// becomes the exception and leaves the picture shown before.
TEST(JpegImage, AFailureIsAnExceptionAndKeepsThePicture) {
    std::vector<uint8_t> good = MakeJpeg(16, 16);
    TJPEGImage img;
    img.LoadFromMemory(good.data(), good.size());
    std::mt19937 rng(7);
    std::vector<uint8_t> noise(4096);
    for (auto& b : noise) b = static_cast<uint8_t>(rng());
    EXPECT_THROW(img.LoadFromMemory(noise.data(), noise.size()), EJPEG);
    EXPECT_EQ(img.Width(), 16);
    EXPECT_EQ(img.Status(), quiro::framework::JpegStatus::Complete);
}

TEST(Image, ShowsAJpegPictureCentredAndSavesItInTheFormatOfTheName) {
    TempDir dir;
    std::vector<uint8_t> data = MakeJpeg(40, 20);
    {
        TFileStream f(dir.Path("in.jpg"), fmCreate);
        f.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    }
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    form->SetBounds(30, 30, 200, 150);
    auto* image = new TImage(form);
    image->SetParent(form);
    image->SetBounds(0, 0, 100, 60);
    image->SetCenter(true);
    int clicks = 0;
    image->OnClick = [&](TComponent*) { ++clicks; };
    image->Picture()->LoadFromFile(dir.Path("in.jpg"));
    EXPECT_EQ(image->Picture()->Width(), 40);
    form->Show();
    image->Repaint();
    uitest::Pump();
    COLORREF left = uitest::PixelAt(form->Handle(), 35, 30);
    COLORREF right = uitest::PixelAt(form->Handle(), 65, 30);
    COLORREF outside = uitest::PixelAt(form->Handle(), 10, 5);
    EXPECT_GT(GetRValue(left), 200);   // the red half, placed in the middle
    EXPECT_GT(GetBValue(right), 200);  // the blue half
    EXPECT_EQ(outside, GetSysColor(COLOR_BTNFACE));
    uitest::ClickAt(form->Handle(), 50, 30);
    EXPECT_EQ(clicks, 1);

    image->Picture()->SaveToFile(dir.Path("out.jpg"));  // the same bytes
    TMemoryStream again;
    again.LoadFromFile(dir.Path("out.jpg"));
    EXPECT_EQ(std::vector<uint8_t>(again.Memory(), again.Memory() + again.Size()), data);
    image->Picture()->SaveToFile(dir.Path("out.bmp"));  // a bitmap
    TBitmap bitmap;
    bitmap.LoadFromFile(dir.Path("out.bmp"));
    EXPECT_EQ(bitmap.Width(), 40);
    EXPECT_EQ(bitmap.Height(), 20);
}

// Every name of the viewer's Save As: the file starts as its format does and the system's
// own reader gives the picture back; a name the program cannot write leaves no file.
TEST(Picture, EachNameIsWrittenInItsOwnFormat) {
    TempDir dir;
    std::vector<uint8_t> data = MakeJpeg(40, 20);
    TJPEGImage jpeg;
    jpeg.LoadFromMemory(data.data(), data.size());
    TPicture picture;
    picture.Assign(jpeg.Bitmap());  // a bitmap: the JPEG name has to be encoded too
    const struct {
        const char* name;
        std::vector<int> magic;  // -1: any byte
    } rows[] = {
        {"a.jpg", {0xFF, 0xD8, 0xFF}},
        {"a.JPEG", {0xFF, 0xD8, 0xFF}},
        {"a.bmp", {'B', 'M'}},
        {"a.gif", {'G', 'I', 'F', '8', -1, 'a'}},
        {"a.ico", {0, 0, 1, 0, 1, 0, 40, 20}},
        {"a.emf", {1, 0, 0, 0}},
        {"a.wmf", {0xD7, 0xCD, 0xC6, 0x9A}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NO_THROW(picture.SaveToFile(dir.Path(row.name)));
        TMemoryStream file;
        file.LoadFromFile(dir.Path(row.name));
        ASSERT_GE(file.Size(), static_cast<int64_t>(row.magic.size()));
        for (size_t i = 0; i < row.magic.size(); ++i) {
            if (row.magic[i] >= 0) {
                EXPECT_EQ(file.Memory()[i], row.magic[i]) << "byte " << i;
            }
        }
        TPicture back;
        ASSERT_NO_THROW(back.LoadFromFile(dir.Path(row.name)));
        EXPECT_EQ(back.Width(), 40);
        EXPECT_EQ(back.Height(), 20);
        const auto* left = static_cast<const uint8_t*>(back.Bitmap()->ScanLine(10)) + 5 * 3;
        const auto* right = static_cast<const uint8_t*>(back.Bitmap()->ScanLine(10)) + 35 * 3;
        EXPECT_TRUE(Near({left[0], left[1], left[2]}, {0, 0, 255})) << "red";
        EXPECT_TRUE(Near({right[0], right[1], right[2]}, {255, 0, 0})) << "blue";
    }
    TMemoryStream emf;
    emf.LoadFromFile(dir.Path("a.emf"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(emf.Memory()) + 40, 4), " EMF");

    EXPECT_THROW(picture.SaveToFile(dir.Path("a.png")), EInvalidGraphic);
    TBitmap wide;
    wide.SetSize(300, 20);
    picture.Assign(&wide);
    EXPECT_THROW(picture.SaveToFile(dir.Path("wide.ico")), EInvalidGraphic);
    for (const char* name : {"a.png", "wide.ico"})
        EXPECT_EQ(GetFileAttributesA(dir.Path(name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
    // A bitmap whose header claims more than the limits is refused before it is read.
    quiro::framework::JpegLimits limits;
    limits.maxSide = 30;
    EXPECT_THROW(picture.LoadFromFile(dir.Path("a.bmp"), limits), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir.Path("a.gif"), limits), EInvalidGraphic);
}

}  // namespace
