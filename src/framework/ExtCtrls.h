// Panels, bevels, images and scroll boxes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/GraphicControl.h"
#include "framework/JpegImage.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A container that paints its background, bevels and a caption; aligned children dock
// inside the bevels.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* owner);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut cut);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut cut);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int width);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);
    void SetCaption(const std::string& caption) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    RECT AlignRect() override;

private:
    void Changed();
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape shape);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle style);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

// A picture: a bitmap, or a JPEG picture together with its decoded bitmap.
class TPicture {
public:
    TPicture();
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The picture as a bitmap (an empty one when there is no picture); drawing on it
    // makes the picture a plain bitmap.
    TBitmap* Bitmap();
    // The JPEG picture when it is one (nullptr otherwise).
    const TJPEGImage* Jpeg() const { return FJpeg.get(); }
    bool Empty() const { return !FBitmap || FBitmap->Empty(); }
    int Width() const { return FBitmap ? FBitmap->Width() : 0; }
    int Height() const { return FBitmap ? FBitmap->Height() : 0; }

    void Assign(const TJPEGImage& jpeg);
    void Assign(TBitmap* bitmap);
    void Clear();
    // By the name's extension (PictureFiles.h): .jpg/.jpeg/.jpe, .bmp, .gif, .ico, .emf,
    // .wmf; any other throws EInvalidGraphic. `limits` bounds the picture's size.
    void LoadFromFile(const std::string& fileName);
    void LoadFromFile(const std::string& fileName, const quiro::framework::JpegLimits& limits);
    // Written in the format the name's extension says (a JPEG picture under a JPEG name
    // keeps its bytes); an unknown extension throws EInvalidGraphic and writes nothing.
    void SaveToFile(const std::string& fileName);
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);

    std::function<void(TPicture* sender)> OnChange;

private:
    void Changed();
    void NewBitmap();
    std::unique_ptr<TBitmap> FBitmap;
    std::unique_ptr<TJPEGImage> FJpeg;
    bool FAssigning = false;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    TPicture* Picture() { return &FPicture; }
    bool Center() const { return FCenter; }
    void SetCenter(bool center);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool stretch);
    // A picture larger than the control is shown whole, scaled down to fit.
    bool Proportional() const { return FProportional; }
    void SetProportional(bool proportional);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent);
    // Repaint as soon as the picture changes (the picture is shown while it arrives).
    bool IncrementalDisplay = false;

protected:
    void Paint() override;
    bool CanAutoSize(int& width, int& height) override;

private:
    TPicture FPicture;
    bool FCenter = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FTransparent = false;
};

// A container whose children may extend beyond its client area, with scroll bars to reach
// them (UpdateScrollBars after adding or moving children).
class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* owner);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    bool AutoScroll = true;
    void UpdateScrollBars();
    // Scrolls the children so that the content's point (x, y) is at the top left.
    void ScrollTo(int x, int y);
    int ScrollX() const { return FScrollX; }
    int ScrollY() const { return FScrollY; }

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override { UpdateScrollBars(); }

private:
    void Scroll(int bar, int code);
    TBorderStyle FBorderStyle = bsSingle;
    int FScrollX = 0, FScrollY = 0;
    int FRangeX = 0, FRangeY = 0;
};
