// The base of every component of the communications library.
#pragma once

#include <string>

#include "comm/core/CommErrors.h"
#include "comm/core/LinkUtil.h"
#include "framework/core/Component.h"

class TLinkBaseComponent : public TComponent, public ILinkComponentState {
 public:
  explicit TLinkBaseComponent(TComponent* owner = nullptr) : TComponent(owner) {}

  // Always the library's version; writing it changes nothing (it is not stored in forms).
  std::string LinkVersion() const { return kLinkVersion; }
  void SetLinkVersion(const std::string&) {}

  // CheckException lets every code pass while the component is read from its form.
  bool ComponentLoading() const override { return (ComponentState() & csLoading) != 0; }
};
