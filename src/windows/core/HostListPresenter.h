// The address book dialog's decisions, apart from its window: which entry the edits show
// (the loaded name) and whether they changed since (the modified flag), which buttons are
// enabled, what New, Save, Delete, Refresh, Connect and closing do to the book, and the
// list of favourites, which is the main window's five names, edited in place.
//
// The window hands every user action to the presenter and then shows what it holds: the
// host list (the book's sections in file order), the favourites, the fields and the
// buttons' states. The fields are replaced only by the presenter's own routines
// (FieldsVersion() tells the window when to put them into its controls again).
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "console/core/AddressBookFile.h"

inline constexpr size_t MaxFavourites = 5;

// What the dialog asks of its window.
class HostListPrompts {
public:
    virtual ~HostListPrompts() = default;
    // A message box with the error icon (caption " Quiro 2: Error").
    virtual void ShowError(std::string_view text) = 0;
    // A message box with the question icon (caption " Quiro 2: Question").
    virtual void ShowQuestion(std::string_view text) = 0;
    // A Yes/No question (caption " Quiro 2: Warning"); true for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
    // The system's reason why the last write to the book failed.
    virtual std::string WriteFailure() = 0;
};

// Which buttons can be pressed.
struct HostListButtons {
    bool newHost = true;
    bool saveHost = false;
    bool deleteHost = false;
    bool addToFavourites = true;
    bool favouriteUp = false;
    bool favouriteDown = false;
    bool favouriteDelete = false;

    bool operator==(const HostListButtons&) const = default;
};

class HostListPresenter {
public:
    // `favourites`: the main window's five names, which the dialog edits in place;
    // `favouritesChanged` runs after each change (the main window rebuilds its bar).
    HostListPresenter(IIniStore& book, HostListPrompts& prompts,
                      std::array<std::string, MaxFavourites>& favourites,
                      std::function<void()> favouritesChanged);

    // ---- What the window shows ----
    const std::vector<std::string>& Hosts() const { return FHosts; }
    int HostIndex() const { return FHostIndex; }
    const std::vector<std::string>& Favourites() const { return FFavourites; }
    int FavouriteIndex() const { return FFavouriteIndex; }
    // The edits, the memo and the check boxes; Name is the host name edit.
    const HostEntry& Fields() const { return FFields; }
    // Goes up each time the presenter replaces the fields.
    int FieldsVersion() const { return FFieldsVersion; }
    const std::string& LoadedName() const { return FLoadedName; }
    bool Modified() const { return FModified; }
    const HostListButtons& Buttons() const { return FButtons; }

    // ---- The user's edits ----
    void EditHostName(std::string name);
    void EditAddress(std::string address);
    void EditMemo(std::vector<std::string> lines);
    void EditFlag(bool HostEntry::*flag, bool value);

    // ---- The dialog's routines and buttons ----
    // Reads the book's entries into the host list and selects the first.
    void FillHostList();
    // Shows the selected entry in the fields (none selected: empty fields).
    void ShowHostEntry();
    // A click in the host list.
    void SelectHost(int index);
    // New: with unsaved changes the entry is saved first, and a refused save keeps it.
    void NewHost();
    // True when the entry was stored.
    bool SaveHost();
    void DeleteHost();
    void Refresh();
    // True when the dialog closes to connect to the host name edit's text.
    bool Connect();
    // Asked before the dialog closes: false keeps it open (a save that was asked for and
    // refused).
    bool CanClose();

    // ---- Favourites ----
    void AddToFavourites();
    void SelectFavourite(int index);
    void MoveFavouriteUp();
    void MoveFavouriteDown();
    void DeleteFavourite();
    // The favourites buttons' states, then the main window's names from the list.
    void UpdateFavorites();

private:
    void ClearFields();
    void SelectHostNamed(std::string_view name);
    void ReportFailure(HostEntryStatus status);
    // Replaces (or with an empty `to`, removes) every favourite named `from`; true when
    // one was.
    bool RenameFavourites(std::string_view from, std::string_view to);

    IIniStore& FBook;
    HostListPrompts& FPrompts;
    std::array<std::string, MaxFavourites>& FMainFavourites;
    std::function<void()> FFavouritesChanged;

    std::vector<std::string> FHosts;
    int FHostIndex = -1;
    std::vector<std::string> FFavourites;
    int FFavouriteIndex = -1;
    HostEntry FFields;
    int FFieldsVersion = 0;
    std::string FLoadedName;
    bool FModified = false;
    HostListButtons FButtons;
};
