// The address book's round trip and the favourites bar: the book edits the main window's
// five favourites in place while it is open; they are saved when they changed, whatever
// the way it closed, and a host chosen in it is connected to.
#include <windows.h>

#include <algorithm>

#include "console/Main.h"
#include "console/SecondaryWindows.h"
#include "console/core/QuickConnect.h"
#include "framework/IniFiles.h"

void TConsoleForm::MAIN_BTN_AddressBookClick() {
    if (!ConsoleWindows().AddressBook) return;  // (a program without the window)
    const std::array<std::string, 5> before = Settings.Favorites;
    std::string hostName;
    const bool connect = ConsoleWindows().AddressBook(*this, hostName);
    if (connect) MAIN_COMBO_Address->SetText(hostName);
    if (Settings.Favorites != before)
        TellSettingsNotSaved(SaveSettingValues({"Favorites1", "Favorites2", "Favorites3", "Favorites4", "Favorites5"}));
    // The book may have changed a favourite's entry (its address, or made one for it).
    BuildQuickConnectButtons();
    if (connect) MAIN_BTN_ConnectClick();
}

void TConsoleForm::BuildQuickConnectButtons() {
    for (TSpeedButton*& b : FQuickConnect) {
        delete b;
        b = nullptr;
    }
    TIniFile book(FAddressBookPath);
    TBitmap measure;
    measure.SetSize(1, 1);
    measure.Canvas()->Font()->Assign(*MAIN_PANEL_Favorites->Font());
    const auto plan = PlanQuickConnectButtons(
        book, Settings.Favorites, MAIN_BTN_AddressBook->Width(), MAIN_ImageLan->Width(),
        [&](std::string_view caption) { return measure.Canvas()->TextWidth(std::string(caption)); });
    for (const QuickConnectButton& planned : plan) {
        auto* button = new TSpeedButton(this);
        button->SetName("MAIN_BTN_QuickConnect" + std::to_string(planned.favourite + 1));
        button->Glyph()->Assign((planned.phone ? MAIN_ImagePhone : MAIN_ImageLan)->Picture()->Bitmap());
        button->SetParent(MAIN_PANEL_Favorites);
        button->SetCaption(planned.caption);
        button->SetHint(planned.address);
        button->SetShowHint(true);
        button->SetBounds(planned.left, 1, planned.width, MAIN_PANEL_Favorites->Height() - 2);
        button->Tag = planned.width;
        button->SetFlat(true);
        button->SetEnabled(!Connected);
        button->OnClick = [this](TComponent* sender) { QuickConnectButtonClick(sender); };
        FQuickConnect[static_cast<size_t>(planned.favourite)] = button;
    }
    // The band asks for the room of all its buttons: where the row it shares has not that
    // much, the cool bar gives it a row of its own (the tool buttons keep theirs).
    const int wanted =
        plan.empty() ? MAIN_BTN_AddressBook->Width() : plan.back().left + plan.back().width;
    if (TCoolBand* band = MAIN_CoolBar->Bands()->FindBand(MAIN_PANEL_Favorites))
        band->SetMinWidth(wanted);
    PlaceQuickConnectButtons();
    MAIN_PANEL_Favorites->OnResize = [this](TComponent*) { PlaceQuickConnectButtons(); };
    MAIN_CoolBar->OnResize = [this](TComponent*) { PlaceQuickConnectButtons(); };
}

// A window narrower than even that row shrinks the buttons to the part of the bar that is seen.
void TConsoleForm::PlaceQuickConnectButtons() {
    std::vector<QuickConnectButton> planned;
    std::vector<TSpeedButton*> buttons;
    for (TSpeedButton* b : FQuickConnect) {
        if (!b) continue;
        QuickConnectButton p;
        p.left = MAIN_BTN_AddressBook->Width();
        if (!planned.empty()) p.left = planned.back().left + planned.back().width;
        p.width = static_cast<int>(b->Tag);
        planned.push_back(p);
        buttons.push_back(b);
    }
    const int seen = std::min(MAIN_PANEL_Favorites->ClientWidth(),
                              MAIN_CoolBar->ClientWidth() - MAIN_PANEL_Favorites->Left());
    const auto placed = FitQuickConnectButtons(planned, seen);
    for (size_t i = 0; i < buttons.size(); ++i)
        buttons[i]->SetBounds(placed[i].left, 1, placed[i].width,
                              MAIN_PANEL_Favorites->Height() - 2);
}

void TConsoleForm::QuickConnectButtonClick(TComponent* sender) {
    auto* button = dynamic_cast<TSpeedButton*>(sender);
    if (!button) return;
    MAIN_COMBO_Address->SetText(button->Caption());
    MAIN_BTN_ConnectClick();
}
