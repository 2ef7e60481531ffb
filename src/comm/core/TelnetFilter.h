// The Winsock connection's own telnet handling, as a byte state machine: received bytes
// lose their negotiation (answered at once), IAC IAC becomes one 255 and, while BINARY is
// off, CR NUL becomes CR; sent bytes get their 255 doubled and, while BINARY is off, a CR
// not followed by LF becomes CR NUL. A sequence split across reads is kept in the state
// until its rest arrives.
//
// Each option has two states: the peer's side (WILL/WONT) and ours (DO/DONT asks us).
// Options are answered only when their state changes (a request that matches the current
// state gets no reply), so a peer that sends our own answers back ends the exchange.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "comm/core/Trace.h"

enum TTelnetOpt : uint8_t { tnoFalse, tnoNegotiating, tnoTrue };

class TTelnetFilter {
 public:
  enum : uint8_t { IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240 };
  enum : uint8_t { optBinary = 0, optEcho = 1, optSGA = 3, optTType = 24 };
  enum : uint8_t { ttypeIs = 0, ttypeSend = 1 };

  explicit TTelnetFilter(std::string terminalType = "vt100") : terminalType_(std::move(terminalType)) {}

  // Filters received bytes into out (room for n bytes); returns the data bytes written.
  // Answers for the peer collect in Replies().
  size_t Receive(const uint8_t* in, size_t n, uint8_t* out);
  // Appends the bytes as they go on the wire.
  void Encode(const uint8_t* in, size_t n, std::vector<uint8_t>& out) const;
  // Offers an option of ours (WILL) or asks the peer for one (DO); the side waits for the
  // answer (tnoNegotiating), which then gets no reply of its own.
  void Request(uint8_t command, uint8_t option);

  // Answers not yet sent; the caller sends and clears them.
  std::vector<uint8_t>& Replies() { return replies_; }
  // The peer's side of an option (it WILL) and ours (we WILL); tnoFalse for the options
  // that are only refused.
  TTelnetOpt PeerOption(uint8_t option) const;
  TTelnetOpt OwnOption(uint8_t option) const;

  // Told of each command received and each reply (for the dispatch log).
  std::function<void(TDispatchSubType sub, uint8_t option)> OnLog;

 private:
  enum State : uint8_t { sData, sCR, sIAC, sCommand, sSB, sSBIAC };

  void Negotiate(uint8_t command, uint8_t option);
  void Reply(uint8_t command, uint8_t option);
  void EndSubnegotiation();
  void Log(TDispatchSubType sub, uint8_t option) {
    if (OnLog) OnLog(sub, option);
  }
  struct Sides {
    TTelnetOpt Peer = tnoFalse, Own = tnoFalse;
  };
  // The options with a state of their own; null for the others.
  Sides* SidesOf(uint8_t option);
  const Sides* SidesOf(uint8_t option) const;

  std::string terminalType_;
  State state_ = sData;
  uint8_t command_ = 0;
  uint8_t sb_[2] = {0, 0};  // the subnegotiation's option and first byte; the rest is not needed
  size_t sbLen_ = 0;
  Sides binary_, echo_, sga_, ttype_;
  std::vector<uint8_t> replies_;
};
