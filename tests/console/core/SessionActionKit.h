// Session actions as short texts, so that tests state expected sequences as tables:
// "line: TEXT", "clear", "lookup NAME:PORT", "open ADDRESS:PORT", "send BYTES", "offers",
// "console BYTES", "disconnect", "proxy port PORT"; bytes and texts as ShowBytes shows them.
#pragma once

#include <string>
#include <vector>

#include "TableKit.h"
#include "console/core/SessionActions.h"

inline std::string ShowBytes(const std::vector<uint8_t>& b) {
    return ShowBytes(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}

inline std::string Describe(const SessionAction& a) {
    switch (a.kind) {
    case SessionAction::StatusLine: return a.text.empty() ? "line:" : "line: " + ShowBytes(a.text);
    case SessionAction::ClearPendingLine: return "clear";
    case SessionAction::StartLookup: return "lookup " + a.text + ":" + a.port;
    case SessionAction::OpenPort: return "open " + a.text + ":" + a.port;
    case SessionAction::Send: return "send " + ShowBytes(a.bytes);
    case SessionAction::SendTelnetOffers: return "offers";
    case SessionAction::ToConsole: return "console " + ShowBytes(a.bytes);
    case SessionAction::Disconnect: return "disconnect";
    case SessionAction::StoreProxyPort: return "proxy port " + a.text;
    }
    return "?";
}

// Consecutive console actions joined: how a block was split does not matter to the host.
inline std::vector<std::string> Describe(const SessionActions& actions) {
    std::vector<std::string> out;
    for (size_t i = 0; i < actions.size(); ++i) {
        SessionAction a = actions[i];
        while (a.kind == SessionAction::ToConsole && i + 1 < actions.size() &&
               actions[i + 1].kind == SessionAction::ToConsole) {
            ++i;
            a.bytes.insert(a.bytes.end(), actions[i].bytes.begin(), actions[i].bytes.end());
        }
        out.push_back(Describe(a));
    }
    return out;
}

inline void Append(SessionActions& to, const SessionActions& more) {
    to.insert(to.end(), more.begin(), more.end());
}
