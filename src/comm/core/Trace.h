// The dispatcher's two diagnostic histories: the trace (every byte sent and received)
// and the dispatch log (timed records of reads, writes, triggers and registrations), both
// fixed-size rings that never allocate while recording, and their text dumps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum TDispatchType : uint8_t {
  dtNone, dtDispatch, dtTrigger, dtError, dtThread, dtTriggerAlloc, dtTriggerDispose,
  dtTriggerHandlerAlloc, dtTriggerHandlerDispose, dtTriggerDataChange, dtTelnet, dtFax,
  dtXModem, dtYModem, dtZModem, dtKermit, dtAscii, dtBPlus, dtPacket, dtUser,
};

enum TDispatchSubType : uint8_t {
  dstNone, dstReadCom, dstWriteCom, dstLineStatus, dstModemStatus, dstAvail, dstTimer,
  dstData, dstStatus, dstThreadStart, dstThreadExit, dstThreadSleep, dstThreadWake,
  dstDataTrigger, dstTimerTrigger, dstStatusTrigger, dstAvailTrigger, dstWndHandler,
  dstProcHandler, dstEventHandler,
  // Telnet option traffic of the Winsock layer.
  dstSWill, dstSWont, dstSDo, dstSDont, dstRWill, dstRWont, dstRDo, dstRDont, dstCommand,
  dstSTerm,
};

inline constexpr uint32_t kMaxTraceEntries = 4000000;
inline constexpr size_t kDispatchHeaderSize = 16;

class TLinkTrace {
 public:
  int32_t InitTracing(uint32_t entries);  // -1002 above kMaxTraceEntries
  // A trace in use takes the new size now, keeping its newest entries.
  int32_t Resize(uint32_t entries);
  void ClearTracing();
  void AbortTracing();
  void StartTracing() { on_ = !queue_.empty(); }
  void StopTracing() { on_ = false; }
  void AddTraceEntry(char kind, uint8_t c);
  bool TracingOn() const { return on_; }

  // The dump text (oldest entry first); switches tracing off, the entries stay until
  // AbortTracing.
  std::string TraceText(bool inHex);
  // Writes (or appends) the dump and frees the trace. False when the file cannot be written.
  bool DumpTrace(const std::string& name, bool inHex, bool append);

 private:
  std::vector<uint8_t> queue_;  // pairs {kind, byte}
  size_t index_ = 0;
  bool wrapped_ = false;
  bool on_ = false;
};

// What the dump's header says about the build and the system.
struct TDispatchLogHeader {
  std::string Compiler;
  std::string OperatingSystem = "Unknown";
};

class TLinkDispatchLog {
 public:
  int32_t InitDispatchLogging(uint32_t size);  // -1002 for a queue too small for one entry
  // A log in use takes the new size now, keeping the newest entries that fit.
  int32_t Resize(uint32_t size);
  void ClearDispatchLogging();
  void AbortDispatchLogging();
  void StartDispatchLogging() { on_ = !queue_.empty(); }
  void StopDispatchLogging() { on_ = false; }
  bool LoggingOn() const { return on_; }

  // Stores the entry whole, dropping the oldest entries for room; an entry that cannot fit
  // even in the empty queue is refused (false) and the queue is left as it was.
  bool AddDispatchEntry(TDispatchType type, TDispatchSubType sub, uint32_t data,
                        const void* more, uint32_t moreLength, uint32_t timeMs);

  size_t EntryCount() const { return entries_; }
  size_t FreeBytes() const { return free_; }

  // The dump text (oldest entry first); the entries are taken out. Switches logging off.
  std::string DispatchLogText(bool inHex, const TDispatchLogHeader& header);
  bool DumpDispatchLog(const std::string& name, bool inHex, bool append,
                       const TDispatchLogHeader& header);

 private:
  void Push(const uint8_t* bytes, size_t len);
  void MakeRoom(size_t len);  // drops the oldest entries until len bytes are free
  void Copy(size_t from, uint8_t* to, size_t len) const;
  bool PopOldest(uint8_t* into, size_t& len);

  std::vector<uint8_t> queue_;
  std::vector<uint8_t> scratch_;  // as large as the queue: any entry fits
  size_t head_ = 0, tail_ = 0, free_ = 0, entries_ = 0;
  bool on_ = false;
};

// Names used in the dump.
const char* DispatchTypeName(uint8_t type);
const char* DispatchSubTypeName(uint8_t sub);
const char* StatusKindName(uint8_t kind);
