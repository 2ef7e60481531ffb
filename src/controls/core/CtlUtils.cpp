#include "controls/core/CtlUtils.h"

#include <cstdint>
#include <cstring>

#include "framework/core/SysUtils.h"

std::string MinimizeText(std::string_view text, const TTextMeasure& measure, int maxWidth) {
    if (measure(text) <= maxWidth) return std::string(text);
    // Where double-byte characters start: a cut may not fall inside one.
    std::vector<bool> inside(text.size() + 1, false);
    for (size_t i = 0; i < text.size(); ++i)
        if (IsDoubleBytePair(text, i)) inside[++i] = true;
    for (size_t n = text.size() >= 2 ? text.size() - 2 : 0; n > 0; --n) {
        if (inside[n]) continue;
        std::string candidate = std::string(text.substr(0, n)) + "...";
        if (measure(candidate) <= maxWidth) return candidate;
    }
    return "...";
}

void SplitCommandLine(std::string_view line, std::string& exe, std::string& params) {
    std::vector<std::string> args;
    size_t i = 0;
    for (;;) {
        while (i < line.size() && static_cast<unsigned char>(line[i]) < 33) ++i;
        if (i >= line.size()) break;
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || static_cast<unsigned char>(line[i]) >= 33)) {
            if (line[i] == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    arg += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
            } else {
                arg += line[i];
            }
            ++i;
        }
        args.push_back(std::move(arg));
    }
    exe = args.empty() ? std::string() : args[0];
    params.clear();
    for (size_t k = 1; k < args.size(); ++k) {
        if (k > 1) params += ' ';
        params += args[k].find(' ') != std::string::npos ? '"' + args[k] + '"' : args[k];
    }
}

std::string DropT(std::string_view name) {
    if (name.size() > 1 && (name[0] == 'T' || name[0] == 't')) name.remove_prefix(1);
    return std::string(name);
}

std::string AnsiUpperFirstChar(std::string_view s) {
    if (s.empty() || IsDoubleBytePair(s, 0)) return std::string(s);
    return AnsiUpperCase(s.substr(0, 1)) + std::string(s.substr(1));
}

std::vector<TGradientBand> GradientBands(int extent, TColor startColor, TColor endColor,
                                         TFillDirection direction, int colors) {
    std::vector<TGradientBand> bands;
    if (extent <= 0) return bands;
    if (colors < 2) {
        bands.push_back({0, extent, startColor});
        return bands;
    }
    int n = colors > extent ? extent : colors;
    if (n < 2) n = 2;
    TColor first = startColor, last = endColor;
    if (direction == fdBottomToTop || direction == fdRightToLeft) std::swap(first, last);
    auto channel = [](TColor c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    auto mix = [&](int i) {
        TColor c = 0;
        for (int shift : {0, 8, 16}) {
            int a = channel(first, shift), b = channel(last, shift);
            // The system's MulDiv: rounded to the nearest, halves away from zero.
            int64_t p = int64_t{i} * (b - a), q = n - 1;
            int64_t delta = (2 * (p < 0 ? -p : p) + q) / (2 * q);
            int v = a + static_cast<int>(p < 0 ? -delta : delta);
            c |= static_cast<TColor>(v) << shift;
        }
        return c;
    };
    const int step = extent / n;
    for (int i = 0; i < n; ++i)
        if (step > 0) bands.push_back({i * step, (i + 1) * step, mix(i)});
    if (step * n < extent) bands.push_back({step * n, extent, last});
    return bands;
}

bool CompareMem(const void* a, const void* b, std::ptrdiff_t n) {
    return n <= 0 || std::memcmp(a, b, static_cast<size_t>(n)) == 0;
}

std::unique_ptr<char[]> StrPAlloc(const std::string& s) {
    auto copy = std::make_unique<char[]>(s.size() + 1);
    std::memcpy(copy.get(), s.data(), s.size());
    copy[s.size()] = '\0';
    return copy;
}
