// Late binding of the telephony interface: the library and its 35 entry points are looked
// up by name on first use, so that the program runs where telephony is missing. The
// loader is injected (the Win32 side uses LoadLibrary/GetProcAddress).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class ILinkLibraryLoader {
 public:
  virtual ~ILinkLibraryLoader() = default;
  virtual void* Load(const char* name) = 0;  // null when missing
  virtual void* GetProc(void* library, const char* name) = 0;
  virtual void Free(void* library) = 0;
};

// Entry points in the order they are looked up.
enum TTapiEntry : uint8_t {
  teGenerateTone, teMonitorTones, teSetCallParams, teHandoff, teMonitorMedia, teGenerateDigits,
  teMonitorDigits, teInitialize, teShutdown, teNegotiateAPIVersion, teGetDevCaps, teOpen,
  teMakeCall, teAccept, teAnswer, teDeallocateCall, teDrop, teClose, teGetCountry,
  teConfigDialog, teConfigDialogEdit, teGetID, teSetStatusMessages, teGetStatusMessages,
  teGetAddressStatus, teGetDevConfig, teSetDevConfig, teGetCallInfo, teGetCallStatus,
  teSetMediaMode, teTranslateAddress, teTranslateDialog, teSetCurrentLocation, teSetTollList,
  teGetTranslateCaps, teCount
};
extern const char* const kTapiEntryNames[teCount];
inline constexpr const char* kTapiLibraryName = "TAPI32";

class TLinkTapiBinding {
 public:
  explicit TLinkTapiBinding(ILinkLibraryLoader& loader) : loader_(loader) {}
  ~TLinkTapiBinding();
  // The entry point, binding first when needed; null with code -13931 (library missing)
  // or -13932 (entry point missing).
  void* Entry(TTapiEntry entry, int32_t& code);
  bool Bound() const { return library_ != nullptr; }

 private:
  ILinkLibraryLoader& loader_;
  std::mutex lock_;
  void* library_ = nullptr;
  void* entries_[teCount] = {};
};

// The telephony records of variable size start with their total, needed and used sizes.
// Calls `call` with a record of initialSize bytes; when the system answers "structure too
// small" the record grows to 1024 bytes and then to the size the system says it needs.
// Returns the call's result; on success `record` holds the answer (else it is emptied).
inline constexpr int32_t kLineErrStructureTooSmall = int32_t(0x8000004D);
int32_t TapiCallDyn(uint32_t initialSize, const std::function<int32_t(uint8_t* record)>& call,
                    std::vector<uint8_t>& record);
