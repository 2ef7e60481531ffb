// The address book dialog " Where Do You Want To Go?": the book's entries ("Quiro.DAT" in
// the program's folder), one of them in the edits, and the five favourites of the main
// window's bar. Its decisions are HostListPresenter's; this window shows them and hands
// the user's actions over.
#pragma once

#include <memory>
#include <string>

#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "framework/StdCtrls.h"
#include "framework/ExtCtrls.h"
#include "windows/core/HostListPresenter.h"

class TConsoleForm;

class THostListForm : public TForm, private HostListPrompts {
public:
    explicit THostListForm(TComponent* owner);
    ~THostListForm() override;

    // Called before ShowModal: the book's full path, then the main window whose favourites
    // the dialog edits.
    void SetHostListFile(const std::string& path);
    void InitHostList(TConsoleForm* main);

    TListBox* HOST_LB_HostList = nullptr;
    TListBox* HOST_LB_Favorites = nullptr;
    TPanel* HOST_PANEL_Hostname = nullptr;
    TPanel* HOST_PANEL_Address = nullptr;
    TEdit* HOST_Edit_Hostname = nullptr;
    TEdit* HOST_Edit_Address = nullptr;
    TMemo* HOST_Memo = nullptr;
    TCheckBox* HOST_CB_ConvertToKSC5601 = nullptr;
    TCheckBox* HOST_CB_SendENTERasCRLF = nullptr;
    TCheckBox* HOST_CB_AddLFToReceivedCR = nullptr;
    TCheckBox* HOST_CB_EnableLineAutoWrap = nullptr;
    TCheckBox* HOST_CB_EnableLocalEcho = nullptr;
    TButton* HOST_BTN_NewHost = nullptr;
    TButton* HOST_BTN_SaveHost = nullptr;
    TButton* HOST_BTN_DeleteHost = nullptr;
    TButton* HOST_BTN_Refresh = nullptr;
    TButton* HOST_BTN_Connect = nullptr;
    TButton* HOST_BTN_AddToFavorites = nullptr;
    TButton* HOST_BTN_FavMoveUp = nullptr;
    TButton* HOST_BTN_FavMoveDown = nullptr;
    TButton* HOST_BTN_FavDel = nullptr;
    TButton* GSET_BTN_Close = nullptr;

private:
    void FormCreate();
    void FormShow();
    void WireEvents();
    // Runs a presenter action (when the book is open) and shows the outcome.
    void Act(void (HostListPresenter::*action)());

    void HOST_BTN_SaveHostClick();
    void HOST_BTN_NewHostClick();
    void HOST_BTN_DeleteHostClick();
    void HOST_BTN_RefreshClick();
    void HOST_LB_HostListClick();
    void HOST_LB_HostListDblClick();
    void HOST_BTN_ConnectClick();
    void HOST_BTN_AddToFavoritesClick();
    void HOST_LB_FavoritesClick();
    void HOST_BTN_FavMoveUpClick();
    void HOST_BTN_FavMoveDownClick();
    void HOST_BTN_FavDelClick();
    // Puts what the presenter holds into the controls.
    void ShowState();
    void ShowFields();

    // HostListPrompts
    void ShowError(std::string_view text) override;
    void ShowQuestion(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;
    std::string WriteFailure() override;

    std::unique_ptr<TIniFile> FBook;
    std::unique_ptr<HostListPresenter> FPresenter;
    int FShownFields = -1;  // the presenter's fields version in the controls
    bool FShowing = false;  // the controls are being filled: no edit of the user's
};

// Shows the address book over the main window (SecondaryWindows::AddressBook).
bool ShowAddressBook(TConsoleForm& main, std::string& hostName);
