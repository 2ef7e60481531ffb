// TOnLineMemoForm: the on-line memo window. A sizeable tool window holding the memos the
// host sent, each stamped with the local time, in a read-only rich edit; its pop-up menu
// clears it. The main window makes it and hands it the memos (console/MemoLink.h).
#pragma once

#include <functional>
#include <string>

#include "console/MemoLink.h"
#include "controls/XcRichEd.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/core/DateTime.h"

class TOnLineMemoForm : public TForm, public OnLineMemo {
public:
    explicit TOnLineMemoForm(TComponent* owner);
    ~TOnLineMemoForm() override;

    // OnLineMemo
    TForm* Form() override { return this; }
    void SetMemoFont(const TFont& font) override;
    void AddMemo(const std::string& text) override;
    void Clear() override { ONLINEMEMO_MENU_ClearClick(); }

    void ONLINEMEMO_MENU_ClearClick();

    // The time stamps' clock (the local time unless replaced).
    std::function<TDateTime()> Clock = [] { return Now(); };
    int Charset = 0;
    int CodePage = 1252;

    TXcRichEdit* ONLINEMEMO_View = nullptr;
    TPopupMenu* ONLINEMEMO_PopupMenu = nullptr;

private:
    TFont FMemoFont;
};

OnLineMemo* MakeOnLineMemoForm(TComponent* owner);
