// Escape text: how the strings that the user types into the key map, the one-shot commands
// and the keep-alive setting are stored, and their expansion into the bytes that are sent.
//
// A backslash starts an escape and is always removed. "\x" followed by two hexadecimal
// digits gives that byte; "\x" with one digit followed by anything else gives the digit
// times 16 (the high nibble) and the other character stays; "\x" followed by a non-digit
// drops only the "\x"; "\x" with fewer than two characters left in the text is dropped
// together with that one character. A backslash before any other character (including a
// second backslash) yields that character. A lone backslash at the end is dropped.
// Only a lower-case "x" starts a hex escape. A produced byte is never read as the start
// of another escape.
#pragma once

#include <string>
#include <string_view>

// Expands escape text into bytes. Pure; never fails. The result may hold any byte,
// NUL included, and is never longer than the text.
std::string ExpandEscapes(std::string_view text);
