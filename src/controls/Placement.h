// Components that keep their form's placement (and chosen properties) in an INI file or
// the registry: restored when the form is shown, saved when it closes or is destroyed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/AppUtils.h"
#include "controls/XcHook.h"
#include "framework/core/Strings.h"

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = unsigned;  // bit (1 << TPlacementOption) per option
constexpr TPlacementOptions PlacementOption(TPlacementOption o) {
    return 1u << o;
}

// Limits of a form's size and maximised position; 0 means "not set".
struct TWinMinMaxInfo {
    int MaxPosLeft = 0, MaxPosTop = 0;
    int MaxSizeHeight = 0, MaxSizeWidth = 0;
    int MaxTrackHeight = 0, MaxTrackWidth = 0;
    int MinTrackHeight = 0, MinTrackWidth = 0;
    bool IsDefault() const;
};

class TFormPlacement;

// Lets another object save and load its own values with a form placement.
class TIniLink {
public:
    TIniLink() = default;
    ~TIniLink();
    TIniLink(const TIniLink&) = delete;
    TIniLink& operator=(const TIniLink&) = delete;

    TFormPlacement* Storage() const { return FStorage; }
    // Moves the link from the old placement's list to the new one's.
    void SetStorage(TFormPlacement* storage);
    // The placement's store while it saves or restores (null otherwise).
    IIniStore* IniObject() const;
    // The placement's section followed by "\", or "" without a placement.
    std::string RootSection() const;

    std::function<void(TIniLink* sender)> OnSave;
    std::function<void(TIniLink* sender)> OnLoad;

private:
    friend class TFormPlacement;
    TFormPlacement* FStorage = nullptr;
};

class TFormPlacement : public TComponent {
public:
    explicit TFormPlacement(TComponent* owner);
    ~TFormPlacement() override;

    bool Active = true;
    std::string IniFileName;  // "" : the default file or registry key
    std::string IniSection;   // "" : the owner form's default section
    TPlacementOptions Options;
    bool UseRegistry = false;
    TWinMinMaxInfo MinMaxInfo;  // call UpdatePlacement after a change
    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    bool PreventResize() const { return FPreventResize; }
    void SetPreventResize(bool prevent);
    // Applies a changed MinMaxInfo to the form's window.
    void UpdatePlacement();

    // Joins the owner form: its OnShow restores, its OnCloseQuery (when closing is allowed)
    // and its OnDestroy save. Call once the form's own handlers are set.
    void Loaded() override;

    void SaveFormPlacement();
    void RestoreFormPlacement();
    // One value in the placement's section (the store opened for the call when it is not).
    std::string ReadString(const std::string& ident, const std::string& fallback);
    void WriteString(const std::string& ident, const std::string& value);
    int ReadInteger(const std::string& ident, int fallback);
    void WriteInteger(const std::string& ident, int value);
    // Removes the section and those below it ("Section.x", "Section\x").
    void EraseSections();

    std::string SectionName() const;
    std::string StoreName() const;  // the INI file or registry key in use
    IIniStore* IniObject() const { return FStore.get(); }
    TForm* Form() const { return dynamic_cast<TForm*>(Owner()); }

protected:
    // The form placement and the links; TFormStorage adds its properties.
    virtual void Save();
    virtual void Restore();
    // Opens the store for a scope unless it is open already.
    class Opened;

private:
    friend class TIniLink;
    struct Chain;
    void FormShow(TComponent* sender);
    void FormCloseQuery(TComponent* sender, bool& canClose);
    void FormDestroy(TComponent* sender);
    void Hook();
    void HookMessage(TMessage& m);

    std::string FDefaultSection;  // the owner form's, noted when the placement joins it
    bool FPreventResize = false;
    bool FRestored = false;
    bool FSaved = false;
    bool FDestroying = false;
    std::unique_ptr<IIniStore> FStore;
    std::vector<TIniLink*> FLinks;
    std::shared_ptr<Chain> FChain;
    TXcWindowHook* FHook = nullptr;  // owned; on the form while it is needed
};

// A placement that also keeps properties of the form's components: StoredProps lists
// "Component.Property" items; each is kept under the key "Component_Property".
class TFormStorage : public TFormPlacement {
public:
    explicit TFormStorage(TComponent* owner) : TFormPlacement(owner) {}

    TStringList StoredProps;

    // Drops the items whose component is gone, then joins the form.
    void Loaded() override;

protected:
    void Save() override;
    void Restore() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void DropItemsOf(const std::string& componentName);
    template <class Visit>
    void ForEachStored(Visit visit);
};
