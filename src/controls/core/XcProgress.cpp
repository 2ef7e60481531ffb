#include "controls/core/XcProgress.h"

#include <algorithm>
#include <vector>

#include "framework/core/SysUtils.h"

namespace {

struct Entry {
    TComponentClass controlClass;
    std::string maxProp, minProp, progressProp;
};

std::vector<Entry>& Entries() {
    static std::vector<Entry> entries;
    return entries;
}

const Entry* EntryFor(const TComponent* control) {
    if (!control) return nullptr;
    const std::vector<Entry>& entries = Entries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->controlClass.IsInstance(control)) return &*it;
    return nullptr;
}

bool SetNumber(TComponent* control, std::string Entry::*prop, int64_t value) {
    const Entry* entry = EntryFor(control);
    if (!entry) return false;
    TPropInfoList props(control);
    const TPropInfo* info = props.Find(entry->*prop);
    if (!info || (info->Kind != pkInteger && info->Kind != pkFloat)) return false;
    return info->SetText(IntToStr(value));
}

}  // namespace

void RegisterProgressControl(const TComponentClass& controlClass, const std::string& maxProp,
                             const std::string& minProp, const std::string& progressProp) {
    Entries().push_back({controlClass, maxProp, minProp, progressProp});
}

void UnRegisterProgressControl(const TComponentClass& controlClass) {
    std::erase_if(Entries(),
                  [&](const Entry& e) { return e.controlClass.InheritsFrom(controlClass); });
}

bool SupportsProgressControl(const TComponent* control) {
    return EntryFor(control) != nullptr;
}

bool SetProgressMax(TComponent* control, int64_t value) {
    return SetNumber(control, &Entry::maxProp, value);
}
bool SetProgressMin(TComponent* control, int64_t value) {
    return SetNumber(control, &Entry::minProp, value);
}
bool SetProgressValue(TComponent* control, int64_t value) {
    return SetNumber(control, &Entry::progressProp, value);
}
