#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "console/core/PasteChunker.h"

namespace {

std::string SendAll(const std::string& text, bool crlf, size_t room) {
    PasteChunker paste(text, crlf);
    std::string out;
    paste.Pump([&] { return room; }, [&](const std::string& chunk) { out += chunk; });
    EXPECT_TRUE(paste.Done());
    return out;
}

struct PasteRow {
    const char* what;
    std::string text;
    std::string plain;  // what the host receives
    std::string crlf;   // ... when Enter is sent as CR LF
};

const PasteRow kRows[] = {
    {"line ends", "a\r\nb", "a\rb", "a\r\nb"},
    {"a run of LFs is one", "a\n\n\nb", "ab", "a\nb"},
    {"blank lines", "a\r\n\r\nb\r\n", "a\r\rb\r", "a\r\n\r\nb\r\n"},
    {"leading LF", "\nab", "ab", "ab"},
    {"only LFs", "\n\n", "", ""},
    {"empty", "", "", ""},
    {"Korean text", "\xC7\xD1\xB1\xDB\r\nx", "\xC7\xD1\xB1\xDB\rx", "\xC7\xD1\xB1\xDB\r\nx"},
};

// Whatever room the port has each time, the host receives the same bytes.
TEST(PasteChunker, LineEndsWhateverTheRoom) {
    for (const PasteRow& r : kRows) {
        for (size_t room : {size_t{2}, size_t{3}, size_t{5}, SIZE_MAX}) {
            EXPECT_EQ(SendAll(r.text, false, room), r.plain) << r.what << " room " << room;
            EXPECT_EQ(SendAll(r.text, true, room), r.crlf) << r.what << " room " << room;
        }
    }
}

TEST(PasteChunker, ChunksFollowTheFreeSpaceAndResume) {
    PasteChunker paste("abc\xC7\xD1\xB1\xDB\r\ndefgh", false);
    std::vector<size_t> free{3, 3, 1, 0, 9};
    std::vector<std::string> chunks;
    auto room = [&] {
        const size_t n = free.front();
        free.erase(free.begin());
        return n;
    };
    auto put = [&](const std::string& c) { chunks.push_back(c); };
    // The pair does not fit the one byte left: the paste waits for room.
    EXPECT_EQ(paste.Pump(room, put), 5u);
    EXPECT_EQ(chunks, (std::vector<std::string>{"abc", "\xC7\xD1"}));
    EXPECT_FALSE(paste.Done());
    EXPECT_EQ(paste.Remaining(), 9u);
    // Nothing fits: nothing is sent, nothing is lost.
    EXPECT_EQ(paste.Pump(room, put), 0u);
    EXPECT_EQ(paste.Pump(room, put), 8u);
    EXPECT_EQ(chunks.back(), "\xB1\xDB\rdefgh");
    EXPECT_TRUE(paste.Done());
    EXPECT_EQ(paste.Next(100), "");
}

}  // namespace
