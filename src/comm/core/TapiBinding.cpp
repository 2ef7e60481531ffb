#include "comm/core/TapiBinding.h"

#include <cstring>

#include "comm/core/CommErrors.h"

const char* const kTapiEntryNames[teCount] = {
    "lineGenerateTone",      "lineMonitorTones",     "lineSetCallParams",     "lineHandoff",
    "lineMonitorMedia",      "lineGenerateDigits",   "lineMonitorDigits",     "lineInitialize",
    "lineShutdown",          "lineNegotiateAPIVersion", "lineGetDevCaps",     "lineOpen",
    "lineMakeCall",          "lineAccept",           "lineAnswer",            "lineDeallocateCall",
    "lineDrop",              "lineClose",            "lineGetCountry",        "lineConfigDialog",
    "lineConfigDialogEdit",  "lineGetID",            "lineSetStatusMessages", "lineGetStatusMessages",
    "lineGetAddressStatus",  "lineGetDevConfig",     "lineSetDevConfig",      "lineGetCallInfo",
    "lineGetCallStatus",     "lineSetMediaMode",     "lineTranslateAddress",  "lineTranslateDialog",
    "lineSetCurrentLocation", "lineSetTollList",     "lineGetTranslateCaps"};

TLinkTapiBinding::~TLinkTapiBinding() {
  if (library_) loader_.Free(library_);
}

void* TLinkTapiBinding::Entry(TTapiEntry entry, int32_t& code) {
  std::lock_guard l(lock_);
  if (!library_) {
    library_ = loader_.Load(kTapiLibraryName);
    if (!library_) {
      code = ecTapiLoadFail;
      return nullptr;
    }
    for (int i = 0; i < teCount; ++i) entries_[i] = loader_.GetProc(library_, kTapiEntryNames[i]);
  }
  if (entry >= teCount || !entries_[entry]) {
    code = ecTapiGetAddrFail;
    return nullptr;
  }
  code = 0;
  return entries_[entry];
}

namespace {

void SetSize(std::vector<uint8_t>& record, uint32_t size) {
  record.assign(size, 0);
  for (int i = 0; i < 4; ++i) record[size_t(i)] = uint8_t(size >> (8 * i));
}

uint32_t NeededSize(const std::vector<uint8_t>& record) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t(record[size_t(4 + i)]) << (8 * i);
  return v;
}

}  // namespace

int32_t TapiCallDyn(uint32_t initialSize, const std::function<int32_t(uint8_t* record)>& call,
                    std::vector<uint8_t>& record) {
  SetSize(record, initialSize < 12 ? 12 : initialSize);
  int32_t rc = call(record.data());
  if (rc == kLineErrStructureTooSmall) {
    SetSize(record, 1024);
    rc = call(record.data());
  }
  if (rc == 0 && NeededSize(record) > record.size()) {
    SetSize(record, NeededSize(record));
    rc = call(record.data());
  }
  if (rc != 0) record.clear();
  return rc;
}
