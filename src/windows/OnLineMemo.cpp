#include "windows/OnLineMemo.h"

#include <windows.h>

#include <richedit.h>

#include "console/core/ConsoleSettings.h"
#include "framework/FormBuilder.h"
#include "windows/RtfInsert.h"
#include "windows/core/OnLineMemoText.h"

namespace {

const TComponentRow kLayout[] = {
    {Make<TXcRichEdit>, "ONLINEMEMO_View", "", 0, 0, 420, 160, "", bfAlignClient | bfReadOnly, 0},
    {Make<TPopupMenu>, "ONLINEMEMO_PopupMenu", "ONLINEMEMO_View", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "ONLINEMEMO_MENU_Clear", "ONLINEMEMO_PopupMenu", 0, 0, 0, 0, "Clear",
     bfShortCut(ShortCut('N', ssCtrl)), 0},
};

}  // namespace

TOnLineMemoForm::TOnLineMemoForm(TComponent* owner) : TForm(owner) {
    SetName("OnLineMemoForm");
    SetCaption(" On-Line Memo");
    SetBorderStyle(bsSizeToolWin);
    SetBounds(0, 0, 430, 190);
    Position = poDesigned;  // the main window places it
    BuildForm(this, kLayout);
    ONLINEMEMO_View = FindAs<TXcRichEdit>(this, "ONLINEMEMO_View");
    ONLINEMEMO_PopupMenu = FindAs<TPopupMenu>(this, "ONLINEMEMO_PopupMenu");
    TXcRichEdit* v = ONLINEMEMO_View;
    v->SetColor(clBtnFace);
    v->SetWordWrap(false);
    v->SetScrollBars(ssBoth);
    v->SetHideScrollBars(false);
    v->SetHideSelection(false);
    v->SetAllowObjects(false);
    FindAs<TMenuItem>(this, "ONLINEMEMO_MENU_Clear")->OnClick = [this](TComponent*) { ONLINEMEMO_MENU_ClearClick(); };
}

TOnLineMemoForm::~TOnLineMemoForm() = default;

void TOnLineMemoForm::SetMemoFont(const TFont& font) {
    FMemoFont.Assign(font);
    Charset = font.Charset();
    CodePage = CharsetToCodePage(Charset);
    ONLINEMEMO_View->Font()->Assign(font);
    if (ONLINEMEMO_View->TextLength() == 0) return;
    // What is there already takes the face, size and colour.
    CHARFORMAT2A f{};
    f.cbSize = sizeof f;
    f.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR;
    lstrcpynA(f.szFaceName, font.Name().c_str(), LF_FACESIZE);
    f.yHeight = font.Size() * 20;
    f.crTextColor = static_cast<COLORREF>(ColorToRGB(font.Color()));
    SendMessageA(ONLINEMEMO_View->Handle(), EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&f));
}

void TOnLineMemoForm::AddMemo(const std::string& text) {
    RtfFont font;
    font.charset = Charset;
    font.name = FMemoFont.Name();
    font.points = FMemoFont.Size();
    font.color = static_cast<uint32_t>(ColorToRGB(FMemoFont.Color())) & 0xFFFFFF;
    TXcRichEdit* v = ONLINEMEMO_View;
    // At the end whatever the user selected or clicked meanwhile, and the end shows.
    const int end = v->TextLength();
    v->SetSelection(end, end, false);
    StreamRtfAtSelection(*v, MemoRtf(text, font, CodePage, Clock()));
    const int last = v->TextLength();
    v->SetSelection(last, last, true);
}

void TOnLineMemoForm::ONLINEMEMO_MENU_ClearClick() { ONLINEMEMO_View->Clear(); }

OnLineMemo* MakeOnLineMemoForm(TComponent* owner) { return new TOnLineMemoForm(owner); }
