// A plain-text picture of the terminal's screen, for replaying captured sessions and for
// comparing screens in checks:
//   row R: TEXT / fg R: LETTERS / bg R: LETTERS   for each screen row
//   cursor: COLUMN ROW, top: N, lines: N, rz: 0|1, sent: BYTES
// TEXT and BYTES show 0x20..0x7E as themselves (a backslash doubled) and every other byte
// as \xhh.
#pragma once

#include "engines/core/DravelTerminal.h"

#include <string>
#include <string_view>

std::string EscapeTerminalBytes(std::string_view bytes);
std::string TerminalSnapshot(const TDravelTerminal& terminal, std::string_view sent, int rzFired);
