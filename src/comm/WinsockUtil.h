// The Winsock 1.1 entry points, bound by name from "WSOCK32" at run time, so that the
// program starts on a machine without Winsock. Everything in the library that talks to
// sockets goes through LinkWinsock(); tests put a table of their own in its place.
#pragma once

#include <winsock2.h>

#define QUIRO_WINSOCK_ENTRIES(X)                                                                  \
  X(accept) X(bind) X(closesocket) X(connect) X(getpeername) X(getsockname) X(getsockopt)         \
  X(htonl) X(htons) X(inet_addr) X(inet_ntoa) X(ioctlsocket) X(listen) X(ntohl) X(ntohs) X(recv) \
  X(recvfrom) X(select) X(send) X(sendto) X(setsockopt) X(shutdown) X(socket) X(gethostbyaddr)   \
  X(gethostbyname) X(gethostname) X(getservbyport) X(getservbyname) X(getprotobynumber)          \
  X(getprotobyname) X(WSAStartup) X(WSACleanup) X(WSASetLastError) X(WSAGetLastError)            \
  X(WSAIsBlocking) X(WSAUnhookBlockingHook) X(WSASetBlockingHook) X(WSACancelBlockingCall)       \
  X(WSAAsyncGetServByName) X(WSAAsyncGetServByPort) X(WSAAsyncGetProtoByName)                    \
  X(WSAAsyncGetProtoByNumber) X(WSAAsyncGetHostByName) X(WSAAsyncGetHostByAddr)                  \
  X(WSACancelAsyncRequest) X(WSAAsyncSelect)

// The 46 entry points, in the order they are bound.
struct TLinkWinsockTable {
#define QUIRO_WINSOCK_FIELD(name) decltype(&::name) name = nullptr;
  QUIRO_WINSOCK_ENTRIES(QUIRO_WINSOCK_FIELD)
#undef QUIRO_WINSOCK_FIELD
};

// Loads the library once (it stays loaded) and binds the table in order; false when the
// library is missing or at the first entry point that is (the table then stays partly
// filled).
bool LoadWinsock();
// The table in use: the bound one, or the one a test installed.
const TLinkWinsockTable& LinkWinsock();
// The bound table itself (what a test's table passes calls on to).
const TLinkWinsockTable& LinkWinsockLibrary();
void SetLinkWinsockTable(const TLinkWinsockTable* table);  // null: the bound one again

// The notification words of the asynchronous calls: (low word, high word).
inline LPARAM wsaMakeSyncReply(WORD buflen, WORD error) { return LPARAM(MAKELONG(buflen, error)); }
inline LPARAM wsaMakeSelectReply(WORD event, WORD error) { return LPARAM(MAKELONG(event, error)); }
inline WORD wsaGetAsyncBuflen(LPARAM l) { return LOWORD(l); }
inline WORD wsaGetAsyncError(LPARAM l) { return HIWORD(l); }
inline WORD wsaGetSelectEvent(LPARAM l) { return LOWORD(l); }
inline WORD wsaGetSelectError(LPARAM l) { return HIWORD(l); }
