// The lamp control's painting, inside its parent's paint.
#include <gtest/gtest.h>

#include <tuple>

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

  TBitmap glyph;  // lit on the left, not lit on the right
  glyph.SetSize(4, 2);
  glyph.Canvas()->Brush()->SetColor(clBlue);
  glyph.Canvas()->FillRect(RECT{0, 0, 2, 2});
  lamp->SetGlyph(&glyph);
  EXPECT_EQ(std::tuple(lamp->Width(), lamp->Height(), PixelAt(form, 3, 4)), std::tuple(2, 2, clBlue));
  lamp->SetLit(false);
  EXPECT_EQ(PixelAt(form, 3, 4), clWhite);
}

}  // namespace
