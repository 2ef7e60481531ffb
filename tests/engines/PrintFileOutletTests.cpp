// The printer controller's Win32 files: the temporary print file, the configured file, and
// the controller driving them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "engines/PrintFileOutlet.h"
#include "engines/core/PrinterController.h"

namespace {

bool Exists(const std::string& name) {
    return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Contents(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string TempFolder() {
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(sizeof folder, folder);
    return folder;
}

size_t Feed(PrinterController& c, const std::string& bytes, bool* finished) {
    return c.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), finished);
}

}  // namespace

TEST(PrintFileOutlet, TemporaryFileHasThePrefixInTheTemporaryFolder) {
    TPrintFileOutlet outlet;
    std::string a, b;
    const int ha = outlet.CreateTemporaryPrintFile(&a);
    const int hb = outlet.CreateTemporaryPrintFile(&b);
    ASSERT_GE(ha, 0);
    ASSERT_GE(hb, 0);
    EXPECT_NE(ha, hb);
    EXPECT_NE(a, b);
    const std::string folder = TempFolder();
    EXPECT_EQ(a.substr(0, folder.size() + 3), folder + "Q2@") << a;
    EXPECT_TRUE(Exists(a));
    EXPECT_EQ(outlet.OpenFileCount(), 2u);

    const std::string data("x\0\xFFy\r\n", 6);
    outlet.WritePrintFile(ha, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    outlet.WritePrintFile(999, reinterpret_cast<const uint8_t*>("lost"), 4);  // no such file
    outlet.ClosePrintFile(ha);
    outlet.ClosePrintFile(ha);  // twice is harmless
    EXPECT_EQ(Contents(a), data);
    outlet.DeletePrintFile(a);
    EXPECT_FALSE(Exists(a));
    outlet.ClosePrintFile(hb);
    outlet.DeletePrintFile(b);
    EXPECT_FALSE(Exists(b));
    EXPECT_EQ(outlet.OpenFileCount(), 0u);
}

// The controller joined to the real files; how it finds its terminator is its own table
// (PrinterControllerTests), with files in memory.
TEST(PrintFileOutlet, ControllerReplacesTheConfiguredFile) {
    TPrintFileOutlet outlet;
    const std::string name = TempFolder() + "quiro print test.prn";
    {
        std::ofstream old(name, std::ios::binary);
        old << "an older, longer file that is replaced";
    }
    PrinterController controller(outlet);
    ASSERT_TRUE(controller.Start(PrinterController::kNamedFile, "\"" + name + "\""));
    bool finished = false;
    Feed(controller, "abc\x1b[4i", &finished);
    EXPECT_TRUE(finished);
    EXPECT_EQ(outlet.OpenFileCount(), 0u);
    EXPECT_EQ(Contents(name), "abc");  // a configured file stays
    DeleteFileA(name.c_str());

    // A file that cannot be made leaves the controller off.
    EXPECT_FALSE(
        controller.Start(PrinterController::kNamedFile, TempFolder() + "no such folder\\x.prn"));
    EXPECT_FALSE(controller.IsOpen());
    EXPECT_EQ(outlet.OpenFileCount(), 0u);
}

// A full disk (the host's device that refuses every write): told once, with the system's
// error and the file's name, and the job still ends at its terminator.
TEST(PrintFileOutlet, AFullDiskIsToldOnceWithTheFile) {
    TPrintFileOutlet outlet;
    std::vector<std::pair<uint32_t, std::string>> told;
    outlet.OnWriteFailed = [&](uint32_t error, const std::string& name) { told.emplace_back(error, name); };
    PrinterController controller(outlet);
    const std::string full = "Z:\\dev\\full";
    ASSERT_TRUE(controller.Start(PrinterController::kNamedFile, full));
    bool finished = false;
    Feed(controller, "abc", &finished);
    EXPECT_EQ(Feed(controller, "d\x1b[4xe\x1b[4iafter", &finished), 10u);
    EXPECT_TRUE(finished);
    EXPECT_EQ(told, (std::vector<std::pair<uint32_t, std::string>>{{ERROR_DISK_FULL, full}}));
    EXPECT_EQ(outlet.OpenFileCount(), 0u);
}

// A device that takes nothing without an error (a pipe that nobody reads, in no-wait mode,
// stands in for a printer port on a time-out): the report gives no reason rather than
// whatever an earlier call left behind.
TEST(PrintFileOutlet, ADeviceThatTakesNothingIsToldWithoutAStaleReason) {
    const std::string name = "\\\\.\\pipe\\quiro-print-outlet-test";
    HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 0, 777, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    TPrintFileOutlet outlet;
    std::vector<std::pair<uint32_t, std::string>> told;
    outlet.OnWriteFailed = [&](uint32_t error, const std::string& file) { told.emplace_back(error, file); };
    const int handle = outlet.CreatePrintFile(name);
    ASSERT_GE(handle, 0);
    // The outlet's end of the pipe, found among the process's handles, stops waiting.
    int clients = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        HANDLE h = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0, out = 0, in = 0;
        if (h == server || GetFileType(h) != FILE_TYPE_PIPE || !GetNamedPipeInfo(h, &flags, &out, &in, nullptr) ||
            flags != PIPE_CLIENT_END || in != 777)
            continue;
        DWORD mode = PIPE_NOWAIT;
        ASSERT_TRUE(SetNamedPipeHandleState(h, &mode, nullptr, nullptr));
        ++clients;
    }
    ASSERT_EQ(clients, 1);
    const std::string data(4096, 'p');
    SetLastError(ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(outlet.WritePrintFile(handle, reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    EXPECT_EQ(told, (std::vector<std::pair<uint32_t, std::string>>{{0, name}}));
    outlet.ClosePrintFile(handle);
    CloseHandle(server);
}
