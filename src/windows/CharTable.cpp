#include "windows/CharTable.h"

#include <windows.h>

#include <commctrl.h>

#include "framework/FormBuilder.h"
#include "windows/core/CharacterTableRules.h"

using namespace chartable;

namespace {

// The tabs, all in sight, never take the focus: the keys stay the window's.
class TCharGroupTabs : public TTabControl {
public:
    explicit TCharGroupTabs(TComponent* owner) : TTabControl(owner) {}

    void WndProc(TMessage& message) override {
        TTabControl::WndProc(message);
        // The system's tabs let the pointer through to the window below, off the tabs;
        // here the grid is below it.
        if (message.Msg == WM_NCHITTEST && message.Result == HTTRANSPARENT) message.Result = HTCLIENT;
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TTabControl::CreateParams(params);
        params.Style |= TCS_FOCUSNEVER | TCS_MULTILINE;
    }
};

constexpr int kMargin = 4;
constexpr int kButtonBar = 28;

const TComponentRow kLayout[] = {
    {Make<TPanel>, "CTABLE_PANEL_Buttons", "", 0, 0, 500, kButtonBar, "", bfAlignBottom, 0},
    {Make<TXcSpeedButton>, "CTABLE_BTN_KeepVisible", "CTABLE_PANEL_Buttons", kMargin, 2, 90, 24, "Keep Visible", 0, 0},
    {Make<TCharGroupTabs>, "CTABLE_TabCtrl_CharGroup", "", 0, 0, 500, 160, kTabCaptions, bfAlignClient | bfNoTabStop,
     0},
    {Make<TPaintBox>, "CTABLE_PaintBox", "CTABLE_TabCtrl_CharGroup", kMargin, 30, kGridWidth, 112, "", 0, 0},
    {Make<TXcWindowHook>, "CTABLE_WindowHook", "", 0, 0, 0, 0, "", 0, 0},
};

}  // namespace

TCharacterTableForm::TCharacterTableForm(TComponent* owner, CharacterTableHost& host) : TForm(owner), FHost(host) {
    SetName("CharacterTableForm");
    SetCaption(" Character Table");
    SetBorderStyle(bsToolWindow);
    Position = poMainFormCenter;
    BuildForm(this, kLayout);
    CTABLE_TabCtrl_CharGroup = FindAs<TTabControl>(this, "CTABLE_TabCtrl_CharGroup");
    CTABLE_PaintBox = FindAs<TPaintBox>(this, "CTABLE_PaintBox");
    CTABLE_PANEL_Buttons = FindAs<TPanel>(this, "CTABLE_PANEL_Buttons");
    CTABLE_BTN_KeepVisible = FindAs<TXcSpeedButton>(this, "CTABLE_BTN_KeepVisible");
    CTABLE_WindowHook = FindAs<TXcWindowHook>(this, "CTABLE_WindowHook");
    CTABLE_PANEL_Buttons->SetBevelOuter(bvNone);
    CTABLE_BTN_KeepVisible->SetGroupIndex(1);
    CTABLE_BTN_KeepVisible->SetAllowAllUp(true);
    CTABLE_BTN_KeepVisible->SetHint("Keep the table open after a pick");
    CTABLE_BTN_KeepVisible->SetShowHint(true);

    CTABLE_TabCtrl_CharGroup->OnChange = [this](TComponent*) { CTABLE_TabCtrl_CharGroupChange(); };
    CTABLE_PaintBox->OnPaint = [this](TComponent*) { CTABLE_PaintBoxPaint(); };
    CTABLE_PaintBox->OnMouseMove = [this](TComponent*, TShiftState, int x, int y) { CTABLE_PaintBoxMouseMove(x, y); };
    // A press highlights its cell too (the pointer may not have moved there first).
    CTABLE_PaintBox->OnMouseDown = [this](TComponent*, TMouseButton, TShiftState, int x, int y) {
        CTABLE_PaintBoxMouseMove(x, y);
    };
    CTABLE_PaintBox->OnClick = [this](TComponent*) { CTABLE_PaintBoxClick(); };
    CTABLE_WindowHook->SetIsForm(true);
    CTABLE_WindowHook->BeforeMessage = [this](TComponent*, TMessage& msg, bool& handled) {
        CTABLE_WindowHookBeforeMessage(msg, handled);
    };
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    FormCreate();
}

TCharacterTableForm::~TCharacterTableForm() {
    if (CTABLE_WindowHook) CTABLE_WindowHook->BeforeMessage = nullptr;
}

void TCharacterTableForm::FormCreate() {
    // Without the built-in fonts the cells come from a Windows font, a character to two
    // cells.
    FRenderer.SetCodePage(949);
    FRenderer.SetCellWidth(kCellSize / 2);
    FRenderer.LoadBitmapFonts(nullptr);
    // Room for the tab with the most cells, below the tabs.
    const RECT display = CTABLE_TabCtrl_CharGroup->DisplayRect();
    const int height = MostGridRows() * kCellSize;
    CTABLE_PaintBox->SetBounds(display.left + kMargin, display.top + kMargin, kGridWidth, height);
    SetClientWidth(display.left + kGridWidth + 2 * kMargin + (CTABLE_TabCtrl_CharGroup->Width() - display.right));
    SetClientHeight(display.top + height + 2 * kMargin + (CTABLE_TabCtrl_CharGroup->Height() - display.bottom) +
                    kButtonBar);
    SelectTab(TabSymbol);
}

int TCharacterTableForm::TabIndex() { return CTABLE_TabCtrl_CharGroup->TabIndex(); }

void TCharacterTableForm::SelectTab(int tab) {
    CTABLE_TabCtrl_CharGroup->SetTabIndex(tab);
    Rebuild();
}

void TCharacterTableForm::SetHanjaSyllable(uint16_t code) {
    FSyllable = code;
    SelectTab(TabForSyllable(TabIndex(), code));
}

void TCharacterTableForm::SetTarget(int target) {
    FTarget = target;
    TForm* window = target == TableTargetNone ? nullptr : FHost.TargetWindow(target);
    SetCaption(window ? window->Caption() : " Character Table ");
}

void TCharacterTableForm::Rebuild() {
    FCells = CellCodes(RangesOfTab(TabIndex(), FSyllable));
    FRows = GridRows(FCells);
    FHighlight = -1;
    CTABLE_PaintBox->Invalidate();
}

void TCharacterTableForm::CTABLE_TabCtrl_CharGroupChange() { Rebuild(); }

void TCharacterTableForm::PaintCells(TCanvas* canvas) {
    canvas->Brush()->SetColor(clWhite);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Font()->SetColor(clBlack);
    RECT all{0, 0, kGridWidth, MostGridRows() * kCellSize};
    canvas->FillRect(all);
    for (size_t row = 0; row < FRows.size(); ++row)
        FRenderer.PaintText(canvas, 0, static_cast<int>(row) * kCellSize, FRows[row]);
    if (FHighlight >= 0) {
        const CellOrigin o = CellPosition(FHighlight);
        RECT r{o.x, o.y, o.x + kCellSize, o.y + kCellSize};
        InvertRect(canvas->Handle(), &r);
    }
}

void TCharacterTableForm::CTABLE_PaintBoxPaint() { PaintCells(CTABLE_PaintBox->Canvas()); }

void TCharacterTableForm::InvertCell(int index) {
    if (index < 0 || !Visible()) return;
    const CellOrigin o = CellPosition(index);
    RECT r{o.x, o.y, o.x + kCellSize, o.y + kCellSize};
    InvertRect(CTABLE_PaintBox->Canvas()->Handle(), &r);
}

// The highlight moves: the old cell is drawn as it was, the new one inverted.
void TCharacterTableForm::Highlight(int index) {
    if (index == FHighlight) return;
    InvertCell(FHighlight);
    FHighlight = index;
    InvertCell(FHighlight);
}

void TCharacterTableForm::CTABLE_PaintBoxMouseMove(int x, int y) {
    Highlight(CellAt(x, y, static_cast<int>(FCells.size())));
}

void TCharacterTableForm::CTABLE_PaintBoxClick() { Pick(); }

void TCharacterTableForm::Pick() {
    if (FHighlight < 0 || FHighlight >= static_cast<int>(FCells.size())) return;
    const uint16_t code = FCells[static_cast<size_t>(FHighlight)];
    const std::string bytes{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    if (FTarget == TableTargetConsole)
        FHost.PickToConsole(bytes);
    else if (FTarget == TableTargetEditor)
        FHost.PickToEditor(bytes);
    if (!CTABLE_BTN_KeepVisible->Down()) Close();
}

void TCharacterTableForm::CTABLE_WindowHookBeforeMessage(TMessage& msg, bool& handled) {
    const auto key = static_cast<int>(msg.WParam);
    if (msg.Msg == WM_CHAR) {
        // Their key-down did the work.
        handled = key == '\t' || key == ' ' || key == '\r' || key == 27;
        return;
    }
    if (msg.Msg != WM_KEYDOWN) return;
    const int count = static_cast<int>(FCells.size());
    handled = true;
    switch (key) {
    case VK_LEFT: Highlight(MoveHighlight(FHighlight, Move::Left, count)); break;
    case VK_RIGHT: Highlight(MoveHighlight(FHighlight, Move::Right, count)); break;
    case VK_UP: Highlight(MoveHighlight(FHighlight, Move::Up, count)); break;
    case VK_DOWN: Highlight(MoveHighlight(FHighlight, Move::Down, count)); break;
    case VK_TAB: SelectTab(NextTab(TabIndex(), GetKeyState(VK_SHIFT) < 0)); break;
    case VK_SPACE:
    case VK_RETURN: Pick(); break;
    case VK_ESCAPE: Close(); break;
    default: handled = false; break;
    }
}

void TCharacterTableForm::FormClose(TCloseAction& action) {
    action = caHide;
    // Hidden first, so that the system's choice of the next active window comes before
    // the window served takes the focus back.
    Hide();
    TForm* window = FHost.TargetWindow(FTarget);
    if (window && window->Visible()) SetForegroundWindow(window->Handle());
}

void TCharacterTableForm::WndProc(TMessage& message) {
    if (message.Msg == WM_GETDLGCODE) {
        // The window takes Tab, the arrows, Enter and Esc itself.
        message.Result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
        return;
    }
    TForm::WndProc(message);
}

CharacterTable* MakeCharacterTableForm(TComponent* owner, CharacterTableHost& host) {
    return new TCharacterTableForm(owner, host);
}
