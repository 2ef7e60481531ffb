// Checks on the texts that name a peer: a dotted IPv4 address and a port number.
#pragma once

#include <cstdint>
#include <string_view>

// True when the whole text is four dot-separated groups of one to three digits (what is
// converted as an address rather than looked up as a name).
bool IsDottedAddress(std::string_view s);
// A decimal port number (1..65535): the number; any other text: -1 (a service name, or
// nothing valid). Zero gives 0.
int32_t ParsePortNumber(std::string_view s);
