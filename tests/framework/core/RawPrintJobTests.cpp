#include "framework/core/RawPrintJob.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// A spooler that does what its script says and logs each call; the printer's data goes to
// `printed`.
struct ScriptedSpooler : RawPrintSpooler {
    std::string failAt;             // the call that fails ("open", "doc", "page", "write", ...)
    std::deque<uint32_t> takes;     // how much each write takes (all when the script is out)
    std::string log, printed;
    uint32_t error = 0;

    bool Call(const std::string& what) {
        log += what + " ";
        if (what != failAt) return true;
        error = 1800 + uint32_t(log.size());  // some error of that call
        return false;
    }
    bool Open(const std::string& name) override { return Call("open:" + name); }
    bool StartDocument(const std::string& doc) override { return Call("doc:" + doc); }
    bool StartPage() override { return Call("page"); }
    bool Write(const uint8_t* data, uint32_t size, uint32_t* written) override {
        if (!Call("write" + std::to_string(size))) return false;
        *written = size;
        if (!takes.empty()) {
            *written = std::min(size, takes.front());
            takes.pop_front();
        }
        printed.append(reinterpret_cast<const char*>(data), *written);
        return true;
    }
    bool EndPage() override { return Call("endpage"); }
    bool EndDocument() override { return Call("enddoc"); }
    void Close() override { log += "close"; }
    uint32_t LastError() override { return error; }
};

struct ScriptedFile : RawPrintSource {
    std::string data;
    bool openFails = false;
    size_t failReadAt = SIZE_MAX;  // the offset at which a read fails
    size_t at = 0;
    std::string* log;

    explicit ScriptedFile(std::string* l) : log(l) {}
    bool Open() override {
        *log += "fopen ";
        return !openFails;
    }
    bool Read(uint8_t* buffer, uint32_t size, uint32_t* got) override {
        if (at >= failReadAt) return false;
        *got = uint32_t(std::min<size_t>(size, data.size() - at));
        std::copy_n(data.begin() + long(at), *got, buffer);
        at += *got;
        return true;
    }
    void Close() override { *log += "fclose "; }
    uint32_t LastError() override { return 38; }
};

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char(i * 7 + i / 251);
    return s;
}

TEST(RawPrintJob, StepsAndTheirClosing) {
    struct Row {
        const char* failAt;
        std::string log;
        RawPrintStep failed;
    } rows[] = {
        {"", "open:P doc:Quiro 2 [Print] page fopen write20480 write9520 fclose endpage enddoc close", RawPrintStep::None},
        {"open:P", "open:P ", RawPrintStep::PrinterOpen},
        {"doc:Quiro 2 [Print]", "open:P doc:Quiro 2 [Print] close", RawPrintStep::DocumentStart},
        {"page", "open:P doc:Quiro 2 [Print] page enddoc close", RawPrintStep::PageStart},
        {"fopen", "open:P doc:Quiro 2 [Print] page fopen endpage enddoc close", RawPrintStep::FileOpen},
        {"write9520", "open:P doc:Quiro 2 [Print] page fopen write20480 write9520 fclose endpage enddoc close",
         RawPrintStep::PrinterWrite},
        {"enddoc", "open:P doc:Quiro 2 [Print] page fopen write20480 write9520 fclose endpage enddoc close",
         RawPrintStep::DocumentEnd},
    };
    for (const Row& row : rows) {
        ScriptedSpooler spooler;
        spooler.failAt = row.failAt;
        ScriptedFile file(&spooler.log);
        file.data = Bytes(30000);
        file.openFails = std::string(row.failAt) == "fopen";
        if (file.openFails) spooler.failAt.clear();
        RawPrintOutcome outcome = RunRawPrintJob(spooler, file, "P", "Quiro 2 [Print]");
        EXPECT_EQ(spooler.log, row.log) << row.failAt;
        EXPECT_EQ(outcome.failed, row.failed) << row.failAt;
        EXPECT_EQ(outcome.Ok(), row.failed == RawPrintStep::None);
        if (row.failed == RawPrintStep::FileOpen) {
            EXPECT_EQ(outcome.error, 38u);
        } else if (!outcome.Ok()) {
            EXPECT_NE(outcome.error, 0u) << "the system's error is kept";
        } else {
            EXPECT_EQ(spooler.printed, file.data);
        }
    }
}

// A printer that takes part of a block is given the rest; one that takes nothing fails.
TEST(RawPrintJob, ShortWritesAreWrittenOn) {
    ScriptedSpooler spooler;
    spooler.takes = {1, 20000, 0x7FFFFFFF, 5};
    std::string log;
    ScriptedFile file(&log);
    file.data = Bytes(45000);
    RawPrintOutcome outcome = RunRawPrintJob(spooler, file, "P", "d");
    EXPECT_TRUE(outcome.Ok());
    EXPECT_EQ(spooler.printed, file.data);
    EXPECT_EQ(outcome.written, 45000u);
    EXPECT_EQ(spooler.log, "open:P doc:d page write20480 write20479 write479 write20480 write20475 write4040 endpage enddoc close");

    ScriptedSpooler stuck;
    stuck.takes = {100, 0};
    ScriptedFile again(&log);
    again.data = Bytes(500);
    outcome = RunRawPrintJob(stuck, again, "P", "d");
    EXPECT_EQ(outcome.failed, RawPrintStep::PrinterWrite);
    EXPECT_EQ(outcome.written, 100u);
    EXPECT_EQ(stuck.log, "open:P doc:d page write500 write400 endpage enddoc close");
}

TEST(RawPrintJob, AFailedReadEndsTheJob) {
    ScriptedSpooler spooler;
    std::string log;
    ScriptedFile file(&log);
    file.data = Bytes(50000);
    file.failReadAt = 40960;
    RawPrintOutcome outcome = RunRawPrintJob(spooler, file, "P", "d");
    EXPECT_EQ(outcome.failed, RawPrintStep::FileRead);
    EXPECT_EQ(outcome.error, 38u);
    EXPECT_EQ(outcome.written, 40960u);
    EXPECT_EQ(log, "fopen fclose ");
    EXPECT_EQ(spooler.log, "open:P doc:d page write20480 write20480 endpage enddoc close");
}

TEST(RawPrintJob, AnEmptyFileIsAnEmptyJob) {
    ScriptedSpooler spooler;
    ScriptedFile file(&spooler.log);
    EXPECT_TRUE(RunRawPrintJob(spooler, file, "P", "d").Ok());
    EXPECT_EQ(spooler.log, "open:P doc:d page fopen fclose endpage enddoc close");
}

}  // namespace
