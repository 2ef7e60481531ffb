// The rich edit control's decisions that need no window: its window style and event mask,
// the flags of its searches and text modes, which link clicks count and which links may be
// opened, the pages of a print job, the bounds of the word at the caret, and how texts are
// cut without splitting a double-byte character.
//
// Character positions are the control's: a double-byte character and a paragraph break
// count one each.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum TRichSearchType : unsigned {
    stWholeWord = 1,
    stMatchCase = 2,
    stBackward = 4,
    stSetSelection = 8,
};
using TRichSearchTypes = unsigned;

// The members carry the window's own flag values.
enum TRichLangOption : unsigned {
    rlAutoKeyboard = 1,
    rlAutoFont = 2,
    rlImeCancelComplete = 4,
    rlImeAlwaysSendNotify = 8,
};
using TRichLangOptions = unsigned;

namespace quiro::controls {

// ---- Window ---------------------------------------------------------------------------------

struct RichWindowOptions {
    bool verticalBar = true;  // scroll bars asked for
    bool horizontalBar = true;
    bool wordWrap = true;
    bool hideScrollBars = true;
    bool selectionBar = true;
    bool hideSelection = true;
};

// The window style from the memo's style: its own scroll bars replaced (no horizontal bar
// while words wrap), clipping of children and siblings, the selection kept when the focus
// goes, and the options' styles.
uint32_t RichEditWindowStyle(uint32_t memoStyle, const RichWindowOptions& options);
// The notifications asked of the window: changes, size requests, selection changes,
// protected text, and links from library version 2 on.
uint32_t RichEditEventMask(int version);
// The text mode (EM_SETTEXTMODE): plain or rich, single-level undo below an undo limit of 2.
uint32_t RichEditTextMode(bool plainText, int undoLimit);
// The font's character set when the window is made: on a Far East system other than a
// Japanese one the western set (0) becomes the default set (1), so that double-byte text
// shows; a set its owner chose (Hangul for the capture editor) stays.
int CreationCharset(int charset, bool farEastSystem, bool japaneseSystem);

// ---- Search -----------------------------------------------------------------------------

// The flags of EM_FINDTEXTEX; the first-generation library searches forward only.
uint32_t FindTextFlags(TRichSearchTypes options, int version);

struct CharRange {
    int32_t cpMin = 0, cpMax = 0;
    bool operator==(const CharRange&) const = default;
};

// What one press of a dialog's button searches, as FindText's start and length: from the
// end of the selection to the end of the text downwards, from its start back to the
// text's start upwards.
void DialogSearchSpan(bool down, int selStart, int selLength, int textLength, int& startPos,
                      int& length);

// ---- Links ------------------------------------------------------------------------------

enum class LinkButton { None, Left, Right };
enum class LinkMouse { LeftDown, RightDown, LeftUp, RightUp, Other };

// Which mouse messages on a link make a click: a release over exactly the link that was
// pressed, with the button that pressed it. Any release forgets the press.
class LinkClickTracker {
public:
    // The button of the click this message completes (None: no click).
    LinkButton Mouse(LinkMouse message, CharRange link);

private:
    CharRange range_{-1, -1};
    LinkButton button_ = LinkButton::None;
};

// What a click on a detected link may hand to the system to open: http, https and ftp
// addresses, mail addresses and "www." names (which get "http://"), trimmed; "" for
// anything else (files, programs, other schemes, a text with control characters).
std::string WebLinkTarget(std::string_view linkText);

// ---- Printing -----------------------------------------------------------------------------

struct TwipsRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TwipsRect&) const = default;
};

// The area to print on, in twips: the page rectangle (device pixels) when it is not
// empty, else the whole printable page.
TwipsRect PrintArea(TwipsRect pageRectPixels, int pageWidth, int pageHeight, int logX, int logY);

// Renders the pages of a text of `textLength` characters: formatPage(first) renders the
// page that starts at `first` and returns the position after its last character (-1 on
// failure); newPage() starts the next page. Stops at the end of the text, on a failure, or
// when a page does not advance. Returns the count of pages rendered.
int PrintPages(int textLength, const std::function<int(int first)>& formatPage,
               const std::function<void()>& newPage);

// ---- Words and texts --------------------------------------------------------------------

// The window's word breaks, as EM_FINDWORDBREAK answers them.
struct WordBreaks {
    std::function<bool(int pos)> isDelimiter;
    std::function<int(int pos)> moveWordLeft;
    std::function<int(int pos)> left;
    std::function<int(int pos)> rightBreak;
};

// The range of the word at the caret, inside 0..textLength (an empty range: no word).
CharRange WordRangeAt(int caret, int textLength, const WordBreaks& breaks);

// The longest head of `text` of at most `maxBytes` bytes that does not end in the first
// half of a double-byte character.
std::string_view HeadOfBytes(std::string_view text, size_t maxBytes);

}  // namespace quiro::controls
