#include "comm/core/Trace.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <fstream>

#include "comm/core/CommErrors.h"
#include "comm/core/LinkUtil.h"

namespace {

constexpr size_t kLineLimit = 79;  // a line is broken before it would reach this column
constexpr const char* kCrLf = "\r\n";
constexpr const char* kHexDigits = "0123456789ABCDEF";

std::string ByteToken(uint8_t c, bool inHex) {
  if (c >= (inHex ? 33 : 32) && c <= 126) return std::string(1, char(c));
  if (inHex) return std::string{'[', kHexDigits[c >> 4], kHexDigits[c & 15], ']'};
  return "[" + std::to_string(c) + "]";
}

// Appends tokens to out, breaking lines before they reach kLineLimit; continuation lines
// start with indent blanks.
class LineWriter {
 public:
  LineWriter(std::string& out, size_t column, size_t indent) : out_(out), column_(column), indent_(indent) {}
  void Put(const std::string& token) {
    if (column_ + token.size() >= kLineLimit && column_ > indent_) {
      out_ += kCrLf;
      out_.append(indent_, ' ');
      column_ = indent_;
    }
    out_ += token;
    column_ += token.size();
  }
  void NewLine() { column_ = 0; }
  void Text(const std::string& s) {
    out_ += s;
    column_ += s.size();
  }

 private:
  std::string& out_;
  size_t column_, indent_;
};

bool WriteFile(const std::string& name, const std::string& text, bool append) {
  std::ofstream f(name, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  if (!f) return false;
  f << text;
  return bool(f);
}

constexpr const char* kTypeNames[] = {
    "No event", "Dispatch", "Trigger", "Error",  "Thread", "TrigAllc", "TrigDisp",
    "TrgHdAlc", "TrgHdDsp", "TrDatChg", "Telnet", "Fax",    "XModem",   "YModem",
    "ZModem",   "Kermit",   "Ascii",    "BPlus",  "Packet", "User"};
constexpr const char* kSubTypeNames[] = {
    "",          "ReadCom",   "WriteCom",  "LineStat",  "ModemStat", "Avail",    "Timer",
    "Data",      "Status",    "ThrStart",  "ThrExit",   "ThrSleep",  "ThrWake",  "DataTrig",
    "TimerTrig", "StatTrig",  "AvailTrig", "Window",    "Procedure", "Method",   "S-Will",
    "S-Wont",    "S-Do",      "S-Dont",    "R-Will",    "R-Wont",    "R-Do",     "R-Dont",
    "Command",   "S-Term"};
constexpr const char* kStatusKindNames[] = {"(Not active)",         "(Modem status)",
                                            "(Line status)",        "(Output buffer free)",
                                            "(Output buffer used)", "(Output sent)"};

uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

const char* DispatchTypeName(uint8_t type) {
  return type < std::size(kTypeNames) ? kTypeNames[type] : "?";
}
const char* DispatchSubTypeName(uint8_t sub) {
  return sub < std::size(kSubTypeNames) ? kSubTypeNames[sub] : "?";
}
const char* StatusKindName(uint8_t kind) {
  return kind < std::size(kStatusKindNames) ? kStatusKindNames[kind] : "(Unknown)";
}

// ---- Trace -------------------------------------------------------------------------------

int32_t TLinkTrace::InitTracing(uint32_t entries) {
  if (entries > kMaxTraceEntries || entries == 0) return ecBadArgument;
  if (queue_.empty()) queue_.assign(size_t(entries) * 2, 0);
  index_ = 0;
  wrapped_ = false;
  on_ = true;
  return 0;
}

int32_t TLinkTrace::Resize(uint32_t entries) {
  if (entries > kMaxTraceEntries || entries == 0) return ecBadArgument;
  if (queue_.empty()) return 0;  // nothing recorded: the size counts from the next start
  const size_t max = queue_.size() / 2, count = wrapped_ ? max : index_, start = wrapped_ ? index_ : 0;
  const size_t keep = std::min<size_t>(count, entries);
  std::vector<uint8_t> resized(size_t(entries) * 2, 0);
  for (size_t n = 0; n < keep; ++n) {
    size_t i = (start + count - keep + n) % max;
    resized[n * 2] = queue_[i * 2];
    resized[n * 2 + 1] = queue_[i * 2 + 1];
  }
  queue_.swap(resized);
  index_ = keep % entries;
  wrapped_ = keep == entries;
  return 0;
}

void TLinkTrace::ClearTracing() {
  index_ = 0;
  wrapped_ = false;
}

void TLinkTrace::AbortTracing() {
  on_ = false;
  std::vector<uint8_t>().swap(queue_);
  ClearTracing();
}

void TLinkTrace::AddTraceEntry(char kind, uint8_t c) {
  if (queue_.empty()) return;
  queue_[index_ * 2] = uint8_t(kind);
  queue_[index_ * 2 + 1] = c;
  if (++index_ * 2 >= queue_.size()) {
    index_ = 0;
    wrapped_ = true;
  }
}

std::string TLinkTrace::TraceText(bool inHex) {
  on_ = false;
  std::string out;
  size_t max = queue_.size() / 2;
  size_t count = wrapped_ ? max : index_;
  size_t start = wrapped_ ? index_ : 0;
  if (count == 0) return out;
  LineWriter line(out, 0, 0);
  int lastKind = -1;
  for (size_t n = 0; n < count; ++n) {
    size_t i = (start + n) % max;
    uint8_t kind = queue_[i * 2];
    if (kind != lastKind) {
      if (lastKind != -1) out += kCrLf;
      line.NewLine();
      if (kind == 'T')
        line.Text("Transmit: ");
      else if (kind == 'R')
        line.Text("Receive: ");
      else
        line.Text(std::string("Special-") + char(kind) + ": ");
      lastKind = kind;
    }
    line.Put(ByteToken(queue_[i * 2 + 1], inHex));
  }
  out += kCrLf;
  return out;
}

bool TLinkTrace::DumpTrace(const std::string& name, bool inHex, bool append) {
  std::string text = TraceText(inHex);
  bool ok = text.empty() || WriteFile(name, text, append);
  AbortTracing();
  return ok;
}

// ---- Dispatch log ------------------------------------------------------------------------

int32_t TLinkDispatchLog::InitDispatchLogging(uint32_t size) {
  if (size <= kDispatchHeaderSize) return ecBadArgument;
  if (queue_.empty()) {
    queue_.assign(size, 0);
    scratch_.assign(size, 0);
  }
  ClearDispatchLogging();
  on_ = true;
  return 0;
}

int32_t TLinkDispatchLog::Resize(uint32_t size) {
  if (size <= kDispatchHeaderSize) return ecBadArgument;
  if (queue_.empty()) return 0;  // nothing recorded: the size counts from the next start
  TLinkDispatchLog resized;
  resized.queue_.assign(size, 0);
  resized.scratch_.assign(size, 0);
  resized.ClearDispatchLogging();
  resized.on_ = on_;
  size_t len = 0;
  while (PopOldest(scratch_.data(), len)) {
    if (len >= size) continue;  // could never fit
    resized.MakeRoom(len);
    resized.Push(scratch_.data(), len);
    ++resized.entries_;
  }
  *this = std::move(resized);
  return 0;
}

void TLinkDispatchLog::ClearDispatchLogging() {
  head_ = tail_ = 0;
  free_ = queue_.size();
  entries_ = 0;
}

void TLinkDispatchLog::AbortDispatchLogging() {
  on_ = false;
  std::vector<uint8_t>().swap(queue_);
  std::vector<uint8_t>().swap(scratch_);
  ClearDispatchLogging();
}

void TLinkDispatchLog::Copy(size_t from, uint8_t* to, size_t len) const {
  size_t first = std::min(len, queue_.size() - from);
  std::memcpy(to, queue_.data() + from, first);
  std::memcpy(to + first, queue_.data(), len - first);
}

void TLinkDispatchLog::Push(const uint8_t* bytes, size_t len) {
  size_t first = std::min(len, queue_.size() - head_);
  std::memcpy(queue_.data() + head_, bytes, first);
  std::memcpy(queue_.data(), bytes + first, len - first);
  head_ = (head_ + len) % queue_.size();
  free_ -= len;
}

void TLinkDispatchLog::MakeRoom(size_t len) {
  for (size_t dropped = 0; len > free_ && PopOldest(nullptr, dropped);) {
  }
}

bool TLinkDispatchLog::PopOldest(uint8_t* into, size_t& len) {
  if (entries_ == 0) return false;
  uint8_t header[kDispatchHeaderSize];
  Copy(tail_, header, kDispatchHeaderSize);
  len = kDispatchHeaderSize + GetU32(header + 12);
  if (into) Copy(tail_, into, len);
  tail_ = (tail_ + len) % queue_.size();
  free_ += len;
  --entries_;
  return true;
}

bool TLinkDispatchLog::AddDispatchEntry(TDispatchType type, TDispatchSubType sub, uint32_t data,
                                        const void* more, uint32_t moreLength, uint32_t timeMs) {
  if (!on_ || queue_.empty()) return false;
  if (!more) moreLength = 0;
  uint64_t len = kDispatchHeaderSize + uint64_t(moreLength);
  if (len >= queue_.size()) return false;  // could never fit: older entries stay
  MakeRoom(size_t(len));
  uint8_t header[kDispatchHeaderSize] = {type, sub, 0, 0};
  for (int i = 0; i < 4; ++i) {
    header[4 + i] = uint8_t(timeMs >> (8 * i));
    header[8 + i] = uint8_t(data >> (8 * i));
    header[12 + i] = uint8_t(moreLength >> (8 * i));
  }
  Push(header, kDispatchHeaderSize);
  if (moreLength) Push(static_cast<const uint8_t*>(more), moreLength);
  ++entries_;
  return true;
}

std::string TLinkDispatchLog::DispatchLogText(bool inHex, const TDispatchLogHeader& header) {
  on_ = false;
  std::string out;
  out += std::string("LINK ") + kLinkVersion + kCrLf;
  out += "Compiler : " + header.Compiler + kCrLf;
  out += "Operating System : " + header.OperatingSystem + kCrLf;
  out += kCrLf;
  out += std::string("Time      Type      SubType       Data      OtherData") + kCrLf;
  out += std::string("--------  --------  ------------  --------  ---------") + kCrLf;
  size_t len = 0;
  while (!scratch_.empty() && PopOldest(scratch_.data(), len)) {
    const uint8_t* e = scratch_.data();
    uint8_t type = e[0], sub = e[1];
    uint32_t time = GetU32(e + 4), data = GetU32(e + 8), moreLen = GetU32(e + 12);
    const uint8_t* more = e + kDispatchHeaderSize;
    char timeText[16], column[96];
    std::snprintf(timeText, sizeof timeText, "%.7u", unsigned(time));
    std::snprintf(column, sizeof column, "%8s  %-8s  %-12s  %.8x  ", timeText,
                  DispatchTypeName(type), DispatchSubTypeName(sub), unsigned(data));
    LineWriter line(out, 0, 44);
    line.Text(column);
    bool statusEntry = sub == dstStatusTrigger || (type == dtTrigger && sub == dstStatus);
    if (statusEntry && type != dtTriggerDataChange) {
      uint8_t kind = moreLen >= 1 ? more[0] : uint8_t(data & 7);
      line.Text(StatusKindName(kind));
    } else if (type == dtTriggerDataChange && sub == dstTimerTrigger && moreLen == 4) {
      line.Text(std::to_string(int32_t(GetU32(more))) + " ticks");
    } else if (type == dtTriggerDataChange && sub == dstStatusTrigger && moreLen == 2) {
      char value[16];
      std::snprintf(value, sizeof value, "%04X", unsigned(more[0] | more[1] << 8));
      line.Text(value);
    } else {
      for (uint32_t i = 0; i < moreLen; ++i) line.Put(ByteToken(more[i], inHex));
    }
    out += kCrLf;
  }
  ClearDispatchLogging();
  return out;
}

bool TLinkDispatchLog::DumpDispatchLog(const std::string& name, bool inHex, bool append,
                                       const TDispatchLogHeader& header) {
  std::string text = DispatchLogText(inHex, header);
  bool ok = WriteFile(name, text, append);
  AbortDispatchLogging();
  return ok;
}
