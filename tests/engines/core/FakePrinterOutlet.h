// Print files in memory, with a log of what was done to them, for the printer controller's
// tests and the terminal's side-channel tests.
#pragma once

#include "engines/core/PrinterController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class FakePrinterOutlet : public PrinterOutlet {
public:
    int CreateTemporaryPrintFile(std::string* name) override {
        *name = "C:\\TEMP\\Q2@" + std::to_string(++counter) + ".tmp";
        return Create(*name);
    }
    int CreatePrintFile(const std::string& name) override { return Create(name); }
    // A full disk after `room` bytes: a write takes what fits and fails.
    bool WritePrintFile(int handle, const uint8_t* data, size_t size) override {
        EXPECT_TRUE(open.count(handle)) << "write to a closed handle";
        ++writes;
        const size_t taken = std::min(size, room);
        files[open[handle]].append(reinterpret_cast<const char*>(data), taken);
        room -= taken;
        return taken == size;
    }
    void ClosePrintFile(int handle) override {
        ASSERT_TRUE(open.count(handle)) << "close of a closed handle";
        log.push_back("close " + open[handle]);
        open.erase(handle);
    }
    // The log shows what was printed (or refused, with printFails).
    bool PrintRawFile(const std::string& name) override {
        log.push_back((printFails ? "refused " : "print ") + name + ": " + files[name]);
        return !printFails;
    }
    void DeletePrintFile(const std::string& name) override {
        log.push_back("delete " + name);
        files.erase(name);
    }

    std::map<std::string, std::string> files;
    std::map<int, std::string> open;
    std::vector<std::string> log;
    size_t writes = 0;
    size_t room = SIZE_MAX;
    bool failCreate = false;
    bool printFails = false;

private:
    int Create(const std::string& name) {
        if (failCreate) return -1;
        files[name].clear();
        open[next] = name;
        return next++;
    }
    int next = 3;
    int counter = 0;
};
