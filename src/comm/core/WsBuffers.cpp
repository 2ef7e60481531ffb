#include "comm/core/WsBuffers.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kOutputSlack = 4096;
constexpr uint32_t kSendChunk = 8192;
}  // namespace

void TWsBuffers::Ring::Put(const uint8_t* p, uint32_t n) {
  uint32_t tail = (head_ + used_) % Size();
  uint32_t first = std::min(n, Size() - tail);
  std::memcpy(buf_.data() + tail, p, first);
  std::memcpy(buf_.data(), p + first, n - first);
  used_ += n;
}

uint32_t TWsBuffers::Ring::Peek(uint8_t* p, uint32_t n) const {
  n = std::min(n, used_);
  uint32_t first = std::min(n, Size() - head_);
  std::memcpy(p, buf_.data() + head_, first);
  std::memcpy(p + first, buf_.data(), n - first);
  return n;
}

void TWsBuffers::Ring::Drop(uint32_t n) {
  n = std::min(n, used_);
  head_ = (head_ + n) % Size();
  used_ -= n;
  if (used_ == 0) head_ = 0;
}

TWsBuffers::TWsBuffers(uint32_t inSize, uint32_t outSize, bool telnet, const std::string& terminalType)
    : in_(std::max<uint32_t>(inSize, 1)), out_(outSize + kOutputSlack), terminalType_(terminalType) {
  if (telnet) telnet_ = std::make_unique<TTelnetFilter>(terminalType);
  raw_.resize(in_.Size());
  filtered_.resize(in_.Size());
}

void TWsBuffers::Restart() {
  in_.Clear();
  out_.Clear();
  if (telnet_) {
    auto log = std::move(telnet_->OnLog);
    telnet_ = std::make_unique<TTelnetFilter>(terminalType_);
    telnet_->OnLog = std::move(log);
  }
  peerClosed_ = false;
  error_ = 0;
}

void TWsBuffers::Note(int32_t result) {
  if (result == 0) peerClosed_ = true;
  if (result < 0 && result != kLinkWouldBlock) error_ = -result;
}

uint32_t TWsBuffers::Pull(ILinkSocketIO& io) {
  uint32_t room = in_.Free();
  if (room == 0 || peerClosed_) return 0;
  int32_t got = io.Recv(raw_.data(), int32_t(room));
  if (got <= 0) {
    Note(got);
    return 0;
  }
  uint32_t n = std::min(uint32_t(got), room);
  if (!telnet_) {
    in_.Put(raw_.data(), n);
    return n;
  }
  uint32_t data = uint32_t(telnet_->Receive(raw_.data(), n, filtered_.data()));
  in_.Put(filtered_.data(), data);
  if (!telnet_->Replies().empty()) {
    QueueReplies();
    Flush(io);
  }
  return data;
}

// Answers go behind what is already queued, so that they never split a doubled 255 or a
// CR NUL that the socket took half of. A peer that sends requests without reading our
// output loses the answers that no longer fit.
void TWsBuffers::QueueReplies() {
  std::vector<uint8_t>& r = telnet_->Replies();
  if (r.size() <= out_.Free()) out_.Put(r.data(), uint32_t(r.size()));
  r.clear();
}

uint32_t TWsBuffers::Read(uint8_t* buf, uint32_t size) {
  uint32_t n = in_.Peek(buf, size);
  in_.Drop(n);
  return n;
}

bool TWsBuffers::Write(const uint8_t* buf, uint32_t size, ILinkSocketIO& io) {
  const uint8_t* wire = buf;
  uint32_t len = size;
  if (telnet_) {
    chunk_.clear();
    telnet_->Encode(buf, size, chunk_);
    wire = chunk_.data();
    len = uint32_t(chunk_.size());
  }
  if (len > out_.Free()) return false;
  out_.Put(wire, len);
  Flush(io);
  return true;
}

uint32_t TWsBuffers::Flush(ILinkSocketIO& io) {
  uint8_t block[kSendChunk];
  while (out_.Used() > 0) {
    uint32_t n = out_.Peek(block, sizeof block);
    int32_t sent = io.Send(block, int32_t(n));
    if (sent <= 0) {
      if (sent < 0) Note(sent);
      break;
    }
    out_.Drop(std::min(uint32_t(sent), n));
  }
  return out_.Used();
}

void TWsBuffers::TelnetRequest(uint8_t command, uint8_t option, ILinkSocketIO& io) {
  if (!telnet_) return;
  telnet_->Request(command, option);
  QueueReplies();
  Flush(io);
}
