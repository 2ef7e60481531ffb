#include "console/TextPicture.h"

#include "framework/Graphics.h"

void DrawTextPicture(TImage* image, const char* text, TColor paper, TColor ink) {
    TBitmap* b = image->Picture()->Bitmap();
    b->SetSize(image->Width(), image->Height());
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(paper);
    c->FillRect(RECT{0, 0, b->Width(), b->Height()});
    c->Pen()->SetColor(clGray);
    c->Rectangle(0, 0, b->Width(), b->Height());
    c->Font()->SetName("MS Sans Serif");
    c->Font()->SetHeight(-10);
    c->Font()->SetColor(ink);
    c->Brush()->SetStyle(bsClear);
    SIZE extent = c->TextExtent(text);
    c->TextOut((b->Width() - extent.cx) / 2, (b->Height() - extent.cy) / 2, text);
    image->Invalidate();
}
