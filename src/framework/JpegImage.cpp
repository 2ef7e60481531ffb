#include "framework/JpegImage.h"

#include <cstring>

#include "framework/core/Streams.h"

using quiro::framework::DecodeJpeg;
using quiro::framework::JpegPicture;
using quiro::framework::JpegStatus;

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::LoadFromMemory(const uint8_t* data, size_t size) {
    if (static_cast<int64_t>(size) > kMaxDataSize) throw EJPEG("JPEG error: the picture is too large");
    JpegPicture pic = DecodeJpeg(data, size, FLimits);
    if (pic.status == JpegStatus::Failed)
        throw EJPEG("JPEG error: " + (pic.message.empty() ? std::string("not a JPEG picture") : pic.message));
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(pic.width, pic.height);
    const size_t rowBytes = static_cast<size_t>(pic.width) * 3;
    for (int y = 0; y < pic.height; ++y)
        std::memcpy(bitmap->ScanLine(y), pic.bgr.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
    FData.assign(data, data + size);
    FBitmap = std::move(bitmap);
    FWidth = pic.width;
    FHeight = pic.height;
    FStatus = pic.status;
    FMessage = pic.message;
}

void TJPEGImage::Assign(const TJPEGImage& source) {
    if (&source == this) return;
    std::unique_ptr<TBitmap> bitmap;
    if (source.FBitmap) {
        bitmap = std::make_unique<TBitmap>();
        bitmap->Assign(source.FBitmap.get());
    }
    FData = source.FData;
    FBitmap = std::move(bitmap);
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    FStatus = source.FStatus;
    FMessage = source.FMessage;
}

void TJPEGImage::LoadFromStream(TStream* stream) {
    int64_t left = stream->Size() - stream->Position();
    if (left < 0) left = 0;
    if (left > kMaxDataSize) throw EJPEG("JPEG error: the picture is too large");
    std::vector<uint8_t> data(static_cast<size_t>(left));
    if (left > 0) stream->ReadBuffer(data.data(), static_cast<int32_t>(left));
    LoadFromMemory(data.data(), data.size());
}

void TJPEGImage::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TJPEGImage::SaveToStream(TStream* stream) const {
    if (!FData.empty()) stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TJPEGImage::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

void TJPEGImage::AssignTo(TBitmap* bitmap) const {
    if (!bitmap) return;
    if (FBitmap) bitmap->Assign(FBitmap.get());
    else bitmap->SetSize(0, 0);
}
