// The console's smaller commands: the pop-up menu's four terminal toggles, the one-shot
// commands, the keep-alive and the command strings that the user edits for both.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engines/core/DravelTerminal.h"

struct ConsoleSettings;

// ---- The terminal toggles ----

enum class ConsoleToggle : uint8_t { SendEnterAsCrLf, AddLfToReceivedCr, LineAutoWrap, LocalEcho };

// A toggle shows and changes the connection's own flag (the terminal's) while the port is
// open, and the global setting while it is closed.
bool ToggleState(ConsoleToggle toggle, bool portOpen, const TDravelTerminal& terminal,
                 const ConsoleSettings& settings);
void SetToggle(ConsoleToggle toggle, bool on, bool portOpen, TDravelTerminal& terminal,
               ConsoleSettings& settings);

// ---- One-shot commands and keep-alive ----

// The bytes a one-shot command or the keep-alive string sends: its escape text expanded.
// Empty: nothing is sent.
std::string CommandBytes(std::string_view escapeText);

// The keep-alive timer's period.
inline constexpr uint32_t KeepAliveTickMs = 30000;
// An interval as the registry or the dialog gives it: whole minutes, at least 1.
int32_t KeepAliveMinutes(double interval);

// What one tick of the keep-alive timer does. `stamp` is the tick count of the last key or
// send; the count wraps around.
struct KeepAliveStep {
    bool renewStamp = false;  // the stamp becomes `now`
    std::string send;         // bytes for the send routine (empty: none)
};
// Due once `interval` whole minutes have passed since the stamp: the string goes out
// unless a transfer runs; the stamp is renewed in both cases.
KeepAliveStep KeepAliveTick(uint32_t now, uint32_t stamp, int32_t intervalMinutes, bool transferRunning,
                            std::string_view keepAliveString);

// What the command-strings dialog edits.
struct CommandStrings {
    std::array<std::string, 3> commands;  // escape texts of Alt+1..Alt+3
    std::string keepAlive;                // escape text
    int32_t interval = 5;                 // minutes

    bool operator==(const CommandStrings&) const = default;
};

// The program's web page (the logo and the about box open it).
inline constexpr std::string_view QuiroWebAddress = "https://www.example.org/quiro2/";
