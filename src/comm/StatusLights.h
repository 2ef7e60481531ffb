// The status lamp control: a small windowless lamp drawn in its parent, lit or not, from a
// two-halved glyph (lit on the left) or as a bevelled patch of LitColor or NotLitColor.
// The controller that switches lamps from a port is comm/core/StatusLights.h.
#pragma once

#include <memory>
#include <string>

#include "comm/core/StatusLights.h"
#include "framework/GraphicControl.h"

class TLinkCustomStatusLight : public TGraphicControl, public ILinkLamp {
 public:
  explicit TLinkCustomStatusLight(TComponent* owner);
  ~TLinkCustomStatusLight() override;

  // A copy of bitmap (null: none); the control becomes half its width and its height.
  void SetGlyph(TBitmap* bitmap);
  TBitmap* Glyph() const { return glyph_.get(); }
  bool GlyphSet() const { return glyph_ != nullptr; }

  bool Lit() const override { return lit_; }
  void SetLit(bool lit) override;
  TColor LitColor() const { return litColor_; }
  void SetLitColor(TColor color);
  TColor NotLitColor() const { return notLitColor_; }
  void SetNotLitColor(TColor color);
  std::string Version() const { return "v2.58"; }
  TComponent* LampComponent() override { return this; }

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TBitmap> glyph_;
  bool lit_ = false;
  TColor litColor_ = clRed, notLitColor_ = clGreen;
};

class TLinkStatusLight : public TLinkCustomStatusLight {
 public:
  using TLinkCustomStatusLight::TLinkCustomStatusLight;
};
