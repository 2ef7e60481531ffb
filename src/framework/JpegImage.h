// TJPEGImage: a JPEG picture held as its file bytes and decoded into a 24-bit DIB.
//
// Loading decodes at once. Data that is no JPEG, or whose headers are corrupt, throws
// EJPEG with the decoder's reason and leaves the image as it was. A picture whose data
// stops early (one still arriving) loads as far as it goes, the rest filled with grey;
// one with corrupt data inside loads as well as it decodes: Status() tells both apart
// from a complete picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/core/JpegDecode.h"

class TStream;

class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

class TJPEGImage {
public:
    TJPEGImage();
    ~TJPEGImage();
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // Most bytes a picture may have (larger data throws EJPEG before anything is read).
    static constexpr int64_t kMaxDataSize = 64 * 1024 * 1024;

    // Limits of the pictures loaded from now on (the decoder's defaults at first).
    void SetLimits(const quiro::framework::JpegLimits& limits) { FLimits = limits; }
    // A copy of another picture: its bytes and its decoded pixels, without decoding again.
    void Assign(const TJPEGImage& source);

    // From the stream's position to its end.
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const std::string& fileName);
    void LoadFromMemory(const uint8_t* data, size_t size);
    // Writes the picture's JPEG bytes as they were loaded.
    void SaveToStream(TStream* stream) const;
    void SaveToFile(const std::string& fileName) const;

    bool Empty() const { return !FBitmap; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    quiro::framework::JpegStatus Status() const { return FStatus; }
    const std::string& StatusMessage() const { return FMessage; }

    // The decoded picture (nullptr when empty); the image keeps owning it.
    TBitmap* Bitmap() const { return FBitmap.get(); }
    // Copies the decoded picture into `bitmap`.
    void AssignTo(TBitmap* bitmap) const;

private:
    std::vector<uint8_t> FData;
    std::unique_ptr<TBitmap> FBitmap;
    int FWidth = 0, FHeight = 0;
    quiro::framework::JpegStatus FStatus = quiro::framework::JpegStatus::Failed;
    std::string FMessage;
    quiro::framework::JpegLimits FLimits;
};
