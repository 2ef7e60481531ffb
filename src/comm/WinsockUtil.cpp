#include "comm/WinsockUtil.h"

#include <mutex>

namespace {

TLinkWinsockTable gLibrary;
const TLinkWinsockTable* gOverride = nullptr;
bool gLoaded = false;

struct Library {
  HMODULE handle = nullptr;
  ~Library() {
    if (handle) FreeLibrary(handle);
  }
} gModule;

bool Bind() {
  gModule.handle = LoadLibraryA("WSOCK32");
  if (!gModule.handle) return false;
#define QUIRO_WINSOCK_BIND(name)                                                                      \
  gLibrary.name = reinterpret_cast<decltype(gLibrary.name)>(                                          \
      reinterpret_cast<void*>(GetProcAddress(gModule.handle, #name)));                                \
  if (!gLibrary.name) return false;
  QUIRO_WINSOCK_ENTRIES(QUIRO_WINSOCK_BIND)
#undef QUIRO_WINSOCK_BIND
  return true;
}

}  // namespace

bool LoadWinsock() {
  static std::once_flag once;
  std::call_once(once, [] { gLoaded = Bind(); });
  return gLoaded;
}

const TLinkWinsockTable& LinkWinsockLibrary() {
  LoadWinsock();
  return gLibrary;
}

const TLinkWinsockTable& LinkWinsock() { return gOverride ? *gOverride : LinkWinsockLibrary(); }

void SetLinkWinsockTable(const TLinkWinsockTable* table) { gOverride = table; }
