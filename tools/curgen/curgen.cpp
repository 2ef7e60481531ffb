// curgen: turns pictures drawn as text into Windows cursor or bitmap files and the .rc
// file that names them (run on the build host).
//
//   curgen --out DIR PICTURE.txt...            cursors: DIR/NAME.cur, DIR/Cursors.rc
//   curgen --bitmaps --out DIR PICTURE.txt...  bitmaps: DIR/NAME.bmp, DIR/Bitmaps.rc
//
// Lines starting with ";" are comments. A cursor picture is 32 lines of 32 characters:
// "." transparent, "#" black, "o" white, "+" the hot spot (black). A bitmap picture first
// names its colours, one line each ("= c RRGGBB": character c is that colour), then draws
// rows of equal length in those characters; it becomes a 24-bit bitmap. The .rc file
// names every picture (NAME CURSOR "DIR/NAME.cur", NAME BITMAP "DIR/NAME.bmp"); give DIR
// as a full path.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

struct Picture {
    std::vector<std::string> rows;
    int hotX = -1, hotY = -1;
};

// The lines of a picture file without its comments (";" first) and line-end CRs.
bool ReadLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == ';') continue;
        lines.push_back(line);
    }
    return true;
}

bool ReadPicture(const std::string& path, Picture& p, std::string& error) {
    std::vector<std::string> lines;
    if (!ReadLines(path, lines, error)) return false;
    for (const std::string& line : lines) {
        if (line.size() != kSize || line.find_first_not_of(".#o+") != std::string::npos) {
            error = path + ": line " + std::to_string(p.rows.size() + 1) + " is not 32 of . # o +";
            return false;
        }
        size_t hot = line.find('+');
        if (hot != std::string::npos) {
            if (p.hotX >= 0 || line.find('+', hot + 1) != std::string::npos) {
                error = path + ": more than one hot spot";
                return false;
            }
            p.hotX = static_cast<int>(hot);
            p.hotY = static_cast<int>(p.rows.size());
        }
        p.rows.push_back(line);
    }
    if (p.rows.size() != kSize || p.hotX < 0) {
        error = path + ": needs 32 lines and one hot spot";
        return false;
    }
    return true;
}

void Put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

// A monochrome cursor: the image (colour bits, 1 = white) over the mask (1 = transparent),
// both bottom-up.
std::string CursorFile(const Picture& p) {
    std::string image;
    Put32(image, 40);         // header size
    Put32(image, kSize);      // width
    Put32(image, kSize * 2);  // height of image and mask together
    Put16(image, 1);          // planes
    Put16(image, 1);          // bits per pixel
    for (int i = 0; i < 6; ++i) Put32(image, 0);
    Put32(image, 0x00000000);  // black
    Put32(image, 0x00FFFFFF);  // white
    for (int layer = 0; layer < 2; ++layer) {
        for (int y = kSize - 1; y >= 0; --y) {
            for (int byte = 0; byte < kSize / 8; ++byte) {
                unsigned bits = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    char c = p.rows[y][byte * 8 + bit];
                    bool set = layer == 0 ? c == 'o' : c == '.';
                    if (set) bits |= 0x80u >> bit;
                }
                image += static_cast<char>(bits);
            }
        }
    }
    std::string file;
    Put16(file, 0);  // reserved
    Put16(file, 2);  // a cursor
    Put16(file, 1);  // one image
    file += static_cast<char>(kSize);
    file += static_cast<char>(kSize);
    file += static_cast<char>(2);  // colours
    file += static_cast<char>(0);
    Put16(file, static_cast<uint16_t>(p.hotX));
    Put16(file, static_cast<uint16_t>(p.hotY));
    Put32(file, static_cast<uint32_t>(image.size()));
    Put32(file, 22);  // where the image starts
    return file + image;
}

struct ColourPicture {
    std::vector<std::string> rows;
    uint32_t colours[256] = {};
    bool defined[256] = {};
};

bool ReadColourPicture(const std::string& path, ColourPicture& p, std::string& error) {
    std::vector<std::string> lines;
    if (!ReadLines(path, lines, error)) return false;
    for (const std::string& line : lines) {
        if (line.size() == 10 && line[0] == '=' && line[1] == ' ' && line[3] == ' ' &&
            p.rows.empty()) {
            auto c = static_cast<unsigned char>(line[2]);
            p.colours[c] = static_cast<uint32_t>(std::stoul(line.substr(4), nullptr, 16));
            p.defined[c] = true;
            continue;
        }
        if (!p.rows.empty() && line.size() != p.rows[0].size()) {
            error = path + ": row " + std::to_string(p.rows.size() + 1) + " is not as long as the first";
            return false;
        }
        for (char c : line)
            if (!p.defined[static_cast<unsigned char>(c)]) {
                error = path + ": colour '" + std::string(1, c) + "' is not named";
                return false;
            }
        p.rows.push_back(line);
    }
    if (p.rows.empty() || p.rows[0].empty()) {
        error = path + ": no picture";
        return false;
    }
    return true;
}

// A 24-bit bitmap file, rows bottom-up, each padded to four bytes.
std::string BitmapFile(const ColourPicture& p) {
    const int w = static_cast<int>(p.rows[0].size()), h = static_cast<int>(p.rows.size());
    const int stride = (w * 3 + 3) & ~3;
    std::string pixels;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            uint32_t rgb = p.colours[static_cast<unsigned char>(p.rows[y][x])];
            pixels += static_cast<char>(rgb & 0xFF);          // blue
            pixels += static_cast<char>((rgb >> 8) & 0xFF);   // green
            pixels += static_cast<char>((rgb >> 16) & 0xFF);  // red
        }
        pixels.append(static_cast<size_t>(stride - w * 3), '\0');
    }
    std::string file = "BM";
    Put32(file, static_cast<uint32_t>(54 + pixels.size()));
    Put32(file, 0);
    Put32(file, 54);
    Put32(file, 40);
    Put32(file, static_cast<uint32_t>(w));
    Put32(file, static_cast<uint32_t>(h));
    Put16(file, 1);
    Put16(file, 24);
    for (int i = 0; i < 6; ++i) Put32(file, 0);
    return file + pixels;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    bool bitmaps = false;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--out" && i + 1 < argc)
            out = argv[++i];
        else if (a == "--bitmaps")
            bitmaps = true;
        else
            inputs.push_back(a);
    }
    if (out.empty() || inputs.empty()) {
        std::cerr << "usage: curgen [--bitmaps] --out DIR PICTURE.txt...\n";
        return 2;
    }
    const char* ext = bitmaps ? ".bmp" : ".cur";
    std::ostringstream rc;
    rc << "// Generated by curgen from pictures drawn as text.\n";
    for (const std::string& input : inputs) {
        std::string file, error;
        if (bitmaps) {
            ColourPicture p;
            if (ReadColourPicture(input, p, error)) file = BitmapFile(p);
        } else {
            Picture p;
            if (ReadPicture(input, p, error)) file = CursorFile(p);
        }
        if (file.empty()) {
            std::cerr << "curgen: " << error << "\n";
            return 1;
        }
        const std::string name = BaseName(input);
        std::ofstream picture(out + "/" + name + ext, std::ios::binary);
        picture << file;
        if (!picture) {
            std::cerr << "curgen: cannot write " << out << "/" << name << ext << "\n";
            return 1;
        }
        rc << name << (bitmaps ? " BITMAP \"" : " CURSOR \"") << out << "/" << name << ext
           << "\"\n";
    }
    std::ofstream rcFile(out + (bitmaps ? "/Bitmaps.rc" : "/Cursors.rc"));
    rcFile << rc.str();
    return rcFile ? 0 : 1;
}
