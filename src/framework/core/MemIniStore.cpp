#include "framework/core/MemIniStore.h"

#include <algorithm>

MemIniStore::MemIniStore() : sections_(1) { IndexSections(); }

void MemIniStore::Section::Add(Line line) {
    if (line.isKey) keys.emplace(FoldIniName(line.key), lines.size());
    lines.push_back(std::move(line));
}

void MemIniStore::Section::Reindex() {
    keys.clear();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].isKey) keys.emplace(FoldIniName(lines[i].key), i);
}

const MemIniStore::Line* MemIniStore::Section::Find(std::string_view key) const {
    const auto it = keys.find(FoldIniName(key));
    return it == keys.end() ? nullptr : &lines[it->second];
}

MemIniStore::Section& MemIniStore::AddSection(std::string_view name) {
    sections_.push_back(Section{std::string(TrimIni(name)), {}, {}});
    sectionIndex_.emplace(FoldIniName(name), sections_.size() - 1);
    return sections_.back();
}

void MemIniStore::IndexSections() {
    sectionIndex_.clear();
    for (size_t i = 0; i < sections_.size(); ++i)
        sectionIndex_.emplace(FoldIniName(sections_[i].name), i);
}

MemIniStore MemIniStore::Parse(std::string_view text) {
    MemIniStore ini;
    Section* current = &ini.sections_.front();
    while (!text.empty()) {
        const size_t eol = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        line = TrimIni(line);
        if (line.empty()) continue;
        // A header ends at its last "]"; without one the line is no header.
        if (const size_t close = line.rfind(']');
            line.front() == '[' && close != std::string_view::npos) {
            current = &ini.AddSection(line.substr(1, close - 1));
            continue;
        }
        Line l;
        const size_t eq = line.find('=');
        if (eq != std::string_view::npos) {
            l.key = std::string(TrimIni(line.substr(0, eq)));
            l.value = std::string(TrimIni(line.substr(eq + 1)));
            l.isKey = true;
        } else {
            l.value = std::string(line);
        }
        current->Add(std::move(l));
    }
    return ini;
}

std::string MemIniStore::Serialize() const {
    std::string out;
    for (size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (i > 0) {
            out += '[';
            out += s.name;
            out += "]\r\n";
        }
        for (const Line& l : s.lines) {
            if (l.isKey) {
                out += l.key;
                out += '=';
            }
            out += l.value;
            out += "\r\n";
        }
    }
    return out;
}

const MemIniStore::Section* MemIniStore::FindSection(std::string_view name) const {
    const auto it = sectionIndex_.find(FoldIniName(name));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

bool MemIniStore::TakeWrite() {
    if (writesLeft_ == 0) {
        if (failuresLeft_ == 0) {
            writesLeft_ = -1;  // the failing stretch is over
        } else {
            if (failuresLeft_ > 0) --failuresLeft_;
            return false;
        }
    }
    if (writesLeft_ > 0) --writesLeft_;
    ++writeCount_;
    return true;
}

std::optional<std::string> MemIniStore::ReadValue(std::string_view section,
                                                  std::string_view key) const {
    const Section* s = FindSection(section);
    const Line* l = s ? s->Find(key) : nullptr;
    if (!l) return std::nullopt;
    return std::string(UnquoteIniValue(l->value));
}

bool MemIniStore::WriteValue(std::string_view section, std::string_view key,
                             std::string_view value) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        return false;
    }
    if (!TakeWrite()) return false;
    Section* s = FindSection(section);
    if (!s) s = &AddSection(section);
    if (Line* l = s->Find(key)) {
        l->value = std::string(TrimIni(value));
        return true;
    }
    s->Add(Line{std::string(TrimIni(key)), std::string(TrimIni(value)), true});
    return true;
}

bool MemIniStore::DeleteSection(std::string_view section) {
    Section* s = FindSection(section);
    if (!s) return true;
    if (!TakeWrite()) return false;
    if (s == &sections_.front()) {
        s->lines.clear();  // the lines before the first header
        s->keys.clear();
    } else {
        sections_.erase(sections_.begin() + (s - sections_.data()));
        IndexSections();
    }
    return true;
}

bool MemIniStore::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    const Line* line = s ? s->Find(key) : nullptr;
    if (!line) return true;
    if (!TakeWrite()) return false;
    s->lines.erase(s->lines.begin() + (line - s->lines.data()));
    s->Reindex();
    return true;
}

std::vector<std::string> MemIniStore::ListSections() const {
    std::vector<std::string> names;
    for (const Section& s : sections_) {
        if (!s.name.empty()) names.push_back(s.name);
    }
    return names;
}

std::vector<std::string> MemIniStore::ListKeys(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* s = FindSection(section)) {
        for (const Line& l : s->lines) {
            if (!l.isKey) continue;
            if (l.key.empty()) break;  // the system's list ends at a key with an empty name
            if (l.key.front() != ';') keys.push_back(l.key);
        }
    }
    return keys;
}
