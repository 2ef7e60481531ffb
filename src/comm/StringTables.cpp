#include "comm/StringTables.h"

#include <cstdio>

#include "comm/core/CommErrors.h"

namespace {

std::string WithName(const char* format, const std::string& name) {
  char text[512];
  std::snprintf(text, sizeof text, format, name.c_str());
  return text;
}

}  // namespace

TLinkStringResource::TLinkStringResource(HINSTANCE instance, const std::string& resName) {
  ChangeResource(instance, resName);
}

void TLinkStringResource::ChangeResource(HINSTANCE instance, const std::string& resName) {
  table_.ChangeResource({});
  name_ = resName.substr(0, 255);
  if (name_.empty()) return;
  HRSRC found = FindResourceA(instance, name_.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (!found) throw ELinkStringResourceError(WithName(kStr0ResourceNotFound, name_));
  HGLOBAL loaded = LoadResource(instance, found);
  if (!loaded) throw ELinkStringResourceError(WithName(kStr0CannotOpen, name_));
  const void* data = LockResource(loaded);
  if (!data) throw ELinkStringResourceError(kStr0CannotLock);
  DWORD size = SizeofResource(instance, found);
  // A resource stays mapped for the life of its module: the table reads it in place.
  table_.ChangeResource({static_cast<const uint8_t*>(data), size_t(size)});
}
