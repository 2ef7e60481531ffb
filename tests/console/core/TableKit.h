// Data tables of the console's core tests, under tests/console/core/data: one row a line,
// cells separated by '|' and trimmed; blank lines and lines starting with '#' are skipped.
// Byte cells are text with <HH> for any byte (ShowBytes writes them, ParseBytes reads).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/SysUtils.h"

using TableRow = std::vector<std::string>;

inline std::string DataPath(const std::string& fileName) {
    return std::string(QUIRO_SOURCE_DIR) + "/tests/console/core/data/" + fileName;
}

// The cells of one line.
inline TableRow SplitCells(std::string_view line) {
    TableRow row;
    for (size_t from = 0, bar; from <= line.size(); from = bar + 1) {
        bar = std::min(line.find('|', from), line.size());
        row.push_back(Trim(line.substr(from, bar - from)));
    }
    return row;
}

inline std::vector<TableRow> ReadTable(const std::string& fileName) {
    std::ifstream in(DataPath(fileName));
    std::vector<TableRow> rows;
    for (std::string line; std::getline(in, line);) {
        if (Trim(line).empty() || line[0] == '#')
            continue;
        rows.push_back(SplitCells(line));
    }
    if (rows.empty())
        ADD_FAILURE() << "no rows in " << fileName;
    return rows;
}

// Bytes outside printable ASCII, '<' and a blank at the end as <HH>.
inline std::string ShowBytes(std::string_view bytes) {
    std::string s;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = bytes[i];
        char hex[8];
        std::snprintf(hex, sizeof hex, "<%02X>", b);
        bool plain = b > 0x20 && b < 0x7F && b != '<';
        s += plain || (b == ' ' && i + 1 < bytes.size()) ? std::string(1, char(b)) : hex;
    }
    return s;
}

inline std::string ParseBytes(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' && i + 3 < text.size() && text[i + 3] == '>') {
            out += char(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}
