#include "comm/core/SocketNames.h"

bool IsDottedAddress(std::string_view s) {
  int groups = 0, digits = 0;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      if (++digits > 3) return false;
    } else if (c == '.') {
      if (digits == 0 || ++groups > 3) return false;
      digits = 0;
    } else {
      return false;
    }
  }
  return groups == 3 && digits > 0;
}

int32_t ParsePortNumber(std::string_view s) {
  if (s.empty() || s.size() > 5) return -1;
  int32_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n > 65535 ? -1 : n;
}
