#include "comm/core/TelnetFilter.h"

namespace {

constexpr uint8_t kCR = 13, kLF = 10, kNUL = 0;

TDispatchSubType ReceivedSub(uint8_t command) {
  switch (command) {
    case TTelnetFilter::WILL: return dstRWill;
    case TTelnetFilter::WONT: return dstRWont;
    case TTelnetFilter::DO: return dstRDo;
    default: return dstRDont;
  }
}

TDispatchSubType SentSub(uint8_t command) {
  switch (command) {
    case TTelnetFilter::WILL: return dstSWill;
    case TTelnetFilter::WONT: return dstSWont;
    case TTelnetFilter::DO: return dstSDo;
    default: return dstSDont;
  }
}

}  // namespace

TTelnetFilter::Sides* TTelnetFilter::SidesOf(uint8_t option) {
  switch (option) {
    case optBinary: return &binary_;
    case optEcho: return &echo_;
    case optSGA: return &sga_;
    case optTType: return &ttype_;
    default: return nullptr;
  }
}

const TTelnetFilter::Sides* TTelnetFilter::SidesOf(uint8_t option) const {
  return const_cast<TTelnetFilter*>(this)->SidesOf(option);
}

TTelnetOpt TTelnetFilter::PeerOption(uint8_t option) const {
  const Sides* s = SidesOf(option);
  return s ? s->Peer : tnoFalse;
}

TTelnetOpt TTelnetFilter::OwnOption(uint8_t option) const {
  const Sides* s = SidesOf(option);
  return s ? s->Own : tnoFalse;
}

void TTelnetFilter::Reply(uint8_t command, uint8_t option) {
  replies_.insert(replies_.end(), {IAC, command, option});
  Log(SentSub(command), option);
}

void TTelnetFilter::Request(uint8_t command, uint8_t option) {
  Reply(command, option);
  if (Sides* s = SidesOf(option)) {
    TTelnetOpt& side = command == WILL ? s->Own : s->Peer;
    if (side != tnoTrue) side = tnoNegotiating;
  }
}

void TTelnetFilter::Negotiate(uint8_t command, uint8_t option) {
  Log(ReceivedSub(command), option);
  const bool positive = command == WILL || command == DO;
  const bool peerSide = command == WILL || command == WONT;
  // The answer that agrees with the request.
  const uint8_t agree = command == WILL ? DO : command == DO ? WILL : command == WONT ? DONT : WONT;
  // Takes the state the peer asks for; replies only when the state changes, and not to the
  // answer of our own request.
  auto follow = [&](TTelnetOpt& st) {
    const TTelnetOpt want = positive ? tnoTrue : tnoFalse;
    if (st == want) return;
    if (st != tnoNegotiating) Reply(agree, option);
    st = want;
  };
  auto refuse = [&] { Reply(command == WILL ? DONT : WONT, option); };
  Sides* s = SidesOf(option);
  if (!s) {
    if (positive) refuse();
    return;
  }
  if (peerSide) {
    if (option == optTType && command == WILL)
      refuse();  // we do not ask for the peer's terminal type
    else if (option != optTType)
      follow(s->Peer);
    return;
  }
  switch (option) {
    case optBinary:
    case optTType:
      follow(s->Own);
      break;
    case optEcho:  // we never echo: DONT matches, DO is refused
      if (command == DO) refuse();
      break;
    case optSGA:  // we suppress go-ahead when the peer does, or when we asked to
      if (command == DO && s->Own == tnoFalse && s->Peer != tnoTrue)
        refuse();
      else
        follow(s->Own);
      break;
  }
}

void TTelnetFilter::EndSubnegotiation() {
  if (sbLen_ == 2 && sb_[0] == optTType && sb_[1] == ttypeSend) {
    replies_.insert(replies_.end(), {IAC, SB, optTType, ttypeIs});
    replies_.insert(replies_.end(), terminalType_.begin(), terminalType_.end());
    replies_.insert(replies_.end(), {IAC, SE});
    Log(dstSTerm, optTType);
  }
  sbLen_ = 0;
}

size_t TTelnetFilter::Receive(const uint8_t* in, size_t n, uint8_t* out) {
  size_t written = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = in[i];
    switch (state_) {
      case sCR:
        state_ = sData;
        if (b == kNUL) break;  // CR NUL is a bare CR
        [[fallthrough]];
      case sData:
        if (b == IAC) {
          state_ = sIAC;
        } else {
          out[written++] = b;
          if (b == kCR && binary_.Peer == tnoFalse) state_ = sCR;
        }
        break;
      case sIAC:
        if (b == IAC) {
          out[written++] = IAC;
          state_ = sData;
        } else if (b >= WILL && b <= DONT) {
          command_ = b;
          state_ = sCommand;
        } else if (b == SB) {
          sbLen_ = 0;
          state_ = sSB;
        } else {
          Log(dstCommand, b);
          state_ = sData;
        }
        break;
      case sCommand:
        Negotiate(command_, b);
        state_ = sData;
        break;
      case sSB:
        if (b == IAC) {
          state_ = sSBIAC;
        } else if (sbLen_ < sizeof sb_) {
          sb_[sbLen_++] = b;
        }
        break;
      case sSBIAC:
        if (b == IAC) {  // a 255 inside the subnegotiation
          if (sbLen_ < sizeof sb_) sb_[sbLen_++] = b;
          state_ = sSB;
        } else if (b == SE) {
          EndSubnegotiation();
          state_ = sData;
        } else {
          // An unterminated subnegotiation: dropped, and the IAC starts a command.
          sbLen_ = 0;
          state_ = sIAC;
          --i;
        }
        break;
    }
  }
  return written;
}

void TTelnetFilter::Encode(const uint8_t* in, size_t n, std::vector<uint8_t>& out) const {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = in[i];
    out.push_back(b);
    if (b == IAC)
      out.push_back(IAC);
    else if (b == kCR && binary_.Own == tnoFalse && !(i + 1 < n && in[i + 1] == kLF))
      out.push_back(kNUL);
  }
}
