// Texts of the telephony status notifications: call states, line-device states, replies
// and the device's own states (waiting for a retry), and the reasons a call ended. The
// texts are rows 13501-13670 of the error table; the row follows from the lowest set bit
// (1 + its position, 33 when none is set).
#pragma once

#include <cstdint>
#include <string>

// Telephony messages that choose the block of rows; any other message uses the last one.
enum : uint32_t { kLineCallState = 2, kLineLineDevState = 8, kLineReply = 12 };
inline constexpr uint32_t kCallStateDisconnected = 0x4000;
inline constexpr uint32_t kTapiOwnStatus = 32;  // the device's own notices, with these states:
enum : uint32_t {
  kOwnStarting = 0x1,
  kOwnOpeningLine = 0x2,
  kOwnDialing = 0x4,
  kOwnWaitingForRetry = 0x8,
  kOwnCancelled = 0x10,
  kOwnHangingUp = 0x20,
  kOwnFinished = 0x40,
};

// A call's state as the telephony device reports it: the call-state bits IDLE (1) ..
// DISCONNECTED (0x4000) in order, then anything else.
enum TTapiState : uint8_t {
  tsIdle, tsOffering, tsAccepted, tsDialTone, tsDialing, tsRingback, tsBusy, tsSpecialInfo, tsConnected,
  tsProceeding, tsOnHold, tsConferenced, tsOnHoldPendConf, tsOnHoldPendTransfer, tsDisconnected, tsUnknown
};
TTapiState TapiStateOf(uint32_t callState);

// What the telephony device writes to its history.
enum TTapiLogCode : uint8_t {
  ltapiNone, ltapiCallStart, ltapiCallFinish, ltapiDial, ltapiAccept, ltapiAnswer, ltapiConnect, ltapiCancel,
  ltapiDrop, ltapiBusy, ltapiDialFail, ltapiReceivedDigit
};
std::string TapiLogToString(TTapiLogCode code);  // "Call started", ...
std::string TapiHistoryText(TTapiLogCode code);  // the history file's words: "call started", ...
// A telephony result as the library's code: 0 stays 0 (as does a positive request id), a
// line error (its top bit set) becomes minus (its low bits + 13800), the library's own
// negative codes stay as they are.
int32_t TapiErrorToLinkCode(int32_t code);

int32_t TapiStatusTextId(uint32_t message, uint32_t state);
// The text of a reason a call was disconnected (none counts as unknown).
int32_t TapiDisconnectTextId(uint32_t mode);
// The status text, with the seconds to the next retry (own notice, state 8) or the reason
// (disconnected call) filled in.
std::string TapiStatusMsg(uint32_t message, uint32_t state, uint32_t reason, int32_t retryCountdown);
