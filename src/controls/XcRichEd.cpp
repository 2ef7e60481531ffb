#include "controls/XcRichEd.h"

#include <shellapi.h>
#include <tom.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "controls/XcRichOle.h"
#include "framework/Clipbrd.h"
#include "framework/Graphics.h"
#include "framework/Libraries.h"
#include "framework/Printers.h"

using quiro::controls::CharRange;
using quiro::controls::HeadOfBytes;
using quiro::controls::LinkButton;
using quiro::controls::LinkMouse;

namespace {

// The text object model's document (the import libraries do not define it).
constexpr IID kIIDTextDocument = {0x8CC497C0, 0xA1DF, 0x11CE, {0x80, 0x98, 0x00, 0xAA, 0x00, 0x47, 0xBE, 0x5D}};

int Version() {
    return RichEditVersion();
}

// Runs `undo` when the scope is left, however it is left.
template <class F>
class Finally {
public:
    explicit Finally(F undo) : FUndo(std::move(undo)) {}
    ~Finally() { FUndo(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F FUndo;
};

// ---- Streams ------------------------------------------------------------------------------

// What the stream callbacks share with the operation that started them. An exception of
// the converter or the stream stops the operation and is raised again once the window's
// message has returned: it never travels through the window's own code.
struct StreamCookie {
    TConversion* converter;
    TStream* stream;
    TStreamNormaliser normaliser;
    std::exception_ptr error;
};

DWORD CALLBACK ReadCallback(DWORD_PTR cookie, LPBYTE buffer, LONG cb, LONG* pcb) {
    auto* c = reinterpret_cast<StreamCookie*>(cookie);
    *pcb = 0;
    try {
        *pcb = c->normaliser.Fill(reinterpret_cast<char*>(buffer), cb, [c](char* b, int n) {
            return c->converter->ConvertReadStream(*c->stream, b, n);
        });
        return 0;
    } catch (...) {
        c->error = std::current_exception();
        return 1;
    }
}

DWORD CALLBACK WriteCallback(DWORD_PTR cookie, LPBYTE buffer, LONG cb, LONG* pcb) {
    auto* c = reinterpret_cast<StreamCookie*>(cookie);
    *pcb = 0;
    try {
        const int n =
            c->converter->ConvertWriteStream(*c->stream, reinterpret_cast<const char*>(buffer), cb);
        *pcb = std::max(n, 0);
        // The window takes a short write for success; a disk that is full must not.
        if (n != cb) throw EWriteError("Stream write error");
        return 0;
    } catch (...) {
        c->error = std::current_exception();
        return 1;
    }
}

// A new file written through the system, every write checked, flushed before it counts.
class TNewFileStream : public TStream {
public:
    explicit TNewFileStream(const std::string& fileName) : FName(fileName) {
        FHandle = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (FHandle == INVALID_HANDLE_VALUE) throw EFCreateError("Cannot create file " + fileName);
    }
    ~TNewFileStream() override {
        if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
    }
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void* buffer, int32_t count) override {
        DWORD written = 0;
        if (count <= 0) return 0;
        if (!WriteFile(FHandle, buffer, static_cast<DWORD>(count), &written, nullptr)) return 0;
        return static_cast<int32_t>(written);
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        LARGE_INTEGER to, now;
        to.QuadPart = offset;
        const DWORD how = origin == soBeginning ? FILE_BEGIN
                          : origin == soCurrent ? FILE_CURRENT
                                                : FILE_END;
        if (!SetFilePointerEx(FHandle, to, &now, how)) throw EStreamError("Stream seek error");
        return now.QuadPart;
    }
    // Everything on the disk and the file closed; EWriteError when the system says no.
    void Close() {
        const bool ok = FlushFileBuffers(FHandle) != 0;
        const bool closed = CloseHandle(FHandle) != 0;
        FHandle = INVALID_HANDLE_VALUE;
        if (!ok || !closed) throw EWriteError("Cannot write file " + FName);
    }

private:
    std::string FName;
    HANDLE FHandle = INVALID_HANDLE_VALUE;
};

// ---- Formats ------------------------------------------------------------------------------

CHARFORMAT2A NewCharFormat() {
    CHARFORMAT2A f{};
    f.cbSize = Version() == 1 ? sizeof(CHARFORMATA) : sizeof(CHARFORMAT2A);
    return f;
}

PARAFORMAT2 NewParaFormat() {
    PARAFORMAT2 p{};
    p.cbSize = Version() == 1 ? sizeof(PARAFORMAT) : sizeof(PARAFORMAT2);
    return p;
}

BYTE PitchByte(TFontPitch pitch) {
    return static_cast<BYTE>(pitch == fpVariable ? int{VARIABLE_PITCH}
                             : pitch == fpFixed  ? int{FIXED_PITCH}
                                                 : int{DEFAULT_PITCH});
}

// The font styles are the window's effects.
static_assert(fsBold == CFE_BOLD && fsItalic == CFE_ITALIC && fsUnderline == CFE_UNDERLINE &&
              fsStrikeOut == CFE_STRIKEOUT);
constexpr DWORD kStyleEffects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT;

DWORD EffectsOf(TFontStyles style) {
    return style & kStyleEffects;
}

void CopyFaceName(CHARFORMAT2A& f, const std::string& name) {
    // 31 bytes and the NUL: a name of 32 would leave the field unterminated.
    const std::string_view head = HeadOfBytes(name, sizeof f.szFaceName - 1);
    std::memset(f.szFaceName, 0, sizeof f.szFaceName);
    std::memcpy(f.szFaceName, head.data(), head.size());
}

int Twips(int points) {
    return points * 20;
}

// The window's underline kinds in the order of TUnderlineType.
constexpr BYTE kUnderlines[] = {CFU_UNDERLINENONE,   CFU_UNDERLINE,       CFU_UNDERLINEWORD,
                                CFU_UNDERLINEDOUBLE, CFU_UNDERLINEDOTTED, CFU_UNDERLINEWAVE};
// ... and its numbering styles in the order of TXcNumberingStyle.
constexpr WORD kNumberingStyles[] = {PFNS_PAREN, PFNS_PERIOD, PFNS_PARENS, PFNS_PLAIN};

}  // namespace

// ---- TOEMConversion ---------------------------------------------------------------------

int TOEMConversion::ConvertReadStream(TStream& stream, char* buffer, int bufSize) {
    std::vector<char> oem(static_cast<size_t>(std::max(bufSize, 1)));
    const int n = TConversion::ConvertReadStream(stream, oem.data(), bufSize);
    if (n > 0) OemToCharBuffA(oem.data(), buffer, static_cast<DWORD>(n));
    return n;
}

int TOEMConversion::ConvertWriteStream(TStream& stream, const char* buffer, int bufSize) {
    std::vector<char> oem(static_cast<size_t>(std::max(bufSize, 1)));
    if (bufSize > 0) CharToOemBuffA(buffer, oem.data(), static_cast<DWORD>(bufSize));
    return TConversion::ConvertWriteStream(stream, oem.data(), bufSize);
}

// ---- TXcTextAttributes --------------------------------------------------------------------

TXcTextAttributes::TXcTextAttributes(TXcCustomRichEdit* richEdit, TXcAttributeType type)
    : FRichEdit(richEdit), FType(type) {}

DWORD TXcTextAttributes::Scope() const {
    return FType == atDefaultText ? SCF_DEFAULT
           : FType == atSelected  ? SCF_SELECTION
                                  : SCF_SELECTION | SCF_WORD;
}

CHARFORMAT2A TXcTextAttributes::Get() const {
    CHARFORMAT2A f = NewCharFormat();
    if (FRichEdit->HandleAllocated())
        FRichEdit->Send(EM_GETCHARFORMAT, Scope(), reinterpret_cast<LPARAM>(&f));
    return f;
}

void TXcTextAttributes::Set(CHARFORMAT2A& format, DWORD mask) {
    format.dwMask = mask;
    if (FRichEdit->HandleAllocated())
        FRichEdit->Send(EM_SETCHARFORMAT, Scope(), reinterpret_cast<LPARAM>(&format));
}

bool TXcTextAttributes::Effect(DWORD effect) const {
    return (Get().dwEffects & effect) != 0;
}

void TXcTextAttributes::SetEffect(DWORD mask, DWORD effect, bool on) {
    CHARFORMAT2A f = NewCharFormat();
    f.dwEffects = on ? effect : 0;
    Set(f, mask);
}

TFontCharset TXcTextAttributes::Charset() const {
    return Get().bCharSet;
}

void TXcTextAttributes::SetCharset(TFontCharset value) {
    CHARFORMAT2A f = NewCharFormat();
    f.bCharSet = value;
    Set(f, CFM_CHARSET);
}

TColor TXcTextAttributes::Color() const {
    const CHARFORMAT2A f = Get();
    return (f.dwEffects & CFE_AUTOCOLOR) ? clWindowText : static_cast<TColor>(f.crTextColor);
}

void TXcTextAttributes::SetColor(TColor value) {
    CHARFORMAT2A f = NewCharFormat();
    if (value == clWindowText || value == clDefault)
        f.dwEffects = CFE_AUTOCOLOR;
    else
        f.crTextColor = ColorToGdi(value);
    Set(f, CFM_COLOR);
}

TColor TXcTextAttributes::BackColor() const {
    if (Version() < 2) return clWindow;
    const CHARFORMAT2A f = Get();
    return (f.dwEffects & CFE_AUTOBACKCOLOR) ? clWindow : static_cast<TColor>(f.crBackColor);
}

void TXcTextAttributes::SetBackColor(TColor value) {
    if (Version() < 2) return;
    CHARFORMAT2A f = NewCharFormat();
    if (value == clWindow || value == clDefault)
        f.dwEffects = CFE_AUTOBACKCOLOR;
    else
        f.crBackColor = ColorToGdi(value);
    Set(f, CFM_BACKCOLOR);
}

std::string TXcTextAttributes::Name() const {
    const CHARFORMAT2A f = Get();
    return std::string(f.szFaceName, strnlen(f.szFaceName, sizeof f.szFaceName));
}

void TXcTextAttributes::SetName(const std::string& value) {
    CHARFORMAT2A f = NewCharFormat();
    CopyFaceName(f, value);
    Set(f, CFM_FACE);
}

TFontStyles TXcTextAttributes::Style() const {
    return Get().dwEffects & kStyleEffects;
}

void TXcTextAttributes::SetStyle(TFontStyles value) {
    CHARFORMAT2A f = NewCharFormat();
    f.dwEffects = EffectsOf(value);
    Set(f, CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT);
}

TFontPitch TXcTextAttributes::Pitch() const {
    switch (Get().bPitchAndFamily & 3) {
        case FIXED_PITCH:
            return fpFixed;
        case VARIABLE_PITCH:
            return fpVariable;
        default:
            return fpDefault;
    }
}

void TXcTextAttributes::SetPitch(TFontPitch value) {
    // The window takes a pitch only with a face name: the current one goes with it.
    CHARFORMAT2A f = Get();
    f.bPitchAndFamily = PitchByte(value);
    Set(f, CFM_FACE);
}

int TXcTextAttributes::Size() const {
    return Get().yHeight / 20;
}

void TXcTextAttributes::SetSize(int points) {
    CHARFORMAT2A f = NewCharFormat();
    f.yHeight = Twips(points);
    Set(f, CFM_SIZE);
}

int TXcTextAttributes::Height() const {
    return MulDiv(Size(), FRichEdit->ScreenLogPixels(), 72);
}

void TXcTextAttributes::SetHeight(int pixels) {
    SetSize(MulDiv(pixels, 72, FRichEdit->ScreenLogPixels()));
}

int TXcTextAttributes::Offset() const {
    return Get().yOffset / 20;
}

void TXcTextAttributes::SetOffset(int points) {
    CHARFORMAT2A f = NewCharFormat();
    f.yOffset = Twips(points);
    Set(f, CFM_OFFSET);
}

bool TXcTextAttributes::Protected() const {
    return Effect(CFE_PROTECTED);
}

void TXcTextAttributes::SetProtected(bool value) {
    SetEffect(CFM_PROTECTED, CFE_PROTECTED, value);
}

bool TXcTextAttributes::Link() const {
    return Version() >= 2 && Effect(CFE_LINK);
}

void TXcTextAttributes::SetLink(bool value) {
    if (Version() >= 2) SetEffect(CFM_LINK, CFE_LINK, value);
}

bool TXcTextAttributes::Hidden() const {
    return Version() >= 2 && Effect(CFE_HIDDEN);
}

void TXcTextAttributes::SetHidden(bool value) {
    if (Version() >= 2) SetEffect(CFM_HIDDEN, CFE_HIDDEN, value);
}

bool TXcTextAttributes::Disabled() const {
    return Version() >= 2 && Effect(CFE_DISABLED);
}

void TXcTextAttributes::SetDisabled(bool value) {
    if (Version() >= 2) SetEffect(CFM_DISABLED, CFE_DISABLED, value);
}

int TXcTextAttributes::RevAuthorIndex() const {
    return Get().bRevAuthor;
}

void TXcTextAttributes::SetRevAuthorIndex(int value) {
    if (Version() < 2) return;
    CHARFORMAT2A f = NewCharFormat();
    f.bRevAuthor = static_cast<BYTE>(value);
    Set(f, CFM_REVAUTHOR);
}

TUnderlineType TXcTextAttributes::UnderlineType() const {
    if (Version() < 2) return utNone;
    const CHARFORMAT2A f = Get();
    if (!(f.dwEffects & CFE_UNDERLINE) || !(f.dwMask & CFM_UNDERLINETYPE)) return utNone;
    const auto* at = std::find(std::begin(kUnderlines), std::end(kUnderlines), f.bUnderlineType);
    return at == std::end(kUnderlines) ? utSolid
                                       : static_cast<TUnderlineType>(at - std::begin(kUnderlines));
}

void TXcTextAttributes::SetUnderlineType(TUnderlineType value) {
    if (Version() < 2) return;
    CHARFORMAT2A f = NewCharFormat();
    f.bUnderlineType = kUnderlines[value];
    if (value != utNone) f.dwEffects = CFE_UNDERLINE;
    Set(f, CFM_UNDERLINETYPE | CFM_UNDERLINE);
}

TSubscriptStyle TXcTextAttributes::SubscriptStyle() const {
    if (Version() < 2) return TSubscriptStyle::ssNone;
    const DWORD e = Get().dwEffects;
    return (e & CFE_SUBSCRIPT)     ? TSubscriptStyle::ssSubscript
           : (e & CFE_SUPERSCRIPT) ? TSubscriptStyle::ssSuperscript
                                   : TSubscriptStyle::ssNone;
}

void TXcTextAttributes::SetSubscriptStyle(TSubscriptStyle value) {
    if (Version() < 2) return;
    CHARFORMAT2A f = NewCharFormat();
    f.dwEffects = value == TSubscriptStyle::ssSubscript     ? CFE_SUBSCRIPT
                  : value == TSubscriptStyle::ssSuperscript ? CFE_SUPERSCRIPT
                                                            : 0;
    Set(f, CFM_SUBSCRIPT | CFM_SUPERSCRIPT);
}

TXcConsistentAttributes TXcTextAttributes::ConsistentAttributes() const {
    if (!FRichEdit->HandleAllocated() || FType == atDefaultText) return 0;
    const DWORD mask = Get().dwMask;
    static const struct {
        DWORD mask;
        TXcConsistentAttribute member;
        int version;
    } map[] = {
        {CFM_BOLD, caBold, 1},
        {CFM_COLOR, caColor, 1},
        {CFM_FACE, caFace, 1},
        {CFM_ITALIC, caItalic, 1},
        {CFM_SIZE, caSize, 1},
        {CFM_STRIKEOUT, caStrikeOut, 1},
        {CFM_UNDERLINE, caUnderline, 1},
        {CFM_PROTECTED, caProtected, 1},
        {CFM_OFFSET, caOffset, 1},
        {CFM_HIDDEN, caHidden, 1},
        {CFM_LINK, caLink, 2},
        {CFM_BACKCOLOR, caBackColor, 2},
        {CFM_DISABLED, caDisabled, 2},
        {CFM_WEIGHT, caWeight, 2},
        {CFM_SUBSCRIPT | CFM_SUPERSCRIPT, caSubscript, 2},
        {CFM_REVAUTHOR, caRevAuthor, 2},
    };
    TXcConsistentAttributes result = 0;
    for (const auto& m : map)
        if ((mask & m.mask) && Version() >= m.version) result |= m.member;
    return result;
}

void TXcTextAttributes::Assign(TFont& font) {
    CHARFORMAT2A f = NewCharFormat();
    f.bPitchAndFamily = PitchByte(font.Pitch());
    DWORD mask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE |
                 CFM_STRIKEOUT | CFM_CHARSET;
    f.yHeight = Twips(font.Size());
    f.dwEffects = EffectsOf(font.Style());
    CopyFaceName(f, font.Name());
    if (font.Color() == clWindowText || font.Color() == clDefault)
        f.dwEffects |= CFE_AUTOCOLOR;
    else
        f.crTextColor = ColorToGdi(font.Color());
    f.bCharSet = font.Charset();
    LOGFONTA lf{};
    if (GetObjectA(font.Handle(), sizeof lf, &lf)) {
        mask |= CFM_WEIGHT;
        f.wWeight = static_cast<WORD>(lf.lfWeight);
    }
    Set(f, mask);
}

void TXcTextAttributes::Assign(const TXcTextAttributes& source) {
    CHARFORMAT2A f = source.Get();
    Set(f, f.dwMask);
}

void TXcTextAttributes::AssignTo(TFont& font) const {
    font.SetColor(Color());
    font.SetName(Name());
    font.SetCharset(Charset());
    font.SetStyle(Style());
    font.SetSize(Size());
    font.SetPitch(Pitch());
}

// ---- TXcParaAttributes --------------------------------------------------------------------

PARAFORMAT2 TXcParaAttributes::Get() const {
    PARAFORMAT2 p = NewParaFormat();
    if (FRichEdit->HandleAllocated())
        FRichEdit->Send(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&p));
    return p;
}

void TXcParaAttributes::Set(PARAFORMAT2& format, DWORD mask) {
    format.dwMask = mask;
    if (FRichEdit->HandleAllocated())
        FRichEdit->Send(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
}

TParaAlignment TXcParaAttributes::Alignment() const {
    return static_cast<TParaAlignment>(std::clamp(Get().wAlignment - 1, 0, 3));
}

void TXcParaAttributes::SetAlignment(TParaAlignment value) {
    PARAFORMAT2 p = NewParaFormat();
    p.wAlignment = static_cast<WORD>(value + 1);
    Set(p, PFM_ALIGNMENT);
}

TXcNumbering TXcParaAttributes::Numbering() const {
    const WORD n = Get().wNumbering;
    if (Version() == 1) return n ? nsBullet : nsNone;
    return n <= nsUpCaseRoman ? static_cast<TXcNumbering>(n) : nsBullet;
}

void TXcParaAttributes::SetNumbering(TXcNumbering value) {
    if (Version() == 1 && value != nsNone) value = nsBullet;
    if (value == nsNone)
        SetLeftIndent(0);
    else if (LeftIndent() < 10)
        SetLeftIndent(10);
    PARAFORMAT2 p = NewParaFormat();
    p.wNumbering = static_cast<WORD>(value);
    Set(p, PFM_NUMBERING);
}

TXcNumberingStyle TXcParaAttributes::NumberingStyle() const {
    if (Version() < 2) return nsSimple;
    const WORD style = Get().wNumberingStyle & 0xFF00;
    const auto* at = std::find(std::begin(kNumberingStyles), std::end(kNumberingStyles), style);
    return at == std::end(kNumberingStyles)
               ? nsSimple
               : static_cast<TXcNumberingStyle>(at - std::begin(kNumberingStyles));
}

void TXcParaAttributes::SetNumberingStyle(TXcNumberingStyle value) {
    if (Version() < 2) return;
    PARAFORMAT2 p = NewParaFormat();
    p.wNumberingStyle = kNumberingStyles[value];
    Set(p, PFM_NUMBERINGSTYLE);
}

// A paragraph measure in points, kept in twips; a write starts from an empty format, or
// from the current one when the window wants the fields that go with it.
template <class C, class F>
int TXcParaAttributes::Points(F C::*field) const {
    return static_cast<int>(Get().*field) / 20;
}

template <class C, class F>
void TXcParaAttributes::SetPoints(F C::*field, DWORD mask, int version, bool current, int value) {
    if (Version() < version) return;
    PARAFORMAT2 p = current ? Get() : NewParaFormat();
    p.*field = static_cast<F>(Twips(value));
    Set(p, mask);
}

int TXcParaAttributes::NumberingTab() const {
    return Points(&PARAFORMAT2::wNumberingTab);
}

void TXcParaAttributes::SetNumberingTab(int value) {
    SetPoints(&PARAFORMAT2::wNumberingTab, PFM_NUMBERINGTAB, 2, false, value);
}

int TXcParaAttributes::FirstIndent() const {
    return Points(&PARAFORMAT2::dxStartIndent);
}

void TXcParaAttributes::SetFirstIndent(int value) {
    SetPoints(&PARAFORMAT2::dxStartIndent, PFM_STARTINDENT, 1, false, value);
}

int TXcParaAttributes::LeftIndent() const {
    return Points(&PARAFORMAT2::dxOffset);
}

void TXcParaAttributes::SetLeftIndent(int value) {
    SetPoints(&PARAFORMAT2::dxOffset, PFM_OFFSET, 1, false, value);
}

int TXcParaAttributes::RightIndent() const {
    return Points(&PARAFORMAT2::dxRightIndent);
}

void TXcParaAttributes::SetRightIndent(int value) {
    SetPoints(&PARAFORMAT2::dxRightIndent, PFM_RIGHTINDENT, 1, false, value);
}

int TXcParaAttributes::SpaceBefore() const {
    return Points(&PARAFORMAT2::dySpaceBefore);
}

void TXcParaAttributes::SetSpaceBefore(int value) {
    SetPoints(&PARAFORMAT2::dySpaceBefore, PFM_SPACEBEFORE, 2, false, value);
}

int TXcParaAttributes::SpaceAfter() const {
    return Points(&PARAFORMAT2::dySpaceAfter);
}

void TXcParaAttributes::SetSpaceAfter(int value) {
    SetPoints(&PARAFORMAT2::dySpaceAfter, PFM_SPACEAFTER, 2, false, value);
}

int TXcParaAttributes::LineSpacing() const {
    return Points(&PARAFORMAT2::dyLineSpacing);
}

void TXcParaAttributes::SetLineSpacing(int value) {
    // The rule goes with the spacing.
    SetPoints(&PARAFORMAT2::dyLineSpacing, PFM_LINESPACING, 2, true, value);
}

TLineSpacingRule TXcParaAttributes::LineSpacingRule() const {
    return static_cast<TLineSpacingRule>(std::min<int>(Get().bLineSpacingRule, lsMultiple));
}

void TXcParaAttributes::SetLineSpacingRule(TLineSpacingRule value) {
    if (Version() < 2) return;
    PARAFORMAT2 p = Get();
    p.bLineSpacingRule = static_cast<BYTE>(value);
    Set(p, PFM_LINESPACING);
}

int TXcParaAttributes::Tab(int index) const {
    if (index < 0 || index >= MAX_TAB_STOPS) return 0;
    return Get().rgxTabs[index] / 20;
}

void TXcParaAttributes::SetTab(int index, int value) {
    if (index < 0 || index >= MAX_TAB_STOPS) return;
    PARAFORMAT2 p = Get();
    p.rgxTabs[index] = Twips(value);
    // The stop just written counts.
    if (p.cTabCount < index + 1) p.cTabCount = static_cast<SHORT>(index + 1);
    Set(p, PFM_TABSTOPS);
}

int TXcParaAttributes::TabCount() const {
    return Get().cTabCount;
}

void TXcParaAttributes::SetTabCount(int value) {
    PARAFORMAT2 p = Get();
    p.cTabCount = static_cast<SHORT>(std::clamp(value, 0, MAX_TAB_STOPS));
    Set(p, PFM_TABSTOPS);
}

void TXcParaAttributes::Assign(const TXcParaAttributes& source) {
    PARAFORMAT2 p = source.Get();
    Set(p, p.dwMask);
}

// ---- TRichEditStrings ---------------------------------------------------------------------

TRichEditStrings::TRichEditStrings(TXcCustomRichEdit* richEdit)
    : TMemoStrings(richEdit), FRichEdit(richEdit) {}

TRichEditStrings::~TRichEditStrings() = default;

void TRichEditStrings::SetConverter(std::unique_ptr<TConversion> converter) {
    FConverter = std::move(converter);
}

HWND TRichEditStrings::Wnd() const {
    return FRichEdit->Handle();
}

bool TRichEditStrings::Plain() const {
    return quiro::controls::StreamIsPlain(Format, FRichEdit->PlainText());
}

std::string TRichEditStrings::Get(int index) const {
    if (index < 0 || index >= GetCount()) IndexError(index);
    // The line's characters without its break, however long it is.
    const auto start = static_cast<int>(SendMessageA(Wnd(), EM_LINEINDEX, index, 0));
    const auto length = static_cast<int>(SendMessageA(Wnd(), EM_LINELENGTH, start, 0));
    return FRichEdit->GetTextRange(start, start + length);
}

void TRichEditStrings::ReplaceRange(int start, int end, const std::string& text) const {
    HWND w = Wnd();
    CHARRANGE r{start, end};
    SendMessageA(w, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    FRichEdit->FLinesUpdating = true;
    Finally done([this] { FRichEdit->FLinesUpdating = false; });
    SendMessageA(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TRichEditStrings::Put(int index, const std::string& s) {
    if (index < 0) return;
    const auto start = static_cast<int>(SendMessageA(Wnd(), EM_LINEINDEX, index, 0));
    if (start < 0) return;
    const auto len = static_cast<int>(SendMessageA(Wnd(), EM_LINELENGTH, start, 0));
    ReplaceRange(start, start + len, s);
}

void TRichEditStrings::Insert(int index, const std::string& s) {
    if (index < 0) return;
    const std::string brk = Version() == 1 ? "\r\n" : "\r";
    auto at = static_cast<int>(SendMessageA(Wnd(), EM_LINEINDEX, index, 0));
    std::string text;
    if (at >= 0) {
        text = s + brk;
    } else {
        at = static_cast<int>(SendMessageA(Wnd(), EM_LINEINDEX, index - 1, 0));
        if (at < 0) return;
        const auto len = static_cast<int>(SendMessageA(Wnd(), EM_LINELENGTH, at, 0));
        if (len == 0) return;
        at += len;
        text = brk + s;
    }
    ReplaceRange(at, at, text);
    if (Version() == 1 && FRichEdit->SelStart() != at + static_cast<int>(text.size()))
        throw EOutOfResources("RichEdit line insertion error");
}

void TRichEditStrings::Delete(int index) {
    if (index < 0) return;
    const auto start = static_cast<int>(SendMessageA(Wnd(), EM_LINEINDEX, index, 0));
    if (start < 0) return;
    auto end = static_cast<int>(SendMessageA(Wnd(), EM_LINEINDEX, index + 1, 0));
    if (end < 0) end = start + static_cast<int>(SendMessageA(Wnd(), EM_LINELENGTH, start, 0));
    ReplaceRange(start, end, "");
}

void TRichEditStrings::Clear() {
    FRichEdit->Clear();
}

void TRichEditStrings::SetTextStr(const std::string& text) {
    FRichEdit->SetChangeNotifications(false);
    Finally on([this] { FRichEdit->SetChangeNotifications(true); });
    TMemoStrings::SetTextStr(text);
}

void TRichEditStrings::SetUpdateState(bool updating) {
    if (FRichEdit->HandleAllocated() && FRichEdit->Showing())
        SendMessageA(Wnd(), WM_SETREDRAW, !updating, 0);
    if (updating) return;
    if (FRichEdit->HandleAllocated() && FRichEdit->Showing()) FRichEdit->Invalidate();
    FRichEdit->Change();  // as a text set in code tells it
}

void TRichEditStrings::AddStrings(const TStrings& strings) {
    TNotifyEvent saved = std::exchange(FRichEdit->OnSelectionChange, nullptr);
    Finally restore([&] { FRichEdit->OnSelectionChange = std::move(saved); });
    TStrings::AddStrings(strings);
}

void TRichEditStrings::LoadFromStream(TStream& stream) {
    std::unique_ptr<TConversion> temporary;
    TConversion* converter = FConverter.get();
    if (!converter) {
        temporary = FRichEdit->DefaultConverter();
        converter = temporary.get();
    }
    HWND w = Wnd();
    const int64_t position = stream.Position();
    const bool plain = Plain();
    auto load = [&](uint32_t flags) {
        StreamCookie cookie{converter, &stream,
                            TStreamNormaliser(quiro::controls::StreamIsUnicode(flags) ? 2 : 1),
                            nullptr};
        EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&cookie), 0, &ReadCallback};
        SendMessageA(w, EM_STREAMIN, flags, reinterpret_cast<LPARAM>(&es));
        if (cookie.error) std::rethrow_exception(cookie.error);
        return es.dwError == 0;
    };
    // A text the window refuses in one format is tried in the other, into the same target.
    if (!load(quiro::controls::StreamInFlags(plain, Mode, Version()))) {
        stream.SetPosition(position);
        if (!load(quiro::controls::StreamInFlags(!plain, Mode, Version())))
            throw EOutOfResources("Failed to Load Stream");
    }
    FRichEdit->SetSelection(0, 0, true);
}

void TRichEditStrings::SaveToStream(TStream& stream) const {
    std::unique_ptr<TConversion> temporary;
    TConversion* converter = FConverter.get();
    if (!converter) {
        temporary = FRichEdit->DefaultConverter();
        converter = temporary.get();
    }
    StreamCookie cookie{converter, &stream, TStreamNormaliser(), nullptr};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&cookie), 0, &WriteCallback};
    SendMessageA(Wnd(), EM_STREAMOUT, quiro::controls::StreamOutFlags(Plain(), Mode, Version()),
                 reinterpret_cast<LPARAM>(&es));
    if (cookie.error) std::rethrow_exception(cookie.error);
    if (es.dwError) throw EOutOfResources("Failed to Save Stream");
}

void TRichEditStrings::WithFileFormat(const std::string& fileName,
                                      const std::function<void()>& operation) const {
    auto* self = const_cast<TRichEditStrings*>(this);
    const TConversionFormat* format = FindConversionFormat(fileName);
    if (!FConverter && format) FConverter = format->ConversionClass();
    const TRichStreamFormat saved = Format;
    if (format) self->Format = format->PlainText ? sfPlainText : sfRichText;
    Finally restore([self, saved] { self->Format = saved; });
    operation();
}

void TRichEditStrings::LoadFromFile(const std::string& fileName) {
    WithFileFormat(fileName, [&] {
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        LoadFromStream(file);
    });
}

void TRichEditStrings::SaveToFile(const std::string& fileName) const {
    WithFileFormat(fileName, [&] {
        std::string folder = ExtractFilePath(fileName);
        if (folder.empty()) folder = ".";
        char temp[MAX_PATH] = {};
        if (!GetTempFileNameA(folder.c_str(), "qre", 0, temp))
            throw EFCreateError("Cannot create file " + fileName);
        try {
            TNewFileStream file(temp);
            SaveToStream(file);
            file.Close();
            if (!MoveFileExA(temp, fileName.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                throw EFCreateError("Cannot create file " + fileName);
        } catch (...) {
            DeleteFileA(temp);
            throw;
        }
    });
}

// ---- TXcCustomRichEdit: window --------------------------------------------------------

TXcCustomRichEdit::TXcCustomRichEdit(TComponent* owner)
    : TCustomMemo(owner), FOleCallback(std::make_unique<TRichEditOleCallback>(this)) {
    HDC dc = GetDC(nullptr);
    FScreenLogPixels = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    FTabStop = true;
    FWidth = 185;
    FHeight = 89;
    SetScrollBars(ssBoth);
}

TXcCustomRichEdit::~TXcCustomRichEdit() {
    FClosing = true;
    // The dialogs go first: closing them must not call back into a control half gone.
    for (TFindDialog* d : {static_cast<TFindDialog*>(FReplaceDialog), FFindDialog}) {
        if (!d) continue;
        d->OnClose = nullptr;
        delete d;
    }
    FFindDialog = FReplaceDialog = nullptr;
    FLastFindDialog = nullptr;
    delete FPopupVerbMenu;
    FPopupVerbMenu = nullptr;
    // The window lets go of the callback and the objects while they still exist.
    if (HandleAllocated()) DestroyWnd();
}

LRESULT TXcCustomRichEdit::Send(UINT msg, WPARAM wparam, LPARAM lparam) const {
    return SendMessageA(const_cast<TXcCustomRichEdit*>(this)->Handle(), msg, wparam, lparam);
}

void TXcCustomRichEdit::CreateParams(TCreateParams& params) {
    TCustomMemo::CreateParams(params);
    if (Version() == 1) {
        params.WinClassName = "QuiroRichEdit1";
        params.SystemClassName = "RICHEDIT";
    } else {
        params.WinClassName = "QuiroRichEdit";
        params.SystemClassName = "RichEdit20A";
    }
    quiro::controls::RichWindowOptions options;
    options.verticalBar = ScrollBars() == ssVertical || ScrollBars() == ssBoth;
    options.horizontalBar = ScrollBars() == ssHorizontal || ScrollBars() == ssBoth;
    options.wordWrap = WordWrap();
    options.hideScrollBars = FHideScrollBars;
    options.selectionBar = FSelectionBar;
    options.hideSelection = FHideSelection;
    params.Style = quiro::controls::RichEditWindowStyle(params.Style, options);
    // The text goes in once the window is set up (its text mode can change only while it
    // is empty).
    params.Caption.clear();
}

void TXcCustomRichEdit::CreateWnd() {
    TCustomMemo::CreateWnd();
    const bool modified = Modified();  // as the memo kept it
    const TRichStreamFormat format = FRichLines.Format;
    const TRichStreamModes mode = FRichLines.Mode;
    Font()->SetCharset(static_cast<TFontCharset>(quiro::controls::CreationCharset(
        Font()->Charset(), GetSystemMetrics(SM_DBCSENABLED) != 0,
        PRIMARYLANGID(GetSystemDefaultLangID()) == LANG_JAPANESE)));
    Send(EM_SETEVENTMASK, 0, quiro::controls::RichEditEventMask(Version()));
    Send(EM_SETBKGNDCOLOR, 0, ColorToGdi(Color()));
    DoSetMaxLength(MaxLength());
    SetWordSelection(FWordSelection);
    if (Version() >= 2) {
        Send(EM_AUTOURLDETECT, FAutoURLDetect, 0);
        FUndoLimit = static_cast<int>(Send(EM_SETUNDOLIMIT, static_cast<WPARAM>(FUndoLimit), 0));
        UpdateTextModes(FPlainText);
        SetLangOptions(FLangOptions);
    }
    if (FAllowObjects) {
        Send(EM_SETOLECALLBACK, 0,
             reinterpret_cast<LPARAM>(static_cast<IRichEditOleCallback*>(FOleCallback.get())));
        Send(EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&FRichEditOle));
        UpdateHostNames();
    }
    if (FSavedContents) {
        std::unique_ptr<TMemoryStream> saved = std::move(FSavedContents);
        FRichLines.Mode = 0;
        Finally restore([&] {
            FRichLines.Format = format;
            FRichLines.Mode = mode;
        });
        FRichLines.LoadFromStream(*saved);
    } else if (!FCaption.empty()) {
        SetChangeNotifications(false);
        SetWindowTextA(FHandle, FCaption.c_str());
        SetChangeNotifications(true);
    }
    Send(EM_SETSEL, static_cast<WPARAM>(FSelStart), FSelEnd);
    Perform(WM_SETFONT, 0, 0);
    SetModified(modified);
}

void TXcCustomRichEdit::DestroyWnd() {
    if (FHandle && !FClosing && !IsDestroying()) {
        // The whole text with its formatting, whatever StreamMode says, for the new window.
        auto saved = std::make_unique<TMemoryStream>();
        const TRichStreamModes mode = FRichLines.Mode;
        FRichLines.Mode = 0;
        Finally restore([&] { FRichLines.Mode = mode; });
        FRichLines.SaveToStream(*saved);
        saved->SetPosition(0);
        FSavedContents = std::move(saved);
    }
    TCustomMemo::DestroyWnd();
}

void TXcCustomRichEdit::SetCaption(const std::string& caption) {
    if (!FHandle) FSavedContents.reset();  // the new text replaces what was kept
    TCustomMemo::SetCaption(caption);
}

void TXcCustomRichEdit::DoSetMaxLength(int length) {
    if (FHandle) Send(EM_EXLIMITTEXT, 0, length ? length : 0xFFFFFF);
}

void TXcCustomRichEdit::FontChanged() {
    TCustomMemo::FontChanged();
    if (FHandle) FDefAttributes.Assign(*Font());
}

void TXcCustomRichEdit::ColorChanged() {
    TCustomMemo::ColorChanged();
    if (FHandle) Send(EM_SETBKGNDCOLOR, 0, ColorToGdi(Color()));
}

void TXcCustomRichEdit::ChangeStyle(bool& field, bool value) {
    if (field == value) return;
    field = value;
    RecreateWnd();
}

void TXcCustomRichEdit::SetHideScrollBars(bool value) {
    ChangeStyle(FHideScrollBars, value);
}

void TXcCustomRichEdit::SetSelectionBar(bool value) {
    ChangeStyle(FSelectionBar, value);
}

void TXcCustomRichEdit::SetAllowObjects(bool value) {
    ChangeStyle(FAllowObjects, value);
}

void TXcCustomRichEdit::SetHideSelection(bool value) {
    if (value == FHideSelection) return;
    FHideSelection = value;
    if (FHandle) Send(EM_HIDESELECTION, value, 1);
}

bool TXcCustomRichEdit::AutoURLDetect() const {
    if (!FHandle || Version() < 2) return FAutoURLDetect;
    return Send(EM_GETAUTOURLDETECT) != 0;
}

void TXcCustomRichEdit::SetAutoURLDetect(bool value) {
    if (value == FAutoURLDetect) return;
    FAutoURLDetect = value;
    if (FHandle && Version() >= 2) Send(EM_AUTOURLDETECT, value, 0);
}

bool TXcCustomRichEdit::WordSelection() const {
    if (!FHandle) return FWordSelection;
    return (Send(EM_GETOPTIONS) & ECO_AUTOWORDSELECTION) != 0;
}

void TXcCustomRichEdit::SetWordSelection(bool value) {
    FWordSelection = value;
    if (!FHandle) return;
    LRESULT options = Send(EM_GETOPTIONS);
    if (value)
        options |= ECO_AUTOWORDSELECTION;
    else
        options &= ~static_cast<LRESULT>(ECO_AUTOWORDSELECTION);
    Send(EM_SETOPTIONS, ECOOP_SET, options);
}

TRichLangOptions TXcCustomRichEdit::LangOptions() const {
    if (!FHandle || Version() < 2) return FLangOptions;
    return static_cast<TRichLangOptions>(Send(EM_GETLANGOPTIONS)) &
           (rlAutoKeyboard | rlAutoFont | rlImeCancelComplete | rlImeAlwaysSendNotify);
}

void TXcCustomRichEdit::SetLangOptions(TRichLangOptions value) {
    FLangOptions = value;
    if (FHandle && Version() >= 2) Send(EM_SETLANGOPTIONS, 0, value);
}

void TXcCustomRichEdit::SetUndoLimit(int value) {
    if (value == FUndoLimit) return;
    FUndoLimit = value;
    if (FHandle && Version() >= 2)
        FUndoLimit = static_cast<int>(Send(EM_SETUNDOLIMIT, static_cast<WPARAM>(value), 0));
}

void TXcCustomRichEdit::SetTitle(const std::string& title) {
    if (title == FTitle) return;
    FTitle = title;
    UpdateHostNames();
}

void TXcCustomRichEdit::UpdateTextModes(bool plainText) {
    if (FHandle && Version() >= 2)
        Send(EM_SETTEXTMODE, quiro::controls::RichEditTextMode(plainText, FUndoLimit), 0);
}

void TXcCustomRichEdit::SetChangeNotifications(bool on) {
    if (!FHandle) return;
    LRESULT mask = Send(EM_GETEVENTMASK);
    if (on)
        mask |= ENM_CHANGE;
    else
        mask &= ~static_cast<LRESULT>(ENM_CHANGE);
    Send(EM_SETEVENTMASK, 0, mask);
}

void TXcCustomRichEdit::SetPlainText(bool value) {
    if (value == FPlainText) return;
    if (FHandle && Version() >= 2) {
        TMemoryStream text;
        const TRichStreamFormat format = FRichLines.Format;
        const TRichStreamModes mode = FRichLines.Mode;
        Finally restore([&] {
            FRichLines.Format = format;
            FRichLines.Mode = mode;
        });
        FRichLines.Mode = 0;
        FRichLines.Format = value ? sfPlainText : sfRichText;
        FRichLines.SaveToStream(text);
        SetChangeNotifications(false);
        SendMessageA(FHandle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        ClearUndo();  // a text mode changes only with no text and no undo
        UpdateTextModes(value);
        FPlainText = value;
        SetChangeNotifications(true);
        text.SetPosition(0);
        FRichLines.LoadFromStream(text);
    }
    FPlainText = value;
}

void TXcCustomRichEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CN_NOTIFY:
            Notify(message);
            return;
        case EM_REPLACESEL: {
            const CHARRANGE before = GetSelection();
            if (FUndoLimit > 1 && Version() >= 2 && !FLinesUpdating) message.WParam = 1;
            TCustomMemo::WndProc(message);
            if (!FLinesUpdating) {
                // The new text is selected: from where it went in up to the caret behind
                // it (its length in bytes would run past it with double-byte text).
                const CHARRANGE after = GetSelection();
                SetSelection(before.cpMin, after.cpMax, true);
            }
            return;
        }
        case WM_SETFONT:
            FDefAttributes.Assign(*Font());
            message.Result = 0;
            return;
        case WM_DESTROY:
            CloseObjects();
            if (FRichEditOle) FRichEditOle->Release();
            FRichEditOle = nullptr;
            TCustomMemo::WndProc(message);
            return;
        default:
            TCustomMemo::WndProc(message);
    }
}

void TXcCustomRichEdit::Notify(TMessage& message) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    message.Result = 0;
    switch (header->code) {
        case EN_REQUESTRESIZE:
            RequestSize(reinterpret_cast<REQRESIZE*>(header)->rc);
            break;
        case EN_SELCHANGE:
            SelectionChange();
            break;
        case EN_PROTECTED: {
            auto* p = reinterpret_cast<ENPROTECTED*>(header);
            if (!ProtectChange(p->msg, p->chrg.cpMin, p->chrg.cpMax)) message.Result = 1;
            break;
        }
        case EN_SAVECLIPBOARD: {
            auto* s = reinterpret_cast<ENSAVECLIPBOARD*>(header);
            if (!SaveClipboard(s->cObjectCount, s->cch)) message.Result = 1;
            break;
        }
        case EN_LINK: {
            auto* link = reinterpret_cast<ENLINK*>(header);
            LinkMouse kind = LinkMouse::Other;
            switch (link->msg) {
                case WM_LBUTTONDOWN:
                    kind = LinkMouse::LeftDown;
                    break;
                case WM_RBUTTONDOWN:
                    kind = LinkMouse::RightDown;
                    break;
                case WM_LBUTTONUP:
                    kind = LinkMouse::LeftUp;
                    break;
                case WM_RBUTTONUP:
                    kind = LinkMouse::RightUp;
                    break;
            }
            const LinkButton button =
                FLinkClicks.Mouse(kind, CharRange{link->chrg.cpMin, link->chrg.cpMax});
            if (button != LinkButton::None)
                URLClick(GetTextRange(link->chrg.cpMin, link->chrg.cpMax),
                         button == LinkButton::Left ? mbLeft : mbRight);
            break;
        }
    }
}

void TXcCustomRichEdit::SelectionChange() {
    if (OnSelectionChange) OnSelectionChange(this);
}

void TXcCustomRichEdit::RequestSize(const RECT& rect) {
    if (OnResizeRequest) OnResizeRequest(this, rect);
}

bool TXcCustomRichEdit::ProtectChange(UINT message, int startPos, int endPos) {
    bool allow = false;
    if (OnProtectChangeEx)
        OnProtectChangeEx(this, message, startPos, endPos, allow);
    else if (OnProtectChange)
        OnProtectChange(this, startPos, endPos, allow);
    return allow;
}

bool TXcCustomRichEdit::SaveClipboard(int numObjects, int numChars) {
    bool save = true;
    if (OnSaveClipboard) OnSaveClipboard(this, numObjects, numChars, save);
    return save;
}

void TXcCustomRichEdit::URLClick(const std::string& urlText, TMouseButton button) {
    if (OnURLClick) OnURLClick(this, urlText, button);
}

// ---- TXcCustomRichEdit: selection and text ----------------------------------------------

CHARRANGE TXcCustomRichEdit::GetSelection() {
    CHARRANGE r{0, 0};
    Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

void TXcCustomRichEdit::SetSelection(int startPos, int endPos, bool scrollCaret) {
    CHARRANGE r{startPos, endPos};
    Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    if (scrollCaret) Send(EM_SCROLLCARET);
}

int TXcCustomRichEdit::SelStart() const {
    return const_cast<TXcCustomRichEdit*>(this)->GetSelection().cpMin;
}

int TXcCustomRichEdit::SelLength() const {
    const CHARRANGE r = const_cast<TXcCustomRichEdit*>(this)->GetSelection();
    return r.cpMax - r.cpMin;
}

void TXcCustomRichEdit::SetSelStart(int start) {
    SetSelection(start, start, false);
}

void TXcCustomRichEdit::SetSelLength(int length) {
    const int start = GetSelection().cpMin;
    SetSelection(start, start + length, true);
}

std::string TXcCustomRichEdit::SelText() const {
    const CHARRANGE r = const_cast<TXcCustomRichEdit*>(this)->GetSelection();
    return GetTextRange(r.cpMin, r.cpMax);
}

int TXcCustomRichEdit::GetSelTextBuf(char* buffer, int bufSize) {
    if (!buffer || bufSize <= 0) return 0;
    const std::string text = SelText();
    const std::string_view head = HeadOfBytes(text, static_cast<size_t>(bufSize - 1));
    std::memcpy(buffer, head.data(), head.size());
    buffer[head.size()] = '\0';
    return static_cast<int>(head.size());
}

std::string TXcCustomRichEdit::GetTextRange(int startPos, int endPos) const {
    if (startPos < 0 || endPos <= startPos) return std::string();
    // The window writes bytes: up to two for each character, and the NUL.
    std::vector<char> buffer(static_cast<size_t>(endPos - startPos) * 2 + 1, '\0');
    TEXTRANGEA range{{startPos, endPos}, buffer.data()};
    Send(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string TXcCustomRichEdit::GetTextRange(int startPos, int endPos, UINT codePage) const {
    endPos = std::min(endPos, TextLength());  // as the range message: not the closing paragraph mark
    if (startPos < 0 || endPos <= startPos) return std::string();
    // The window is an ANSI one, whose own range message converts with the system's code
    // page; its text object model hands the range out as UTF-16.
    IRichEditOle* ole = nullptr;
    ITextDocument* document = nullptr;
    ITextRange* range = nullptr;
    BSTR text = nullptr;
    Finally release([&] {
        SysFreeString(text);
        if (range) range->Release();
        if (document) document->Release();
        if (ole) ole->Release();
    });
    if (!Send(EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole)) || !ole ||
        FAILED(ole->QueryInterface(kIIDTextDocument, reinterpret_cast<void**>(&document))) ||
        FAILED(document->Range(startPos, endPos, &range)) || FAILED(range->GetText(&text)))
        return WideToAnsi(AnsiToWide(GetTextRange(startPos, endPos)), codePage);  // the first generation's
    return WideToAnsi(std::wstring(text ? text : L"", text ? SysStringLen(text) : 0), codePage);
}

int TXcCustomRichEdit::TextLength() const {
    if (Version() == 1) return static_cast<int>(Send(WM_GETTEXTLENGTH));
    GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<int>(Send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
}

POINT TXcCustomRichEdit::CaretPos() {
    const CHARRANGE r = GetSelection();
    return POINT{r.cpMax - GetLineIndex(-1), LineFromChar(r.cpMax)};
}

POINT TXcCustomRichEdit::GetCharPos(int charIndex) {
    if (!FHandle) return POINT{0, 0};
    if (Version() == 2) {
        const LRESULT r = Send(EM_POSFROMCHAR, static_cast<WPARAM>(charIndex), 0);
        return POINT{static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r))};
    }
    POINTL p{0, 0};
    Send(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&p), charIndex);
    return POINT{p.x, p.y};
}

int TXcCustomRichEdit::LineFromChar(int charIndex) {
    return static_cast<int>(Send(EM_EXLINEFROMCHAR, 0, charIndex));
}

int TXcCustomRichEdit::GetLineIndex(int lineNo) {
    return static_cast<int>(Send(EM_LINEINDEX, static_cast<WPARAM>(lineNo), 0));
}

int TXcCustomRichEdit::GetLineLength(int charIndex) {
    return static_cast<int>(Send(EM_LINELENGTH, static_cast<WPARAM>(charIndex), 0));
}

std::string TXcCustomRichEdit::WordAtCursor() {
    if (!FHandle) return std::string();
    auto find = [this](int code) {
        return
            [this, code](int pos) { return static_cast<int>(Send(EM_FINDWORDBREAK, code, pos)); };
    };
    quiro::controls::WordBreaks breaks;
    breaks.isDelimiter = [this](int pos) {
        return Send(EM_FINDWORDBREAK, WB_ISDELIMITER, pos) != 0;
    };
    breaks.moveWordLeft = find(WB_MOVEWORDLEFT);
    breaks.left = find(WB_LEFT);
    breaks.rightBreak = find(WB_RIGHTBREAK);
    const CharRange word = quiro::controls::WordRangeAt(SelStart(), TextLength(), breaks);
    return Trim(GetTextRange(word.cpMin, word.cpMax));
}

TRichSelectionType TXcCustomRichEdit::SelectionType() {
    if (!FHandle) return 0;
    return static_cast<TRichSelectionType>(Send(EM_SELECTIONTYPE)) & 0x0F;
}

void TXcCustomRichEdit::Clear() {
    CloseObjects();
    TCustomMemo::Clear();
    SetModified(false);
}

// ---- Undo ---------------------------------------------------------------------------------

bool TXcCustomRichEdit::CanUndo() {
    return FHandle && Send(EM_CANUNDO) != 0;
}

void TXcCustomRichEdit::Undo() {
    Send(EM_UNDO);
}

void TXcCustomRichEdit::ClearUndo() {
    Send(EM_EMPTYUNDOBUFFER);
}

void TXcCustomRichEdit::Redo() {
    Send(EM_REDO);
}

bool TXcCustomRichEdit::CanRedo() {
    return FHandle && Version() >= 2 && Send(EM_CANREDO) != 0;
}

bool TXcCustomRichEdit::CanPaste() {
    return FHandle && Send(EM_CANPASTE) != 0;
}

TUndoName TXcCustomRichEdit::UndoName() {
    if (!FHandle || Version() < 2) return unUnknown;
    const LRESULT id = Send(EM_GETUNDONAME);
    return id >= 0 && id <= unPaste ? static_cast<TUndoName>(id) : unUnknown;
}

TUndoName TXcCustomRichEdit::RedoName() {
    if (!FHandle || Version() < 2) return unUnknown;
    const LRESULT id = Send(EM_GETREDONAME);
    return id >= 0 && id <= unPaste ? static_cast<TUndoName>(id) : unUnknown;
}

void TXcCustomRichEdit::StopGroupTyping() {
    if (FHandle && Version() >= 2) Send(EM_STOPGROUPTYPING);
}

// ---- Find and replace ---------------------------------------------------------------------

int TXcCustomRichEdit::FindText(const std::string& searchStr, int startPos, int length,
                                TRichSearchTypes options) {
    FINDTEXTEXA find{};
    find.chrg.cpMin = startPos;
    find.chrg.cpMax = startPos + std::abs(length);
    find.lpstrText = searchStr.c_str();
    if (Version() == 1) options &= ~static_cast<TRichSearchTypes>(stBackward);
    const auto at =
        static_cast<int>(Send(EM_FINDTEXTEX, quiro::controls::FindTextFlags(options, Version()),
                              reinterpret_cast<LPARAM>(&find)));
    if (at >= 0 && (options & stSetSelection)) {
        Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
        Send(EM_SCROLLCARET);
    }
    return at;
}

bool TXcCustomRichEdit::FindEditText(TFindDialog* dialog, bool adjustPos, bool events) {
    TRichSearchTypes options = stSetSelection;
    const bool down = (dialog->Options & frDown) != 0;
    if (!down) options |= stBackward;
    if (dialog->Options & frMatchCase) options |= stMatchCase;
    if (dialog->Options & frWholeWord) options |= stWholeWord;
    int start = 0, length = 0;
    quiro::controls::DialogSearchSpan(down, SelStart(), SelLength(), TextLength(), start, length);
    const bool found = FindText(dialog->FindText, start, length, options) >= 0;
    if (!dialog->FindText.empty()) FLastFindDialog = dialog;
    if (found && adjustPos)
        AdjustFindDialogPosition(dialog);
    else if (!found && events)
        TextNotFound(dialog);
    return found;
}

void TXcCustomRichEdit::AdjustFindDialogPosition(TFindDialog* dialog) {
    HWND d = dialog->Handle();
    if (!d) return;
    RECT dialogRect;
    GetWindowRect(d, &dialogRect);
    const int start = SelStart();
    POINT topLeft = GetCharPos(start), bottomRight = GetCharPos(start + SelLength());
    ::ClientToScreen(FHandle, &topLeft);
    ::ClientToScreen(FHandle, &bottomRight);
    bottomRight.y += 20;
    if (!PtInRect(&dialogRect, topLeft) && !PtInRect(&dialogRect, bottomRight)) return;
    const int height = dialogRect.bottom - dialogRect.top;
    POINT to{dialogRect.left, dialogRect.top};
    if (topLeft.y > height + 20)
        to.y = topLeft.y - height - 20;
    else if (topLeft.y + height < GetSystemMetrics(SM_CYSCREEN))
        to.y = topLeft.y + 40;
    else
        return;
    dialog->SetPosition(to);
}

void TXcCustomRichEdit::SetupFindDialog(TFindDialog* dialog, const std::string& searchStr,
                                        const std::string& replaceStr) {
    if (!searchStr.empty()) dialog->FindText = searchStr;
    if (Version() == 1) dialog->Options |= frHideUpDown | frDown;
    dialog->OnFind = [this](TComponent* sender) {
        FindEditText(static_cast<TFindDialog*>(sender), true, true);
    };
    dialog->OnClose = [this](TComponent* sender) {
        CloseFindDialog(static_cast<TFindDialog*>(sender));
    };
    if (auto* replace = dynamic_cast<TReplaceDialog*>(dialog)) {
        if (!replaceStr.empty()) replace->ReplaceText = replaceStr;
        replace->OnReplace = [this](TComponent* sender) {
            ReplaceFound(static_cast<TReplaceDialog*>(sender));
        };
    }
}

TFindDialog* TXcCustomRichEdit::FindDialog(const std::string& searchStr) {
    if (!FFindDialog) {
        FFindDialog = new TFindDialog(this);
        if (FReplaceDialog) FFindDialog->FindText = FReplaceDialog->FindText;
    }
    SetupFindDialog(FFindDialog, searchStr, std::string());
    FFindDialog->Execute();
    return FFindDialog;
}

TReplaceDialog* TXcCustomRichEdit::ReplaceDialog(const std::string& searchStr,
                                                 const std::string& replaceStr) {
    if (!FReplaceDialog) {
        FReplaceDialog = new TReplaceDialog(this);
        if (FFindDialog) FReplaceDialog->FindText = FFindDialog->FindText;
    }
    SetupFindDialog(FReplaceDialog, searchStr, replaceStr);
    FReplaceDialog->Execute();
    return FReplaceDialog;
}

void TXcCustomRichEdit::ReplaceFound(TReplaceDialog* dialog) {
    if (!(dialog->Options & frReplaceAll)) {
        if (FindEditText(dialog, true, true)) SetSelText(dialog->ReplaceText);
        return;
    }
    TNotifyEvent selectionChange = std::exchange(OnSelectionChange, nullptr);
    SetChangeNotifications(false);
    int count = 0;
    {
        Finally restore([&] {
            SetChangeNotifications(true);
            OnSelectionChange = std::move(selectionChange);
        });
        while (FindEditText(dialog, false, false)) {
            SetSelText(dialog->ReplaceText);
            ++count;
        }
        if (count > 0)
            AdjustFindDialogPosition(dialog);
        else
            TextNotFound(dialog);
    }
    if (count > 0) {
        Change();
        SelectionChange();
    }
}

bool TXcCustomRichEdit::CanFindNext() {
    return FHandle && FLastFindDialog && !FLastFindDialog->FindText.empty();
}

bool TXcCustomRichEdit::FindNext() {
    return CanFindNext() && FindEditText(FLastFindDialog, false, true);
}

void TXcCustomRichEdit::TextNotFound(TFindDialog* dialog) {
    if (OnTextNotFound) OnTextNotFound(this, dialog->FindText);
}

void TXcCustomRichEdit::CloseFindDialog(TFindDialog* dialog) {
    if (OnCloseFindDialog) OnCloseFindDialog(this, dialog);
}

// ---- Printing -----------------------------------------------------------------------------

namespace {

class TPrinterTarget : public TRichPrintTarget {
public:
    explicit TPrinterTarget(TPrinter* printer) : FPrinter(printer) {}
    HDC DC() override { return FPrinter->Handle(); }
    int PageWidth() override { return FPrinter->PageWidth(); }
    int PageHeight() override { return FPrinter->PageHeight(); }
    void NewPage() override { FPrinter->NewPage(); }

private:
    TPrinter* FPrinter;
};

}  // namespace

TPrintAreaRule TXcCustomRichEdit::PageRectRule() {
    return [this](int pageWidth, int pageHeight, int logX, int logY) {
        return quiro::controls::PrintArea({PageRect.left, PageRect.top, PageRect.right, PageRect.bottom},
                                          pageWidth, pageHeight, logX, logY);
    };
}

int TXcCustomRichEdit::PrintPages(TRichPrintTarget& target) { return PrintPages(target, PageRectRule()); }

int TXcCustomRichEdit::PrintPages(TRichPrintTarget& target, const TPrintAreaRule& areaRule) {
    HDC dc = target.DC();
    const int logX = GetDeviceCaps(dc, LOGPIXELSX), logY = GetDeviceCaps(dc, LOGPIXELSY);
    const quiro::controls::TwipsRect area = areaRule(target.PageWidth(), target.PageHeight(), logX, logY);
    FORMATRANGE range{};
    range.hdc = range.hdcTarget = dc;
    range.rc = RECT{area.left, area.top, area.right, area.bottom};
    range.rcPage = range.rc;
    range.chrg.cpMax = -1;
    const int length = TextLength();
    const int oldMode = SetMapMode(dc, MM_TEXT);
    Send(EM_FORMATRANGE, 0, 0);
    Finally release([&] {
        Send(EM_FORMATRANGE, 0, 0);
        SetMapMode(dc, oldMode);
    });
    return quiro::controls::PrintPages(
        length,
        [&](int first) {
            range.chrg.cpMin = first;
            return static_cast<int>(Send(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)));
        },
        [&] { target.NewPage(); });
}

void TXcCustomRichEdit::Print(const std::string& caption) { Print(caption, PageRectRule()); }

void TXcCustomRichEdit::Print(const std::string& caption, const TPrintAreaRule& areaRule) {
    TPrinter* printer = Printer();
    printer->Title = caption;
    printer->BeginDoc();
    TPrinterTarget target(printer);
    try {
        PrintPages(target, areaRule);
    } catch (...) {
        printer->Abort();
        throw;
    }
    printer->EndDoc();
}

// ---- Links --------------------------------------------------------------------------------

bool OpenWebLink(const std::string& urlText) {
    const std::string target = quiro::controls::WebLinkTarget(urlText);
    if (target.empty()) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWDEFAULT));
    return result > 32;
}
