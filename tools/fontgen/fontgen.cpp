// fontgen: builds the console's three built-in bitmap fonts from free X11 bitmap fonts.
//
//   fontgen --baekmuk DIR --ascii FILE --out DIR [--face NAME] [--notice FILE]...
//
// DIR holds the KS C 5601 fonts of the xfonts-baekmuk package (NAME.pcf.gz, by default
// gulim16); FILE is an 8 x 16 PCF font with ISO 8859-1 or ASCII encoding (xfonts-base's
// 8x16.pcf.gz). Writes into the output folder:
//   FontASCII.bmp    760 x 16   95 cells of 8 x 16 for 0x20-0x7E
//   FontKSC5601.bmp  1504 x 592 rows 0xA1-0xAC and 0xB0-0xC8, 94 cells of 16 x 16 each
//   FontHanja.bmp    1504 x 832 rows 0xCA-0xFD
//   Fonts.rc         the three as named BITMAP resources
//   FontNotices.txt  the copyright notices of the fonts used (the --notice files, by
//                    default the two packages' copyright files, and the fonts' own)
// Exit status 0 on success, 1 on any error (with the reason on standard error).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "PcfFont.h"
#include "engines/core/MonoImage.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCellHeight = 16;

struct Options {
    std::string baekmukDir;
    std::string face = "gulim16";
    std::string ascii;
    std::string out;
    std::vector<std::string> notices;
};

int Usage(const char* why) {
    if (why) std::cerr << "fontgen: " << why << "\n";
    std::cerr
        << "usage: fontgen --baekmuk DIR --ascii FILE --out DIR [--face NAME] [--notice FILE]...\n";
    return 1;
}

// Ink rows of a glyph, relative to the baseline (row index - ascent); false when blank.
bool InkRows(const PcfGlyph& g, int& top, int& bottom) {
    top = bottom = -1;
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Columns(); ++c)
            if (g.Ink(c, r)) {
                if (top < 0) top = r;
                bottom = r;
            }
    if (top < 0) return false;
    top -= g.ascent;
    bottom -= g.ascent;
    return true;
}

// Places glyphs into cells of a fixed size. Fonts whose bounding box is taller than the
// cell are fitted by choosing the baseline row that keeps the most glyphs where they stand;
// a glyph that would still stick out is moved up or down (never cut) as far as needed.
class CellPlacer {
public:
    CellPlacer(int width, int height) : width_(width), height_(height) {}

    // Chooses the baseline from the ink extents of the glyphs that will be placed.
    void ChooseBaseline(const std::vector<const PcfGlyph*>& glyphs, int fontAscent) {
        std::map<int, int> fits;
        for (int base = 0; base <= height_; ++base) fits[base] = 0;
        for (const PcfGlyph* g : glyphs) {
            int top, bottom;
            if (!InkRows(*g, top, bottom)) continue;
            for (int base = 0; base <= height_; ++base)
                if (base + top >= 0 && base + bottom < height_) ++fits[base];
        }
        baseline_ = std::min(std::max(fontAscent, 0), height_);
        for (const auto& [base, count] : fits)
            if (count > fits[baseline_]) baseline_ = base;
    }

    int Baseline() const { return baseline_; }
    int Moved() const { return moved_; }
    int Clipped() const { return clipped_; }

    void Place(const PcfGlyph& g, MonoImage& image, int cellX, int cellY) {
        int top, bottom;
        if (!InkRows(g, top, bottom)) return;
        int dy = 0;
        if (baseline_ + top < 0)
            dy = -(baseline_ + top);
        else if (baseline_ + bottom >= height_)
            dy = height_ - 1 - (baseline_ + bottom);
        if (bottom - top + 1 > height_) {
            dy = -(baseline_ + top);  // keep the top; the rest cannot fit
            ++clipped_;
        } else if (dy != 0) {
            ++moved_;
        }
        int left = -1, right = -1;
        for (int c = 0; c < g.Columns(); ++c)
            for (int r = 0; r < g.Rows(); ++r)
                if (g.Ink(c, r)) {
                    if (left < 0) left = c;
                    right = c;
                }
        int dx = 0;
        if (g.left + left < 0)
            dx = -(g.left + left);
        else if (g.left + right >= width_)
            dx = width_ - 1 - (g.left + right);
        for (int r = 0; r < g.Rows(); ++r) {
            const int y = baseline_ - g.ascent + r + dy;
            if (y < 0 || y >= height_) continue;
            for (int c = 0; c < g.Columns(); ++c) {
                const int x = g.left + c + dx;
                if (x >= 0 && x < width_ && g.Ink(c, r)) image.SetInk(cellX + x, cellY + y, true);
            }
        }
    }

private:
    int width_;
    int height_;
    int baseline_ = 0;
    int moved_ = 0;
    int clipped_ = 0;
};

bool WriteFile(const fs::path& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
    f.close();
    if (!f) {
        std::cerr << "fontgen: cannot write " << path.string() << "\n";
        return false;
    }
    return true;
}

bool WriteBmp(const fs::path& path, const MonoImage& image) {
    const std::vector<uint8_t> bmp = EncodeMonoBmp(image);
    return WriteFile(path, std::string(bmp.begin(), bmp.end()));
}

bool ReadText(const std::string& path, std::string& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream s;
    s << f.rdbuf();
    out = s.str();
    return true;
}

// Lead bytes of the 37 rows of "FontKSC5601".
std::vector<int> KscLeads() {
    std::vector<int> leads;
    for (int lead = 0xA1; lead <= 0xAC; ++lead) leads.push_back(lead);
    for (int lead = 0xB0; lead <= 0xC8; ++lead) leads.push_back(lead);
    return leads;
}

std::vector<int> HanjaLeads() {
    std::vector<int> leads;
    for (int lead = 0xCA; lead <= 0xFD; ++lead) leads.push_back(lead);
    return leads;
}

// One sheet of 16 x 16 cells, one row of 94 per lead byte. The baekmuk fonts are encoded
// in the 7-bit form of KS C 5601 (both bytes less 0x80).
MonoImage BuildSheet(const PcfFont& font, const std::vector<int>& leads, CellPlacer& placer,
                     int& missing) {
    MonoImage sheet(94 * 16, static_cast<int>(leads.size()) * kCellHeight);
    for (size_t row = 0; row < leads.size(); ++row)
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const PcfGlyph* g =
                font.Find(static_cast<unsigned>((leads[row] - 0x80) << 8 | (trail - 0x80)));
            if (!g) {
                ++missing;
                continue;
            }
            placer.Place(*g, sheet, (trail - 0xA1) * 16, static_cast<int>(row) * kCellHeight);
        }
    return sheet;
}

std::string RcPath(const fs::path& p) {
    std::string s = p.generic_string();
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        std::string notice;
        if (arg == "--baekmuk") {
            if (!value(opt.baekmukDir)) return Usage("--baekmuk needs a folder");
        } else if (arg == "--face") {
            if (!value(opt.face)) return Usage("--face needs a name");
        } else if (arg == "--ascii") {
            if (!value(opt.ascii)) return Usage("--ascii needs a file");
        } else if (arg == "--out") {
            if (!value(opt.out)) return Usage("--out needs a folder");
        } else if (arg == "--notice") {
            if (!value(notice)) return Usage("--notice needs a file");
            opt.notices.push_back(notice);
        } else if (arg == "--help" || arg == "-h") {
            Usage(nullptr);
            return 0;
        } else {
            return Usage(("unknown argument " + arg).c_str());
        }
    }
    if (opt.baekmukDir.empty() || opt.ascii.empty() || opt.out.empty())
        return Usage("missing arguments");
    if (opt.notices.empty())
        opt.notices = {"/usr/share/doc/xfonts-baekmuk/copyright",
                       "/usr/share/doc/xfonts-base/copyright"};

    fs::path hangulPath = fs::path(opt.baekmukDir) / (opt.face + ".pcf.gz");
    if (!fs::exists(hangulPath)) hangulPath = fs::path(opt.baekmukDir) / (opt.face + ".pcf");
    PcfFont hangul, ascii;
    if (!hangul.Load(hangulPath.string())) {
        std::cerr << "fontgen: " << hangul.error() << "\n";
        return 1;
    }
    if (!ascii.Load(opt.ascii)) {
        std::cerr << "fontgen: " << ascii.error() << "\n";
        return 1;
    }

    // ASCII: 95 cells of 8 x 16.
    std::vector<const PcfGlyph*> asciiGlyphs;
    for (unsigned c = 0x20; c <= 0x7E; ++c) {
        const PcfGlyph* g = ascii.Find(c);
        if (!g) {
            std::cerr << "fontgen: " << opt.ascii << " has no glyph for 0x" << std::hex << c
                      << "\n";
            return 1;
        }
        asciiGlyphs.push_back(g);
    }
    CellPlacer asciiPlacer(8, kCellHeight);
    asciiPlacer.ChooseBaseline(asciiGlyphs, ascii.FontAscent());
    MonoImage asciiSheet(95 * 8, kCellHeight);
    for (size_t i = 0; i < asciiGlyphs.size(); ++i)
        asciiPlacer.Place(*asciiGlyphs[i], asciiSheet, static_cast<int>(i) * 8, 0);

    // KS C 5601 and Hanja share one baseline, chosen over every glyph placed.
    std::vector<const PcfGlyph*> wideGlyphs;
    std::vector<int> allLeads = KscLeads();
    for (int lead : HanjaLeads()) allLeads.push_back(lead);
    for (int lead : allLeads)
        for (int trail = 0xA1; trail <= 0xFE; ++trail)
            if (const PcfGlyph* g =
                    hangul.Find(static_cast<unsigned>((lead - 0x80) << 8 | (trail - 0x80))))
                wideGlyphs.push_back(g);
    if (wideGlyphs.empty()) {
        std::cerr << "fontgen: " << hangulPath.string() << " has no KS C 5601 glyphs\n";
        return 1;
    }
    CellPlacer widePlacer(16, kCellHeight);
    widePlacer.ChooseBaseline(wideGlyphs, hangul.FontAscent());
    int missingKsc = 0, missingHanja = 0;
    const MonoImage kscSheet = BuildSheet(hangul, KscLeads(), widePlacer, missingKsc);
    const MonoImage hanjaSheet = BuildSheet(hangul, HanjaLeads(), widePlacer, missingHanja);

    // Notices first, so that no bitmap is ever written without them.
    std::string notices =
        "The built-in bitmap fonts FontASCII, FontKSC5601 and FontHanja are generated from\n"
        "these fonts:\n  " +
        hangulPath.filename().string() + " (xfonts-baekmuk)\n  " +
        fs::path(opt.ascii).filename().string() +
        " (xfonts-base)\nTheir copyright notices follow.\n";
    for (const PcfFont* f : {&hangul, &ascii})
        if (!f->Copyright().empty()) notices += "\n" + f->Copyright() + "\n";
    for (const std::string& path : opt.notices) {
        std::string text;
        if (!ReadText(path, text)) {
            std::cerr << "fontgen: cannot read the notice " << path << "\n";
            return 1;
        }
        notices += "\n==== " + path + "\n\n" + text;
    }

    std::error_code ec;
    fs::create_directories(opt.out, ec);
    const fs::path out = fs::absolute(opt.out);
    if (!WriteFile(out / "FontNotices.txt", notices)) return 1;
    if (!WriteBmp(out / "FontASCII.bmp", asciiSheet) ||
        !WriteBmp(out / "FontKSC5601.bmp", kscSheet) ||
        !WriteBmp(out / "FontHanja.bmp", hanjaSheet))
        return 1;
    std::string rc = "// Generated by fontgen: the console's built-in bitmap fonts.\n";
    for (const char* name : {"FontASCII", "FontKSC5601", "FontHanja"})
        rc +=
            std::string(name) + " BITMAP \"" + RcPath(out / (std::string(name) + ".bmp")) + "\"\n";
    if (!WriteFile(out / "Fonts.rc", rc)) return 1;

    std::cout << "fontgen: ASCII baseline " << asciiPlacer.Baseline() << ", moved "
              << asciiPlacer.Moved() << "; KS C 5601/Hanja baseline " << widePlacer.Baseline()
              << ", moved " << widePlacer.Moved() << ", clipped " << widePlacer.Clipped()
              << ", empty cells " << missingKsc << " + " << missingHanja << "\n";
    return 0;
}
