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
inline constexpr uint32_t kTapiOwnStatus = 32;  // the device's own notices (state 8: waiting for a retry)

int32_t TapiStatusTextId(uint32_t message, uint32_t state);
// The text of a reason a call was disconnected (none counts as unknown).
int32_t TapiDisconnectTextId(uint32_t mode);
// The status text, with the seconds to the next retry (own notice, state 8) or the reason
// (disconnected call) filled in.
std::string TapiStatusMsg(uint32_t message, uint32_t state, uint32_t reason, int32_t retryCountdown);
