#include "console/core/QuickConnect.h"

#include "console/core/AddressBookFile.h"
#include "console/core/AddressScheme.h"

std::vector<QuickConnectButton> PlanQuickConnectButtons(
    const IIniStore& book, const std::array<std::string, 5>& favourites, int left, int glyphWidth,
    const std::function<int(std::string_view caption)>& textWidth) {
    std::vector<QuickConnectButton> buttons;
    for (size_t i = 0; i < favourites.size(); ++i) {
        const std::string& name = favourites[i];
        if (name.empty()) continue;
        const std::optional<HostEntry> entry = LoadHostEntry(book, name);
        if (!entry || entry->Address.empty()) continue;
        QuickConnectButton b;
        b.favourite = static_cast<int>(i);
        b.caption = name;
        b.address = entry->Address;
        b.phone = ParseAddressScheme(entry->Address).kind == ConnectionTelephony;
        b.left = left;
        b.width = textWidth(name) + 2 * glyphWidth;
        left += b.width;
        buttons.push_back(std::move(b));
    }
    return buttons;
}
