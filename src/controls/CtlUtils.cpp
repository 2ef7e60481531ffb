#include "controls/CtlUtils.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/Forms.h"

namespace {

// The raster operation that paints the brush where the (monochrome) source is 0 and
// keeps the destination where it is 1.
constexpr DWORD kRopBrushOnZeros = 0x00B8074A;

HINSTANCE ProgramModule() {
    return GetModuleHandleA(nullptr);
}

std::string ResourceName(LPCSTR name) {
    if (IS_INTRESOURCE(name))
        return IntToStr(static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)));
    return name;
}

// A memory context holding a bitmap for the scope.
class MemoryDC {
public:
    MemoryDC(HDC like, HBITMAP bitmap) : FDC(CreateCompatibleDC(like)) {
        if (!FDC) throw EOutOfResources("Out of system resources");
        FOld = SelectObject(FDC, bitmap);
    }
    ~MemoryDC() {
        SelectObject(FDC, FOld);
        DeleteDC(FDC);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return FDC; }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// A GDI object deleted at the end of the scope.
template <class H>
struct GdiObject {
    H handle;
    explicit GdiObject(H h) : handle(h) {
        if (!h) throw EOutOfResources("Out of system resources");
    }
    ~GdiObject() { DeleteObject(handle); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
};

// A monochrome copy of a source rectangle: 1 where the source has `background`, 0
// elsewhere.
HBITMAP MonochromeMask(HDC src, int sx, int sy, int w, int h, COLORREF background) {
    HBITMAP mono = CreateBitmap(w, h, 1, 1, nullptr);
    if (!mono) throw EOutOfResources("Out of system resources");
    MemoryDC monoDC(src, mono);
    COLORREF oldBk = SetBkColor(src, background);
    BitBlt(monoDC, 0, 0, w, h, src, sx, sy, SRCCOPY);
    SetBkColor(src, oldBk);
    return mono;
}

// Paints `color` onto `dest` where the monochrome `mask` holds 0.
void PaintZeros(HDC dest, int x, int y, int w, int h, HBITMAP mask, TColor color) {
    MemoryDC maskDC(dest, mask);
    GdiObject<HBRUSH> brush(CreateSolidBrush(ColorToGdi(color)));
    HGDIOBJ oldBrush = SelectObject(dest, brush.handle);
    COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
    COLORREF oldBk = SetBkColor(dest, RGB(255, 255, 255));
    BitBlt(dest, x, y, w, h, maskDC, 0, 0, kRopBrushOnZeros);
    SetTextColor(dest, oldText);
    SetBkColor(dest, oldBk);
    SelectObject(dest, oldBrush);
}

// The window class of a program's main window on this framework (its forms' class).
constexpr char kApplicationWindowClass[] = "QuiroForm";

// The off-screen picture of WriteText, made on first use.
TBitmap& ScratchBitmap() {
    static TBitmap bitmap;
    return bitmap;
}

TColor ResolvedTransparent(TBitmap* bitmap, TColor transparent) {
    if (transparent != clDefault) return transparent;
    return bitmap->Canvas()->Pixels(0, bitmap->Height() - 1);
}

struct WaitState {
    int count = 0;
    TCursor saved = crDefault;
};
WaitState& Wait() {
    static WaitState state;
    return state;
}

}  // namespace

// ---- Resources and images ---------------------------------------------------------------

void ResourceNotFound(LPCSTR name) {
    throw EResNotFound(Format("Resource %s not found", ResourceName(name)));
}

std::unique_ptr<TBitmap> MakeModuleBitmap(HINSTANCE module, LPCSTR name) {
    auto bitmap = std::make_unique<TBitmap>();
    if (!module) {
        HBITMAP h = LoadBitmapA(nullptr, name);
        if (!h) ResourceNotFound(name);
        bitmap->SetHandle(h);
    } else if (IS_INTRESOURCE(name)) {
        bitmap->LoadFromResourceID(module, static_cast<int>(reinterpret_cast<uintptr_t>(name)));
    } else {
        bitmap->LoadFromResourceName(module, name);
    }
    return bitmap;
}

std::unique_ptr<TBitmap> MakeBitmap(LPCSTR name) {
    return MakeModuleBitmap(ProgramModule(), name);
}

std::unique_ptr<TBitmap> MakeBitmapID(WORD id) {
    return MakeModuleBitmap(ProgramModule(), MAKEINTRESOURCEA(id));
}

HICON MakeModuleIcon(HINSTANCE module, LPCSTR name) {
    return LoadIconA(module, name);
}
HICON MakeIcon(LPCSTR name) {
    return MakeModuleIcon(ProgramModule(), name);
}
HICON MakeIconID(WORD id) {
    return MakeModuleIcon(ProgramModule(), MAKEINTRESOURCEA(id));
}

void AssignBitmapCell(TBitmap* source, TBitmap* dest, int cols, int rows, int index) {
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    index = std::max(index, 0);
    const int w = source->Width() / cols, h = source->Height() / rows;
    const int x = (index % cols) * w, y = (index / cols) % rows * h;
    dest->SetSize(w, h);
    dest->Canvas()->CopyRect(RECT{0, 0, w, h}, source->Canvas(), RECT{x, y, x + w, y + h});
    dest->Transparent = source->Transparent;
    dest->TransparentMode = source->TransparentMode;
    if (source->TransparentMode == tmFixed) dest->SetTransparentColor(source->TransparentColor());
}

std::unique_ptr<TBitmap> CreateBitmapFromIcon(HICON icon, TColor back) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) RaiseWin32Error(GetLastError());
    BITMAP bm{};
    GetObjectA(info.hbmMask, sizeof bm, &bm);
    const int w = bm.bmWidth, h = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(w, h);
    TCanvas* c = bitmap->Canvas();
    c->Brush()->SetColor(back);
    c->FillRect(RECT{0, 0, w, h});
    DrawIconEx(c->Handle(), 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    bitmap->SetTransparentColor(back);
    bitmap->Transparent = true;
    return bitmap;
}

HICON CreateIconFromBitmap(TBitmap* bitmap, TColor transparent) {
    const COLORREF mask =
        ColorToGdi(transparent == clDefault ? bitmap->TransparentColor() : transparent);
    HIMAGELIST list =
        ImageList_Create(bitmap->Width(), bitmap->Height(), ILC_MASK | ILC_COLOR24, 1, 0);
    if (!list) throw EOutOfResources("Out of system resources");
    // The image list takes a copy: the bitmap leaves its own context first.
    if (auto* canvas = dynamic_cast<TBitmapCanvas*>(bitmap->Canvas())) canvas->FreeContext();
    HICON icon = nullptr;
    if (ImageList_AddMasked(list, bitmap->Handle(), mask) >= 0)
        icon = ImageList_GetIcon(list, 0, ILD_TRANSPARENT);
    ImageList_Destroy(list);
    return icon;
}

HCURSOR LoadAniCursor(HINSTANCE module, LPCSTR name) {
    HRSRC res = FindResourceA(module, name, MAKEINTRESOURCEA(21));
    if (!res) return nullptr;
    HGLOBAL data = LoadResource(module, res);
    const void* bytes = data ? LockResource(data) : nullptr;
    DWORD size = SizeofResource(module, res);
    if (!bytes || size == 0) return nullptr;
    char folder[MAX_PATH + 1] = {}, file[MAX_PATH + 1] = {};
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "ANI", 0, file))
        return nullptr;
    HCURSOR cursor = nullptr;
    HANDLE h =
        CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        bool ok = WriteFile(h, bytes, size, &written, nullptr) && written == size;
        CloseHandle(h);
        if (ok) cursor = LoadCursorFromFileA(file);
    }
    DeleteFileA(file);
    return cursor;
}

TCursor DefineCursor(HINSTANCE module, LPCSTR name) {
    HCURSOR cursor = LoadCursorA(module, name);
    if (!cursor) cursor = LoadAniCursor(module, name);
    if (!cursor) ResourceNotFound(name);
    TCursor index = 100;
    while (Screen->Cursors(index) != Screen->Cursors(crArrow)) ++index;  // taken
    Screen->SetCursors(index, cursor);
    return index;
}

// ---- Transparent and disabled drawing ---------------------------------------------------

void StretchBltTransparent(HDC dest, int x, int y, int w, int h, HPALETTE palette, HDC src, int sx,
                           int sy, int sw, int sh, TColor transparent) {
    HPALETTE oldPalette = nullptr;
    if (palette) {
        oldPalette = SelectPalette(dest, palette, FALSE);
        RealizePalette(dest);
    }
    BltTransparent(dest, x, y, w, h, src, sx, sy, sw, sh, ColorToGdi(transparent));
    if (palette) SelectPalette(dest, oldPalette, TRUE);
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, TColor transparent) {
    BITMAP bm{};
    if (!GetObjectA(bitmap, sizeof bm, &bm)) return;
    MemoryDC src(dc, bitmap);
    StretchBltTransparent(dc, x, y, bm.bmWidth, bm.bmHeight, nullptr, src, 0, 0, bm.bmWidth,
                          bm.bmHeight, transparent);
}

void StretchBitmapRectTransparent(TCanvas* dest, int x, int y, int w, int h, RECT rect,
                                  TBitmap* bitmap, TColor transparent) {
    if (!bitmap || bitmap->Empty()) return;
    if (w < 1) w = WidthOf(rect);
    if (h < 1) h = HeightOf(rect);
    HDC dc = dest->Handle();
    HDC src = bitmap->Canvas()->Handle();
    if (transparent == clNone) {
        int oldMode = SetStretchBltMode(dc, bitmap->Monochrome() ? COLORONCOLOR : HALFTONE);
        StretchBlt(dc, x, y, w, h, src, rect.left, rect.top, WidthOf(rect), HeightOf(rect),
                   SRCCOPY);
        SetStretchBltMode(dc, oldMode);
        return;
    }
    StretchBltTransparent(dc, x, y, w, h, nullptr, src, rect.left, rect.top, WidthOf(rect),
                          HeightOf(rect), ResolvedTransparent(bitmap, transparent));
}

void DrawBitmapRectTransparent(TCanvas* dest, int x, int y, RECT rect, TBitmap* bitmap,
                               TColor transparent) {
    StretchBitmapRectTransparent(dest, x, y, WidthOf(rect), HeightOf(rect), rect, bitmap,
                                 transparent);
}

void DrawBitmapTransparent(TCanvas* dest, int x, int y, TBitmap* bitmap, TColor transparent) {
    if (!bitmap) return;
    DrawBitmapRectTransparent(dest, x, y, RECT{0, 0, bitmap->Width(), bitmap->Height()}, bitmap,
                              transparent);
}

std::unique_ptr<TBitmap> ChangeBitmapColor(TBitmap* bitmap, TColor color, TColor newColor) {
    auto result = std::make_unique<TBitmap>();
    result->SetSize(bitmap->Width(), bitmap->Height());
    TCanvas* c = result->Canvas();
    c->Brush()->SetColor(newColor);
    const RECT r{0, 0, bitmap->Width(), bitmap->Height()};
    c->BrushCopy(r, bitmap, r, color);
    return result;
}

std::unique_ptr<TBitmap> CreateDisabledBitmapEx(TBitmap* bitmap, TColor outlineColor,
                                                TColor backColor, TColor highlight, TColor shadow,
                                                bool drawHighlight) {
    const int w = bitmap->Width(), h = bitmap->Height();
    auto result = std::make_unique<TBitmap>();
    result->SetSize(w, h);
    TCanvas* c = result->Canvas();
    c->Brush()->SetColor(backColor);
    c->FillRect(RECT{0, 0, w, h});
    if (w == 0 || h == 0) return result;
    GdiObject<HBITMAP> mono(
        MonochromeMask(bitmap->Canvas()->Handle(), 0, 0, w, h, ColorToGdi(outlineColor)));
    HDC dc = c->Handle();
    if (drawHighlight) PaintZeros(dc, 1, 1, w, h, mono.handle, highlight);
    PaintZeros(dc, 0, 0, w, h, mono.handle, shadow);
    return result;
}

std::unique_ptr<TBitmap> CreateDisabledBitmap(TBitmap* bitmap, TColor outlineColor) {
    return CreateDisabledBitmapEx(bitmap, outlineColor, clBtnFace, clBtnHighlight, clBtnShadow,
                                  true);
}

void ImageListDrawDisabled(HIMAGELIST images, TCanvas* canvas, int x, int y, int index,
                           TColor highlight, TColor grey, bool drawHighlight) {
    int w = 0, h = 0;
    if (!ImageList_GetIconSize(images, &w, &h) || w <= 0 || h <= 0) return;
    HDC dc = canvas->Handle();
    GdiObject<HBITMAP> mono(CreateBitmap(w, h, 1, 1, nullptr));
    {
        MemoryDC monoDC(dc, mono.handle);
        PatBlt(monoDC, 0, 0, w, h, WHITENESS);
        // Colour turns monochrome by the context's background: white stays 1.
        SetBkColor(monoDC, RGB(255, 255, 255));
        ImageList_Draw(images, index, monoDC, 0, 0, ILD_TRANSPARENT);
    }
    if (drawHighlight) PaintZeros(dc, x + 1, y + 1, w, h, mono.handle, highlight);
    PaintZeros(dc, x, y, w, h, mono.handle, grey);
}

std::unique_ptr<TBitmap> CreateTwoColorsBrushPattern(TColor color1, TColor color2) {
    auto pattern = std::make_unique<TBitmap>();
    pattern->SetSize(8, 8);
    TCanvas* c = pattern->Canvas();
    c->Brush()->SetColor(color1);
    c->FillRect(RECT{0, 0, 8, 8});
    for (int y = 0; y < 8; ++y)
        for (int x = y % 2; x < 8; x += 2) c->SetPixel(x, y, color2);
    return pattern;
}

void ShadeRect(HDC dc, const RECT& rect) {
    static const WORD kHatch[8] = {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88};
    GdiObject<HBITMAP> bits(CreateBitmap(8, 8, 1, 1, kHatch));
    GdiObject<HBRUSH> brush(CreatePatternBrush(bits.handle));
    HGDIOBJ old = SelectObject(dc, brush.handle);
    PatBlt(dc, rect.left, rect.top, WidthOf(rect), HeightOf(rect), 0x00A000C9);
    SelectObject(dc, old);
}

void PaintInverseRect(POINT p1, POINT p2) {
    HDC dc = GetDC(nullptr);
    RECT r{std::min(p1.x, p2.x), std::min(p1.y, p2.y), std::max(p1.x, p2.x), std::max(p1.y, p2.y)};
    InvertRect(dc, &r);
    ReleaseDC(nullptr, dc);
}

void DrawInvertFrame(RECT screenRect, int width) {
    HDC dc = GetDC(nullptr);
    for (int i = 0; i < width; ++i) {
        DrawFocusRect(dc, &screenRect);
        InflateRect(&screenRect, -1, -1);
    }
    ReleaseDC(nullptr, dc);
}

void CopyParentImage(TControl* control, TCanvas* canvas) {
    TWinControl* parent = control ? control->Parent() : nullptr;
    if (!parent || !parent->HandleAllocated()) return;
    HDC dc = canvas->Handle();
    const int saved = SaveDC(dc);
    const RECT self = control->BoundsRect();
    OffsetViewportOrgEx(dc, -self.left, -self.top, nullptr);
    IntersectClipRect(dc, self.left, self.top, self.right, self.bottom);
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    // The windowless controls below this one (earlier in the parent's list).
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == control) break;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        RECT r = c->BoundsRect(), overlap;
        if (!IntersectRect(&overlap, &r, &self)) continue;
        const int inner = SaveDC(dc);
        OffsetViewportOrgEx(dc, r.left, r.top, nullptr);
        IntersectClipRect(dc, 0, 0, WidthOf(r), HeightOf(r));
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        RestoreDC(dc, inner);
    }
    RestoreDC(dc, saved);
}

void GradientFillRect(TCanvas* canvas, const RECT& rect, TColor startColor, TColor endColor,
                      TFillDirection direction, int colors) {
    const bool vertical = direction == fdTopToBottom || direction == fdBottomToTop;
    const int extent = vertical ? HeightOf(rect) : WidthOf(rect);
    if (WidthOf(rect) <= 0 || HeightOf(rect) <= 0) return;
    const TColor saved = canvas->Brush()->Color();
    for (const TGradientBand& band :
         GradientBands(extent, ColorToRGB(startColor), ColorToRGB(endColor), direction, colors)) {
        RECT r = rect;
        if (vertical) {
            r.top = rect.top + band.from;
            r.bottom = rect.top + band.to;
        } else {
            r.left = rect.left + band.from;
            r.right = rect.left + band.to;
        }
        canvas->Brush()->SetColor(band.color);
        canvas->FillRect(r);
    }
    canvas->Brush()->SetColor(saved);
}

HFONT CreateRotatedFont(TFont* font, int angle) {
    LOGFONTA lf{};
    lf.lfHeight = font->Height();
    lf.lfWeight = (font->Style() & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font->Style() & fsItalic) != 0;
    lf.lfUnderline = (font->Style() & fsUnderline) != 0;
    lf.lfStrikeOut = (font->Style() & fsStrikeOut) != 0;
    lf.lfCharSet = font->Charset();
    lf.lfEscapement = lf.lfOrientation = angle * 10;
    lstrcpynA(lf.lfFaceName, font->Name().c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

COLORREF PaletteColor(TColor color) {
    return ColorToGdi(color) | 0x02000000;
}

int PaletteEntries(HPALETTE palette) {
    WORD count = 0;
    return GetObjectA(palette, sizeof count, &count) ? count : 0;
}

// ---- Geometry and windows ---------------------------------------------------------------

bool PointInPolyRgn(POINT p, const POINT* points, int count) {
    HRGN region = CreatePolygonRgn(points, count, WINDING);
    if (!region) return false;
    bool inside = PtInRegion(region, p.x, p.y) != 0;
    DeleteObject(region);
    return inside;
}

int DialogUnitsToPixelsX(int units) {
    return units * LOWORD(GetDialogBaseUnits()) / 4;
}
int DialogUnitsToPixelsY(int units) {
    return units * HIWORD(GetDialogBaseUnits()) / 8;
}
int PixelsToDialogUnitsX(int pixels) {
    return pixels * 4 / LOWORD(GetDialogBaseUnits());
}
int PixelsToDialogUnitsY(int pixels) {
    return pixels * 8 / HIWORD(GetDialogBaseUnits());
}

void CenterControl(TControl* control) {
    int width, height;
    if (TWinControl* parent = control->Parent()) {
        RECT client{0, 0, parent->Width(), parent->Height()};
        if (parent->HandleAllocated()) GetClientRect(parent->Handle(), &client);
        width = WidthOf(client);
        height = HeightOf(client);
    } else {
        width = Screen->Width();
        height = Screen->Height();
    }
    control->SetBounds(std::max(0, (width - control->Width()) / 2),
                       std::max(0, (height - control->Height()) / 2), control->Width(),
                       control->Height());
}

void CenterWindow(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    const int w = WidthOf(r), h = HeightOf(r);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int x = (sw - w) / 2, y = (sh - h) / 2;
    if (x + w > sw) x = sw - w;
    if (y + h > sh) y = sh - h;
    x = std::max(x, 0);
    y = std::max(y, 0);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowMDIClientEdge(HWND client, bool show) {
    LONG_PTR style = GetWindowLongPtrA(client, GWL_EXSTYLE);
    style = show ? (style | WS_EX_CLIENTEDGE) : (style & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
    SetWindowLongPtrA(client, GWL_EXSTYLE, style);
    SetWindowPos(client, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

RECT ScreenWorkArea() {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

std::string WindowClassName(HWND window) {
    char name[256];
    int n = GetClassNameA(window, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

void ShowWinNoAnimate(HWND window, int showCmd) {
    ANIMATIONINFO info{sizeof info, 0};
    SystemParametersInfoA(SPI_GETANIMATION, sizeof info, &info, 0);
    const int animated = info.iMinAnimate;
    if (animated) {
        info.iMinAnimate = 0;
        SystemParametersInfoA(SPI_SETANIMATION, sizeof info, &info, 0);
    }
    ShowWindow(window, showCmd);
    if (animated) {
        info.iMinAnimate = animated;
        SystemParametersInfoA(SPI_SETANIMATION, sizeof info, &info, 0);
    }
}

void SwitchToWindow(HWND window, bool restore) {
    if (!IsWindowEnabled(window)) return;
    SetForegroundWindow(window);
    if (restore && IsWindowVisible(window)) {
        if (!IsZoomed(window)) SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        SetFocus(window);
    }
}

void ActivateWindow(HWND window) {
    ShowWinNoAnimate(window, SW_SHOW);
    SetForegroundWindow(window);
}

HWND FindPrevInstance(const std::string& mainFormClass, const std::string& title) {
    if (mainFormClass.empty() && title.empty()) return nullptr;
    return FindWindowA(mainFormClass.empty() ? nullptr : mainFormClass.c_str(),
                       title.empty() ? nullptr : title.c_str());
}

bool ActivatePrevInstance(const std::string& mainFormClass, const std::string& title) {
    HWND window = FindPrevInstance(mainFormClass, title);
    if (!window) return false;
    while (HWND owner = GetWindow(window, GW_OWNER)) window = owner;
    // The application's window of this framework is its main form.
    if (WindowClassName(window) != kApplicationWindowClass) return false;
    if (IsIconic(window)) ShowWinNoAnimate(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}

bool IsForegroundTask() {
    HWND active = GetForegroundWindow();
    return active && GetWindowThreadProcessId(active, nullptr) == GetCurrentThreadId();
}

bool MouseOverControl(TControl* control) {
    TWinControl* parent = control->Parent();
    if (!control->Enabled() || !parent || !parent->HandleAllocated() || !IsForegroundTask())
        return false;
    POINT p;
    GetCursorPos(&p);
    return parent->ControlAtPos(parent->ScreenToClient(p)) == control;
}

void TMouseTrackingControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TMouseTrackingControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TMouseTrackingControl::UpdateTracking() {
    bool inside = MouseOverControl(this);
    if (inside == FMouseInside) return;
    FMouseInside = inside;
    if (inside)
        MouseEnter();
    else
        MouseLeave();
}

void TMouseTrackingControl::WndProc(TMessage& message) {
    if (message.Msg == CM_MOUSEENTER && Enabled() && IsForegroundTask() && !FMouseInside) {
        FMouseInside = true;
        MouseEnter();
    } else if (message.Msg == CM_MOUSELEAVE && FMouseInside && !HoldsMouse()) {
        FMouseInside = false;
        MouseLeave();
    }
    TGraphicControl::WndProc(message);
}

void KillMessage(HWND window, UINT msg) {
    MSG m;
    if (PeekMessageA(&m, window, msg, msg, PM_REMOVE) && m.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(m.wParam));
}

// ---- Text, strings and errors -----------------------------------------------------------

void* AllocMemo(long size) {
    return size > 0 ? GlobalAlloc(GPTR, static_cast<SIZE_T>(size)) : nullptr;
}

void* ReallocMemo(void* block, long size) {
    if (!block) return AllocMemo(size);
    if (size <= 0) {
        FreeMemo(block);
        return nullptr;
    }
    return GlobalReAlloc(block, static_cast<SIZE_T>(size), GMEM_MOVEABLE | GMEM_ZEROINIT);
}

void FreeMemo(void*& block) {
    if (block) GlobalFree(block);
    block = nullptr;
}

long GetMemoSize(void* block) {
    return block ? static_cast<long>(GlobalSize(block)) : 0;
}

std::string MinimizeText(const std::string& text, TCanvas* canvas, int maxWidth) {
    return MinimizeText(
        std::string_view(text),
        [canvas](std::string_view s) { return canvas->TextWidth(std::string(s)); }, maxWidth);
}

TEXTMETRICA FontMetrics(TFont* font) {
    TEXTMETRICA tm{};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm;
}

SIZE GetAveCharSize(TCanvas* canvas) {
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE s = canvas->TextExtent(letters);
    s.cx /= 52;
    return s;
}

void WriteText(TCanvas* canvas, RECT rect, int dx, int dy, const std::string& text, UINT alignment,
               bool wordBreak) {
    canvas->RequireTools();
    const COLORREF brush = ColorToGdi(canvas->Brush()->Color());
    if (!wordBreak && text.find('\r') == std::string::npos &&
        GetNearestColor(canvas->Handle(), brush) == brush) {
        int x;
        if (alignment == DT_RIGHT)
            x = rect.right - canvas->TextWidth(text) - 3;
        else if (alignment == DT_CENTER)
            x = rect.left + (WidthOf(rect) - canvas->TextWidth(text)) / 2;
        else
            x = rect.left + dx;
        canvas->TextRect(rect, x, rect.top + dy, text);
        return;
    }
    const int w = WidthOf(rect), h = HeightOf(rect);
    if (w <= 0 || h <= 0) return;
    TBitmap& scratch = ScratchBitmap();
    scratch.SetSize(std::max(scratch.Width(), w), std::max(scratch.Height(), h));
    TCanvas* c = scratch.Canvas();
    c->Font()->Assign(*canvas->Font());
    c->Brush()->SetColor(canvas->Brush()->Color());
    c->Brush()->SetStyle(bsSolid);
    const RECT whole{0, 0, w, h};
    c->FillRect(whole);
    RECT inner{dx, dy, w - 2, h - 2};
    c->RequireTools();
    SetBkMode(c->Handle(), TRANSPARENT);
    DrawTextA(c->Handle(), text.c_str(), static_cast<int>(text.size()), &inner,
              alignment | DT_NOPREFIX | (wordBreak ? DT_WORDBREAK : 0));
    SetBkMode(c->Handle(), OPAQUE);
    canvas->CopyRect(rect, c, whole);
}

void DrawCellTextEx(TCanvas* canvas, RECT rect, const std::string& text, UINT alignment,
                    TVertAlignment vertAlignment, bool wordBreak) {
    int dy = 2;
    if (vertAlignment == vaCenter)
        dy = std::max(1, (HeightOf(rect) - canvas->TextHeight("W")) / 2);
    else if (vertAlignment == vaBottomJustify)
        dy = std::max(2, HeightOf(rect) - canvas->TextHeight("W") - 2);
    WriteText(canvas, rect, 2, dy, text, alignment, wordBreak);
}

void DrawCellText(TCanvas* canvas, RECT rect, const std::string& text, UINT alignment,
                  TVertAlignment vertAlignment) {
    DrawCellTextEx(canvas, rect, text, alignment, vertAlignment, false);
}

void DrawCellBitmap(TCanvas* canvas, RECT rect, TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return;
    const int x = rect.left + (WidthOf(rect) - bitmap->Width()) / 2;
    const int y = rect.top + (HeightOf(rect) - bitmap->Height()) / 2;
    canvas->Draw(x, y, bitmap);
}

std::string GetEnvVar(const std::string& name) {
    LPCH block = GetEnvironmentStringsA();
    if (!block) return {};
    std::string value;
    for (const char* p = block; *p; p += std::strlen(p) + 1) {
        std::string_view entry(p);
        if (entry.size() > name.size() && entry.substr(0, name.size()) == name &&
            entry[name.size()] == '=') {
            value = std::string(entry.substr(name.size() + 1));
            break;
        }
    }
    FreeEnvironmentStringsA(block);
    return value;
}

HMODULE LoadDLL(const std::string& name) {
    UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE module = LoadLibraryA(name.c_str());
    DWORD error = GetLastError();
    SetErrorMode(oldMode);
    if (reinterpret_cast<uintptr_t>(module) < 32)
        RaiseWin32Error(error ? error : ERROR_MOD_NOT_FOUND);
    return module;
}

bool RegisterServer(const std::string& name) {
    HMODULE module = LoadDLL(name);
    using RegisterProc = HRESULT(WINAPI*)();
    auto proc = reinterpret_cast<RegisterProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    bool ok = proc && SUCCEEDED(proc());
    FreeLibrary(module);
    return ok;
}

void Beep() {
    MessageBeep(0);
}

void Delay(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD now = GetTickCount();
        if (now - start >= ms || now < start) return;
        if (Application) Application->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - (now - start), QS_ALLINPUT);
    }
}

void NotImplemented() {
    Screen->SetCursor(crDefault);
    MsgDlg("Function not yet implemented", mtInformation, MsgDlgButton(mbOK), 0);
    Abort();
}

int MsgDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
    return MessageDlg(text, type, buttons, helpContext);
}

void MergeForm(TWinControl* control, TForm* form, TAlign align, bool show) {
    int left = form->Left(), top = form->Top();
    form->SetBorderStyle(bsNone);
    form->SetParent(control);
    if (align == alNone)
        form->SetBounds(left + control->Left(), top + control->Top(), form->Width(), form->Height());
    else
        form->SetAlign(align);
    if (show) form->Show();
}

int MsgBox(const std::string& caption, const std::string& text, UINT flags) {
    if (Application) return Application->MessageBox(text, caption, flags);
    return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), flags);
}

void StartWait() {
    WaitState& w = Wait();
    if (w.count++ == 0) {
        w.saved = Screen->Cursor();
        Screen->SetCursor(crHourGlass);
    }
}

void StopWait() {
    WaitState& w = Wait();
    if (w.count == 0) return;
    if (--w.count == 0) Screen->SetCursor(w.saved);
}

std::string Win32ErrorText(DWORD code) {
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = text ? text : "";
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

void RaiseWin32Error(DWORD code) {
    if (code == 0) return;
    throw EWin32Error(Format("Win32 Error.  Code: %d.\n%s", static_cast<int>(code), Win32ErrorText(code)), code);
}

void CheckWin32(bool ok) {
    if (!ok) RaiseWin32Error(GetLastError());
}

std::string GetWindowsVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return "Windows";
    std::string platform;
    DWORD build = info.dwBuildNumber;
    switch (info.dwPlatformId) {
        case VER_PLATFORM_WIN32s:
            platform = "32s";
            break;
        case VER_PLATFORM_WIN32_WINDOWS:
            platform = info.dwMajorVersion * 100 + info.dwMinorVersion < 410 ? "95" : "98";
            build &= 0xFFFF;
            break;
        default:
            platform = "NT";
            break;
    }
    return Trim(Format("Windows %s %d.%.2d.%.3d %s", platform, info.dwMajorVersion,
                       info.dwMinorVersion, build, info.szCSDVersion));
}

// ---- TScreenCanvas ----------------------------------------------------------------------

TScreenCanvas::~TScreenCanvas() {
    TScreenCanvas::FreeHandle();
}

void TScreenCanvas::CreateHandle() {
    if (!FDC) FDC = GetDC(nullptr);
    if (!FDC) throw EOutOfResources("Out of system resources");
    SetHandle(FDC);
}

void TScreenCanvas::FreeHandle() {
    TCanvas::FreeHandle();
    if (FDC) ReleaseDC(nullptr, FDC);
    FDC = nullptr;
}

void TScreenCanvas::SetOrigin(int x, int y) {
    SetWindowOrgEx(Handle(), -x, -y, nullptr);
}
