#include "comm/StatusLights.h"

TLinkCustomStatusLight::TLinkCustomStatusLight(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(Left(), Top(), 13, 13);
}

TLinkCustomStatusLight::~TLinkCustomStatusLight() = default;

void TLinkCustomStatusLight::SetGlyph(TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty()) {
    glyph_.reset();
  } else {
    glyph_ = std::make_unique<TBitmap>();
    glyph_->Assign(bitmap);
    SetBounds(Left(), Top(), glyph_->Width() / 2, glyph_->Height());
  }
  Invalidate();
}

void TLinkCustomStatusLight::SetLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  Invalidate();
}

void TLinkCustomStatusLight::SetLitColor(TColor color) {
  if (color == litColor_) return;
  litColor_ = color;
  if (lit_ && !glyph_) Invalidate();
}

void TLinkCustomStatusLight::SetNotLitColor(TColor color) {
  if (color == notLitColor_) return;
  notLitColor_ = color;
  if (!lit_ && !glyph_) Invalidate();
}

void TLinkCustomStatusLight::Paint() {
  TCanvas* c = Canvas();
  const int w = Width(), h = Height();
  if (glyph_) {
    // The face colour the parent paints with shows through where the glyph has it.
    c->Brush()->SetColor(clBtnFace);
    RECT source{lit_ ? 0 : w, 0, lit_ ? w : 2 * w, h};
    c->BrushCopy(RECT{0, 0, w, h}, glyph_.get(), source, clBtnFace);
    return;
  }
  c->Brush()->SetColor(lit_ ? litColor_ : notLitColor_);
  c->FillRect(RECT{0, 0, w, h});
  c->Pen()->SetColor(clWhite);
  c->MoveTo(0, h - 1);
  c->LineTo(0, 0);
  c->LineTo(w, 0);
  c->Pen()->SetColor(clGray);
  c->MoveTo(w - 1, 1);
  c->LineTo(w - 1, h - 1);
  c->LineTo(0, h - 1);
}
