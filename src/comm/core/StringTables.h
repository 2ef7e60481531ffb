// "STR0" string tables: a count, an index of {id, offset, length} sorted by id, and the
// texts in UTF-16LE without terminators. The reader works on a byte span (the locked
// resource) and checks every offset against it; the writer builds a table for the host
// tool that makes the program's resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Texts the reader reports through ELinkStringResourceError.
inline constexpr const char* kStr0StringNotFound = "String not found: %d";
inline constexpr const char* kStr0CannotLock = "Cannot lock resource";
inline constexpr const char* kStr0ResourceNotFound = "String resource not found: %s";
inline constexpr const char* kStr0CannotOpen = "Unable to open string resource: %s";
inline constexpr const char* kStr0Invalid = "Invalid TPString resource";

// Converts UTF-16 text to the ANSI code page. The portable default keeps code units
// below 0x80 and writes '?' for the rest; the Win32 side installs the system's conversion.
using LinkWideToAnsiFn = std::string (*)(const std::u16string&);
void SetLinkWideToAnsi(LinkWideToAnsiFn fn);
std::string LinkWideToAnsi(const std::u16string& text);

class TStr0Table {
 public:
  TStr0Table() = default;
  // Opens the table held by blob (not copied: it must outlive the reader). Throws
  // ELinkStringResourceError (kStr0Invalid) when the blob is not a whole, sound table.
  explicit TStr0Table(std::span<const uint8_t> blob);

  // Closes the current table and opens blob; an empty span only closes.
  void ChangeResource(std::span<const uint8_t> blob);
  bool IsOpen() const { return open_; }
  uint32_t Count() const { return count_; }

  bool Find(int32_t ident, std::u16string& text) const;
  std::string GetString(int32_t ident) const;
  // NUL-terminated ANSI text in buffer, shortened one UTF-16 unit at a time until it fits.
  char* GetAsciiZ(int32_t ident, char* buffer, size_t bufSize) const;
  // At most bufChars - 1 units and a NUL.
  char16_t* GetWideChar(int32_t ident, char16_t* buffer, size_t bufChars) const;

  bool ReportMissing = false;  // a missing id raises kStr0StringNotFound

 private:
  bool Lookup(int32_t ident, uint32_t& offset, uint32_t& length) const;
  void Missing(int32_t ident) const;

  std::span<const uint8_t> blob_;
  uint32_t count_ = 0;
  bool open_ = false;
};

// Builds a table from (id, text) rows; the rows are sorted by id (as signed numbers).
// Throws std::invalid_argument for a duplicate id.
std::vector<uint8_t> BuildStr0Table(std::vector<std::pair<int32_t, std::u16string>> rows);

// UTF-8 to UTF-16 for the host tool's text source; false on malformed UTF-8.
bool Utf8ToUtf16(const std::string& in, std::u16string& out);

// The message for |code|: the error table's text (ANSI, at most 255 characters); without
// one, the system's message for |code| as an error number, normalised; else empty.
std::string LinkLoadStr(int32_t code);
inline std::string ErrorMsg(int32_t code) { return LinkLoadStr(code); }

// The table LinkLoadStr reads (null: none) and the source of system messages (null: none).
void SetLinkErrorTable(const TStr0Table* table);
using LinkSystemMessageFn = std::string (*)(uint32_t errorNumber);
void SetLinkSystemMessageSource(LinkSystemMessageFn fn);

// A system message made fit for one line: control characters become blanks, runs of
// blanks shrink to one, and the result is cut at 255 characters.
std::string NormaliseSystemMessage(const std::string& text);

// The text source of the string tables: "[NAME]" starts a table; "id<TAB>text" adds a row;
// blank lines and lines starting with '#' are skipped. False with a message naming the
// line for anything else (a row outside a table, a bad id, a repeated id, bad UTF-8).
struct TStringSection {
  std::string Name;
  std::vector<std::pair<int32_t, std::u16string>> Rows;
};
bool ParseStringSource(const std::string& text, std::vector<TStringSection>& sections, std::string& error);
