#include "windows/core/VersionInfo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace {

struct Block {
    std::vector<uint8_t> bytes;
    std::string version;  // "-": none
};

// data/version_blocks.txt: blocks written by the resource compiler.
std::map<std::string, Block> ReadBlocks() {
    std::ifstream in(std::string(QUIRO_SOURCE_DIR) + "/tests/windows/core/data/version_blocks.txt");
    std::map<std::string, Block> blocks;
    Block* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        if (line.starts_with("= ")) {
            const size_t bar = line.find(" | ");
            current = &blocks[line.substr(2, bar - 2)];
            current->version = line.substr(bar + 3);
            continue;
        }
        for (size_t i = 0; current && i + 1 < line.size(); i += 2)
            current->bytes.push_back(uint8_t(std::stoi(line.substr(i, 2), nullptr, 16)));
    }
    return blocks;
}

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(VersionInfo, TheFirstTranslationChoosesTheStringTable) {
    const auto blocks = ReadBlocks();
    ASSERT_EQ(blocks.size(), 4u);
    for (const auto& [name, block] : blocks) {
        std::optional<std::u16string> version = FindFileVersion(block.bytes);
        EXPECT_EQ(version ? Narrow(*version) : "-", block.version) << name;
    }
}

TEST(VersionInfo, ACutBlockNeverReadsPastItsEnd) {
    const Block match = ReadBlocks().at("match");
    for (size_t n = 0; n < match.bytes.size(); ++n) {
        // A copy of exactly n bytes, so that the sanitizers see any read beyond it.
        std::vector<uint8_t> cut(match.bytes.begin(), match.bytes.begin() + long(n));
        std::optional<std::u16string> version = FindFileVersion(cut);
        if (version) {
            EXPECT_EQ(Narrow(*version), std::string("2.0.0").substr(0, version->size())) << n;
        }
    }
}

TEST(VersionInfo, Caption) {
    EXPECT_EQ(AboutVersionCaption(std::string("2.0.0")), "Version 2.0.0");
    EXPECT_EQ(AboutVersionCaption(std::nullopt), "Version UNKNOWN");
}

}  // namespace
