#include "controls/core/RichEditRules.h"

#include <algorithm>
#include <cstdint>

#include "framework/core/SysUtils.h"

namespace quiro::controls {

namespace {

constexpr uint32_t kHScroll = 0x00100000, kVScroll = 0x00200000;
constexpr uint32_t kClipChildren = 0x02000000, kClipSiblings = 0x04000000, kSaveSel = 0x00008000;
constexpr uint32_t kDisableNoScroll = 0x2000, kSelectionBar = 0x01000000, kNoHideSel = 0x100;

}  // namespace

uint32_t RichEditWindowStyle(uint32_t memoStyle, const RichWindowOptions& options) {
    uint32_t style =
        (memoStyle & ~(kHScroll | kVScroll)) | kClipChildren | kClipSiblings | kSaveSel;
    if (options.verticalBar) style |= kVScroll;
    if (options.horizontalBar && !options.wordWrap) style |= kHScroll;
    if (!options.hideScrollBars) style |= kDisableNoScroll;
    if (options.selectionBar) style |= kSelectionBar;
    if (!options.hideSelection) style |= kNoHideSel;
    return style;
}

uint32_t RichEditEventMask(int version) {
    // ENM_CHANGE | ENM_REQUESTRESIZE | ENM_SELCHANGE | ENM_PROTECTED, and ENM_LINK.
    return 0x002C0001u | (version >= 2 ? 0x04000000u : 0u);
}

uint32_t RichEditTextMode(bool plainText, int undoLimit) {
    return (undoLimit < 2 ? 4u : 8u) | (plainText ? 1u : 2u);
}

int CreationCharset(int charset, bool farEastSystem, bool japaneseSystem) {
    return farEastSystem && !japaneseSystem && charset == 0 ? 1 : charset;
}

uint32_t FindTextFlags(TRichSearchTypes options, int version) {
    uint32_t flags = 0;
    if (version >= 2 && !(options & stBackward)) flags = 1;  // FT_DOWN
    if (options & stWholeWord) flags |= 2;
    if (options & stMatchCase) flags |= 4;
    return flags;
}

void DialogSearchSpan(bool down, int selStart, int selLength, int textLength, int& startPos,
                      int& length) {
    if (down) {
        startPos = std::max(selStart, selStart + selLength);
        length = textLength - startPos + 1;
    } else {
        startPos = std::min(selStart, selStart + selLength);
        length = startPos + 1;
    }
}

LinkButton LinkClickTracker::Mouse(LinkMouse message, CharRange link) {
    switch (message) {
        case LinkMouse::LeftDown:
        case LinkMouse::RightDown:
            range_ = link;
            button_ = message == LinkMouse::LeftDown ? LinkButton::Left : LinkButton::Right;
            return LinkButton::None;
        case LinkMouse::LeftUp:
        case LinkMouse::RightUp: {
            const LinkButton released =
                message == LinkMouse::LeftUp ? LinkButton::Left : LinkButton::Right;
            const bool click = button_ == released && range_ == link;
            range_ = CharRange{-1, -1};
            return click ? released : LinkButton::None;
        }
        case LinkMouse::Other:
            break;
    }
    return LinkButton::None;
}

std::string WebLinkTarget(std::string_view linkText) {
    const std::string text = Trim(linkText);
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return std::string();
    static const struct {
        const char* prefix;
        const char* scheme;  // put in front of the text
    } allowed[] = {
        {"http://", ""}, {"https://", ""}, {"ftp://", ""}, {"mailto:", ""}, {"www.", "http://"},
    };
    for (const auto& a : allowed) {
        const std::string_view prefix(a.prefix);
        if (text.size() > prefix.size() &&
            AnsiCompareText(std::string_view(text).substr(0, prefix.size()), prefix) == 0)
            return a.scheme + text;
    }
    return std::string();
}

TwipsRect PrintArea(TwipsRect page, int pageWidth, int pageHeight, int logX, int logY) {
    if (logX <= 0 || logY <= 0) return TwipsRect{};
    auto twips = [](int pixels, int log) {
        return static_cast<int>(static_cast<int64_t>(pixels) * 1440 / log);
    };
    if (page.right <= page.left || page.bottom <= page.top)
        return TwipsRect{0, 0, twips(pageWidth, logX), twips(pageHeight, logY)};
    return TwipsRect{twips(page.left, logX), twips(page.top, logY), twips(page.right, logX),
                     twips(page.bottom, logY)};
}

int PrintPages(int textLength, const std::function<int(int first)>& formatPage,
               const std::function<void()>& newPage) {
    int pages = 0;
    for (int first = 0;;) {
        const int next = formatPage(first);
        ++pages;
        // A page that rendered nothing would be rendered again and again.
        if (next < 0 || next >= textLength || next <= first) return pages;
        newPage();
        first = next;
    }
}

CharRange WordRangeAt(int caret, int textLength, const WordBreaks& breaks) {
    auto inside = [textLength](int pos) { return std::clamp(pos, 0, std::max(textLength, 0)); };
    caret = inside(caret);
    int start = 0;
    if (caret > 0)
        start = inside(breaks.isDelimiter(caret) ? breaks.moveWordLeft(caret) : breaks.left(caret));
    while (start < textLength && breaks.isDelimiter(start)) ++start;
    const int end = inside(breaks.rightBreak(caret));
    return CharRange{start, std::max(start, end)};
}

std::string_view HeadOfBytes(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t i = 0;
    while (i < text.size()) {
        const size_t step = IsDoubleBytePair(text, i) ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return text.substr(0, i);
}

}  // namespace quiro::controls
