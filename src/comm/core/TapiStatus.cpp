#include "comm/core/TapiStatus.h"

#include <cstdio>

#include "comm/core/StringTables.h"

namespace {

constexpr uint32_t kDisconnectUnknown = 2;

uint32_t TapiStateIndex(uint32_t state) {
  for (uint32_t bit = 0; bit < 32; ++bit)
    if (state & (1u << bit)) return bit + 1;
  return 33;
}

}  // namespace

int32_t TapiStatusTextId(uint32_t message, uint32_t state) {
  uint32_t base = message == kLineCallState     ? 13500
                  : message == kLineLineDevState ? 13532
                  : message == kLineReply        ? 13564
                                                 : 13596;
  return int32_t(base + TapiStateIndex(state));
}

int32_t TapiDisconnectTextId(uint32_t mode) {
  return int32_t(13650 + TapiStateIndex(mode ? mode : kDisconnectUnknown));
}

std::string TapiStatusMsg(uint32_t message, uint32_t state, uint32_t reason, int32_t retryCountdown) {
  std::string text = LinkLoadStr(TapiStatusTextId(message, state));
  char out[512];
  if (message == kTapiOwnStatus && state == 8) {
    std::snprintf(out, sizeof out, text.c_str(), int(retryCountdown));
    return out;
  }
  if (message == kLineCallState && state == kCallStateDisconnected) {
    std::snprintf(out, sizeof out, text.c_str(), LinkLoadStr(TapiDisconnectTextId(reason)).c_str());
    return out;
  }
  return text;
}

TTapiState TapiStateOf(uint32_t callState) {
  for (uint32_t bit = 0; bit <= 14; ++bit)
    if (callState == 1u << bit) return TTapiState(bit);
  return tsUnknown;
}

namespace {

struct LogTexts {
  const char* Name;
  const char* History;
};
constexpr LogTexts kLogTexts[] = {
    {"None", ""},
    {"Call started", "call started"},
    {"Call finished", "call finished"},
    {"Dialing", "  dialing "},
    {"Accepting an incoming call", "  accepting"},
    {"Answering an incoming call", "  answering"},
    {"Connected", "  connected"},
    {"Call cancelled", "  cancelled"},
    {"Call drop", "  dropped"},
    {"Called number was busy", "  busy"},
    {"Dial failed", "  dial failed"},
    {"Received a DTMF tone", "  received digit"},
};

}  // namespace

std::string TapiLogToString(TTapiLogCode code) {
  return code <= ltapiReceivedDigit ? kLogTexts[code].Name : "";
}

std::string TapiHistoryText(TTapiLogCode code) {
  return code <= ltapiReceivedDigit ? kLogTexts[code].History : "";
}

int32_t TapiErrorToLinkCode(int32_t code) {
  if (code >= 0) return 0;  // success, or the id of a request under way
  if (code > -0x10000) return code;
  return -int32_t((uint32_t(code) & 0x7FFFFFFF) + 13800);
}
