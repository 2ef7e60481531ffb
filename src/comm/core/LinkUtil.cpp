#include "comm/core/LinkUtil.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

namespace {

class DefaultPlatform final : public ILinkPlatform {
 public:
  uint32_t TimeMs() override {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  bool TakeMessage(TLinkQueuedMessage&) override { return false; }
  void PostQuit(uintptr_t) override {}
  void DispatchQueued(const TLinkQueuedMessage&) override {}
};

DefaultPlatform gDefaultPlatform;
std::atomic<ILinkPlatform*> gPlatform{&gDefaultPlatform};

bool IsDelimiter(char c) { return c == ':' || c == '\\'; }

size_t LastDelimiter(const std::string& s) {
  for (size_t i = s.size(); i > 0; --i)
    if (IsDelimiter(s[i - 1])) return i - 1;
  return std::string::npos;
}

// Position of the extension's dot, or npos when the file name part has none.
size_t ExtensionDot(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return dot;
  size_t delim = LastDelimiter(name);
  if (delim != std::string::npos && delim > dot) return std::string::npos;
  return dot;
}

}  // namespace

ILinkPlatform& LinkPlatform() { return *gPlatform.load(); }
void SetLinkPlatform(ILinkPlatform* platform) { gPlatform = platform ? platform : &gDefaultPlatform; }

// ---- Event timers --------------------------------------------------------------------

// The counter runs from 0 to kTicksPerWrap - 1 (the last 12 ms of the 31-bit millisecond
// range count as tick 0), so that every wrap is by exactly kTicksPerWrap.
int32_t CurrentTicks() {
  return int32_t((LinkPlatform().TimeMs() & 0x7FFFFFFFu) / kMsPerTick % uint32_t(kTicksPerWrap));
}

int32_t Secs2Ticks(int32_t secs) { return int32_t(int64_t(secs) * 1675 / 92); }
int32_t Ticks2Secs(int32_t ticks) { return int32_t((int64_t(ticks) + 9) * 92 / 1675); }

void NewTimer(EventTimer& et, int32_t ticks) {
  int32_t now = CurrentTicks();
  et.StartTicks = now;
  et.ExpireTicks = now + std::min(ticks, kTicksPerWrap);
}

void NewTimerSecs(EventTimer& et, int32_t secs) { NewTimer(et, Secs2Ticks(secs)); }

bool TimerExpired(const EventTimer& et) {
  int32_t now = CurrentTicks();
  if (now > et.ExpireTicks) return true;
  if (now >= et.StartTicks) return false;
  return int64_t(now) + kTicksPerWrap > et.ExpireTicks;  // the counter wrapped
}

int32_t ElapsedTime(const EventTimer& et) {
  int32_t now = CurrentTicks();
  if (now >= et.StartTicks) return now - et.StartTicks;
  return now + (kTicksPerWrap - et.StartTicks);
}

int32_t ElapsedTimeInSecs(const EventTimer& et) { return Ticks2Secs(ElapsedTime(et)); }

int32_t RemainingTime(const EventTimer& et) {
  int64_t now = CurrentTicks();
  int64_t left = et.ExpireTicks - now;
  if (now < et.StartTicks) left -= kTicksPerWrap;
  return int32_t(std::max<int64_t>(left, 0));
}

int32_t RemainingTimeInSecs(const EventTimer& et) { return Ticks2Secs(RemainingTime(et)); }

// ---- Waiting --------------------------------------------------------------------------

uint32_t SafeYield() {
  ILinkPlatform& p = LinkPlatform();
  TLinkQueuedMessage msg;
  if (!p.TakeMessage(msg)) return 0;
  if (msg.Id == kLinkQuitMessage) {
    p.PostQuit(msg.WParam);  // the main loop must still see it
    return kLinkQuitMessage;
  }
  p.DispatchQueued(msg);
  return msg.Id;
}

uint32_t DelayTicks(int32_t ticks, bool yield) {
  uint32_t last = 0;
  if (ticks < 1) return last;
  EventTimer et;
  NewTimer(et, ticks);
  while (!TimerExpired(et)) {
    if (yield) {
      last = SafeYield();
      if (last == kLinkQuitMessage) break;
    }
  }
  return last;
}

void DelayMS(uint32_t ms) {
  ILinkPlatform& p = LinkPlatform();
  uint64_t passed = 0;
  uint32_t last = p.TimeMs();
  while (passed < ms) {
    uint32_t now = p.TimeMs();
    passed += uint32_t(now - last);
    last = now;
  }
}

void NotBuffer(uint8_t* buf, size_t len) {
  for (size_t i = 0; i < len; ++i) buf[i] = uint8_t(~buf[i]);
}

// ---- Strings and paths ----------------------------------------------------------------

std::string Long2StrZ(int32_t n) { return std::to_string(n); }

bool Str2LongZ(const std::string& s, int32_t& n) {
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  if (i == s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  if (neg) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  n = int32_t(v);
  return true;
}

std::string StrStCopy(const std::string& s, size_t pos, size_t count) {
  if (pos >= s.size()) return {};
  return s.substr(pos, count);
}

std::string JustPathnameZ(const std::string& path) {
  size_t d = LastDelimiter(path);
  if (d == std::string::npos) return {};
  if (d == 0) return path.substr(0, 1);
  if (path[d] == '\\' && path[d - 1] != ':') return path.substr(0, d);
  return path.substr(0, d + 1);
}

std::string JustFilenameZ(const std::string& path) {
  size_t d = LastDelimiter(path);
  std::string name = d == std::string::npos ? path : path.substr(d + 1);
  if (name.size() > 255) name.resize(255);
  return name;
}

std::string JustExtensionZ(const std::string& name) {
  size_t dot = ExtensionDot(name);
  if (dot == std::string::npos) return {};
  return name.substr(dot + 1, 3);
}

std::string AddBackSlashZ(const std::string& dir) {
  if (dir.empty() || IsDelimiter(dir.back())) return dir;
  return dir + '\\';
}

bool ExistFileZ(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return f.good();
}

std::string ForceExtensionZ(const std::string& name, const std::string& ext) {
  size_t dot = ExtensionDot(name);
  return (dot == std::string::npos ? name : name.substr(0, dot)) + '.' + ext;
}

std::string DefaultExtensionZ(const std::string& name, const std::string& ext) {
  return ExtensionDot(name) == std::string::npos ? name + '.' + ext : name;
}

std::string JustName(const std::string& s) {
  std::string name = JustFilenameZ(s);
  size_t dot = name.find('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// ---- Line reader ----------------------------------------------------------------------

TLineReader::TLineReader(ILinkStream& stream) : stream_(stream) { Refill(); }

// Reads ahead past an exhausted page, so that Eof tells whether another line follows.
void TLineReader::Refill() {
  while (pos_ >= len_ && !eof_) ReadPage();
}

// Only a read of 0 bytes ends the stream: a pipe or a slow file may hand out fewer bytes
// than asked at any time. A Ctrl-Z that ends a read is held back until the next read shows
// whether more follows; it is dropped only as the stream's last byte.
void TLineReader::ReadPage() {
  pos_ = len_ = 0;
  if (eof_) return;
  size_t start = 0;
  if (heldCtrlZ_) {
    page_[0] = 26;
    start = 1;
    heldCtrlZ_ = false;
  }
  size_t n = stream_.Read(page_ + start, kPageSize - start);
  if (n == 0) {
    eof_ = true;
    return;
  }
  len_ = start + n;
  if (page_[len_ - 1] == 26) {
    --len_;
    heldCtrlZ_ = true;
  }
  if (skipLf_ && len_ > 0 && page_[0] == '\n') pos_ = 1;
  skipLf_ = false;
}

std::string TLineReader::NextLine() {
  std::string line;
  for (;;) {
    Refill();
    if (pos_ >= len_) return line;
    const uint8_t* start = page_ + pos_;
    const uint8_t* end = page_ + len_;
    const uint8_t* cr = std::find(start, end, uint8_t('\r'));
    line.append(reinterpret_cast<const char*>(start), size_t(cr - start));
    if (cr == end) {
      pos_ = len_;
      continue;
    }
    pos_ = size_t(cr - page_) + 1;
    if (pos_ < len_) {
      if (page_[pos_] == '\n') ++pos_;
    } else {
      skipLf_ = true;  // the LF, if any, starts the next page
    }
    Refill();
    return line;
  }
}
