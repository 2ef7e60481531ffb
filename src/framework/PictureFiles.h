// Picture files by their extension, for TPicture. JPEG goes through the framework's own
// decoder and bitmaps through GDI; the other formats use what the system provides: GIF,
// icons and metafiles are read with the system's picture loader (OLE), GIF and JPEG are
// written with its imaging codecs, metafiles by recording the picture with GDI, and an icon
// is GDI's device-independent bitmap in the icon file's frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TBitmap;

enum class TPictureFormat { Unknown, Jpeg, Bitmap, Gif, Icon, EnhMetafile, Metafile };

// By the name's extension (.jpg, .jpeg, .jpe, .bmp, .gif, .ico, .emf, .wmf; any case).
TPictureFormat PictureFormatOf(const std::string& fileName);

// Reads a GIF, icon or metafile into `bitmap` (24 bits, transparent parts white). Throws
// EInvalidGraphic when the file cannot be read as such a picture, or when its size passes
// `maxSide` or `maxPixels`.
void LoadSystemPicture(const std::string& fileName, TBitmap& bitmap, uint32_t maxSide, uint32_t maxPixels);

// The file bytes of `bitmap` in `format` (not Unknown); throws EInvalidGraphic when the
// system cannot write it (an icon larger than 256 x 256 pixels, a missing codec).
std::vector<uint8_t> EncodePicture(TBitmap& bitmap, TPictureFormat format);

// The side and pixel count of a bitmap file's header; false when it is no bitmap file.
bool BitmapFileSize(const std::string& fileName, int64_t& width, int64_t& height);
