#include "comm/core/SocketErrorText.h"

#include <iterator>

namespace {

// One text per code from 10038 on, in code order.
const char* const kTexts10038[] = {
    "Socket operation on non-socket", "Destination address required", "Message too long",
    "Protocol wrong type for socket", "Protocol not available", "Protocol not supported",
    "Socket type not supported", "Operation not supported on socket", "Protocol family not supported",
    "Address family not supported by protocol family", "Address already in use", "Cant assign requested address",
    "Network is down", "Network is unreachable", "Network dropped connection on reset",
    "Software caused connection abort", "Connection reset by peer", "No buffer space available",
    "Socket is already connected", "Socket is not connected", "Cant send after socket shutdown",
    "Too many references: cant splice", "Connection timed out", "Connection refused",
    "Too many levels of symbolic links", "File name too long", "Host is down", "No route to host",
    "Directory not empty", "Too many processes", "Too many users", "Disc quota exceeded", "Stale NFS file handle",
    "Too many levels of remote in path",
};
static_assert(std::size(kTexts10038) == 10071 - 10038 + 1);

}  // namespace

const char* WinsockErrorText(int code) {
  switch (code) {
    case 10004: return "Interrupted system call";
    case 10009: return "Bad file number";
    case 10013: return "Permission denied";
    case 10014: return "Bad address";
    case 10022: return "Invalid argument";
    case 10024: return "Too many open files";
    case 10035: return "Operation would block";
    case 10036: return "Operation now in progress";
    case 10037: return "Operation already in progress";
    case 10091: return "Network sub-system is unusable";
    case 10092: return "WinSock DLL cannot support this application";
    case 10093: return "WinSock not initialized";
    case 11001: return "Host not found";
    case 11002: return "Nonauthoritative host not found";
    case 11003: return "Nonrecoverable error";
    case 11004: return "No Data";
    default: break;
  }
  if (code >= 10038 && code <= 10071) return kTexts10038[code - 10038];
  return "Not a WinSock error";
}
