// paintbench: how fast the console text renderer fills a screen, and what it looks like.
//
//   paintbench              times a full repaint of an 80 x 24 screen (eight colour runs a
//                           line, one PaintText per run) into a memory context, with the
//                           built-in bitmap fonts and with a Windows font through code page
//                           949, and the one-line scroll (pixels moved, one line painted)
//   paintbench --show [s]   shows Korean text, Hanja, symbols and the 16 colours drawn with
//                           the built-in fonts (and a few lines in the Windows font) in a
//                           window for s seconds (default 30)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engines/core/ConsolePalette.h"
#include "engines/core/DravelHanguel.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"

namespace {

constexpr int kColumns = 80;
constexpr int kRows = 24;
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;
constexpr int kRunsPerLine = 8;
constexpr const char* kKoreanFace = "NanumGothicCoding";

struct Run {
    std::string text;
    int fg, bg;
};
using Line = std::vector<Run>;

// Eight runs of ten bytes a line: four ASCII bytes and three syllables each.
std::vector<Line> BenchScreen() {
    static const char* const syllables[] = {"\xB0\xA1", "\xB3\xAA", "\xB4\xD9", "\xB6\xF3",
                                            "\xB8\xB6", "\xB9\xD9", "\xBB\xE7", "\xBE\xC6"};
    std::vector<Line> screen(kRows);
    for (int row = 0; row < kRows; ++row)
        for (int r = 0; r < kRunsPerLine; ++r) {
            std::string text = "r" + std::to_string(r) + ": ";
            for (int k = 0; k < 3; ++k) text += syllables[(row + r + k) % 8];
            screen[row].push_back({text, (row + r) % 16, (row + 3 * r + 8) % 16});
        }
    return screen;
}

void PaintLine(TDravelHanguel& h, TCanvas* canvas, const Line& line, int y) {
    int x = 0;
    for (const Run& run : line) {
        canvas->Font()->SetColor(static_cast<TColor>(ColorIndexToColor(run.fg)));
        canvas->Brush()->SetColor(static_cast<TColor>(ColorIndexToColor(run.bg)));
        h.PaintText(canvas, x, y, run.text);
        x += static_cast<int>(run.text.size()) * kCellWidth;
    }
}

void PaintScreen(TDravelHanguel& h, TCanvas* canvas, const std::vector<Line>& screen) {
    for (int row = 0; row < static_cast<int>(screen.size()); ++row)
        PaintLine(h, canvas, screen[row], row * kCellHeight);
}

double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds per call of `frame`, over at least a second and 50 calls.
template <typename F>
double Time(F frame) {
    for (int i = 0; i < 5; ++i) frame();
    GdiFlush();
    int frames = 0;
    const double start = Seconds();
    double elapsed = 0;
    do {
        frame();
        GdiFlush();
        ++frames;
        elapsed = Seconds() - start;
    } while (elapsed < 1.0 || frames < 50);
    return elapsed * 1000.0 / frames;
}

void UseKoreanFont(TCanvas* canvas) {
    canvas->Font()->SetName(kKoreanFace);
    canvas->Font()->SetHeight(-kCellHeight);
    canvas->Font()->SetCharset(HANGUL_CHARSET);
    canvas->Font()->SetPitch(fpFixed);
}

int Bench() {
    TDravelHanguel bitmapFonts;
    if (!bitmapFonts.LoadBitmapFonts(nullptr)) {
        std::fprintf(stderr, "paintbench: %s\n", bitmapFonts.BitmapFontError().c_str());
        return 1;
    }
    TDravelHanguel windowsFont;
    windowsFont.SetCodePage(949);

    const int width = kColumns * kCellWidth, height = kRows * kCellHeight;
    HDC screenDc = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screenDc);
    HBITMAP bitmap = CreateCompatibleBitmap(screenDc, width, height);
    ReleaseDC(nullptr, screenDc);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const std::vector<Line> screen = BenchScreen();

    std::printf("paintbench: %d x %d screen, %d colour runs a line, into a memory context\n",
                kColumns, kRows, kRunsPerLine);
    struct Mode {
        const char* name;
        TDravelHanguel* h;
        bool korean;
    } modes[] = {{"bitmap fonts", &bitmapFonts, false},
                 {"Windows font (NanumGothicCoding, code page 949)", &windowsFont, true}};
    for (const Mode& m : modes) {
        TCanvas canvas;
        canvas.SetHandle(dc);
        if (m.korean) UseKoreanFont(&canvas);
        const double full = Time([&] { PaintScreen(*m.h, &canvas, screen); });
        // The scroll path: the picture moves up a line, the uncovered line is painted.
        int next = 0;
        const double scroll = Time([&] {
            BitBlt(dc, 0, 0, width, height - kCellHeight, dc, 0, kCellHeight, SRCCOPY);
            PaintLine(*m.h, &canvas, screen[next++ % kRows], height - kCellHeight);
        });
        canvas.SetHandle(nullptr);
        std::printf("  %-50s full repaint %7.3f ms/frame, one-line scroll %7.3f ms\n", m.name, full,
                    scroll);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return 0;
}

// ---- --show: a sample screen in a window ----

TDravelHanguel* gBitmapFonts = nullptr;
TDravelHanguel* gWindowsFont = nullptr;

void PaintSample(TCanvas* canvas) {
    struct Text {
        const char* bytes;
        int fg, bg;
    };
    // Rows of runs; an empty run list leaves a blank row.
    const std::vector<std::vector<Text>> rows = {
        {{"Built-in bitmap fonts (FontASCII, FontKSC5601, FontHanja)", 15, 4}},
        {{" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmn"
          "opqrstuvwxyz{|}~",
          7, 0}},
        // 안녕하세요? 한글 비트맵 글꼴로 그린 콘솔 화면입니다.
        {{"\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4? \xC7\xD1\xB1\xDB \xBA\xF1\xC6\xAE\xB8\xCA "
          "\xB1\xDB\xB2\xC3\xB7\xCE \xB1\xD7\xB8\xB0 \xC4\xDC\xBC\xD6 "
          "\xC8\xAD\xB8\xE9\xC0\xD4\xB4\xCF\xB4\xD9.",
          15, 0}},
        // 漢字: 大韓民國 學校 月刊 文化 人間 自由
        {{"\xF9\xD3\xED\xAE: \xD3\xDE\xF9\xDB\xDA\xC5\xCF\xD0 \xF9\xCA\xCE\xE8 \xEA\xC5\xCA\xCA "
          "\xD9\xFE\xFB\xF9 \xEC\xD1\xCA\xE0 \xED\xBB\xEB\xA6",
          11, 0}},
        // 기호: ※☆★○●◎◇◆□■△▲▽▼→←↑↓ ┌─┬─┐ ①②③ ㄱㄴㄷ ㅏㅑ
        {{"\xB1\xE2\xC8\xA3: \xA1\xD8\xA1\xD9\xA1\xDA\xA1\xDB\xA1\xDC\xA1\xDD\xA1\xDE\xA1\xDF"
          "\xA1\xE0\xA1\xE1\xA1\xE2\xA1\xE3\xA1\xE4\xA1\xE5\xA1\xE6\xA1\xE7\xA1\xE8\xA1\xE9 "
          "\xA6\xA3\xA6\xA1\xA6\xA8\xA6\xA1\xA6\xA4 \xA8\xE7\xA8\xE8\xA8\xE9 "
          "\xA4\xA1\xA4\xA4\xA4\xA7 \xA4\xBF\xA4\xC1",
          10, 0}},
        // Out-of-range bytes: a lone lead, leads 0x81 and 0xC9, lead 0xFE, 0x7F and 0x80.
        {{"bad bytes: [\x81\x41] [\xC9\xA1] [\xFE\xA1] [\x7F\x80] [\xB0]", 14, 1}},
        {},
    };
    const int y0 = 4, x0 = 4;
    int y = y0;
    for (const auto& row : rows) {
        int x = x0;
        for (const Text& t : row) {
            canvas->Font()->SetColor(static_cast<TColor>(ColorIndexToColor(t.fg)));
            canvas->Brush()->SetColor(static_cast<TColor>(ColorIndexToColor(t.bg)));
            gBitmapFonts->PaintText(canvas, x, y, t.bytes);
            x += static_cast<int>(std::strlen(t.bytes)) * kCellWidth;
        }
        y += kCellHeight;
    }
    // The 16 colours: 색상 n in colour n on black, then black on colour n.
    for (int pass = 0; pass < 2; ++pass) {
        int x = x0;
        for (int i = 0; i < 16; ++i) {
            const std::string text = "\xBB\xF6" + std::to_string(i) + " ";
            const int fg = pass == 0 ? i : (i == 0 ? 15 : 0);
            const int bg = pass == 0 ? (i == 0 ? 8 : 0) : i;
            canvas->Font()->SetColor(static_cast<TColor>(ColorIndexToColor(fg)));
            canvas->Brush()->SetColor(static_cast<TColor>(ColorIndexToColor(bg)));
            gBitmapFonts->PaintText(canvas, x, y, text);
            x += static_cast<int>(text.size()) * kCellWidth;
        }
        y += kCellHeight;
    }
    y += kCellHeight;
    // The same Korean line through the Windows font, for comparison.
    UseKoreanFont(canvas);
    canvas->Font()->SetColor(static_cast<TColor>(ColorIndexToColor(15)));
    canvas->Brush()->SetColor(static_cast<TColor>(ColorIndexToColor(4)));
    gWindowsFont->PaintText(canvas, x0, y, "Windows font NanumGothicCoding, code page 949:");
    y += kCellHeight + 2;
    canvas->Brush()->SetColor(static_cast<TColor>(ColorIndexToColor(0)));
    gWindowsFont->PaintText(canvas, x0, y,
                            "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4? \xC7\xD1\xB1\xDB "
                            "\xB0\xA1\xB3\xAA\xB4\xD9\xB6\xF3\xB8\xB6\xB9\xD9\xBB\xE7");
}

LRESULT CALLBACK SampleProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    bool handled = false;
    GuardCallback([&] {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(wnd, &ps);
            RECT client;
            GetClientRect(wnd, &client);
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            TCanvas canvas;
            canvas.SetHandle(dc);
            PaintSample(&canvas);
            canvas.SetHandle(nullptr);
            EndPaint(wnd, &ps);
            handled = true;
        } else if (msg == WM_TIMER) {
            DestroyWindow(wnd);
            handled = true;
        } else if (msg == WM_DESTROY) {
            PostQuitMessage(0);
            handled = true;
        }
    });
    return handled ? result : DefWindowProcA(wnd, msg, wp, lp);
}

int Show(int seconds) {
    TDravelHanguel bitmapFonts, windowsFont;
    if (!bitmapFonts.LoadBitmapFonts(nullptr)) {
        std::fprintf(stderr, "paintbench: %s\n", bitmapFonts.BitmapFontError().c_str());
        return 1;
    }
    windowsFont.SetCodePage(949);
    gBitmapFonts = &bitmapFonts;
    gWindowsFont = &windowsFont;

    WNDCLASSA wc{};
    wc.lpfnWndProc = SampleProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "QuiroPaintSample";
    RegisterClassA(&wc);
    RECT r{0, 0, 96 * kCellWidth + 8, 14 * kCellHeight};  // room for all 95 ASCII cells
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND wnd = CreateWindowA("QuiroPaintSample", "Quiro 2 - console text renderer",
                             WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!wnd) return 1;
    SetTimer(wnd, 1, static_cast<UINT>(seconds) * 1000u, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--show") == 0)
        return Show(argc >= 3 ? std::max(1, std::atoi(argv[2])) : 30);
    return Bench();
}
