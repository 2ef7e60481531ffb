#include "windows/core/VersionInfo.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace {

struct Node {
    std::u16string key;
    std::span<const uint8_t> value;
    size_t childrenBegin = 0;  // offsets into the block
    size_t end = 0;
};

uint16_t Word(std::span<const uint8_t> b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }

size_t Align4(size_t at) { return (at + 3) & ~size_t(3); }

// The node at `at` whose bounds lie within `limit`; std::nullopt when it does not fit.
std::optional<Node> ReadNode(std::span<const uint8_t> b, size_t at, size_t limit) {
    if (limit > b.size() || at + 6 > limit) return std::nullopt;
    const size_t length = Word(b, at);
    const size_t valueLength = Word(b, at + 2);
    const uint16_t type = Word(b, at + 4);
    if (length < 6 || at + length > limit) return std::nullopt;
    Node n;
    n.end = at + length;
    size_t p = at + 6;
    for (;; p += 2) {
        if (p + 2 > n.end) return std::nullopt;
        const char16_t c = Word(b, p);
        if (c == 0) break;
        n.key += c;
    }
    p = Align4(p + 2);
    const size_t valueBytes = type == 1 ? valueLength * 2 : valueLength;
    const size_t valueBegin = std::min(p, n.end);
    n.value = b.subspan(valueBegin, std::min(valueBytes, n.end - valueBegin));
    n.childrenBegin = std::min(Align4(valueBegin + valueBytes), n.end);
    return n;
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

bool SameKey(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::optional<Node> Child(std::span<const uint8_t> b, const Node& parent, std::u16string_view key) {
    for (size_t at = parent.childrenBegin; at < parent.end;) {
        std::optional<Node> child = ReadNode(b, at, parent.end);
        if (!child) return std::nullopt;
        if (SameKey(child->key, key)) return child;
        at = Align4(child->end);
    }
    return std::nullopt;
}

std::u16string Hex4(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned(v));
    return std::u16string(text, text + 4);
}

}  // namespace

std::optional<std::u16string> FindFileVersion(std::span<const uint8_t> block) {
    std::optional<Node> root = ReadNode(block, 0, block.size());
    if (!root) return std::nullopt;
    std::optional<Node> var = Child(block, *root, u"VarFileInfo");
    std::optional<Node> translation = var ? Child(block, *var, u"Translation") : std::nullopt;
    if (!translation || translation->value.size() < 4) return std::nullopt;
    const std::u16string table = Hex4(Word(translation->value, 0)) + Hex4(Word(translation->value, 2));
    std::optional<Node> strings = Child(block, *root, u"StringFileInfo");
    std::optional<Node> tableNode = strings ? Child(block, *strings, table) : std::nullopt;
    std::optional<Node> version = tableNode ? Child(block, *tableNode, u"FileVersion") : std::nullopt;
    if (!version) return std::nullopt;
    std::u16string text;
    for (size_t i = 0; i + 1 < version->value.size(); i += 2) {
        const char16_t c = Word(version->value, i);
        if (c == 0) break;
        text += c;
    }
    return text;
}

std::string AboutVersionCaption(const std::optional<std::string>& version) {
    return "Version " + (version ? *version : std::string("UNKNOWN"));
}
