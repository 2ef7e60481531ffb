#include "windows/core/HostListPresenter.h"

#include <algorithm>
#include <utility>

HostListPresenter::HostListPresenter(IIniStore& book, HostListPrompts& prompts,
                                     std::array<std::string, MaxFavourites>& favourites,
                                     std::function<void()> favouritesChanged)
    : FBook(book), FPrompts(prompts), FMainFavourites(favourites),
      FFavouritesChanged(std::move(favouritesChanged)) {
    for (const std::string& name : FMainFavourites)
        if (!name.empty()) FFavourites.push_back(name);
    FButtons.addToFavourites = FFavourites.size() < MaxFavourites;
    ClearFields();
    FillHostList();
    ShowHostEntry();
}

// ---- Edits --------------------------------------------------------------------------------

void HostListPresenter::EditHostName(std::string name) {
    FFields.Name = std::move(name);
    FButtons.saveHost = true;
    FButtons.deleteHost = false;
    FModified = true;
}

void HostListPresenter::EditAddress(std::string address) {
    FFields.Address = std::move(address);
    FButtons.saveHost = true;
    FModified = true;
}

void HostListPresenter::EditMemo(std::vector<std::string> lines) {
    FFields.MemoLines = std::move(lines);
    FButtons.saveHost = true;
    FModified = true;
}

void HostListPresenter::EditFlag(bool HostEntry::*flag, bool value) {
    FFields.*flag = value;
    FButtons.saveHost = true;
    FModified = true;
}

// ---- The list and the entry -------------------------------------------------------------

void HostListPresenter::ClearFields() {
    FFields = HostEntry{};
    FFields.EnableLineAutoWrap = false;  // every check box cleared
    ++FFieldsVersion;
}

void HostListPresenter::FillHostList() {
    FHosts = ListHostEntries(FBook);
    FHostIndex = FHosts.empty() ? -1 : 0;
}

void HostListPresenter::SelectHostNamed(std::string_view name) {
    FHostIndex = -1;
    for (size_t i = 0; i < FHosts.size(); ++i) {
        if (SameHostName(FHosts[i], name)) {
            FHostIndex = static_cast<int>(i);
            break;
        }
    }
}

void HostListPresenter::ShowHostEntry() {
    FLoadedName.clear();
    FModified = false;
    std::optional<HostEntry> entry;
    if (FHostIndex >= 0) entry = LoadHostEntry(FBook, FHosts[static_cast<size_t>(FHostIndex)]);
    if (entry) {
        FFields = std::move(*entry);
        ++FFieldsVersion;
        FLoadedName = FFields.Name;
    } else {
        // Nothing selected (an empty book, or an entry gone from the file meanwhile):
        // the fields no longer show an entry that could be saved again by mistake.
        ClearFields();
    }
    FButtons.newHost = true;
    FButtons.saveHost = false;
    FButtons.deleteHost = entry.has_value();
}

void HostListPresenter::SelectHost(int index) {
    FHostIndex = index >= 0 && index < static_cast<int>(FHosts.size()) ? index : -1;
    ShowHostEntry();
}

void HostListPresenter::NewHost() {
    // Unsaved changes are saved to their entry first; a refused save (no host name, a
    // name taken) keeps them there.
    if (FModified && !SaveHost()) return;
    FLoadedName.clear();
    FModified = false;
    ClearFields();
    FHostIndex = -1;
    FButtons.newHost = false;
    FButtons.saveHost = true;
    FButtons.deleteHost = false;
}

void HostListPresenter::ReportFailure(HostEntryStatus status) {
    std::string text(HostEntryStatusText(status));
    if (status == HostEntryStatus::WriteFailed) {
        const std::string reason = FPrompts.WriteFailure();
        if (!reason.empty()) text += "\n" + reason;
    }
    FPrompts.ShowError(text);
}

bool HostListPresenter::SaveHost() {
    const HostEntrySaveResult result = SaveHostEntry(FBook, FLoadedName, FFields);
    if (result.status != HostEntryStatus::Ok) {
        ReportFailure(result.status);
        if (result.status == HostEntryStatus::WriteFailed) {
            // The edits stay; the list shows what the file holds now.
            FHosts = ListHostEntries(FBook);
            SelectHostNamed(FLoadedName);
        }
        return false;
    }
    FButtons.newHost = true;
    FButtons.saveHost = false;
    FModified = false;
    // A favourite of the entry follows a new name (only a new one: the main window saves
    // its names when they changed).
    if (!FLoadedName.empty() && FLoadedName != result.savedName &&
        RenameFavourites(FLoadedName, result.savedName))
        UpdateFavorites();
    FillHostList();
    FLoadedName = result.savedName;
    if (FFields.Name != result.savedName) {
        FFields.Name = result.savedName;  // as stored: without surrounding blanks
        ++FFieldsVersion;
    }
    SelectHostNamed(FLoadedName);
    FButtons.deleteHost = FHostIndex >= 0;
    return true;
}

void HostListPresenter::DeleteHost() {
    if (FLoadedName.empty()) {
        if (!FButtons.newHost) {  // a new entry being typed is abandoned
            FillHostList();
            ShowHostEntry();
        }
        return;
    }
    const int index = FHostIndex;
    const HostEntryStatus status = EraseHostEntry(FBook, FLoadedName);
    if (status != HostEntryStatus::Ok) {
        ReportFailure(status);
        return;
    }
    if (RenameFavourites(FLoadedName, "")) UpdateFavorites();
    FillHostList();
    if (index >= 0) FHostIndex = std::min(index, static_cast<int>(FHosts.size()) - 1);
    ShowHostEntry();
}

void HostListPresenter::Refresh() {
    FillHostList();
    ShowHostEntry();
}

bool HostListPresenter::Connect() {
    if (!TrimHostName(FFields.Name).empty()) return true;
    FPrompts.ShowQuestion("Where do you want to go?");
    return false;
}

bool HostListPresenter::CanClose() {
    if (!FModified || TrimHostName(FFields.Name).empty()) return true;
    if (!FPrompts.AskYesNo("Save changes before exit?")) return true;
    return SaveHost();
}

// ---- Favourites ---------------------------------------------------------------------------

bool HostListPresenter::RenameFavourites(std::string_view from, std::string_view to) {
    bool changed = false;
    for (auto it = FFavourites.begin(); it != FFavourites.end();) {
        if (!SameHostName(*it, from)) {
            ++it;
            continue;
        }
        changed = true;
        if (to.empty()) {
            const auto at = it - FFavourites.begin();
            if (FFavouriteIndex == at) FFavouriteIndex = -1;  // the selected one goes
            else if (FFavouriteIndex > at) --FFavouriteIndex;
            it = FFavourites.erase(it);
        } else {
            *it++ = std::string(to);
        }
    }
    return changed;
}

void HostListPresenter::AddToFavourites() {
    if (FHostIndex < 0 || FFavourites.size() >= MaxFavourites) return;
    FFavourites.push_back(FHosts[static_cast<size_t>(FHostIndex)]);
    UpdateFavorites();
}

void HostListPresenter::SelectFavourite(int index) {
    FFavouriteIndex = index >= 0 && index < static_cast<int>(FFavourites.size()) ? index : -1;
    if (FFavouriteIndex >= 0) {
        SelectHostNamed(FFavourites[static_cast<size_t>(FFavouriteIndex)]);
        ShowHostEntry();
    }
    UpdateFavorites();
}

void HostListPresenter::MoveFavouriteUp() {
    if (FFavouriteIndex <= 0) return;
    const auto i = static_cast<size_t>(FFavouriteIndex);
    std::swap(FFavourites[i], FFavourites[i - 1]);
    --FFavouriteIndex;
    UpdateFavorites();
}

void HostListPresenter::MoveFavouriteDown() {
    if (FFavouriteIndex < 0 || FFavouriteIndex + 1 >= static_cast<int>(FFavourites.size())) return;
    const auto i = static_cast<size_t>(FFavouriteIndex);
    std::swap(FFavourites[i], FFavourites[i + 1]);
    ++FFavouriteIndex;
    UpdateFavorites();
}

void HostListPresenter::DeleteFavourite() {
    if (FFavouriteIndex < 0) return;
    FFavourites.erase(FFavourites.begin() + FFavouriteIndex);
    FFavouriteIndex = -1;
    if (!FFavourites.empty()) {
        FFavouriteIndex = 0;
        SelectHostNamed(FFavourites.front());
        ShowHostEntry();
    }
    UpdateFavorites();
}

void HostListPresenter::UpdateFavorites() {
    const int count = static_cast<int>(FFavourites.size());
    FButtons.addToFavourites = FFavourites.size() < MaxFavourites;
    FButtons.favouriteUp = FFavouriteIndex >= 1;
    FButtons.favouriteDown = FFavouriteIndex >= 0 && FFavouriteIndex < count - 1;
    FButtons.favouriteDelete = FFavouriteIndex >= 0;
    for (size_t i = 0; i < MaxFavourites; ++i)
        FMainFavourites[i] = i < FFavourites.size() ? FFavourites[i] : std::string();
    if (FFavouritesChanged) FFavouritesChanged();
}
