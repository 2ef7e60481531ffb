// Text streaming of the rich edit control, the portable half: the converters that move
// bytes between a stream and the control, the registry that picks a format and a
// converter by a file's extension, the flags of a stream operation, and the normaliser of
// what the control is given to read.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/core/Streams.h"

// Moves the bytes of a load or a save between the stream and the control; a descendant may
// transform them on the way.
class TConversion {
public:
    virtual ~TConversion() = default;
    // Up to `bufSize` bytes of the stream into `buffer`; the count read (0 at the end).
    virtual int ConvertReadStream(TStream& stream, char* buffer, int bufSize);
    // The `bufSize` bytes of `buffer` into the stream; the count written (fewer when the
    // stream took no more).
    virtual int ConvertWriteStream(TStream& stream, const char* buffer, int bufSize);
};

// A converter class: makes a new converter.
using TConversionClass = std::unique_ptr<TConversion> (*)();
template <class T>
std::unique_ptr<TConversion> NewConversion() {
    return std::make_unique<T>();
}

// ---- Extensions ---------------------------------------------------------------------------

struct TConversionFormat {
    TConversionClass ConversionClass;
    std::string Extension;  // lower case, without the dot
    bool PlainText;         // plain text, else RTF
};

// Puts a format at the head of the registry, so that it wins over an earlier registration
// of the same extension (given with or without its dot, in any case). The registry starts
// with "txt" (plain) and "rtf", both with TConversion.
void RegisterConversionFormat(const std::string& extension, bool plainText,
                              TConversionClass conversionClass);
// The newest format registered for the extension of the file name (nullptr: none).
const TConversionFormat* FindConversionFormat(const std::string& fileName);
// Back to the two built-in formats.
void ResetConversionFormats();

// ---- Stream operations --------------------------------------------------------------------

enum TRichStreamFormat { sfDefault, sfRichText, sfPlainText };
enum TRichStreamMode : unsigned {
    smSelection = 1,  // only the selection is written, or replaced by what is read
    smPlainRtf = 2,   // only the keywords common to all languages
    smNoObjects = 4,  // a saved RTF text leaves its objects out
    smUnicode = 8,    // plain text as UTF-16
};
using TRichStreamModes = unsigned;

namespace quiro::controls {

// Whether a stream operation is in plain text: the format says so, or leaves it to the
// control's own text mode.
bool StreamIsPlain(TRichStreamFormat format, bool controlPlainText);
// The flags of a load (EM_STREAMIN) and of a save (EM_STREAMOUT) with the library version
// of the control (Unicode text needs 2 or more). A failed load is tried once more in the
// other format with StreamInFlags(!plain, ...): the selection stays the target.
uint32_t StreamInFlags(bool plain, TRichStreamModes mode, int version);
uint32_t StreamOutFlags(bool plain, TRichStreamModes mode, int version);
// Whether a load with these flags reads UTF-16 text.
bool StreamIsUnicode(uint32_t flags);

}  // namespace quiro::controls

// What the control is given when it reads: every line break as CR LF (a lone CR or LF
// becomes CR LF, CR LF stays one break also when a read ends between the two), NUL units
// left out and everything after them kept. Units are bytes, or 16-bit little-endian units
// in a Unicode stream (an odd byte waits for its partner). The control converts each piece
// it is given on its own, so a piece of bytes never ends inside a double-byte character
// (code page 949): a lead byte at the end of a read waits for the next one.
class TStreamNormaliser {
public:
    // Reads up to `count` bytes into `buffer`; the count read, 0 at the end. May throw.
    using Reader = std::function<int(char* buffer, int count)>;

    explicit TStreamNormaliser(int unitSize = 1);

    // Up to `capacity` bytes of normalised text, reading as often as it takes: 0 only when
    // the reader is at its end and everything was given.
    int Fill(char* out, int capacity, const Reader& read);

private:
    void Normalise(const char* data, int count);
    void Put(uint16_t unit);
    void PutBreak();
    // How much of what is pending may go out in a piece of at most `capacity` bytes.
    size_t Deliverable(size_t capacity) const;

    int unitSize_;
    std::string pending_;  // normalised, not yet given
    size_t given_ = 0;     // of pending_
    std::string partial_;  // the first byte of a 16-bit unit
    bool carriedCR_ = false;
    bool ended_ = false;
};
