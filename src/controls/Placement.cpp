#include "controls/Placement.h"

#include <algorithm>

#include "controls/core/StrUtils.h"
#include "controls/core/XcProps.h"
#include "framework/IniFiles.h"
#include "framework/Screen.h"

bool TWinMinMaxInfo::IsDefault() const {
    return MaxPosLeft == 0 && MaxPosTop == 0 && MaxSizeHeight == 0 && MaxSizeWidth == 0 &&
           MaxTrackHeight == 0 && MaxTrackWidth == 0 && MinTrackHeight == 0 && MinTrackWidth == 0;
}

// ---- TIniLink ---------------------------------------------------------------------------

TIniLink::~TIniLink() {
    SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* storage) {
    if (storage == FStorage) return;
    if (FStorage) std::erase(FStorage->FLinks, this);
    FStorage = storage;
    if (FStorage) FStorage->FLinks.push_back(this);
}

IIniStore* TIniLink::IniObject() const {
    return FStorage ? FStorage->IniObject() : nullptr;
}

std::string TIniLink::RootSection() const {
    return FStorage ? FStorage->SectionName() + "\\" : std::string();
}

// ---- TFormPlacement ---------------------------------------------------------------------

// The form's handlers that the placement stands in front of; the placement leaves them
// behind when it goes before the form.
struct TFormPlacement::Chain {
    TFormPlacement* self = nullptr;
    TNotifyEvent show;
    TCloseQueryEvent closeQuery;
    TNotifyEvent destroy;
};

class TFormPlacement::Opened {
public:
    explicit Opened(TFormPlacement& p) : FPlacement(p), FOwn(!p.FStore) {
        if (FOwn) p.FStore = OpenIniStore(p.StoreName(), p.UseRegistry);
    }
    ~Opened() {
        if (!FOwn) return;
        if (auto* ini = dynamic_cast<TIniFile*>(FPlacement.FStore.get())) ini->UpdateFile();
        FPlacement.FStore.reset();
    }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;

private:
    TFormPlacement& FPlacement;
    bool FOwn;
};

TFormPlacement::TFormPlacement(TComponent* owner)
    : TComponent(owner),
      Options(dynamic_cast<TForm*>(owner) ? PlacementOption(fpState) | PlacementOption(fpPosition)
                                          : 0) {}

TFormPlacement::~TFormPlacement() {
    if (FChain) FChain->self = nullptr;
    for (TIniLink* link : FLinks) link->FStorage = nullptr;
}

void TFormPlacement::Loaded() {
    TComponent::Loaded();
    TForm* form = Form();
    if (!form || FChain) return;
    // Known now: while the form is destroyed it no longer knows its own class.
    FDefaultSection = GetDefaultSection(form);
    FChain = std::make_shared<Chain>();
    FChain->self = this;
    FChain->show = form->OnShow;
    FChain->closeQuery = form->OnCloseQuery;
    FChain->destroy = form->OnDestroy;
    std::shared_ptr<Chain> chain = FChain;
    form->OnShow = [chain](TComponent* sender) {
        if (chain->self) chain->self->FormShow(sender);
        if (chain->show) chain->show(sender);
    };
    form->OnCloseQuery = [chain](TComponent* sender, bool& canClose) {
        if (chain->closeQuery) chain->closeQuery(sender, canClose);
        if (chain->self) chain->self->FormCloseQuery(sender, canClose);
    };
    form->OnDestroy = [chain](TComponent* sender) {
        if (chain->self) chain->self->FormDestroy(sender);
        if (chain->destroy) chain->destroy(sender);
    };
    Hook();
}

void TFormPlacement::FormShow(TComponent*) {
    Hook();
    if (Active) RestoreFormPlacement();
}

void TFormPlacement::FormCloseQuery(TComponent*, bool& canClose) {
    if (canClose && Active) SaveFormPlacement();
}

void TFormPlacement::FormDestroy(TComponent*) {
    FDestroying = true;
    if (Active && !FSaved) SaveFormPlacement();
    if (FHook) FHook->SetActive(false);
}

std::string TFormPlacement::SectionName() const {
    if (!IniSection.empty()) return IniSection;
    return FDefaultSection.empty() ? GetDefaultSection(Owner()) : FDefaultSection;
}

std::string TFormPlacement::StoreName() const {
    if (!IniFileName.empty()) return IniFileName;
    return UseRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
}

void TFormPlacement::SaveFormPlacement() {
    if (!FRestored) return;  // nothing was read yet: what is there stays
    Save();
    FSaved = true;
}

void TFormPlacement::RestoreFormPlacement() {
    Restore();
    FRestored = true;
    FSaved = false;
}

void TFormPlacement::Save() {
    TForm* form = Form();
    if (!form) return;
    Opened open(*this);
    IIniStore* store = FStore.get();
    const std::string section = SectionName();
    if (Options & (PlacementOption(fpState) | PlacementOption(fpPosition)))
        WriteFormPlacement(form, store, section);
    if (Options & PlacementOption(fpActiveControl)) {
        TWinControl* active = Screen->ActiveControl();
        bool ours = active && active->HandleAllocated() && form->HandleAllocated() &&
                    GetAncestor(active->Handle(), GA_ROOT) == form->Handle();
        IniWriteString(store, section, "ActiveControl", ours ? active->Name() : "");
    }
    IniWriteBool(store, section, "Visible", FDestroying);
    if (OnSavePlacement) OnSavePlacement(this);
    for (TIniLink* link : std::vector<TIniLink*>(FLinks))
        if (link->OnSave) link->OnSave(link);
}

void TFormPlacement::Restore() {
    TForm* form = Form();
    if (!form) return;
    Opened open(*this);
    IIniStore* store = FStore.get();
    const std::string section = SectionName();
    ReadFormPlacement(form, store, section, (Options & PlacementOption(fpState)) != 0,
                      (Options & PlacementOption(fpPosition)) != 0);
    if (OnRestorePlacement) OnRestorePlacement(this);
    for (TIniLink* link : std::vector<TIniLink*>(FLinks))
        if (link->OnLoad) link->OnLoad(link);
    if (Options & PlacementOption(fpActiveControl)) {
        const std::string name = IniReadString(store, section, "ActiveControl", "");
        auto* control = dynamic_cast<TWinControl*>(form->FindComponent(name));
        if (control && control->Visible() && control->Enabled()) control->SetFocus();
    }
}

std::string TFormPlacement::ReadString(const std::string& ident, const std::string& fallback) {
    Opened open(*this);
    return IniReadString(FStore.get(), SectionName(), ident, fallback);
}

void TFormPlacement::WriteString(const std::string& ident, const std::string& value) {
    Opened open(*this);
    IniWriteString(FStore.get(), SectionName(), ident, value);
}

int TFormPlacement::ReadInteger(const std::string& ident, int fallback) {
    Opened open(*this);
    return IniReadInteger(FStore.get(), SectionName(), ident, fallback);
}

void TFormPlacement::WriteInteger(const std::string& ident, int value) {
    Opened open(*this);
    IniWriteInteger(FStore.get(), SectionName(), ident, value);
}

void TFormPlacement::EraseSections() {
    Opened open(*this);
    const std::string section = SectionName();
    for (const std::string& name : FStore->ListSections())
        if (name == section || IsWild(name, section + ".*", false) ||
            IsWild(name, section + "\\*", false))
            FStore->DeleteSection(name);
}

void TFormPlacement::SetPreventResize(bool prevent) {
    if (prevent == FPreventResize) return;
    FPreventResize = prevent;
    TForm* form = Form();
    if (form && form->HandleAllocated()) {
        HWND h = form->Handle();
        LONG style = GetWindowLongA(h, GWL_STYLE);
        style = prevent ? (style & ~WS_MAXIMIZEBOX) : (style | WS_MAXIMIZEBOX);
        SetWindowLongA(h, GWL_STYLE, style);
        SetWindowPos(h, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Hook();
}

void TFormPlacement::UpdatePlacement() {
    Hook();
}

void TFormPlacement::Hook() {
    TForm* form = Form();
    const bool wanted = FChain && form && (FPreventResize || !MinMaxInfo.IsDefault());
    if (!FHook) {
        if (!wanted) return;
        FHook = new TXcWindowHook(this);
        FHook->AfterMessage = [this](TComponent*, TMessage& m, bool&) { HookMessage(m); };
        FHook->SetWinControl(form);
    }
    FHook->SetActive(wanted);
}

// After the form's own handling.
void TFormPlacement::HookMessage(TMessage& m) {
    switch (m.Msg) {
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
            if (FPreventResize) {
                RECT r;
                GetWindowRect(Form()->Handle(), &r);
                info->ptMinTrackSize = info->ptMaxTrackSize =
                    POINT{r.right - r.left, r.bottom - r.top};
                break;
            }
            const TWinMinMaxInfo& i = MinMaxInfo;
            auto take = [](LONG& field, int value) {
                if (value != 0) field = value;
            };
            info->ptMaxPosition = POINT{i.MaxPosLeft, i.MaxPosTop};
            take(info->ptMaxSize.x, i.MaxSizeWidth);
            take(info->ptMaxSize.y, i.MaxSizeHeight);
            take(info->ptMaxTrackSize.x, i.MaxTrackWidth);
            take(info->ptMaxTrackSize.y, i.MaxTrackHeight);
            take(info->ptMinTrackSize.x, i.MinTrackWidth);
            take(info->ptMinTrackSize.y, i.MinTrackHeight);
            break;
        }
        case WM_NCHITTEST:
            if (FPreventResize && m.Result >= HTLEFT && m.Result <= HTBOTTOMRIGHT)
                m.Result = HTNOWHERE;
            break;
        case WM_INITMENUPOPUP:
            if (FPreventResize && HIWORD(m.LParam)) {  // the system menu
                auto menu = reinterpret_cast<HMENU>(m.WParam);
                EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
                EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
            }
            break;
        default:
            break;
    }
}

// ---- TFormStorage -----------------------------------------------------------------------

template <class Visit>
void TFormStorage::ForEachStored(Visit visit) {
    TForm* form = Form();
    if (!form) return;
    TPropsStorage props(IniObject(), SectionName(), form);
    for (int i = 0; i < StoredProps.Count(); ++i) {
        const std::string item = StoredProps.Strings(i);
        const std::string componentName = Copy2Symb(item, '.');
        const std::string propName = item.substr(std::min(item.size(), componentName.size() + 1));
        TComponent* component = form->FindComponent(componentName);
        if (!component && AnsiCompareText(componentName, form->Name()) == 0) component = form;
        TPropInfoList list(component);
        const TPropInfo* prop = list.Find(propName);
        if (!prop) continue;
        props.Prefix = componentName + "_";
        visit(props, *prop);
    }
}

void TFormStorage::Save() {
    Opened open(*this);
    TFormPlacement::Save();
    ForEachStored([](TPropsStorage& props, const TPropInfo& prop) { props.StoreProperty(prop); });
}

void TFormStorage::Restore() {
    Opened open(*this);
    TFormPlacement::Restore();
    ForEachStored([](TPropsStorage& props, const TPropInfo& prop) { props.LoadProperty(prop); });
}

void TFormStorage::Loaded() {
    if (TForm* form = Form()) {
        for (int i = StoredProps.Count() - 1; i >= 0; --i) {
            const std::string name = Copy2Symb(StoredProps.Strings(i), '.');
            if (!form->FindComponent(name) && AnsiCompareText(name, form->Name()) != 0)
                StoredProps.Delete(i);
        }
    }
    TFormPlacement::Loaded();
}

void TFormStorage::Notification(TComponent* component, TOperation operation) {
    TFormPlacement::Notification(component, operation);
    TForm* form = Form();
    if (operation == opRemove && form && !form->IsDestroying() && component->Owner() == form)
        DropItemsOf(component->Name());
}

void TFormStorage::DropItemsOf(const std::string& componentName) {
    if (componentName.empty()) return;
    for (int i = StoredProps.Count() - 1; i >= 0; --i)
        if (AnsiCompareText(Copy2Symb(StoredProps.Strings(i), '.'), componentName) == 0)
            StoredProps.Delete(i);
}
