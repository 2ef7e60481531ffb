#include "controls/core/RichStream.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "framework/core/SysUtils.h"

int TConversion::ConvertReadStream(TStream& stream, char* buffer, int bufSize) {
    return stream.Read(buffer, bufSize);
}

int TConversion::ConvertWriteStream(TStream& stream, const char* buffer, int bufSize) {
    return stream.Write(buffer, bufSize);
}

// ---- Extensions ---------------------------------------------------------------------------

namespace {

std::deque<TConversionFormat> BuiltInFormats() {
    return {{&NewConversion<TConversion>, "txt", true},
            {&NewConversion<TConversion>, "rtf", false}};
}

// Newest first.
std::deque<TConversionFormat>& Formats() {
    static std::deque<TConversionFormat> formats = BuiltInFormats();
    return formats;
}

std::string ExtensionKey(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    return AnsiLowerCase(extension);
}

}  // namespace

void RegisterConversionFormat(const std::string& extension, bool plainText,
                              TConversionClass conversionClass) {
    Formats().push_front({conversionClass, ExtensionKey(extension), plainText});
}

const TConversionFormat* FindConversionFormat(const std::string& fileName) {
    const std::string ext = ExtensionKey(ExtractFileExt(fileName));
    if (ext.empty()) return nullptr;
    for (const TConversionFormat& f : Formats())
        if (f.Extension == ext) return &f;
    return nullptr;
}

void ResetConversionFormats() {
    Formats() = BuiltInFormats();
}

// ---- Stream operations --------------------------------------------------------------------

namespace quiro::controls {

namespace {
constexpr uint32_t kText = 1, kRtf = 2, kRtfNoObjects = 3, kUnicode = 16;
constexpr uint32_t kPlainRtf = 0x4000, kSelection = 0x8000;
}  // namespace

bool StreamIsPlain(TRichStreamFormat format, bool controlPlainText) {
    return format == sfPlainText || (format == sfDefault && controlPlainText);
}

uint32_t StreamInFlags(bool plain, TRichStreamModes mode, int version) {
    uint32_t flags;
    if (plain)
        flags = kText | ((mode & smUnicode) && version >= 2 ? kUnicode : 0);
    else
        flags = kRtf | (mode & smPlainRtf ? kPlainRtf : 0);
    return flags | (mode & smSelection ? kSelection : 0);
}

uint32_t StreamOutFlags(bool plain, TRichStreamModes mode, int version) {
    uint32_t flags;
    if (plain)
        flags = kText | ((mode & smUnicode) && version >= 2 ? kUnicode : 0);
    else
        flags = (mode & smNoObjects ? kRtfNoObjects : kRtf) | (mode & smPlainRtf ? kPlainRtf : 0);
    return flags | (mode & smSelection ? kSelection : 0);
}

bool StreamIsUnicode(uint32_t flags) {
    return (flags & 3) == kText && (flags & kUnicode);
}

}  // namespace quiro::controls

// ---- Normaliser ---------------------------------------------------------------------------

TStreamNormaliser::TStreamNormaliser(int unitSize) : unitSize_(unitSize == 2 ? 2 : 1) {}

void TStreamNormaliser::Put(uint16_t unit) {
    pending_ += static_cast<char>(unit & 0xFF);
    if (unitSize_ == 2) pending_ += static_cast<char>(unit >> 8);
}

void TStreamNormaliser::PutBreak() {
    Put('\r');
    Put('\n');
}

void TStreamNormaliser::Normalise(const char* data, int count) {
    std::string units = partial_;
    units.append(data, static_cast<size_t>(count));
    const size_t whole = units.size() / static_cast<size_t>(unitSize_) * unitSize_;
    partial_ = units.substr(whole);
    for (size_t i = 0; i < whole; i += static_cast<size_t>(unitSize_)) {
        uint16_t unit = static_cast<uint8_t>(units[i]);
        if (unitSize_ == 2) unit |= static_cast<uint16_t>(static_cast<uint8_t>(units[i + 1]) << 8);
        if (carriedCR_) {
            // A CR waits for the next unit: with an LF it is one break, else one of its own.
            carriedCR_ = false;
            PutBreak();
            if (unit == '\n') continue;
        }
        if (unit == '\r')
            carriedCR_ = true;
        else if (unit == '\n')
            PutBreak();
        else if (unit != 0)
            Put(unit);
    }
}

size_t TStreamNormaliser::Deliverable(size_t capacity) const {
    const std::string_view rest = std::string_view(pending_).substr(given_);
    if (unitSize_ == 2) return std::min(rest.size(), capacity);
    size_t n = 0;
    while (n < rest.size()) {
        const size_t step = IsDoubleBytePair(rest, n) ? 2 : 1;
        if (n + step > capacity) break;
        // A lead byte last of all may still get its partner.
        const auto byte = static_cast<uint8_t>(rest[n]);
        if (!ended_ && step == 1 && n + 1 == rest.size() && byte >= 0x81 && byte <= 0xFE) break;
        n += step;
    }
    // A capacity of one byte cannot take a pair whole.
    if (n == 0 && !rest.empty() && (ended_ || rest.size() > capacity))
        n = std::min(rest.size(), capacity);
    return n;
}

int TStreamNormaliser::Fill(char* out, int capacity, const Reader& read) {
    // Whole units only, when the capacity allows.
    if (capacity >= unitSize_) capacity -= capacity % unitSize_;
    if (capacity <= 0) return 0;
    std::vector<char> chunk(static_cast<size_t>(std::max(capacity / 2, 2)));
    size_t n;
    while ((n = Deliverable(static_cast<size_t>(capacity))) == 0 && !ended_) {
        pending_.erase(0, given_);
        given_ = 0;
        const int got = read ? read(chunk.data(), static_cast<int>(chunk.size())) : 0;
        if (got > 0) {
            Normalise(chunk.data(), std::min(got, static_cast<int>(chunk.size())));
        } else {
            ended_ = true;
            if (carriedCR_) PutBreak();
            carriedCR_ = false;
            partial_.clear();  // half a unit at the end is no character
        }
    }
    if (n) std::memcpy(out, pending_.data() + given_, n);
    given_ += n;
    return static_cast<int>(n);
}
