// The buffering of one Winsock connection: the input ring that received bytes wait in
// until the dispatcher takes them, the output ring that holds what the socket did not take
// yet, and the optional telnet filter between them and the socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "comm/core/TelnetFilter.h"

// Winsock's "the call would block": nothing to read now, or no room to send.
inline constexpr int32_t kLinkWouldBlock = -10035;

// What a connection needs of its socket. Both return a count (>= 0) or minus the system's
// error (kLinkWouldBlock when the socket cannot act now); Recv returns 0 once the peer has
// closed and everything was read.
class ILinkSocketIO {
 public:
  virtual ~ILinkSocketIO() = default;
  virtual int32_t Recv(uint8_t* buf, int32_t size) = 0;
  virtual int32_t Send(const uint8_t* buf, int32_t size) = 0;
};

class TWsBuffers {
 public:
  // The output ring holds outSize + 4096 bytes (room for a block's telnet doubling).
  TWsBuffers(uint32_t inSize, uint32_t outSize, bool telnet, const std::string& terminalType = "vt100");

  // One read of the socket into the free room of the input ring, through the telnet filter
  // when on (its answers are queued for sending and sent). Returns the data bytes added.
  uint32_t Pull(ILinkSocketIO& io);
  // Takes up to size bytes out of the input ring.
  uint32_t Read(uint8_t* buf, uint32_t size);
  uint32_t InChars() const { return in_.Used(); }
  bool InputFull() const { return in_.Used() == in_.Size(); }

  // Queues a block as it goes on the wire and sends what the socket takes. All or nothing:
  // false, with nothing queued, when the block (after telnet doubling) does not fit.
  bool Write(const uint8_t* buf, uint32_t size, ILinkSocketIO& io);
  // Sends queued bytes while the socket takes them; returns the bytes still queued.
  uint32_t Flush(ILinkSocketIO& io);
  uint32_t OutChars() const { return out_.Used(); }

  void FlushIn() { in_.Clear(); }
  void FlushOut() { out_.Clear(); }
  // Empty rings and a fresh filter, for the next peer of a listening connection.
  void Restart();

  // The peer closed its side: the socket is at its end.
  bool PeerClosed() const { return peerClosed_; }
  // The last failure of the socket (a system error number), 0 when none.
  int32_t Error() const { return error_; }
  TTelnetFilter* Telnet() { return telnet_.get(); }
  // Asks the peer for an option through the filter (nothing when the filter is off).
  void TelnetRequest(uint8_t command, uint8_t option, ILinkSocketIO& io);

 private:
  class Ring {
   public:
    explicit Ring(uint32_t size) : buf_(size) {}
    uint32_t Size() const { return uint32_t(buf_.size()); }
    uint32_t Used() const { return used_; }
    uint32_t Free() const { return Size() - used_; }
    void Put(const uint8_t* p, uint32_t n);  // n <= Free()
    uint32_t Peek(uint8_t* p, uint32_t n) const;
    void Drop(uint32_t n);
    void Clear() { head_ = used_ = 0; }

   private:
    std::vector<uint8_t> buf_;
    uint32_t head_ = 0, used_ = 0;  // head_: the oldest byte
  };

  void Note(int32_t result);
  void QueueReplies();

  Ring in_, out_;
  std::string terminalType_;
  std::unique_ptr<TTelnetFilter> telnet_;
  std::vector<uint8_t> raw_, filtered_, chunk_;
  bool peerClosed_ = false;
  int32_t error_ = 0;
};
