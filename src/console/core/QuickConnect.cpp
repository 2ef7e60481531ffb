#include "console/core/QuickConnect.h"

#include <algorithm>
#include <numeric>

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

std::vector<QuickConnectButton> FitQuickConnectButtons(std::vector<QuickConnectButton> buttons,
                                                       int right) {
    if (buttons.empty()) return buttons;
    const int left = buttons.front().left;
    int room = std::max(right - left, 0);
    const int wanted =
        std::accumulate(buttons.begin(), buttons.end(), 0,
                        [](int sum, const QuickConnectButton& b) { return sum + b.width; });
    if (wanted > room) {
        // Narrowest first: one narrower than its share keeps its width and leaves the rest
        // of its share to the wider ones.
        std::vector<QuickConnectButton*> order;
        for (QuickConnectButton& b : buttons) order.push_back(&b);
        std::stable_sort(order.begin(), order.end(),
                         [](const QuickConnectButton* a, const QuickConnectButton* b) {
                             return a->width < b->width;
                         });
        int count = static_cast<int>(order.size());
        for (QuickConnectButton* b : order) {
            const int share = room / count;
            if (b->width > share) b->width = share + (room % count ? 1 : 0);
            room -= b->width;
            --count;
        }
    }
    int x = left;
    for (QuickConnectButton& b : buttons) {
        b.left = x;
        x += b.width;
    }
    return buttons;
}
