#include "framework/PictureFiles.h"

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>
#include <wincodec.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

#include "framework/Graphics.h"
#include "framework/core/SysUtils.h"

namespace {

// Holds one reference of a COM object.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** operator&() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// COM for the calls below, on a thread that may not have it yet (balanced when it went in).
class ComScope {
public:
    ComScope() : FEntered(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (FEntered) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool FEntered;
};

[[noreturn]] void Refuse(const std::string& text) { throw EInvalidGraphic(text); }

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        char code[16];
        wsprintfA(code, "%08lX", static_cast<unsigned long>(hr));
        Refuse(std::string(what) + " (error " + code + ")");
    }
}

std::vector<uint8_t> ReadWholeFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) Refuse("Cannot open file \"" + fileName + "\"");
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A memory stream holding a copy of `bytes`.
void StreamOn(const std::vector<uint8_t>& bytes, IStream** stream) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!memory) Refuse("Not enough memory for the picture");
    if (!bytes.empty()) {
        void* p = GlobalLock(memory);
        std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(memory);
    }
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream))) {
        GlobalFree(memory);
        Refuse("Not enough memory for the picture");
    }
}

std::vector<uint8_t> StreamBytes(IStream* stream) {
    HGLOBAL memory = nullptr;
    Check(GetHGlobalFromStream(stream, &memory), "The picture could not be written");
    STATSTG stat{};
    Check(stream->Stat(&stat, STATFLAG_NONAME), "The picture could not be written");
    const size_t size = static_cast<size_t>(stat.cbSize.QuadPart);
    std::vector<uint8_t> bytes(size);
    if (size) {
        void* p = GlobalLock(memory);
        std::memcpy(bytes.data(), p, size);
        GlobalUnlock(memory);
    }
    return bytes;
}

// Pixels of `bitmap` as a device-independent bitmap of `bits` bits, rows from the bottom.
std::vector<uint8_t> DibPixels(TBitmap& bitmap, int bits, BITMAPINFOHEADER& header) {
    header = BITMAPINFOHEADER{};
    header.biSize = sizeof header;
    header.biWidth = bitmap.Width();
    header.biHeight = bitmap.Height();
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = BI_RGB;
    const size_t stride = ((static_cast<size_t>(bitmap.Width()) * bits + 31) / 32) * 4;
    std::vector<uint8_t> pixels(stride * static_cast<size_t>(bitmap.Height()));
    HDC screen = GetDC(nullptr);
    // The bitmap may be selected into its canvas: the pixels are read from a copy.
    HBITMAP copy = CreateCompatibleBitmap(screen, bitmap.Width(), bitmap.Height());
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, copy);
    BitBlt(dc, 0, 0, bitmap.Width(), bitmap.Height(), bitmap.Canvas()->Handle(), 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    BITMAPINFO info{};
    info.bmiHeader = header;
    const int rows = GetDIBits(screen, copy, 0, static_cast<UINT>(bitmap.Height()), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(copy);
    ReleaseDC(nullptr, screen);
    if (rows != bitmap.Height()) Refuse("Cannot read the picture's pixels");
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    return pixels;
}

// GIF and JPEG through the system's imaging codecs.
std::vector<uint8_t> EncodeWithCodec(TBitmap& bitmap, const GUID& container, bool indexed) {
    ComScope com;
    BITMAPINFOHEADER header;
    std::vector<uint8_t> pixels = DibPixels(bitmap, 24, header);
    const UINT width = static_cast<UINT>(bitmap.Width()), height = static_cast<UINT>(bitmap.Height());
    const UINT stride = static_cast<UINT>(pixels.size() / height);
    // The codecs take rows from the top.
    std::vector<uint8_t> topDown(pixels.size());
    for (UINT y = 0; y < height; ++y)
        std::memcpy(topDown.data() + size_t(y) * stride, pixels.data() + size_t(height - 1 - y) * stride, stride);

    const char* failed = "The system cannot write this kind of picture";
    ComRef<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(&factory)),
          failed);
    ComRef<IWICBitmap> source;
    Check(factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat24bppBGR, stride,
                                          static_cast<UINT>(topDown.size()), topDown.data(), &source),
          failed);
    ComRef<IStream> stream;
    Check(CreateStreamOnHGlobal(nullptr, TRUE, &stream), failed);
    ComRef<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(container, nullptr, &encoder), failed);
    Check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), failed);
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    Check(encoder->CreateNewFrame(&frame, &options), failed);
    Check(frame->Initialize(options.get()), failed);
    Check(frame->SetSize(width, height), failed);
    if (indexed) {
        // 256 colours chosen from the picture itself, the rest dithered.
        ComRef<IWICPalette> palette;
        Check(factory->CreatePalette(&palette), failed);
        Check(palette->InitializeFromBitmap(source.get(), 256, FALSE), failed);
        ComRef<IWICFormatConverter> converter;
        Check(factory->CreateFormatConverter(&converter), failed);
        Check(converter->Initialize(source.get(), GUID_WICPixelFormat8bppIndexed, WICBitmapDitherTypeErrorDiffusion,
                                    palette.get(), 0.0, WICBitmapPaletteTypeCustom),
              failed);
        WICPixelFormatGUID format = GUID_WICPixelFormat8bppIndexed;
        Check(frame->SetPixelFormat(&format), failed);
        if (format != GUID_WICPixelFormat8bppIndexed) Refuse(failed);
        Check(frame->SetPalette(palette.get()), failed);
        Check(frame->WriteSource(converter.get(), nullptr), failed);
    } else {
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        Check(frame->SetPixelFormat(&format), failed);
        if (format != GUID_WICPixelFormat24bppBGR) Refuse(failed);
        Check(frame->WritePixels(height, stride, static_cast<UINT>(topDown.size()), topDown.data()), failed);
    }
    Check(frame->Commit(), failed);
    Check(encoder->Commit(), failed);
    return StreamBytes(stream.get());
}

template <class T>
void Put(std::vector<uint8_t>& out, const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

// The icon file: one image, the bitmap's pixels with an opaque alpha, and an empty mask.
std::vector<uint8_t> EncodeIcon(TBitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    if (w > 256 || h > 256)
        Refuse("An icon holds a picture of at most 256 x 256 pixels; this one has " + IntToStr(w) + " x " +
               IntToStr(h) + ".");
    BITMAPINFOHEADER header;
    std::vector<uint8_t> pixels = DibPixels(bitmap, 32, header);
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0xFF;
    const size_t maskStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
    const std::vector<uint8_t> mask(maskStride * static_cast<size_t>(h), 0);
    header.biHeight = 2 * h;  // the colours and the mask
    header.biSizeImage = static_cast<DWORD>(pixels.size() + mask.size());

    std::vector<uint8_t> out;
    Put(out, WORD(0));  // reserved
    Put(out, WORD(1));  // an icon
    Put(out, WORD(1));  // one image
    Put(out, BYTE(w == 256 ? 0 : w));
    Put(out, BYTE(h == 256 ? 0 : h));
    Put(out, BYTE(0));  // no palette
    Put(out, BYTE(0));
    Put(out, WORD(1));   // planes
    Put(out, WORD(32));  // bits per pixel
    Put(out, DWORD(sizeof header + pixels.size() + mask.size()));
    Put(out, DWORD(6 + 16));  // where the image starts
    Put(out, header);
    out.insert(out.end(), pixels.begin(), pixels.end());
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

// The bitmap drawn into a metafile, at 96 pixels to the inch.
std::vector<uint8_t> EncodeMetafile(TBitmap& bitmap, bool enhanced) {
    const int w = bitmap.Width(), h = bitmap.Height();
    BITMAPINFOHEADER header;
    const std::vector<uint8_t> pixels = DibPixels(bitmap, 24, header);
    BITMAPINFO info{};
    info.bmiHeader = header;
    std::vector<uint8_t> out;
    if (enhanced) {
        HDC screen = GetDC(nullptr);
        // The frame in hundredths of a millimetre.
        const RECT frame{0, 0, MulDiv(w, 2540, 96), MulDiv(h, 2540, 96)};
        HDC dc = CreateEnhMetaFileA(screen, nullptr, &frame, "Quiro 2\0Picture\0");
        ReleaseDC(nullptr, screen);
        if (!dc) Refuse("The system cannot make a metafile");
        StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        HENHMETAFILE meta = CloseEnhMetaFile(dc);
        if (!meta) Refuse("The system cannot make a metafile");
        out.resize(GetEnhMetaFileBits(meta, 0, nullptr));
        GetEnhMetaFileBits(meta, static_cast<UINT>(out.size()), out.data());
        DeleteEnhMetaFile(meta);
    } else {
        HDC dc = CreateMetaFileA(nullptr);
        if (!dc) Refuse("The system cannot make a metafile");
        SetWindowOrgEx(dc, 0, 0, nullptr);
        SetWindowExtEx(dc, w, h, nullptr);
        StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        HMETAFILE meta = CloseMetaFile(dc);
        if (!meta) Refuse("The system cannot make a metafile");
        std::vector<uint8_t> records(GetMetaFileBitsEx(meta, 0, nullptr));
        GetMetaFileBitsEx(meta, static_cast<UINT>(records.size()), records.data());
        DeleteMetaFile(meta);
        // The placeable header in front tells readers the picture's size.
        WORD head[11] = {0xCDD7, 0x9AC6, 0, 0, 0, static_cast<WORD>(w), static_cast<WORD>(h), 96, 0, 0, 0};
        for (int i = 0; i < 10; ++i) head[10] ^= head[i];
        for (WORD word : head) Put(out, word);
        out.insert(out.end(), records.begin(), records.end());
    }
    if (out.empty()) Refuse("The system cannot make a metafile");
    return out;
}

}  // namespace

TPictureFormat PictureFormatOf(const std::string& fileName) {
    std::string ext = ExtractFileExt(fileName);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") return TPictureFormat::Jpeg;
    if (ext == ".bmp") return TPictureFormat::Bitmap;
    if (ext == ".gif") return TPictureFormat::Gif;
    if (ext == ".ico") return TPictureFormat::Icon;
    if (ext == ".emf") return TPictureFormat::EnhMetafile;
    if (ext == ".wmf") return TPictureFormat::Metafile;
    return TPictureFormat::Unknown;
}

bool BitmapFileSize(const std::string& fileName, int64_t& width, int64_t& height) {
    std::ifstream in(fileName, std::ios::binary);
    uint8_t head[26] = {};
    if (!in.read(reinterpret_cast<char*>(head), sizeof head) || head[0] != 'B' || head[1] != 'M') return false;
    auto u16 = [&](int at) { return int64_t(head[at] | head[at + 1] << 8); };
    auto s32 = [&](int at) { return int64_t(int32_t(uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16)); };
    if (u16(14) == 12) {  // the old core header: 16-bit sides
        width = u16(18);
        height = u16(20);
    } else {
        width = s32(18);
        height = s32(22);
    }
    if (width < 0) width = -width;
    if (height < 0) height = -height;
    return true;
}

void LoadSystemPicture(const std::string& fileName, TBitmap& bitmap, uint32_t maxSide, uint32_t maxPixels) {
    ComScope com;
    const std::vector<uint8_t> bytes = ReadWholeFile(fileName);
    ComRef<IStream> stream;
    StreamOn(bytes, &stream);
    ComRef<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture))) ||
        !picture)
        Refuse("The picture in \"" + ExtractFileName(fileName) + "\" cannot be read");
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    picture->get_Width(&hmWidth);
    picture->get_Height(&hmHeight);
    // Hundredths of a millimetre to pixels at 96 to the inch.
    const int64_t w = (int64_t(hmWidth) * 96 + 1270) / 2540, h = (int64_t(hmHeight) * 96 + 1270) / 2540;
    if (w < 1 || h < 1) Refuse("The picture in \"" + ExtractFileName(fileName) + "\" is empty");
    if (w > maxSide || h > maxSide || w * h > int64_t(maxPixels))
        Refuse("The picture in \"" + ExtractFileName(fileName) + "\" is too large (" + IntToStr(w) + " x " +
               IntToStr(h) + ")");
    TBitmap drawn;
    drawn.SetPixelFormat(pf24bit);
    drawn.SetSize(int(w), int(h));
    HDC dc = drawn.Canvas()->Handle();
    RECT all{0, 0, int(w), int(h)};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Check(picture->Render(dc, 0, 0, int(w), int(h), 0, hmHeight, hmWidth, -hmHeight, nullptr),
          "The picture cannot be drawn");
    bitmap.Assign(&drawn);
}

std::vector<uint8_t> EncodePicture(TBitmap& bitmap, TPictureFormat format) {
    if (bitmap.Empty() || bitmap.Width() < 1 || bitmap.Height() < 1) Refuse("There is no picture to save");
    switch (format) {
    case TPictureFormat::Jpeg: return EncodeWithCodec(bitmap, GUID_ContainerFormatJpeg, false);
    case TPictureFormat::Gif: return EncodeWithCodec(bitmap, GUID_ContainerFormatGif, true);
    case TPictureFormat::Icon: return EncodeIcon(bitmap);
    case TPictureFormat::EnhMetafile: return EncodeMetafile(bitmap, true);
    case TPictureFormat::Metafile: return EncodeMetafile(bitmap, false);
    default: break;
    }
    Refuse("This kind of picture file is not known");
}
