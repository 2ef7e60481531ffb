#include "windows/HostList.h"

#include <windows.h>

#include <algorithm>
#include <type_traits>

#include "console/Main.h"
#include "framework/FormBuilder.h"

namespace {

const TComponentRow kRows[] = {
    {Make<TLabel>, "HOST_LABEL_Hosts", "", 8, 8, 176, 14, "Hosts", 0, 0},
    {Make<TListBox>, "HOST_LB_HostList", "", 8, 24, 176, 302, "", 0, 0},
    {Make<TButton>, "HOST_BTN_Refresh", "", 8, 334, 176, 25, "Refresh", 0, 0},

    {Make<TPanel>, "HOST_PANEL_Hostname", "", 194, 24, 252, 28, "", 0, 0},
    {Make<TLabel>, "HOST_LABEL_Hostname", "HOST_PANEL_Hostname", 6, 7, 60, 14, "Hostname", 0, 0},
    {Make<TEdit>, "HOST_Edit_Hostname", "HOST_PANEL_Hostname", 68, 3, 180, 21, "", 0, 0},
    {Make<TPanel>, "HOST_PANEL_Address", "", 194, 56, 252, 28, "", 0, 0},
    {Make<TLabel>, "HOST_LABEL_Address", "HOST_PANEL_Address", 6, 7, 60, 14, "Address", 0, 0},
    {Make<TEdit>, "HOST_Edit_Address", "HOST_PANEL_Address", 68, 3, 180, 21, "", 0, 0},
    {Make<TLabel>, "HOST_LABEL_Memo", "", 194, 92, 252, 14, "Memo", 0, 0},
    {Make<TMemo>, "HOST_Memo", "", 194, 108, 252, 118, "", 0, 0},
    {Make<TCheckBox>, "HOST_CB_ConvertToKSC5601", "", 194, 232, 252, 18,
     "Convert JOHAB to KS C 5601", 0, 0},
    {Make<TCheckBox>, "HOST_CB_SendENTERasCRLF", "", 194, 250, 252, 18,
     "Send <ENTER> as <CR><LF>", 0, 0},
    {Make<TCheckBox>, "HOST_CB_AddLFToReceivedCR", "", 194, 268, 252, 18,
     "Add <LF> to Received <CR>", 0, 0},
    {Make<TCheckBox>, "HOST_CB_EnableLineAutoWrap", "", 194, 286, 252, 18,
     "Enable Line Auto-Wrap", 0, 0},
    {Make<TCheckBox>, "HOST_CB_EnableLocalEcho", "", 194, 304, 252, 18, "Enable Local Echo", 0, 0},
    {Make<TButton>, "HOST_BTN_NewHost", "", 194, 334, 80, 25, "New", 0, 0},
    {Make<TButton>, "HOST_BTN_SaveHost", "", 280, 334, 80, 25, "Save", 0, 0},
    {Make<TButton>, "HOST_BTN_DeleteHost", "", 366, 334, 80, 25, "Delete", 0, 0},

    {Make<TLabel>, "HOST_LABEL_Favorites", "", 456, 8, 140, 14, "Favorites", 0, 0},
    {Make<TListBox>, "HOST_LB_Favorites", "", 456, 24, 140, 86, "", 0, 0},
    {Make<TButton>, "HOST_BTN_AddToFavorites", "", 456, 116, 140, 25, "Add to Favorites", 0, 0},
    {Make<TButton>, "HOST_BTN_FavMoveUp", "", 456, 146, 44, 25, "Up", 0, 0},
    {Make<TButton>, "HOST_BTN_FavMoveDown", "", 504, 146, 44, 25, "Down", 0, 0},
    {Make<TButton>, "HOST_BTN_FavDel", "", 552, 146, 44, 25, "Del", 0, 0},
    {Make<TButton>, "HOST_BTN_Connect", "", 456, 302, 140, 25, "Connect", bfDefault, 0},
    {Make<TButton>, "GSET_BTN_Close", "", 456, 334, 140, 25, "Close",
     bfCancel | bfModalResult(mrCancel), 0},
};

std::vector<std::string> ItemsOf(TStrings* strings) {
    std::vector<std::string> items;
    for (int i = 0; i < strings->Count(); ++i) items.push_back(strings->Strings(i));
    return items;
}

void ShowItems(TListBox* list, const std::vector<std::string>& items, int index) {
    if (ItemsOf(list->Items()) != items) {
        list->Items()->BeginUpdate();
        list->Items()->Clear();
        for (const std::string& item : items) list->Items()->Add(item);
        list->Items()->EndUpdate();
    }
    if (list->ItemIndex() != index) list->SetItemIndex(index);
}

}  // namespace

THostListForm::THostListForm(TComponent* owner) : TForm(owner) {
    SetName("HostListForm");
    SetCaption(" Where Do You Want To Go?");
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    Position = poMainFormCenter;
    Font()->SetName("MS Sans Serif");
    Font()->SetSize(8);
    BuildForm(this, kRows);
    SetClientWidth(604);
    SetClientHeight(367);
    auto find = [this](auto*& field, const char* name) {
        field = FindAs<std::remove_reference_t<decltype(*field)>>(this, name);
    };
    find(HOST_LB_HostList, "HOST_LB_HostList");
    find(HOST_LB_Favorites, "HOST_LB_Favorites");
    find(HOST_PANEL_Hostname, "HOST_PANEL_Hostname");
    find(HOST_PANEL_Address, "HOST_PANEL_Address");
    find(HOST_Edit_Hostname, "HOST_Edit_Hostname");
    find(HOST_Edit_Address, "HOST_Edit_Address");
    find(HOST_Memo, "HOST_Memo");
    find(HOST_CB_ConvertToKSC5601, "HOST_CB_ConvertToKSC5601");
    find(HOST_CB_SendENTERasCRLF, "HOST_CB_SendENTERasCRLF");
    find(HOST_CB_AddLFToReceivedCR, "HOST_CB_AddLFToReceivedCR");
    find(HOST_CB_EnableLineAutoWrap, "HOST_CB_EnableLineAutoWrap");
    find(HOST_CB_EnableLocalEcho, "HOST_CB_EnableLocalEcho");
    find(HOST_BTN_NewHost, "HOST_BTN_NewHost");
    find(HOST_BTN_SaveHost, "HOST_BTN_SaveHost");
    find(HOST_BTN_DeleteHost, "HOST_BTN_DeleteHost");
    find(HOST_BTN_Refresh, "HOST_BTN_Refresh");
    find(HOST_BTN_Connect, "HOST_BTN_Connect");
    find(HOST_BTN_AddToFavorites, "HOST_BTN_AddToFavorites");
    find(HOST_BTN_FavMoveUp, "HOST_BTN_FavMoveUp");
    find(HOST_BTN_FavMoveDown, "HOST_BTN_FavMoveDown");
    find(HOST_BTN_FavDel, "HOST_BTN_FavDel");
    find(GSET_BTN_Close, "GSET_BTN_Close");
    HOST_Memo->SetScrollBars(ssVertical);
    HOST_Memo->SetWordWrap(false);
    for (TPanel* panel : {HOST_PANEL_Hostname, HOST_PANEL_Address}) panel->SetBevelOuter(bvNone);
    WireEvents();
    OnCreate = [this](TComponent*) { FormCreate(); };
    OnShow = [this](TComponent*) { FormShow(); };
}

THostListForm::~THostListForm() = default;

void THostListForm::FormCreate() {
    if (GetSystemDefaultLangID() == 1042) {
        for (TWinControl* c : std::initializer_list<TWinControl*>{
                 HOST_Edit_Hostname, HOST_Edit_Address, HOST_Memo, HOST_LB_HostList, HOST_LB_Favorites}) {
            c->Font()->SetName(KoreanUiFont);
            c->Font()->SetSize(9);
        }
    }
    // Each edit in the middle of its panel, a pixel lower, never above its top.
    for (TEdit* edit : {HOST_Edit_Hostname, HOST_Edit_Address}) {
        TWinControl* panel = edit->Parent();
        edit->SetTop(std::max(0, (panel->ClientHeight() - edit->Height()) / 2 + 1));
    }
}

void THostListForm::FormShow() { HOST_LB_HostList->SetFocus(); }

void THostListForm::SetHostListFile(const std::string& path) { FBook = std::make_unique<TIniFile>(path); }

void THostListForm::InitHostList(TConsoleForm* main) {
    FPresenter = std::make_unique<HostListPresenter>(*FBook, static_cast<HostListPrompts&>(*this), main->Settings.Favorites,
                                                     [main] { main->BuildQuickConnectButtons(); });
    ShowState();
}

void THostListForm::WireEvents() {
    auto edited = [this](auto edit) {
        return [this, edit](TComponent*) {
            if (FShowing || !FPresenter) return;
            edit();
            ShowState();
        };
    };
    HOST_Edit_Hostname->OnChange = edited([this] { FPresenter->EditHostName(HOST_Edit_Hostname->Text()); });
    HOST_Edit_Address->OnChange = edited([this] { FPresenter->EditAddress(HOST_Edit_Address->Text()); });
    HOST_Memo->OnChange = edited([this] { FPresenter->EditMemo(ItemsOf(HOST_Memo->Lines())); });
    const std::pair<TCheckBox*, bool HostEntry::*> flags[] = {
        {HOST_CB_ConvertToKSC5601, &HostEntry::ConvertJOHABtoKSC5601},
        {HOST_CB_SendENTERasCRLF, &HostEntry::SendENTERasCRLF},
        {HOST_CB_AddLFToReceivedCR, &HostEntry::AddLFToReceivedCR},
        {HOST_CB_EnableLineAutoWrap, &HostEntry::EnableLineAutoWrap},
        {HOST_CB_EnableLocalEcho, &HostEntry::EnableLocalEcho},
    };
    for (auto [box, flag] : flags)
        box->OnClick = edited([this, box, flag] { FPresenter->EditFlag(flag, box->Checked()); });

    HOST_LB_HostList->OnClick = [this](TComponent*) { HOST_LB_HostListClick(); };
    HOST_LB_HostList->OnDblClick = [this](TComponent*) { HOST_LB_HostListDblClick(); };
    HOST_BTN_NewHost->OnClick = [this](TComponent*) { HOST_BTN_NewHostClick(); };
    HOST_BTN_SaveHost->OnClick = [this](TComponent*) { HOST_BTN_SaveHostClick(); };
    HOST_BTN_DeleteHost->OnClick = [this](TComponent*) { HOST_BTN_DeleteHostClick(); };
    HOST_BTN_Refresh->OnClick = [this](TComponent*) { HOST_BTN_RefreshClick(); };
    HOST_BTN_Connect->OnClick = [this](TComponent*) { HOST_BTN_ConnectClick(); };

    HOST_BTN_AddToFavorites->OnClick = [this](TComponent*) { HOST_BTN_AddToFavoritesClick(); };
    HOST_LB_Favorites->OnClick = [this](TComponent*) { HOST_LB_FavoritesClick(); };
    HOST_BTN_FavMoveUp->OnClick = [this](TComponent*) { HOST_BTN_FavMoveUpClick(); };
    HOST_BTN_FavMoveDown->OnClick = [this](TComponent*) { HOST_BTN_FavMoveDownClick(); };
    HOST_BTN_FavDel->OnClick = [this](TComponent*) { HOST_BTN_FavDelClick(); };

    OnCloseQuery = [this](TComponent*, bool& canClose) {
        canClose = !FPresenter || FPresenter->CanClose();
        ShowState();
    };
}

void THostListForm::Act(void (HostListPresenter::*action)()) {
    if (!FPresenter) return;
    ((*FPresenter).*action)();
    ShowState();
}

void THostListForm::HOST_BTN_SaveHostClick() {
    if (!FPresenter) return;
    FPresenter->SaveHost();
    ShowState();
}

// With unsaved edits they are saved first; then the host name edit takes the new name.
void THostListForm::HOST_BTN_NewHostClick() {
    Act(&HostListPresenter::NewHost);
    if (FPresenter && !FPresenter->Buttons().newHost && HOST_Edit_Hostname->CanFocus())
        HOST_Edit_Hostname->SetFocus();
}

void THostListForm::HOST_BTN_DeleteHostClick() { Act(&HostListPresenter::DeleteHost); }

void THostListForm::HOST_BTN_RefreshClick() { Act(&HostListPresenter::Refresh); }

void THostListForm::HOST_LB_HostListClick() {
    if (!FPresenter) return;
    FPresenter->SelectHost(HOST_LB_HostList->ItemIndex());
    ShowState();
}

void THostListForm::HOST_LB_HostListDblClick() { HOST_BTN_Connect->Click(); }

void THostListForm::HOST_BTN_ConnectClick() {
    if (FPresenter && FPresenter->Connect()) ModalResult = mrOk;
}

void THostListForm::HOST_BTN_AddToFavoritesClick() { Act(&HostListPresenter::AddToFavourites); }

void THostListForm::HOST_LB_FavoritesClick() {
    if (!FPresenter) return;
    FPresenter->SelectFavourite(HOST_LB_Favorites->ItemIndex());
    ShowState();
    if (Visible() && HOST_LB_Favorites->CanFocus()) HOST_LB_Favorites->SetFocus();
}

void THostListForm::HOST_BTN_FavMoveUpClick() { Act(&HostListPresenter::MoveFavouriteUp); }

void THostListForm::HOST_BTN_FavMoveDownClick() { Act(&HostListPresenter::MoveFavouriteDown); }

void THostListForm::HOST_BTN_FavDelClick() { Act(&HostListPresenter::DeleteFavourite); }

void THostListForm::ShowState() {
    const HostListPresenter& p = *FPresenter;
    FShowing = true;
    ShowItems(HOST_LB_HostList, p.Hosts(), p.HostIndex());
    ShowItems(HOST_LB_Favorites, p.Favourites(), p.FavouriteIndex());
    if (FShownFields != p.FieldsVersion()) ShowFields();
    FShowing = false;
    const HostListButtons& b = p.Buttons();
    HOST_BTN_NewHost->SetEnabled(b.newHost);
    HOST_BTN_SaveHost->SetEnabled(b.saveHost);
    HOST_BTN_DeleteHost->SetEnabled(b.deleteHost);
    HOST_BTN_AddToFavorites->SetEnabled(b.addToFavourites);
    HOST_BTN_FavMoveUp->SetEnabled(b.favouriteUp);
    HOST_BTN_FavMoveDown->SetEnabled(b.favouriteDown);
    HOST_BTN_FavDel->SetEnabled(b.favouriteDelete);
}

void THostListForm::ShowFields() {
    const HostEntry& f = FPresenter->Fields();
    HOST_Edit_Hostname->SetText(f.Name);
    HOST_Edit_Address->SetText(f.Address);
    HOST_Memo->Lines()->BeginUpdate();
    HOST_Memo->Lines()->Clear();
    for (const std::string& line : f.MemoLines) HOST_Memo->Lines()->Add(line);
    HOST_Memo->Lines()->EndUpdate();
    HOST_CB_ConvertToKSC5601->SetChecked(f.ConvertJOHABtoKSC5601);
    HOST_CB_SendENTERasCRLF->SetChecked(f.SendENTERasCRLF);
    HOST_CB_AddLFToReceivedCR->SetChecked(f.AddLFToReceivedCR);
    HOST_CB_EnableLineAutoWrap->SetChecked(f.EnableLineAutoWrap);
    HOST_CB_EnableLocalEcho->SetChecked(f.EnableLocalEcho);
    FShownFields = FPresenter->FieldsVersion();
}

void THostListForm::ShowError(std::string_view text) {
    MessageBoxA(Handle(), std::string(text).c_str(), " Quiro 2: Error", MB_OK | MB_ICONERROR);
}

void THostListForm::ShowQuestion(std::string_view text) {
    MessageBoxA(Handle(), std::string(text).c_str(), " Quiro 2: Question", MB_OK | MB_ICONQUESTION);
}

bool THostListForm::AskYesNo(std::string_view text) {
    return MessageBoxA(Handle(), std::string(text).c_str(), " Quiro 2: Warning",
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::string THostListForm::WriteFailure() {
    return FBook->FileName() + ":\n" + FBook->WriteFailure();
}

bool ShowAddressBook(TConsoleForm& main, std::string& hostName) {
    THostListForm form(Application);
    form.SetHostListFile(main.AddressBookPath());
    form.InitHostList(&main);
    if (form.ShowModal() != mrOk) return false;
    hostName = form.HOST_Edit_Hostname->Text();
    return true;
}
