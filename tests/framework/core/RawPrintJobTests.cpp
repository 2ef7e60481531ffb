#include "framework/core/RawPrintJob.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// A spooler and a file that do what the script says, logging each call into one log; the
// printer's data goes to `printed`.
struct Script : RawPrintSpooler {
    std::string failAt;          // the call that fails: "open:P", "doc", "page", "fopen", "read", "write9520", ...
    std::deque<uint32_t> takes;  // how much each write takes (all when the script is out)
    std::string data, log, printed;

    bool Call(const std::string& what) {
        log += what + " ";
        return what != failAt;
    }
    bool Open(const std::string& name) override { return Call("open:" + name); }
    bool StartDocument(const std::string&) override { return Call("doc"); }
    bool StartPage() override { return Call("page"); }
    bool Write(const uint8_t* p, uint32_t size, uint32_t* written) override {
        if (!Call("write" + std::to_string(size))) return false;
        *written = takes.empty() ? size : std::min(size, takes.front());
        if (!takes.empty()) takes.pop_front();
        printed.append(reinterpret_cast<const char*>(p), *written);
        return true;
    }
    bool EndPage() override { return Call("endpage"); }
    bool EndDocument() override { return Call("enddoc"); }
    void Close() override { log += "close"; }
    uint32_t LastError() override { return 1801; }

    struct File : RawPrintSource {
        Script& s;
        size_t at = 0;
        explicit File(Script& script) : s(script) {}
        bool Open() override { return s.Call("fopen"); }
        bool Read(uint8_t* buffer, uint32_t size, uint32_t* got) override {
            if (at >= 40960 && s.failAt == "read") return false;
            *got = uint32_t(std::min<size_t>(size, s.data.size() - at));
            std::copy_n(s.data.begin() + long(at), *got, buffer);
            at += *got;
            return true;
        }
        void Close() override { s.log += "fclose "; }
        uint32_t LastError() override { return 38; }
    } file{*this};

    RawPrintOutcome Run() { return RunRawPrintJob(*this, file, "P", "Quiro 2 [Print]"); }
};

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char(i * 7 + i / 251);
    return s;
}

// Each step that fails ends the job and closes what was opened, in reverse order; the
// outcome names the step and its system error.
TEST(RawPrintJob, StepsAndTheirClosing) {
    struct Row {
        const char* failAt;
        size_t size;
        std::string log;
        RawPrintStep failed;
        uint32_t error;
    } rows[] = {
        {"", 30000, "open:P doc page fopen write20480 write9520 fclose endpage enddoc close", RawPrintStep::None, 0},
        {"", 0, "open:P doc page fopen fclose endpage enddoc close", RawPrintStep::None, 0},
        {"open:P", 100, "open:P ", RawPrintStep::PrinterOpen, 1801},
        {"doc", 100, "open:P doc close", RawPrintStep::DocumentStart, 1801},
        {"page", 100, "open:P doc page enddoc close", RawPrintStep::PageStart, 1801},
        {"fopen", 100, "open:P doc page fopen endpage enddoc close", RawPrintStep::FileOpen, 38},
        {"read", 50000, "open:P doc page fopen write20480 write20480 fclose endpage enddoc close", RawPrintStep::FileRead,
         38},
        {"write9520", 30000, "open:P doc page fopen write20480 write9520 fclose endpage enddoc close",
         RawPrintStep::PrinterWrite, 1801},
        {"enddoc", 100, "open:P doc page fopen write100 fclose endpage enddoc close", RawPrintStep::DocumentEnd, 1801},
    };
    for (const Row& row : rows) {
        Script s;
        s.failAt = row.failAt;
        s.data = Bytes(row.size);
        RawPrintOutcome outcome = s.Run();
        EXPECT_EQ(s.log, row.log) << row.failAt;
        EXPECT_EQ(outcome.failed, row.failed) << row.failAt;
        EXPECT_EQ(outcome.error, row.error) << row.failAt;
        if (outcome.Ok()) {
            EXPECT_EQ(s.printed, s.data);
        }
    }
}

// A printer that takes part of a block is given the rest; one that takes nothing fails.
TEST(RawPrintJob, ShortWritesAreWrittenOn) {
    Script s;
    s.takes = {1, 20000, 0x7FFFFFFF, 5};
    s.data = Bytes(45000);
    RawPrintOutcome outcome = s.Run();
    EXPECT_TRUE(outcome.Ok());
    EXPECT_EQ(s.printed, s.data);
    EXPECT_EQ(outcome.written, 45000u);
    EXPECT_EQ(s.log, "open:P doc page fopen write20480 write20479 write479 write20480 write20475 write4040 "
                     "fclose endpage enddoc close");

    Script stuck;
    stuck.takes = {100, 0};
    stuck.data = Bytes(500);
    outcome = stuck.Run();
    EXPECT_EQ(outcome.failed, RawPrintStep::PrinterWrite);
    EXPECT_EQ(outcome.written, 100u);
    EXPECT_EQ(stuck.log, "open:P doc page fopen write500 write400 fclose endpage enddoc close");
}

}  // namespace
