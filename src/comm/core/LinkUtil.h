// Shared services of the communications library: the platform hooks (clock, sleep,
// message queue), event timers counted in 55 ms ticks, waiting, flag helpers, string and
// path helpers, and a line reader over a stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr const char* kLinkVersion = "v2.58";

// ---- Platform hooks ----------------------------------------------------------------

struct TLinkQueuedMessage {
  uintptr_t Window = 0;
  uint32_t Id = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
};
inline constexpr uint32_t kLinkQuitMessage = 18;

// What the library needs of the system, injected so that the logic runs and is tested
// anywhere. The default clock is std::chrono's steady clock; it sleeps with the standard
// library and has no message queue and no trigger windows.
class ILinkPlatform {
 public:
  virtual ~ILinkPlatform() = default;
  virtual uint32_t TimeMs() = 0;  // the multimedia timer: milliseconds, wrapping at 2^32
  virtual void SleepMs(uint32_t ms) = 0;
  // Takes one waiting message of the calling thread's queue; false when there is none.
  virtual bool TakeMessage(TLinkQueuedMessage& msg) = 0;
  virtual void PostQuit(uintptr_t exitCode) = 0;
  virtual void DispatchQueued(const TLinkQueuedMessage& msg) = 0;
  virtual bool IsWindowsNT() { return true; }
  // True once the application is ending (its main loop was told to stop).
  virtual bool Terminating() { return false; }
  // The operating system as the dispatch log's header names it.
  virtual std::string OperatingSystemText() { return "Unknown"; }
};
ILinkPlatform& LinkPlatform();
void SetLinkPlatform(ILinkPlatform* platform);  // null restores the default

// ---- Event timers --------------------------------------------------------------------

inline constexpr int32_t kTicksPerWrap = 39045157;  // 2^31 / 55
inline constexpr uint32_t kMsPerTick = 55;

struct EventTimer {
  int32_t StartTicks = 0;
  int32_t ExpireTicks = 0;
};

int32_t CurrentTicks();  // the clock's milliseconds (31 bits) / 55
int32_t Secs2Ticks(int32_t secs);
int32_t Ticks2Secs(int32_t ticks);
void NewTimer(EventTimer& et, int32_t ticks);
void NewTimerSecs(EventTimer& et, int32_t secs);
bool TimerExpired(const EventTimer& et);
int32_t ElapsedTime(const EventTimer& et);
int32_t ElapsedTimeInSecs(const EventTimer& et);
int32_t RemainingTime(const EventTimer& et);
int32_t RemainingTimeInSecs(const EventTimer& et);

// ---- Waiting --------------------------------------------------------------------------

uint32_t SafeYield();  // one queued message: 0 none, 18 quit (posted again), else its id
uint32_t DelayTicks(int32_t ticks, bool yield);
void DelayMS(uint32_t ms);  // busy wait on the clock, no messages

// ---- Flags ----------------------------------------------------------------------------

inline bool FlagIsSet(uint32_t flags, uint32_t mask) { return (flags & mask) != 0; }
inline bool ByteFlagIsSet(uint8_t flags, uint8_t mask) { return (flags & mask) != 0; }
inline void SetFlag(uint32_t& flags, uint32_t mask) { flags |= mask; }
inline void SetByteFlag(uint8_t& flags, uint8_t mask) { flags |= mask; }
inline void ClearFlag(uint32_t& flags, uint32_t mask) { flags &= ~mask; }
inline void ClearByteFlag(uint8_t& flags, uint8_t mask) { flags = uint8_t(flags & ~mask); }
inline uint16_t MinWord(uint16_t a, uint16_t b) { return a < b ? a : b; }
void NotBuffer(uint8_t* buf, size_t len);

// ---- Strings and paths (delimiters ':' and '\') ---------------------------------------

std::string Long2StrZ(int32_t n);
bool Str2LongZ(const std::string& s, int32_t& n);
std::string StrStCopy(const std::string& s, size_t pos, size_t count);
std::string JustPathnameZ(const std::string& path);
std::string JustFilenameZ(const std::string& path);
std::string JustExtensionZ(const std::string& name);
std::string AddBackSlashZ(const std::string& dir);
inline std::string AddBackSlash(const std::string& dir) { return AddBackSlashZ(dir); }
bool ExistFileZ(const std::string& name);
std::string ForceExtensionZ(const std::string& name, const std::string& ext);
std::string DefaultExtensionZ(const std::string& name, const std::string& ext);
std::string JustName(const std::string& s);

// ---- Line reader ------------------------------------------------------------------------

class ILinkStream {
 public:
  virtual ~ILinkStream() = default;
  virtual uint64_t Size() = 0;
  virtual size_t Read(uint8_t* buf, size_t len) = 0;  // 0 at the end
};

// Splits a stream into lines ended by CR (one LF right after the CR is skipped, also when
// the pair is split between two pages); a Ctrl-Z as the stream's last byte is dropped.
// The stream ends at the first read that gives no byte.
class TLineReader {
 public:
  static constexpr size_t kPageSize = 4096;
  explicit TLineReader(ILinkStream& stream);
  std::string NextLine();
  bool Eof() const { return eof_ && pos_ >= len_; }

 private:
  void ReadPage();
  void Refill();

  ILinkStream& stream_;
  uint8_t page_[kPageSize];
  size_t len_ = 0, pos_ = 0;
  bool eof_ = false;
  bool skipLf_ = false;
  bool heldCtrlZ_ = false;  // the last byte read so far was a Ctrl-Z, not yet in a page
};
