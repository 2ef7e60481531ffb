#include "controls/core/RichStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using quiro::controls::StreamInFlags;
using quiro::controls::StreamIsPlain;
using quiro::controls::StreamOutFlags;

// Hands out the chunks one per read (the rest of a chunk that did not fit comes next).
struct ChunkReader {
    std::vector<std::string> chunks;
    size_t next = 0;
    int operator()(char* buffer, int count) {
        if (next == chunks.size()) return 0;
        std::string& c = chunks[next];
        const size_t n = std::min(c.size(), static_cast<size_t>(count));
        c.copy(buffer, n);
        c.erase(0, n);
        if (c.empty()) ++next;
        return static_cast<int>(n);
    }
};

// Everything the control would be given, with checks that no call but the last gives 0
// and that no piece ends inside a double-byte character.
std::string Drain(std::vector<std::string> chunks, int capacity, int unitSize = 1) {
    ChunkReader reader{std::move(chunks)};
    TStreamNormaliser normaliser(unitSize);
    std::string out;
    std::vector<size_t> ends;
    std::vector<char> buffer(static_cast<size_t>(capacity));
    for (int n; (n = normaliser.Fill(buffer.data(), capacity, std::ref(reader))) > 0;) {
        out.append(buffer.data(), static_cast<size_t>(n));
        ends.push_back(out.size());
    }
    EXPECT_EQ(reader.next, reader.chunks.size()) << "ended before the reader did";
    for (size_t i = 0; unitSize == 1 && capacity > 1 && i < out.size();) {
        const size_t step = IsDoubleBytePair(out, i) ? 2 : 1;
        if (step == 2) {
            EXPECT_EQ(std::count(ends.begin(), ends.end(), i + 1), 0)
                << "a piece ends at " << i + 1;
        }
        i += step;
    }
    return out;
}

TEST(StreamNormaliser, BreaksAcrossReadsAndNulBytes) {
    const struct {
        std::vector<std::string> reads;
        std::string want;
    } rows[] = {
        {{"\xB0\xA1\r\n\xB3\xAA"}, "\xB0\xA1\r\n\xB3\xAA"},
        {{"a\nb\rc"}, "a\r\nb\r\nc"},
        {{"\xB0\xA1\r", "\n\xB3\xAA"}, "\xB0\xA1\r\n\xB3\xAA"},  // CR LF split: one break
        {{"a\r", "b"}, "a\r\nb"},                                // a lone CR ending a read
        {{"a\r"}, "a\r\n"},                                      // ... and the stream
        {{"\r", "\r", "\n"}, "\r\n\r\n"},
        {{"\0\0"s, "\r", "x"}, "\r\nx"},    // reads that give nothing do not end the stream
        {{"ab\0\xB0\xA1"s}, "ab\xB0\xA1"},  // what follows a NUL is kept
        {{"a\xB0", "\xA1\xB3", "\xAA"}, "a\xB0\xA1\xB3\xAA"},  // syllables split by reads
        {{"\xB0", "\r"}, "\xB0\r\n"},                          // a lead byte alone
        {{}, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.reads));
        EXPECT_EQ(Drain(r.reads, 4096), r.want);
        EXPECT_EQ(Drain(r.reads, 2), r.want);  // two bytes per call
    }
}

TEST(StreamNormaliser, UnicodeUnitsAndOddReads) {
    // "a", LF, U+AC00, CR; U+0A0D is no line break. Read one byte at a time.
    const std::string text = "a\0\n\0\x00\xAC\x0D\x0A\r\0"s;
    std::vector<std::string> bytes;
    for (char c : text) bytes.push_back(std::string(1, c));
    EXPECT_EQ(Drain(bytes, 4096, 2), "a\0\r\0\n\0\x00\xAC\x0D\x0A\r\0\n\0"s);
    EXPECT_EQ(Drain(bytes, 3, 2), "a\0\r\0\n\0\x00\xAC\x0D\x0A\r\0\n\0"s);
}

TEST(ConversionFormats, ByExtensionNewestFirst) {
    auto kind = [](const std::string& name) -> std::string {
        const TConversionFormat* f = FindConversionFormat(name);
        return f ? f->Extension + (f->PlainText ? ":plain" : ":rtf") : "-";
    };
    EXPECT_EQ(kind("C:\\\xB9\xAE\xBC\xAD.TXT"), "txt:plain");
    EXPECT_EQ(kind("memo.Rtf"), "rtf:rtf");
    EXPECT_EQ(kind("memo.doc") + kind("memo") + kind("dir.rtf\\memo"), "---");

    struct Upper : TConversion {};
    RegisterConversionFormat(".DOC", true, &NewConversion<Upper>);
    RegisterConversionFormat("rtf", true, &NewConversion<TConversion>);
    EXPECT_EQ(kind("memo.doc") + kind("memo.rtf"), "doc:plainrtf:plain");
    EXPECT_NE(dynamic_cast<Upper*>(FindConversionFormat("a.doc")->ConversionClass().get()),
              nullptr);
    ResetConversionFormats();
    EXPECT_EQ(kind("memo.doc") + kind("memo.rtf"), "-rtf:rtf");
}

TEST(StreamFlags, LoadsAndSavesByFormatAndMode) {
    EXPECT_TRUE(StreamIsPlain(sfPlainText, false));
    EXPECT_TRUE(StreamIsPlain(sfDefault, true));
    EXPECT_FALSE(StreamIsPlain(sfRichText, true));
    const struct {
        bool plain;
        TRichStreamModes mode;
        int version;
        uint32_t in, out;
    } rows[] = {
        {false, 0, 2, 2, 2},
        {false, smPlainRtf, 2, 0x4002, 0x4002},
        {false, smNoObjects | smSelection, 2, 0x8002, 0x8003},
        {true, smUnicode, 2, 17, 17},
        {true, smUnicode | smPlainRtf, 1, 1, 1},
        {true, smSelection, 3, 0x8001, 0x8001},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(StreamInFlags(r.plain, r.mode, r.version), r.in) << r.mode;
        EXPECT_EQ(StreamOutFlags(r.plain, r.mode, r.version), r.out) << r.mode;
    }
}

}  // namespace
