#include "comm/core/StringTables.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "comm/core/CommErrors.h"
#include "comm/core/LinkUtil.h"

namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kEntrySize = 12;
constexpr size_t kMaxMessage = 255;

uint32_t ReadU32(std::span<const uint8_t> b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

std::string DefaultWideToAnsi(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

std::atomic<LinkWideToAnsiFn> gWideToAnsi{&DefaultWideToAnsi};
std::atomic<const TStr0Table*> gErrorTable{nullptr};
std::atomic<LinkSystemMessageFn> gSystemMessage{nullptr};

}  // namespace

void SetLinkWideToAnsi(LinkWideToAnsiFn fn) { gWideToAnsi = fn ? fn : &DefaultWideToAnsi; }
std::string LinkWideToAnsi(const std::u16string& text) { return gWideToAnsi.load()(text); }

TStr0Table::TStr0Table(std::span<const uint8_t> blob) { ChangeResource(blob); }

void TStr0Table::ChangeResource(std::span<const uint8_t> blob) {
  blob_ = {};
  count_ = 0;
  open_ = false;
  if (blob.empty()) return;
  if (blob.size() < kHeaderSize || std::memcmp(blob.data(), "STR0", 4) != 0)
    throw ELinkStringResourceError(kStr0Invalid);
  uint64_t count = ReadU32(blob, 4);
  if (count > (blob.size() - kHeaderSize) / kEntrySize) throw ELinkStringResourceError(kStr0Invalid);
  // Every text must lie inside the blob and the index must be ascending (the lookup is a
  // binary search): checked once here so that no lookup can read outside the table.
  int64_t lastId = INT64_MIN;
  for (uint64_t i = 0; i < count; ++i) {
    size_t at = kHeaderSize + size_t(i) * kEntrySize;
    int64_t id = int32_t(ReadU32(blob, at));
    uint64_t offset = ReadU32(blob, at + 4);
    uint64_t length = ReadU32(blob, at + 8);
    if (id <= lastId || offset + 2 * length > blob.size())
      throw ELinkStringResourceError(kStr0Invalid);
    lastId = id;
  }
  blob_ = blob;
  count_ = uint32_t(count);
  open_ = true;
}

bool TStr0Table::Lookup(int32_t ident, uint32_t& offset, uint32_t& length) const {
  if (!open_) return false;
  int64_t low = 0, high = int64_t(count_) - 1;
  while (low <= high) {
    int64_t mid = (low + high) / 2;
    size_t at = kHeaderSize + size_t(mid) * kEntrySize;
    int32_t id = int32_t(ReadU32(blob_, at));
    if (id == ident) {
      offset = ReadU32(blob_, at + 4);
      length = ReadU32(blob_, at + 8);
      return true;
    }
    if (id < ident)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return false;
}

void TStr0Table::Missing(int32_t ident) const {
  if (!ReportMissing) return;
  char text[64];
  std::snprintf(text, sizeof text, kStr0StringNotFound, int(ident));
  throw ELinkStringResourceError(text);
}

bool TStr0Table::Find(int32_t ident, std::u16string& text) const {
  uint32_t offset = 0, length = 0;
  text.clear();
  if (!Lookup(ident, offset, length)) {
    Missing(ident);
    return false;
  }
  text.resize(length);
  for (uint32_t i = 0; i < length; ++i)
    text[i] = char16_t(blob_[offset + 2 * i] | blob_[offset + 2 * i + 1] << 8);
  return true;
}

std::string TStr0Table::GetString(int32_t ident) const {
  std::u16string text;
  Find(ident, text);
  return LinkWideToAnsi(text);
}

char* TStr0Table::GetAsciiZ(int32_t ident, char* buffer, size_t bufSize) const {
  if (!buffer || bufSize == 0) return buffer;
  std::u16string text;
  Find(ident, text);
  std::string ansi = LinkWideToAnsi(text);
  while (ansi.size() >= bufSize) {
    text.pop_back();
    ansi = LinkWideToAnsi(text);
  }
  std::memcpy(buffer, ansi.data(), ansi.size());
  buffer[ansi.size()] = '\0';
  return buffer;
}

char16_t* TStr0Table::GetWideChar(int32_t ident, char16_t* buffer, size_t bufChars) const {
  if (!buffer || bufChars == 0) return buffer;
  std::u16string text;
  Find(ident, text);
  size_t n = std::min(text.size(), bufChars - 1);
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = u'\0';
  return buffer;
}

std::vector<uint8_t> BuildStr0Table(std::vector<std::pair<int32_t, std::u16string>> rows) {
  std::sort(rows.begin(), rows.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < rows.size(); ++i)
    if (rows[i].first == rows[i - 1].first)
      throw std::invalid_argument("duplicate string id " + std::to_string(rows[i].first));
  std::vector<uint8_t> out = {'S', 'T', 'R', '0'};
  PutU32(out, uint32_t(rows.size()));
  uint32_t offset = uint32_t(kHeaderSize + kEntrySize * rows.size());
  for (const auto& [id, text] : rows) {
    PutU32(out, uint32_t(id));
    PutU32(out, offset);
    PutU32(out, uint32_t(text.size()));
    offset += uint32_t(2 * text.size());
  }
  for (const auto& row : rows)
    for (char16_t c : row.second) {
      out.push_back(uint8_t(c));
      out.push_back(uint8_t(c >> 8));
    }
  return out;
}

bool Utf8ToUtf16(const std::string& in, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < in.size();) {
    uint8_t b = uint8_t(in[i]);
    uint32_t cp;
    size_t n;
    if (b < 0x80) {
      cp = b;
      n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      n = 3;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07;
      n = 4;
    } else {
      return false;
    }
    if (i + n > in.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      uint8_t c = uint8_t(in[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    if (cp >= 0x110000 || (cp >= 0xD800 && cp < 0xE000)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += n;
  }
  return true;
}

void SetLinkErrorTable(const TStr0Table* table) { gErrorTable = table; }
void SetLinkSystemMessageSource(LinkSystemMessageFn fn) { gSystemMessage = fn; }

std::string NormaliseSystemMessage(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (uint8_t(c) < 32) c = ' ';
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out.push_back(c);
  }
  if (out.size() > kMaxMessage) out.resize(kMaxMessage);
  return out;
}

std::string LinkLoadStr(int32_t code) {
  uint32_t id = code < 0 ? uint32_t(0) - uint32_t(code) : uint32_t(code);
  if (const TStr0Table* table = gErrorTable.load()) {
    std::u16string text;
    if (id <= uint32_t(INT32_MAX) && table->Find(int32_t(id), text)) {
      std::string ansi = LinkWideToAnsi(text);
      if (ansi.size() > kMaxMessage) ansi.resize(kMaxMessage);
      return ansi;
    }
  }
  if (LinkSystemMessageFn fn = gSystemMessage.load()) {
    std::string text = fn(id);
    if (!text.empty()) return NormaliseSystemMessage(text);
  }
  return {};
}

bool ParseStringSource(const std::string& text, std::vector<TStringSection>& sections, std::string& error) {
  sections.clear();
  size_t lineNo = 0;
  for (size_t pos = 0; pos <= text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto fail = [&](const std::string& what) {
      error = "line " + std::to_string(lineNo) + ": " + what;
      return false;
    };
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.size() < 3 || line.back() != ']') return fail("bad table name");
      sections.push_back({line.substr(1, line.size() - 2), {}});
      continue;
    }
    if (sections.empty()) return fail("row outside a table");
    size_t tab = line.find('\t');
    int32_t id = 0;
    if (tab == std::string::npos || !Str2LongZ(line.substr(0, tab), id) || id < 0)
      return fail("expected an id, a tab and a text");
    std::u16string wide;
    if (!Utf8ToUtf16(line.substr(tab + 1), wide)) return fail("text is not UTF-8");
    auto& rows = sections.back().Rows;
    for (const auto& row : rows)
      if (row.first == id) return fail("id " + std::to_string(id) + " given twice");
    rows.emplace_back(id, std::move(wide));
  }
  return true;
}
