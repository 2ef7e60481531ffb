#include "framework/ExtCtrls.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "framework/PictureFiles.h"
#include "framework/core/Streams.h"
#include "framework/core/SysUtils.h"

namespace {

void Frame3D(HDC dc, RECT& r, TColor topLeft, TColor bottomRight, int width) {
    HPEN light = CreatePen(PS_SOLID, 1, ColorToGdi(topLeft));
    HPEN dark = CreatePen(PS_SOLID, 1, ColorToGdi(bottomRight));
    HGDIOBJ old = SelectObject(dc, light);
    for (int i = 0; i < width; ++i) {
        SelectObject(dc, light);
        MoveToEx(dc, r.left, r.bottom - 1, nullptr);
        LineTo(dc, r.left, r.top);
        LineTo(dc, r.right - 1, r.top);
        SelectObject(dc, dark);
        LineTo(dc, r.right - 1, r.bottom - 1);
        LineTo(dc, r.left - 1, r.bottom - 1);
        InflateRect(&r, -1, -1);
    }
    SelectObject(dc, old);
    DeleteObject(light);
    DeleteObject(dark);
}

}  // namespace

// ---- TPanel -----------------------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
    FWidth = 185;
    FHeight = 41;
    FClickEvents = true;
}

void TPanel::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "QuiroPanel";
    params.Style |= WS_CLIPCHILDREN;
    if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TPanel::Changed() {
    AlignControls();
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut cut) {
    FBevelOuter = cut;
    Changed();
}

void TPanel::SetBevelInner(TBevelCut cut) {
    FBevelInner = cut;
    Changed();
}

void TPanel::SetBevelWidth(int width) {
    FBevelWidth = width;
    Changed();
}

void TPanel::SetBorderWidth(int width) {
    FBorderWidth = width;
    Changed();
}

void TPanel::SetBorderStyle(TBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

void TPanel::SetAlignment(TAlignment alignment) {
    FAlignment = alignment;
    Invalidate();
}

void TPanel::SetCaption(const std::string& caption) {
    TCustomControl::SetCaption(caption);
    Invalidate();
}

RECT TPanel::AlignRect() {
    RECT r = TCustomControl::AlignRect();
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    InflateRect(&r, -inset, -inset);
    return r;
}

void TPanel::Paint() {
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    RECT r = ClientRect();
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        TColor tl = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        TColor br = cut == bvLowered ? clBtnHighlight : clBtnShadow;
        if (cut == bvSpace) tl = br = FColor;
        Frame3D(dc, r, tl, br, FBevelWidth);
    };
    bevel(FBevelOuter);
    c->Brush()->SetColor(FColor);
    RECT border = r;
    for (int i = 0; i < FBorderWidth; ++i) {
        c->FrameRect(border);
        InflateRect(&border, -1, -1);
    }
    r = border;
    bevel(FBevelInner);
    c->FillRect(r);
    std::string text = Caption();
    if (text.empty()) return;
    c->RequireTools();
    SetBkMode(dc, TRANSPARENT);
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    flags |= FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    DrawTextA(dc, text.c_str(), -1, &r, flags);
}

// ---- TBevel -----------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    FWidth = 50;
    FHeight = 50;
}

void TBevel::SetShape(TBevelShape shape) {
    FShape = shape;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
    FStyle = style;
    Invalidate();
}

void TBevel::Paint() {
    HDC dc = Canvas()->Handle();
    TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    RECT r = ClientRect();
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        HPEN pen = CreatePen(PS_SOLID, 1, ColorToGdi(color));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
        SelectObject(dc, old);
        DeleteObject(pen);
    };
    int w = r.right, h = r.bottom;
    switch (FShape) {
        case bsBox:
            Frame3D(dc, r, first, second, 1);
            break;
        case bsFrame: {
            RECT a{0, 0, w - 1, h - 1}, b{1, 1, w, h};
            Frame3D(dc, b, second, second, 1);
            Frame3D(dc, a, first, first, 1);
            break;
        }
        case bsTopLine:
            line(first, 0, 0, w, 0);
            line(second, 0, 1, w, 1);
            break;
        case bsBottomLine:
            line(first, 0, h - 2, w, h - 2);
            line(second, 0, h - 1, w, h - 1);
            break;
        case bsLeftLine:
            line(first, 0, 0, 0, h);
            line(second, 1, 0, 1, h);
            break;
        case bsRightLine:
            line(first, w - 2, 0, w - 2, h);
            line(second, w - 1, 0, w - 1, h);
            break;
        case bsSpacer:
            break;
    }
}

// ---- TPicture ---------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() {
    if (FBitmap) FBitmap->OnChange = nullptr;
}

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::NewBitmap() {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->OnChange = [this](TBitmap*) {
        // Drawn on: the JPEG bytes no longer tell what the picture is.
        if (!FAssigning) FJpeg.reset();
        Changed();
    };
}

TBitmap* TPicture::Bitmap() {
    if (!FBitmap) NewBitmap();
    return FBitmap.get();
}

void TPicture::Assign(const TJPEGImage& jpeg) {
    auto copy = std::make_unique<TJPEGImage>();
    copy->Assign(jpeg);
    if (!FBitmap) NewBitmap();
    FAssigning = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FAssigning};
    jpeg.AssignTo(FBitmap.get());
    FJpeg = std::move(copy);
    Changed();
}

void TPicture::Assign(TBitmap* bitmap) {
    if (!FBitmap) NewBitmap();
    FJpeg.reset();
    if (bitmap)
        FBitmap->Assign(bitmap);
    else
        FBitmap->SetSize(0, 0);
    Changed();
}

void TPicture::Clear() {
    if (FBitmap) FBitmap->OnChange = nullptr;
    FBitmap.reset();
    FJpeg.reset();
    Changed();
}

void TPicture::LoadFromFile(const std::string& fileName) { LoadFromFile(fileName, quiro::framework::JpegLimits()); }

void TPicture::LoadFromFile(const std::string& fileName, const quiro::framework::JpegLimits& limits) {
    switch (PictureFormatOf(fileName)) {
    case TPictureFormat::Jpeg: {
        TJPEGImage jpeg;
        jpeg.SetLimits(limits);
        jpeg.LoadFromFile(fileName);
        Assign(jpeg);
        return;
    }
    case TPictureFormat::Bitmap: {
        int64_t w = 0, h = 0;
        if (BitmapFileSize(fileName, w, h) &&
            (w > limits.maxSide || h > limits.maxSide || w * h > int64_t(limits.maxPixels)))
            throw EInvalidGraphic("The bitmap is too large (" + IntToStr(w) + " x " + IntToStr(h) + ")");
        TBitmap bitmap;
        bitmap.LoadFromFile(fileName);
        Assign(&bitmap);
        return;
    }
    case TPictureFormat::Unknown:
        throw EInvalidGraphic("Unknown picture file extension (" + ExtractFileExt(fileName) + ")");
    default: {
        TBitmap bitmap;
        LoadSystemPicture(fileName, bitmap, limits.maxSide, limits.maxPixels);
        Assign(&bitmap);
        return;
    }
    }
}

void TPicture::SaveToFile(const std::string& fileName) {
    const TPictureFormat format = PictureFormatOf(fileName);
    if (format == TPictureFormat::Unknown)
        throw EInvalidGraphic("Unknown picture file extension (" + ExtractFileExt(fileName) +
                              "): the name must end in .jpg, .jpeg, .gif, .bmp, .ico, .emf or .wmf");
    if (format == TPictureFormat::Bitmap) {
        Bitmap()->SaveToFile(fileName);
        return;
    }
    if (format == TPictureFormat::Jpeg && FJpeg) {
        FJpeg->SaveToFile(fileName);  // the picture's own bytes
        return;
    }
    // Made in memory first: a picture that cannot be written leaves no file behind.
    const std::vector<uint8_t> bytes = EncodePicture(*Bitmap(), format);
    TFileStream file(fileName, fmCreate);
    file.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void TPicture::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    TBitmap bitmap;
    bitmap.LoadFromResourceName(instance, name);
    Assign(&bitmap);
}

// ---- TImage -----------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    FWidth = 105;
    FHeight = 105;
    FClickEvents = true;
    FPicture.OnChange = [this](TPicture*) {
        AdjustSize();
        if (IncrementalDisplay)
            Repaint();
        else
            Invalidate();
    };
}

void TImage::SetCenter(bool center) {
    FCenter = center;
    Invalidate();
}

void TImage::SetStretch(bool stretch) {
    FStretch = stretch;
    Invalidate();
}

void TImage::SetProportional(bool proportional) {
    FProportional = proportional;
    Invalidate();
}

void TImage::SetTransparent(bool transparent) {
    FTransparent = transparent;
    Invalidate();
}

bool TImage::CanAutoSize(int& width, int& height) {
    if (FPicture.Empty()) return false;
    width = FPicture.Width();
    height = FPicture.Height();
    return true;
}

void TImage::Paint() {
    if (FPicture.Empty()) return;
    TBitmap* bitmap = FPicture.Bitmap();
    if (FStretch) {
        Canvas()->StretchDraw(ClientRect(), bitmap);
        return;
    }
    if (FProportional && (bitmap->Width() > FWidth || bitmap->Height() > FHeight)) {
        // Too large for the control: the whole picture, scaled down.
        int w = FWidth, h = FHeight;
        if (int64_t(bitmap->Width()) * FHeight >= int64_t(bitmap->Height()) * FWidth)
            h = std::max(1, int(int64_t(bitmap->Height()) * FWidth / bitmap->Width()));
        else
            w = std::max(1, int(int64_t(bitmap->Width()) * FHeight / bitmap->Height()));
        const int x = FCenter ? (FWidth - w) / 2 : 0, y = FCenter ? (FHeight - h) / 2 : 0;
        HDC dc = Canvas()->Handle();
        const int oldMode = SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        Canvas()->StretchDraw(RECT{x, y, x + w, y + h}, bitmap);
        SetStretchBltMode(dc, oldMode);
        return;
    }
    int x = 0, y = 0;
    if (FCenter) {
        x = (FWidth - bitmap->Width()) / 2;
        y = (FHeight - bitmap->Height()) / 2;
    }
    bool wasTransparent = bitmap->Transparent;
    bitmap->Transparent = FTransparent;
    Canvas()->Draw(x, y, bitmap);
    bitmap->Transparent = wasTransparent;
}

// ---- TScrollBox -------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner) {
    FWidth = 185;
    FHeight = 41;
}

void TScrollBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "QuiroScrollBox";
    params.Style |= WS_CLIPCHILDREN;
    if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TScrollBox::SetBorderStyle(TBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

void TScrollBox::UpdateScrollBars() {
    if (!HandleAllocated()) return;
    int right = 0, bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible() || c->Align() != alNone) continue;
        right = std::max(right, c->Left() + c->Width() + FScrollX);
        bottom = std::max(bottom, c->Top() + c->Height() + FScrollY);
    }
    RECT client;
    GetClientRect(FHandle, &client);
    FRangeX = AutoScroll && right > client.right ? right : 0;
    FRangeY = AutoScroll && bottom > client.bottom ? bottom : 0;
    auto apply = [&](int bar, int range, int page) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE;
        si.nMin = 0;
        si.nMax = range > 0 ? range - 1 : 0;
        si.nPage = range > 0 ? static_cast<UINT>(page) : 0;
        SetScrollInfo(FHandle, bar, &si, TRUE);
    };
    apply(SB_HORZ, FRangeX, client.right);
    apply(SB_VERT, FRangeY, client.bottom);
    // Content that now fits is scrolled back into view.
    GetClientRect(FHandle, &client);
    int maxX = std::max(0, FRangeX - static_cast<int>(client.right));
    int maxY = std::max(0, FRangeY - static_cast<int>(client.bottom));
    if (FScrollX > maxX || FScrollY > maxY)
        ScrollTo(std::min(FScrollX, maxX), std::min(FScrollY, maxY));
}

void TScrollBox::ScrollTo(int x, int y) {
    int dx = FScrollX - x, dy = FScrollY - y;
    if (!dx && !dy) return;
    FScrollX = x;
    FScrollY = y;
    std::vector<TControl*> children;
    for (int i = 0; i < ControlCount(); ++i) children.push_back(Controls(i));
    for (TControl* c : children)
        if (c->Align() == alNone)
            c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    if (HandleAllocated()) {
        SetScrollPos(FHandle, SB_HORZ, x, TRUE);
        SetScrollPos(FHandle, SB_VERT, y, TRUE);
        Invalidate();
    }
}

void TScrollBox::Scroll(int bar, int code) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(FHandle, bar, &si);
    int pos = bar == SB_HORZ ? FScrollX : FScrollY;
    int page = static_cast<int>(si.nPage);
    switch (code) {
        case SB_LINEUP:
            pos -= 8;
            break;
        case SB_LINEDOWN:
            pos += 8;
            break;
        case SB_PAGEUP:
            pos -= page;
            break;
        case SB_PAGEDOWN:
            pos += page;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = si.nTrackPos;
            break;
        case SB_TOP:
            pos = 0;
            break;
        case SB_BOTTOM:
            pos = si.nMax;
            break;
        default:
            return;
    }
    pos = std::clamp(pos, 0, std::max(0, si.nMax - page + 1));
    if (bar == SB_HORZ)
        ScrollTo(pos, FScrollY);
    else
        ScrollTo(FScrollX, pos);
}

void TScrollBox::WndProc(TMessage& message) {
    if ((message.Msg == WM_HSCROLL || message.Msg == WM_VSCROLL) && message.LParam == 0) {
        Scroll(message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(message.WParam));
        message.Result = 0;
        return;
    }
    TWinControl::WndProc(message);
    if (message.Msg == WM_SIZE) UpdateScrollBars();
}
