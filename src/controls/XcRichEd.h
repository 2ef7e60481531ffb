// The rich edit control: a memo in the system's rich edit window ("RichEdit20A", or the
// first generation's "RICHEDIT" when only that library is there; the version is the
// framework's RichEditVersion). It exposes the formatting of the selection, of the word
// and of new text as attribute objects, moves its whole text or its selection in and out
// of streams and files as RTF or plain text through its Lines, reports clicks on the links
// it detects, searches with the find and replace dialogs, prints, and hosts embedded OLE
// objects (XcRichOle.h).
//
// Character positions are the window's: a double-byte character and a paragraph break
// count one each. Texts are bytes in the system's ANSI code page (949 on a Korean system).
#pragma once

#include <windows.h>

#include <richedit.h>
#include <richole.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "controls/core/RichEditRules.h"
#include "controls/core/RichStream.h"
#include "framework/Dialogs.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

#undef FindText

class TXcCustomRichEdit;
class TRichEditOleCallback;

// Converts between the OEM code page (files) and the ANSI code page (the control).
class TOEMConversion : public TConversion {
public:
    int ConvertReadStream(TStream& stream, char* buffer, int bufSize) override;
    int ConvertWriteStream(TStream& stream, const char* buffer, int bufSize) override;
};

// What the selection holds (the window's flags).
enum TRichSelection : unsigned { stText = 1, stObject = 2, stMultiChar = 4, stMultiObject = 8 };
using TRichSelectionType = unsigned;

enum TUndoName { unUnknown, unTyping, unDelete, unDragDrop, unCut, unPaste };

// ---- Attributes ---------------------------------------------------------------------------

enum TXcAttributeType { atDefaultText, atSelected, atWord };
enum TXcConsistentAttribute : unsigned {
    caBold = 1u << 0,
    caColor = 1u << 1,
    caFace = 1u << 2,
    caItalic = 1u << 3,
    caSize = 1u << 4,
    caStrikeOut = 1u << 5,
    caUnderline = 1u << 6,
    caProtected = 1u << 7,
    caOffset = 1u << 8,
    caHidden = 1u << 9,
    caLink = 1u << 10,
    caBackColor = 1u << 11,
    caDisabled = 1u << 12,
    caWeight = 1u << 13,
    caSubscript = 1u << 14,
    caRevAuthor = 1u << 15,
};
using TXcConsistentAttributes = unsigned;
enum TUnderlineType { utNone, utSolid, utWord, utDouble, utDotted, utWave };
// Scoped: ssNone is the scroll style's too.
enum class TSubscriptStyle { ssNone, ssSubscript, ssSuperscript };

// The character formatting of the default text, of the selection or of the word at the
// selection. Every read asks the window and every write changes only its own part of the
// format; without a window reads give the empty format and writes do nothing. Sizes and
// offsets are in points.
class TXcTextAttributes {
public:
    TXcTextAttributes(TXcCustomRichEdit* richEdit, TXcAttributeType type);

    TFontCharset Charset() const;
    void SetCharset(TFontCharset value);
    // clWindowText while the text has the automatic colour.
    TColor Color() const;
    void SetColor(TColor value);
    // clWindow while the text has the automatic background.
    TColor BackColor() const;
    void SetBackColor(TColor value);
    std::string Name() const;
    // At most 31 bytes are kept (a double-byte character is never cut).
    void SetName(const std::string& value);
    TFontStyles Style() const;
    void SetStyle(TFontStyles value);
    TFontPitch Pitch() const;
    void SetPitch(TFontPitch value);
    int Size() const;
    void SetSize(int points);
    // In pixels of the screen.
    int Height() const;
    void SetHeight(int pixels);
    int Offset() const;
    void SetOffset(int points);
    bool Protected() const;
    void SetProtected(bool value);
    bool Link() const;
    void SetLink(bool value);
    bool Hidden() const;
    void SetHidden(bool value);
    bool Disabled() const;
    void SetDisabled(bool value);
    int RevAuthorIndex() const;
    void SetRevAuthorIndex(int value);
    TUnderlineType UnderlineType() const;
    void SetUnderlineType(TUnderlineType value);
    TSubscriptStyle SubscriptStyle() const;
    void SetSubscriptStyle(TSubscriptStyle value);
    // What is the same over the whole selection (empty for the default text).
    TXcConsistentAttributes ConsistentAttributes() const;

    // Face, size, colour, style, charset and weight of the font in one change.
    void Assign(TFont& font);
    // The whole format of another attribute object.
    void Assign(const TXcTextAttributes& source);
    void AssignTo(TFont& font) const;

private:
    CHARFORMAT2A Get() const;
    void Set(CHARFORMAT2A& format, DWORD mask);
    DWORD Scope() const;
    bool Effect(DWORD effect) const;
    void SetEffect(DWORD mask, DWORD effect, bool on);

    TXcCustomRichEdit* FRichEdit;
    TXcAttributeType FType;
};

enum TParaAlignment { paLeftJustify, paRightJustify, paCenter, paJustify };
enum TXcNumbering {
    nsNone,
    nsBullet,
    nsArabicNumbers,
    nsLoCaseLetter,
    nsUpCaseLetter,
    nsLoCaseRoman,
    nsUpCaseRoman
};
enum TXcNumberingStyle { nsParenthesis, nsPeriod, nsEnclosed, nsSimple };
enum TLineSpacingRule {
    lsSingle,
    lsOneAndHalf,
    lsDouble,
    lsSpecifiedOrMore,
    lsSpecified,
    lsMultiple
};

// The paragraph formatting of the selection's paragraphs; indents, spacings and tab stops
// in points.
class TXcParaAttributes {
public:
    explicit TXcParaAttributes(TXcCustomRichEdit* richEdit) : FRichEdit(richEdit) {}

    TParaAlignment Alignment() const;
    void SetAlignment(TParaAlignment value);
    TXcNumbering Numbering() const;
    // Numbering indents the paragraph by at least 10 points; none takes the indent away.
    void SetNumbering(TXcNumbering value);
    TXcNumberingStyle NumberingStyle() const;
    void SetNumberingStyle(TXcNumberingStyle value);
    int NumberingTab() const;
    void SetNumberingTab(int value);
    int FirstIndent() const;
    void SetFirstIndent(int value);
    int LeftIndent() const;
    void SetLeftIndent(int value);
    int RightIndent() const;
    void SetRightIndent(int value);
    int SpaceBefore() const;
    void SetSpaceBefore(int value);
    int SpaceAfter() const;
    void SetSpaceAfter(int value);
    int LineSpacing() const;
    void SetLineSpacing(int value);
    TLineSpacingRule LineSpacingRule() const;
    void SetLineSpacingRule(TLineSpacingRule value);
    // Stops 0..31; writing stop i makes the count at least i + 1.
    int Tab(int index) const;
    void SetTab(int index, int value);
    int TabCount() const;
    void SetTabCount(int value);

    void Assign(const TXcParaAttributes& source);

private:
    PARAFORMAT2 Get() const;
    void Set(PARAFORMAT2& format, DWORD mask);
    template <class C, class F>
    int Points(F C::*field) const;
    template <class C, class F>
    void SetPoints(F C::*field, DWORD mask, int version, bool current, int value);

    TXcCustomRichEdit* FRichEdit;
};

// ---- Lines ----------------------------------------------------------------------------

// The control's text as lines (the memo's, read and changed in characters), and its loads
// and saves. A file's extension picks the format (and, the first time, the converter) from
// the registry of RichStream.h; other extensions use Format. A load the window refuses is
// tried once more in the other format, into the same target (the selection with
// smSelection).
class TRichEditStrings : public TMemoStrings {
public:
    explicit TRichEditStrings(TXcCustomRichEdit* richEdit);
    ~TRichEditStrings() override;

    TRichStreamFormat Format = sfDefault;
    TRichStreamModes Mode = 0;
    // The converter of the stream operations (nullptr: a new one of the control's
    // DefaultConverter each time).
    TConversion* Converter() const { return FConverter.get(); }
    void SetConverter(std::unique_ptr<TConversion> converter);

    void AddStrings(const TStrings& strings) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const std::string& s) override;
    // EOutOfResources "Failed to Load Stream" when the window takes neither format; an
    // error of the stream or converter is raised as it was.
    void LoadFromStream(TStream& stream) override;
    void LoadFromFile(const std::string& fileName) override;
    // EOutOfResources "Failed to Save Stream" when the window fails, EWriteError when the
    // stream or converter takes fewer bytes than given.
    void SaveToStream(TStream& stream) const override;
    // Writes a new file beside the old one and puts it in its place only when all of it
    // was written, so a failed save leaves the old file as it was.
    void SaveToFile(const std::string& fileName) const override;

protected:
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    // The whole text at once, with the window's change notices off meanwhile.
    void SetTextStr(const std::string& text) override;
    // No redrawing while an update runs (when the control is showing); at its end the
    // control is refreshed and told that its text changed (OnChange), once.
    void SetUpdateState(bool updating) override;

private:
    HWND Wnd() const;
    bool Plain() const;
    // Runs a file operation with the format and converter of the file's extension.
    void WithFileFormat(const std::string& fileName, const std::function<void()>& operation) const;
    void ReplaceRange(int start, int end, const std::string& text) const;

    TXcCustomRichEdit* FRichEdit;
    mutable std::unique_ptr<TConversion> FConverter;
};

// ---- The control ----------------------------------------------------------------------

// Where Print renders: a device context with pages.
class TRichPrintTarget {
public:
    virtual ~TRichPrintTarget() = default;
    virtual HDC DC() = 0;
    // The printable area in pixels of the device.
    virtual int PageWidth() = 0;
    virtual int PageHeight() = 0;
    virtual void NewPage() = 0;
};

// The area printed on, in twips, for a page of the given size in device pixels and the
// device's pixels per inch.
using TPrintAreaRule =
    std::function<quiro::controls::TwipsRect(int pageWidth, int pageHeight, int logX, int logY)>;

using TRichEditURLClickEvent =
    std::function<void(TComponent* sender, const std::string& urlText, TMouseButton button)>;
using TRichEditProtectChange =
    std::function<void(TComponent* sender, int startPos, int endPos, bool& allowChange)>;
using TRichEditProtectChangeEx = std::function<void(TComponent* sender, UINT message, int startPos,
                                                    int endPos, bool& allowChange)>;
using TRichEditResizeEvent = std::function<void(TComponent* sender, RECT rect)>;
using TRichEditSaveClipboard =
    std::function<void(TComponent* sender, int numObjects, int numChars, bool& saveClipboard)>;
using TRichEditFindErrorEvent =
    std::function<void(TComponent* sender, const std::string& findText)>;
using TRichEditFindCloseEvent = std::function<void(TComponent* sender, TFindDialog* dialog)>;

class TXcCustomRichEdit : public TCustomMemo {
public:
    explicit TXcCustomRichEdit(TComponent* owner);
    ~TXcCustomRichEdit() override;

    void SetCaption(const std::string& caption) override;

    // ---- Properties ----
    TRichEditStrings* Lines() override { return &FRichLines; }
    TRichStreamFormat StreamFormat() const { return FRichLines.Format; }
    void SetStreamFormat(TRichStreamFormat format) { FRichLines.Format = format; }
    TRichStreamModes StreamMode() const { return FRichLines.Mode; }
    void SetStreamMode(TRichStreamModes mode) { FRichLines.Mode = mode; }
    TXcTextAttributes* SelAttributes() { return &FSelAttributes; }
    TXcTextAttributes* DefAttributes() { return &FDefAttributes; }
    TXcTextAttributes* WordAttributes() { return &FWordAttributes; }
    TXcParaAttributes* Paragraph() { return &FParagraph; }
    // Style properties: a change makes the window anew (text, formatting and Modified
    // survive).
    bool HideScrollBars() const { return FHideScrollBars; }
    void SetHideScrollBars(bool value);
    bool SelectionBar() const { return FSelectionBar; }
    void SetSelectionBar(bool value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    bool AutoURLDetect() const;
    void SetAutoURLDetect(bool value);
    bool WordSelection() const;
    void SetWordSelection(bool value);
    TRichLangOptions LangOptions() const;
    void SetLangOptions(TRichLangOptions value);
    bool PlainText() const { return FPlainText; }
    virtual void SetPlainText(bool value);
    int UndoLimit() const { return FUndoLimit; }
    void SetUndoLimit(int value);
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& title);
    bool AllowObjects() const { return FAllowObjects; }
    void SetAllowObjects(bool value);
    bool AllowInPlace = true;
    bool AutoVerbMenu = true;
    // The print area in pixels of the printer (empty: the whole printable page).
    RECT PageRect{0, 0, 0, 0};
    // Converter class of the Lines' stream operations when none is set.
    TConversionClass DefaultConverter = &NewConversion<TConversion>;
    int ScreenLogPixels() const { return FScreenLogPixels; }

    // ---- Selection and text ----
    CHARRANGE GetSelection();
    void SetSelection(int startPos, int endPos, bool scrollCaret);
    int SelStart() const override;
    int SelLength() const override;
    void SetSelStart(int start) override;
    // A negative length selects backwards from the start.
    void SetSelLength(int length) override;
    std::string SelText() const override;
    // The selection's first bytes, at most bufSize - 1 of them (a double-byte character
    // whole or not at all) and a NUL; the count copied.
    int GetSelTextBuf(char* buffer, int bufSize);
    // The text from startPos up to endPos; "" for an empty or inverted range.
    std::string GetTextRange(int startPos, int endPos) const;
    // ... in `codePage` whatever the system's: read as UTF-16 and converted.
    std::string GetTextRange(int startPos, int endPos, UINT codePage) const;
    // The count of characters.
    int TextLength() const;
    // Line (Y) and column (X) of the selection's end.
    POINT CaretPos();
    // The client point of a character ((0, 0) without a window).
    POINT GetCharPos(int charIndex);
    int LineFromChar(int charIndex);
    int GetLineIndex(int lineNo);
    int GetLineLength(int charIndex);
    std::string WordAtCursor();
    TRichSelectionType SelectionType();
    void Clear() override;

    // ---- Undo ----
    bool CanUndo();
    void Undo();
    void ClearUndo();
    void Redo();
    bool CanRedo();
    bool CanPaste();
    TUndoName UndoName();
    TUndoName RedoName();
    void StopGroupTyping();

    // ---- Find and replace ----
    // The position of the first match in the span from startPos over |length| characters
    // (backwards with stBackward), or -1; stSetSelection selects it.
    int FindText(const std::string& searchStr, int startPos, int length, TRichSearchTypes options);
    // Opens the modeless dialogs (made on first use, owned by the control).
    TFindDialog* FindDialog(const std::string& searchStr);
    TReplaceDialog* ReplaceDialog(const std::string& searchStr, const std::string& replaceStr);
    bool CanFindNext();
    bool FindNext();

    // ---- Printing ----
    // The whole text as a print job titled `caption` on the framework's printer.
    virtual void Print(const std::string& caption);
    // ... on the area the rule gives.
    void Print(const std::string& caption, const TPrintAreaRule& areaRule);
    // The pages on any target; returns the count of pages.
    int PrintPages(TRichPrintTarget& target);
    // ... on the area the rule gives (the page less margins, say).
    int PrintPages(TRichPrintTarget& target, const TPrintAreaRule& areaRule);

    // ---- OLE (XcRichOle.cpp) ----
    bool InsertObjectDialog();
    bool PasteSpecialDialog();
    bool ObjectPropertiesDialog();
    // Closes every embedded object without saving it.
    void CloseObjects();
    IRichEditOle* RichEditOle() const { return FRichEditOle; }
    TRichEditOleCallback* OleCallback() const { return FOleCallback.get(); }
    // While an object is in-place active.
    bool UIActive() const { return FUIActive; }
    void SetUIActive(bool active) { FUIActive = active; }

    static void RegisterConversionFormat(const std::string& extension, bool plainText,
                                         TConversionClass conversionClass) {
        ::RegisterConversionFormat(extension, plainText, conversionClass);
    }

    TNotifyEvent OnSelectionChange;
    TRichEditResizeEvent OnResizeRequest;
    TRichEditProtectChange OnProtectChange;
    TRichEditProtectChangeEx OnProtectChangeEx;
    TRichEditSaveClipboard OnSaveClipboard;
    TRichEditURLClickEvent OnURLClick;
    TRichEditFindErrorEvent OnTextNotFound;
    TRichEditFindCloseEvent OnCloseFindDialog;

    void WndProc(TMessage& message) override;

protected:
    // The rich edit counts its positions in characters.
    bool BytePositions() const override { return false; }
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void DoSetMaxLength(int length) override;
    void FontChanged() override;
    void ColorChanged() override;
    TPopupMenu* GetPopupMenu() override;

    virtual void SelectionChange();
    virtual void RequestSize(const RECT& rect);
    virtual bool ProtectChange(UINT message, int startPos, int endPos);
    virtual bool SaveClipboard(int numObjects, int numChars);
    virtual void URLClick(const std::string& urlText, TMouseButton button);
    virtual void TextNotFound(TFindDialog* dialog);
    virtual void CloseFindDialog(TFindDialog* dialog);

private:
    friend class TRichEditStrings;
    friend class TXcTextAttributes;
    friend class TXcParaAttributes;

    LRESULT Send(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) const;
    TPrintAreaRule PageRectRule();
    void ChangeStyle(bool& field, bool value);
    void SetChangeNotifications(bool on);
    void UpdateTextModes(bool plainText);
    void UpdateHostNames();
    void Notify(TMessage& message);
    void SetupFindDialog(TFindDialog* dialog, const std::string& searchStr,
                         const std::string& replaceStr);
    bool FindEditText(TFindDialog* dialog, bool adjustPos, bool events);
    void AdjustFindDialogPosition(TFindDialog* dialog);
    void ReplaceFound(TReplaceDialog* dialog);
    TPopupMenu* BuildVerbMenu();

    bool FHideScrollBars = true;
    bool FSelectionBar = true;
    bool FAutoURLDetect = true;
    bool FWordSelection = true;
    bool FPlainText = false;
    TXcTextAttributes FSelAttributes{this, atSelected};
    TXcTextAttributes FDefAttributes{this, atDefaultText};
    TXcTextAttributes FWordAttributes{this, atWord};
    TXcParaAttributes FParagraph{this};
    int FScreenLogPixels = 96;
    int FUndoLimit = 100;
    TRichEditStrings FRichLines{this};
    std::unique_ptr<TMemoryStream> FSavedContents;
    bool FHideSelection = true;
    TRichLangOptions FLangOptions = rlAutoFont;
    bool FLinesUpdating = false;
    quiro::controls::LinkClickTracker FLinkClicks;
    TFindDialog* FFindDialog = nullptr;
    TReplaceDialog* FReplaceDialog = nullptr;
    TFindDialog* FLastFindDialog = nullptr;
    bool FAllowObjects = true;
    std::unique_ptr<TRichEditOleCallback> FOleCallback;
    IRichEditOle* FRichEditOle = nullptr;
    TPopupMenu* FPopupVerbMenu = nullptr;
    std::string FTitle;
    bool FUIActive = false;
    bool FClosing = false;  // the control goes: its text is not kept
};

// The same control for forms (every property of the base is public already).
class TXcRichEdit : public TXcCustomRichEdit {
public:
    using TXcCustomRichEdit::TXcCustomRichEdit;
};

// Opens a link the user clicked with the system's handler, when it is a web or mail link
// (quiro::controls::WebLinkTarget); anything else (files, programs) is refused. Whether
// it was handed to the system.
bool OpenWebLink(const std::string& urlText);
