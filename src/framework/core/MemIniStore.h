// An INI file held in memory, with the observable rules of the Windows private-profile
// functions (see IniStore.h). Parse() and Serialize() convert from and to file text, so
// tests can start from a given file and look at what would be written.
//
// Details of the profile functions it follows beyond IniStore.h:
//   - lines before the first "[...]" header form a section with an empty name, which is
//     read and written through the name "" but never listed (nor is any "[]" section);
//   - a line ends at CR or LF; a header "[name]" ends at the last "]" on its line (a
//     line without one is no header); "key=value" splits at the first "="; a line
//     without "=" is neither a key nor a value but stays in the file;
//   - a key whose name starts with ";" is read like any other but not listed;
//   - a key with an empty name ("=value") is read through the name "" but ends the key
//     list: neither it nor the keys after it are listed;
//   - duplicate sections or keys are all listed, but reads and writes use the first, and
//     DeleteSection removes only the first;
//   - values are stored trimmed.
// Sections and keys are found through an index by their folded names, so reading or
// writing a key costs the same in a section of ten keys as in one of a hundred thousand.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/core/IniStore.h"

class MemIniStore : public IIniStore {
public:
    MemIniStore();  // a missing (or empty) file

    static MemIniStore Parse(std::string_view text);
    // File text with CR LF line ends.
    std::string Serialize() const;

    std::optional<std::string> ReadValue(std::string_view section,
                                         std::string_view key) const override;
    // Fails for a value holding a line break or a NUL, which no profile line can hold.
    bool WriteValue(std::string_view section, std::string_view key,
                    std::string_view value) override;
    bool DeleteSection(std::string_view section) override;
    bool DeleteKey(std::string_view section, std::string_view key) override;
    std::vector<std::string> ListSections() const override;
    std::vector<std::string> ListKeys(std::string_view section) const override;

    // Simulates a file that cannot be written: after `count` more successful writes
    // (WriteValue, or DeleteSection or DeleteKey of something that exists) the next `failures` writes fail
    // and change nothing (a negative `failures`: every write from then on). A negative
    // count (the default) never fails; FailWritesAfter(0) is a read-only file.
    void FailWritesAfter(int count, int failures = -1) {
        writesLeft_ = count;
        failuresLeft_ = failures;
    }
    // Number of writes that reached the file so far.
    int WriteCount() const { return writeCount_; }

private:
    struct Line {
        std::string key;    // empty for a line that is not a key
        std::string value;  // the value as stored (or the whole line when not a key)
        bool isKey = false;
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
        // Folded key name -> index in `lines` of the first key of that name.
        std::unordered_map<std::string, size_t> keys;

        void Add(Line line);
        void Reindex();  // after lines were taken out
        const Line* Find(std::string_view key) const;
        Line* Find(std::string_view key) {
            return const_cast<Line*>(static_cast<const Section*>(this)->Find(key));
        }
    };

    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name) {
        return const_cast<Section*>(static_cast<const MemIniStore*>(this)->FindSection(name));
    }
    Section& AddSection(std::string_view name);
    void IndexSections();
    bool TakeWrite();

    // sections_[0] holds the lines before the first header; it has no header of its own.
    std::vector<Section> sections_;
    // Folded section name -> index in `sections_` of the first section of that name.
    std::unordered_map<std::string, size_t> sectionIndex_;
    int writesLeft_ = -1;
    int failuresLeft_ = -1;
    int writeCount_ = 0;
};
