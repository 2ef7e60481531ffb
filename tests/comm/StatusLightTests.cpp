// The lamp control's painting, inside its parent's paint.
#include <gtest/gtest.h>

#include "comm/StatusLights.h"
#include "framework/Forms.h"

namespace {

TColor PixelAt(TForm* form, int x, int y) {
  TBitmap surface;
  surface.SetSize(40, 20);
  form->PaintControls(surface.Canvas()->Handle());
  return surface.Canvas()->Pixels(x, y);
}

TEST(StatusLight, PaintsLitAndUnlitWithItsBevel) {
  TApplication app;
  auto* form = app.CreateForm<TForm>();
  auto* lamp = new TLinkStatusLight(form);
  lamp->SetParent(form);
  EXPECT_EQ(lamp->Width(), 13);
  lamp->SetBounds(2, 3, 16, 10);
  lamp->SetLitColor(clLime);
  form->HandleNeeded();
  EXPECT_EQ(PixelAt(form, 2 + 8, 3 + 5), clGreen);
  EXPECT_EQ(PixelAt(form, 2, 3), clWhite);
  EXPECT_EQ(PixelAt(form, 2 + 15, 3 + 9), clGray);
  lamp->SetLit(true);
  EXPECT_EQ(PixelAt(form, 2 + 8, 3 + 5), clLime);

  TBitmap glyph;
  glyph.SetSize(4, 2);
  glyph.Canvas()->Brush()->SetColor(clRed);
  glyph.Canvas()->FillRect(RECT{0, 0, 2, 2});
  glyph.Canvas()->Brush()->SetColor(clBlue);
  glyph.Canvas()->FillRect(RECT{2, 0, 4, 2});
  lamp->SetGlyph(&glyph);
  EXPECT_EQ(lamp->Width(), 2);
  EXPECT_EQ(lamp->Height(), 2);
  EXPECT_EQ(PixelAt(form, 3, 4), clRed);
  lamp->SetLit(false);
  EXPECT_EQ(PixelAt(form, 3, 4), clBlue);
}

}  // namespace
