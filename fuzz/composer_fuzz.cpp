// The glyph composer on any bytes (status lines and the character table hand it anything),
// the hex dump, and the bitmap reader on damaged bitmaps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engines/core/CaptureFormat.h"
#include "engines/core/GlyphComposer.h"
#include "engines/core/MonoImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const BitmapFontSet fonts{MonoImage(760, 16), MonoImage(1504, 592),
                                     MonoImage(1504, 832)};
    GlyphComposer composer(fonts);
    MonoImage line;
    composer.ComposeLine(data, size, line);
    if (line.Width() != static_cast<int>(size) * 8 || line.Height() != 16) std::abort();

    HexDumpFormatter dump;
    dump.Begin(CaptureTime{}, size);
    dump.Add(data, size);
    const std::string& text = dump.Finish();
    // Header, 69 characters and a CR per full row, a padded row, a blank line.
    if (text.size() < 37 + (size / 16) * 70) std::abort();

    MonoImage image;
    std::string error;
    if (DecodeMonoDib(data, size, image, &error)) {
        const std::vector<uint8_t> again = EncodeMonoBmp(image);
        MonoImage back;
        if (!DecodeMonoDib(again.data(), again.size(), back, &error) || back.Bits() != image.Bits())
            std::abort();
    }
    return 0;
}
