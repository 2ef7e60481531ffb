// JPEG pictures made here with libjpeg's compressor, decoded through TJPEGImage.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "UiTestKit.h"
#include "core/TempDir.h"
#include "framework/ExtCtrls.h"
#include "framework/JpegImage.h"
#include "framework/core/Streams.h"

namespace {

// A width x height picture, the left half red and the right half blue, with some noise
// so that the picture data, not the headers, makes most of the file.
std::vector<uint8_t> MakeJpeg(int width, int height) {
    std::mt19937 rng(1);
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x) {
            bool left = x < width / 2;
            int n = static_cast<int>(rng() % 24);
            row[x * 3] = static_cast<uint8_t>(left ? 255 - n : n);
            row[x * 3 + 1] = static_cast<uint8_t>(n);
            row[x * 3 + 2] = static_cast<uint8_t>(left ? n : 255 - n);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> data(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return data;
}

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

}  // namespace
