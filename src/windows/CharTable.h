// TCharacterTableForm: the character table. A tool window whose tabs hold the KS C 5601
// characters a keyboard cannot type (the Hanja of the syllable being composed, jamo,
// symbols, Greek, kana, ...) in a grid of 16 x 16 cells drawn from the built-in bitmap
// fonts. The mouse or the arrow keys highlight a cell; a click, Space or Enter picks it for
// the window the table serves (the console or the capture editor, console/CharTableLink.h),
// and the table closes unless "Keep Visible" is down. Its rules are
// windows/core/CharacterTableRules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/CharTableLink.h"
#include "controls/XcButtons.h"
#include "controls/XcHook.h"
#include "engines/core/DravelHanguel.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/GraphicControl.h"

class TCharacterTableForm : public TForm, public CharacterTable {
public:
    TCharacterTableForm(TComponent* owner, CharacterTableHost& host);
    ~TCharacterTableForm() override;

    // CharacterTable
    TForm* Form() override { return this; }
    void SetHanjaSyllable(uint16_t code) override;
    void SetTarget(int target) override;
    int Target() override { return FTarget; }

    // The grid as it is drawn, cells and highlight, on any canvas (the paint box's own
    // when it paints).
    void PaintCells(TCanvas* canvas);
    // The cells on show, the highlighted one (-1: none) and the tab.
    const std::vector<uint16_t>& Cells() const { return FCells; }
    int Highlighted() const { return FHighlight; }
    int TabIndex();
    void SelectTab(int tab);

    TTabControl* CTABLE_TabCtrl_CharGroup = nullptr;
    TPaintBox* CTABLE_PaintBox = nullptr;
    TPanel* CTABLE_PANEL_Buttons = nullptr;
    TXcSpeedButton* CTABLE_BTN_KeepVisible = nullptr;
    TXcWindowHook* CTABLE_WindowHook = nullptr;

    void CTABLE_TabCtrl_CharGroupChange();
    void CTABLE_PaintBoxPaint();
    void CTABLE_PaintBoxMouseMove(int x, int y);
    void CTABLE_PaintBoxClick();
    void CTABLE_WindowHookBeforeMessage(TMessage& msg, bool& handled);
    void FormCreate();
    void FormClose(TCloseAction& action);

    void WndProc(TMessage& message) override;

private:
    void Rebuild();
    void Highlight(int index);
    void InvertCell(int index);
    void Pick();

    CharacterTableHost& FHost;
    TDravelHanguel FRenderer;  // draws the cells with its bitmap fonts
    uint16_t FSyllable = 0;
    int FTarget = TableTargetNone;
    std::vector<uint16_t> FCells;
    std::vector<std::string> FRows;
    int FHighlight = -1;
};

CharacterTable* MakeCharacterTableForm(TComponent* owner, CharacterTableHost& host);
