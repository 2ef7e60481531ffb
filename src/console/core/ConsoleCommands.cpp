#include "console/core/ConsoleCommands.h"

#include <cmath>
#include <limits>

#include "console/core/ConsoleSettings.h"
#include "console/core/EscapeText.h"

namespace {

struct ToggleSlot {
    int TDravelTerminal::*flag;
    bool ConsoleSettings::*setting;
};

ToggleSlot SlotOf(ConsoleToggle toggle) {
    switch (toggle) {
    case ConsoleToggle::SendEnterAsCrLf:
        return {&TDravelTerminal::SendEnterAsCrLf, &ConsoleSettings::SendENTERasCRLF};
    case ConsoleToggle::AddLfToReceivedCr: return {&TDravelTerminal::AddLfToCr, &ConsoleSettings::AddLFToReceivedCR};
    case ConsoleToggle::LineAutoWrap: return {&TDravelTerminal::AutoWrap, &ConsoleSettings::LineAutoWrap};
    case ConsoleToggle::LocalEcho: break;
    }
    return {&TDravelTerminal::LocalEcho, &ConsoleSettings::DoLocalEcho};
}

}  // namespace

bool ToggleState(ConsoleToggle toggle, bool portOpen, const TDravelTerminal& terminal,
                 const ConsoleSettings& settings) {
    const ToggleSlot slot = SlotOf(toggle);
    return portOpen ? terminal.*slot.flag != 0 : settings.*slot.setting;
}

void SetToggle(ConsoleToggle toggle, bool on, bool portOpen, TDravelTerminal& terminal,
               ConsoleSettings& settings) {
    const ToggleSlot slot = SlotOf(toggle);
    if (portOpen)
        terminal.*slot.flag = on ? 1 : 0;
    else
        settings.*slot.setting = on;
}

std::string CommandBytes(std::string_view escapeText) {
    return escapeText.empty() ? std::string() : ExpandEscapes(escapeText);
}

int32_t KeepAliveMinutes(double interval) {
    if (!(interval >= 1)) return 1;  // NaN too
    if (interval >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::trunc(interval));
}

KeepAliveStep KeepAliveTick(uint32_t now, uint32_t stamp, int32_t intervalMinutes, bool transferRunning,
                            std::string_view keepAliveString) {
    KeepAliveStep step;
    const uint32_t minutes = (now - stamp) / 60000u;
    if (minutes < static_cast<uint32_t>(KeepAliveMinutes(intervalMinutes))) return step;
    step.renewStamp = true;
    if (!transferRunning) step.send = CommandBytes(keepAliveString);
    return step;
}
