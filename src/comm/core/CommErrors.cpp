#include "comm/core/CommErrors.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "comm/core/StringTables.h"

namespace {

using Factory = std::exception_ptr (*)(int32_t code);

template <class E>
std::exception_ptr Make(int32_t code) {
  return std::make_exception_ptr(E(code, false));
}

struct CodeClass {
  int32_t code;
  Factory make;
};

// Sorted by ascending code (the list runs from -13942 up to -1002).
constexpr CodeClass kCodeClasses[] = {
#define QUIRO_LINK_CODE(code, cls) {code, &Make<cls>},
#include "comm/core/CommExceptionCodes.inc"
#undef QUIRO_LINK_CODE
};

// The .inc lists codes by ascending absolute value; order them for the search here.
struct SortedTable {
  CodeClass rows[std::size(kCodeClasses)];
  constexpr SortedTable() : rows{} {
    for (size_t i = 0; i < std::size(kCodeClasses); ++i) rows[i] = kCodeClasses[i];
    std::sort(std::begin(rows), std::end(rows),
              [](const CodeClass& a, const CodeClass& b) { return a.code < b.code; });
  }
};
constexpr SortedTable kSorted;

constexpr int32_t kIoFirst = -162, kIoLast = -2;
constexpr const char* kPlainLinkText = "Link exception";

}  // namespace

int32_t LinkErrorFromSystem(uint32_t systemError) {
  if (systemError == 0 || systemError > uint32_t(INT32_MAX)) return ecUnknownFailure;
  return -int32_t(systemError);
}

ELinkException::ELinkException(int32_t code, bool /*useNumber*/)
    : Exception(LinkLoadStr(code)), ErrorCode(code), SourceCode(code) {}

ELinkException::ELinkException(const std::string& msg) : Exception(msg) {}

namespace quiro::comm {

std::exception_ptr MakeLinkException(int32_t code) {
  if (code >= 0) return nullptr;
  if (code == ecOutOfMemory) return std::make_exception_ptr(::EOutOfMemory());
  if (code >= kIoFirst && code <= kIoLast) return std::make_exception_ptr(::EInOutError(LinkLoadStr(code), -code));
  const auto* end = std::end(kSorted.rows);
  const auto* it = std::lower_bound(std::begin(kSorted.rows), end, code,
                                    [](const CodeClass& row, int32_t c) { return row.code < c; });
  if (it != end && it->code == code) return it->make(code);
  ELinkException plain(kPlainLinkText);
  plain.SourceCode = code;
  return std::make_exception_ptr(plain);
}

}  // namespace quiro::comm

int32_t CheckException(const ILinkComponentState* component, int32_t code) {
  if (code >= 0 || (component && component->ComponentLoading())) return code;
  std::rethrow_exception(quiro::comm::MakeLinkException(code));  // the one place that raises
}

int32_t XlatException(const std::exception& e) {
  if (const auto* link = dynamic_cast<const ELinkException*>(&e)) {
    if (link->ErrorCode != 0) return link->ErrorCode;
    return link->SourceCode < 0 ? link->SourceCode : ecUnknownFailure;
  }
  if (const auto* io = dynamic_cast<const ::EInOutError*>(&e))
    return io->ErrorCode > 0 ? -io->ErrorCode : ecUnknownFailure;
  if (dynamic_cast<const ::EOutOfMemory*>(&e) || dynamic_cast<const std::bad_alloc*>(&e))
    return ecOutOfMemory;
  return ecUnknownFailure;
}

int32_t XlatException(std::exception_ptr e) {
  if (!e) return ecUnknownFailure;
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return XlatException(ex);
  } catch (...) {
    return ecUnknownFailure;
  }
}
