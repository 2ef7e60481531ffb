#include "framework/core/EditMask.h"

#include <cctype>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    // Letters of the code page too: every byte from 0x80 on.
    return std::isalpha(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

TEditMask ParseEditMask(std::string_view mask, char dateSeparator, char timeSeparator) {
    TEditMask m;
    std::string_view body = mask;
    size_t semi = mask.find(';');
    // A ";" escaped by "\" belongs to the mask.
    while (semi != std::string_view::npos && semi > 0 && mask[semi - 1] == '\\')
        semi = mask.find(';', semi + 1);
    if (semi != std::string_view::npos) {
        body = mask.substr(0, semi);
        std::string_view rest = mask.substr(semi + 1);
        size_t semi2 = rest.find(';');
        std::string_view save = rest.substr(0, semi2);
        if (!save.empty()) m.SaveLiterals = save[0] != '0';
        if (semi2 != std::string_view::npos && semi2 + 1 < rest.size()) m.Blank = rest[semi2 + 1];
    }
    int shift = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        TMaskPosition p;
        p.CaseShift = shift;
        switch (c) {
            case '!':
                continue;
            case '>':
                if (i + 1 < body.size() && body[i + 1] == '<') {
                    ++i;
                    shift = 0;
                } else {
                    shift = 1;
                }
                continue;
            case '<':
                if (i + 1 < body.size() && body[i + 1] == '>') {
                    ++i;
                    shift = 0;
                } else {
                    shift = -1;
                }
                continue;
            case '\\':
                if (i + 1 < body.size()) p.Literal = body[++i];
                break;
            case '0': case '9': case '#': case 'L': case 'l': case 'A': case 'a': case 'C':
            case 'c':
                p.Kind = c;
                break;
            case '/':
                p.Literal = dateSeparator;
                break;
            case ':':
                p.Literal = timeSeparator;
                break;
            case '_':
                p.Literal = ' ';
                break;
            default:
                p.Literal = c;
        }
        m.Positions.push_back(p);
    }
    return m;
}

bool TEditMask::IsLiteral(int pos) const {
    return pos >= 0 && pos < Length() && Positions[pos].Kind == 0;
}

bool TEditMask::Accepts(int pos, char& c) const {
    if (pos < 0 || pos >= Length() || IsLiteral(pos)) return false;
    const TMaskPosition& p = Positions[pos];
    bool ok = false;
    switch (p.Kind) {
        case '0': case '9':
            ok = IsDigit(c);
            break;
        case '#':
            ok = IsDigit(c) || c == '+' || c == '-';
            break;
        case 'L': case 'l':
            ok = IsLetter(c);
            break;
        case 'A': case 'a':
            ok = IsLetter(c) || IsDigit(c);
            break;
        default:
            ok = static_cast<unsigned char>(c) >= 32;
    }
    if (ok && p.CaseShift > 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ok && p.CaseShift < 0) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ok;
}

int TEditMask::NextEditable(int pos) const {
    while (pos < Length() && IsLiteral(pos)) ++pos;
    return pos;
}

int TEditMask::PrevEditable(int pos) const {
    while (pos >= 0 && IsLiteral(pos)) --pos;
    return pos;
}

std::string TEditMask::EditText(std::string_view text) const {
    std::string out;
    size_t t = 0;
    for (int pos = 0; pos < Length(); ++pos) {
        if (IsLiteral(pos)) {
            out += Positions[pos].Literal;
            if (SaveLiterals && t < text.size() && text[t] == Positions[pos].Literal) ++t;
            continue;
        }
        char c = Blank;
        while (t < text.size()) {
            char candidate = text[t++];
            if (candidate == ' ' || candidate == Blank) break;  // an empty position
            if (Accepts(pos, candidate)) {
                c = candidate;
                break;
            }
        }
        out += c;
    }
    return out;
}

std::string TEditMask::Text(std::string_view editText) const {
    std::string out;
    for (int pos = 0; pos < Length() && pos < static_cast<int>(editText.size()); ++pos) {
        if (IsLiteral(pos) && !SaveLiterals) continue;
        char c = editText[pos];
        out += !IsLiteral(pos) && c == Blank ? ' ' : c;
    }
    return out;
}
