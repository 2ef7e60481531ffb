#include "PcfFont.h"

#include <cstring>

namespace {

constexpr uint32_t kProperties = 1u << 0;
constexpr uint32_t kAccelerators = 1u << 1;
constexpr uint32_t kMetrics = 1u << 2;
constexpr uint32_t kBitmaps = 1u << 3;
constexpr uint32_t kEncodings = 1u << 5;
constexpr uint32_t kBdfAccelerators = 1u << 8;

constexpr uint32_t kCompressedMetrics = 0x100;
constexpr uint32_t kFormatMask = 0xFFFFFF00;

// A bounds-checked cursor over one table, in the table's byte order.
class Cursor {
public:
    Cursor(const std::vector<uint8_t>& data, size_t pos, size_t end)
        : data_(data), pos_(pos), end_(end) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    void seek(size_t pos) {
        if (pos > end_) ok_ = false;
        pos_ = pos;
    }
    void setBigEndian(bool big) { big_ = big; }

    uint32_t u8() {
        if (!need(1)) return 0;
        return data_[pos_++];
    }
    uint32_t u16() {
        if (!need(2)) return 0;
        uint32_t a = data_[pos_], b = data_[pos_ + 1];
        pos_ += 2;
        return big_ ? (a << 8 | b) : (b << 8 | a);
    }
    int32_t s16() { return static_cast<int16_t>(u16()); }
    uint32_t u32() {
        if (!need(4)) return 0;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            uint32_t byte = data_[pos_ + (big_ ? i : 3 - i)];
            v = v << 8 | byte;
        }
        pos_ += 4;
        return v;
    }
    int32_t s32() { return static_cast<int32_t>(u32()); }
    // The format word that starts every table is always little-endian; it says the rest.
    uint32_t format() {
        big_ = false;
        uint32_t f = u32();
        big_ = (f & 4) != 0;
        return f;
    }

private:
    bool need(size_t n) {
        if (!ok_ || end_ - pos_ < n || pos_ > end_) {
            ok_ = false;
            return false;
        }
        return true;
    }

    const std::vector<uint8_t>& data_;
    size_t pos_;
    size_t end_;
    bool big_ = false;
    bool ok_ = true;
};

struct Table {
    uint32_t type = 0;
    uint32_t format = 0;
    size_t size = 0;
    size_t offset = 0;
};

}  // namespace

bool PcfFont::Fail(const std::string& why) {
    error_ = why;
    glyphs_.clear();
    encoding_.clear();
    return false;
}

const PcfGlyph* PcfFont::Find(unsigned code) const {
    const int b1 = static_cast<int>(code >> 8), b2 = static_cast<int>(code & 0xFF);
    if (b1 < minByte1_ || b1 > maxByte1_ || b2 < minByte2_ || b2 > maxByte2_) return nullptr;
    const size_t i =
        static_cast<size_t>(b1 - minByte1_) * (maxByte2_ - minByte2_ + 1) + (b2 - minByte2_);
    if (i >= encoding_.size() || encoding_[i] == 0xFFFF || encoding_[i] >= glyphs_.size())
        return nullptr;
    return &glyphs_[encoding_[i]];
}

bool PcfFont::Parse(const std::vector<uint8_t>& file) {
    if (file.size() < 8 || std::memcmp(file.data(), "\1fcp", 4) != 0) return Fail("not a PCF font");
    Cursor toc(file, 4, file.size());
    const uint32_t count = toc.u32();
    if (count > 64) return Fail("bad table count");
    std::vector<Table> tables;
    for (uint32_t i = 0; i < count; ++i) {
        Table t;
        t.type = toc.u32();
        t.format = toc.u32();
        t.size = toc.u32();
        t.offset = toc.u32();
        if (!toc.ok() || t.offset > file.size()) return Fail("bad table of contents");
        // Some fonts give the last table a size past the end of the file: cut it there.
        if (file.size() - t.offset < t.size) t.size = file.size() - t.offset;
        tables.push_back(t);
    }
    auto find = [&](uint32_t type) -> const Table* {
        for (const Table& t : tables)
            if (t.type == type) return &t;
        return nullptr;
    };
    auto cursor = [&](const Table& t) { return Cursor(file, t.offset, t.offset + t.size); };

    // Metrics.
    const Table* metrics = find(kMetrics);
    if (!metrics) return Fail("no metrics table");
    {
        Cursor c = cursor(*metrics);
        const uint32_t format = c.format();
        const bool compressed = (format & kFormatMask) == kCompressedMetrics;
        const uint32_t n = compressed ? c.u16() : c.u32();
        if (n > 100000) return Fail("bad glyph count");
        glyphs_.resize(n);
        for (PcfGlyph& g : glyphs_) {
            if (compressed) {
                g.left = static_cast<int>(c.u8()) - 0x80;
                g.right = static_cast<int>(c.u8()) - 0x80;
                g.width = static_cast<int>(c.u8()) - 0x80;
                g.ascent = static_cast<int>(c.u8()) - 0x80;
                g.descent = static_cast<int>(c.u8()) - 0x80;
            } else {
                g.left = c.s16();
                g.right = c.s16();
                g.width = c.s16();
                g.ascent = c.s16();
                g.descent = c.s16();
                c.u16();  // attributes
            }
            if (g.Columns() < 0 || g.Rows() < 0 || g.Columns() > 256 || g.Rows() > 256)
                return Fail("bad glyph metrics");
        }
        if (!c.ok()) return Fail("truncated metrics table");
    }

    // Bitmaps.
    const Table* bitmaps = find(kBitmaps);
    if (!bitmaps) return Fail("no bitmaps table");
    {
        Cursor c = cursor(*bitmaps);
        const uint32_t format = c.format();
        const uint32_t n = c.u32();
        if (n != glyphs_.size()) return Fail("bitmap and metrics counts differ");
        std::vector<uint32_t> offsets(n);
        for (uint32_t& o : offsets) o = c.u32();
        uint32_t sizes[4];
        for (uint32_t& s : sizes) s = c.u32();
        const size_t base = c.pos();
        const int pad = 1 << (format & 3);
        const bool msbBit = (format & 8) != 0;
        const bool msbByte = (format & 4) != 0;
        const int unit = 1 << ((format >> 4) & 3);
        if (!c.ok() || sizes[format & 3] > bitmaps->size) return Fail("truncated bitmaps table");
        size_t totalPixels = 0;
        for (uint32_t i = 0; i < n; ++i) {
            PcfGlyph& g = glyphs_[i];
            const int columns = g.Columns(), rows = g.Rows();
            const size_t rowBytes = static_cast<size_t>((columns + pad * 8 - 1) / (pad * 8) * pad);
            const size_t start = base + offsets[i];
            if (offsets[i] > sizes[format & 3] ||
                start + rowBytes * rows > bitmaps->offset + bitmaps->size)
                return Fail("glyph bitmap outside its table");
            // Glyphs may share bitmap bytes; bound what a damaged file can make us allocate.
            totalPixels += static_cast<size_t>(columns) * rows;
            if (totalPixels > (size_t{1} << 26)) return Fail("glyphs too large");
            g.pixels.assign(static_cast<size_t>(columns) * rows, 0);
            for (int r = 0; r < rows; ++r) {
                const uint8_t* row = file.data() + start + rowBytes * r;
                for (int col = 0; col < columns; ++col) {
                    // Find the byte that holds this pixel: bytes are swapped within a scan
                    // unit when byte and bit order differ.
                    size_t byte = static_cast<size_t>(col / 8);
                    if (msbByte != msbBit && unit > 1)
                        byte = byte / unit * unit + (unit - 1 - byte % unit);
                    const int bit = msbBit ? 7 - col % 8 : col % 8;
                    g.pixels[static_cast<size_t>(r) * columns + col] = (row[byte] >> bit) & 1;
                }
            }
        }
    }

    // Encodings.
    const Table* encodings = find(kEncodings);
    if (!encodings) return Fail("no encodings table");
    {
        Cursor c = cursor(*encodings);
        c.format();
        minByte2_ = c.s16();
        maxByte2_ = c.s16();
        minByte1_ = c.s16();
        maxByte1_ = c.s16();
        c.s16();  // default character
        if (minByte2_ < 0 || maxByte2_ > 255 || minByte1_ < 0 || maxByte1_ > 255 ||
            minByte2_ > maxByte2_ || minByte1_ > maxByte1_)
            return Fail("bad encoding range");
        encoding_.resize(static_cast<size_t>(maxByte2_ - minByte2_ + 1) *
                         (maxByte1_ - minByte1_ + 1));
        for (uint16_t& e : encoding_) e = static_cast<uint16_t>(c.u16());
        if (!c.ok()) return Fail("truncated encodings table");
    }

    // Font ascent and descent from the accelerators.
    const Table* accel = find(kBdfAccelerators);
    if (!accel) accel = find(kAccelerators);
    if (accel) {
        Cursor c = cursor(*accel);
        c.format();
        for (int i = 0; i < 8; ++i) c.u8();
        fontAscent_ = c.s32();
        fontDescent_ = c.s32();
        if (!c.ok()) return Fail("truncated accelerators table");
    }

    // Properties: keep the copyright notice the font carries.
    if (const Table* props = find(kProperties)) {
        Cursor c = cursor(*props);
        c.format();
        const uint32_t n = c.u32();
        if (n > 10000) return Fail("bad property count");
        struct Prop {
            uint32_t name;
            bool isString;
            uint32_t value;
        };
        std::vector<Prop> list(n);
        for (Prop& p : list) {
            p.name = c.u32();
            p.isString = c.u8() != 0;
            p.value = c.u32();
        }
        if (n & 3) c.seek(c.pos() + 4 - (n & 3));
        const uint32_t stringSize = c.u32();
        const size_t strings = c.pos();
        if (!c.ok() || stringSize > props->offset + props->size - strings)
            return Fail("truncated properties");
        auto text = [&](uint32_t at) {
            std::string s;
            for (size_t i = strings + at; at < stringSize && i < strings + stringSize && file[i];
                 ++i)
                s += static_cast<char>(file[i]);
            return s;
        };
        for (const Prop& p : list) {
            const std::string name = text(p.name);
            if (p.isString && (name == "COPYRIGHT" || name == "NOTICE")) {
                if (!copyright_.empty()) copyright_ += "\n";
                copyright_ += text(p.value);
            }
        }
    }
    return true;
}
