// The file store over the kernel's file calls: what the transfer engine and the print
// files do with it, and how it fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "engines/Win32FileStore.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes EveryByte(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    return b;
}

Bytes ReadAll(TWin32FileStore& files, int handle) {
    Bytes all;
    uint8_t buffer[1000];
    int32_t n;
    while ((n = files.Read(handle, buffer, sizeof buffer)) > 0)
        all.insert(all.end(), buffer, buffer + n);
    EXPECT_EQ(n, 0);  // the end, not a failure
    return all;
}

bool Write(TWin32FileStore& files, int handle, const std::string& s) {
    return files.Write(handle, reinterpret_cast<const uint8_t*>(s.data()),
                       static_cast<uint32_t>(s.size()));
}

std::string Text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// Whether anyone holds the file open (an exclusive open fails while someone does).
bool HeldOpen(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(h);
    return false;
}

}  // namespace

TEST(Win32FileStore, WritesReadsBackSeeksAndSizes) {
    ScratchFolder dir;
    TWin32FileStore files;
    const std::string path = dir / "data.bin";
    const Bytes data = EveryByte(70000);  // more than one read buffer, every byte value

    const int out = files.Create(path);
    ASSERT_GE(out, 0);
    ASSERT_TRUE(files.Write(out, data.data(), static_cast<uint32_t>(data.size())));
    EXPECT_EQ(files.Size(out), 70000);
    uint8_t b[4];
    EXPECT_EQ(files.Read(out, b, sizeof b), -1);  // opened for writing only
    files.Close(out);

    const int in = files.OpenExisting(path, false);
    ASSERT_GE(in, 0);
    EXPECT_NE(in, out);
    EXPECT_EQ(ReadAll(files, in), data);
    ASSERT_TRUE(files.Seek(in, 65535));
    ASSERT_EQ(files.Read(in, b, sizeof b), 4);
    EXPECT_EQ(Bytes(b, b + 4), Bytes(data.begin() + 65535, data.begin() + 65539));
    ASSERT_TRUE(files.Seek(in, 80000));  // past the end: nothing to read, not a failure
    EXPECT_EQ(files.Read(in, b, sizeof b), 0);
    EXPECT_FALSE(Write(files, in, "x"));  // opened for reading only
    EXPECT_EQ(files.Size(in), 70000);

    // Create on an existing file starts it empty.
    const int again = files.Create(path);
    ASSERT_GE(again, 0);
    EXPECT_EQ(files.Size(again), 0);
    EXPECT_EQ(files.OpenCount(), 2u);
    files.Close(in);
    files.Close(again);
    EXPECT_EQ(files.OpenCount(), 0u);
}

TEST(Win32FileStore, ReopenedForWritingKeepsTheContent) {
    ScratchFolder dir;
    TWin32FileStore files;
    const std::string path = dir / "resume.txt";
    int h = files.Create(path);
    ASSERT_TRUE(Write(files, h, "abcdef"));
    files.Close(h);

    // As a resumed download: open, seek to the end, go on; and an overwrite in the middle.
    h = files.OpenExisting(path, true);
    ASSERT_GE(h, 0);
    EXPECT_EQ(files.Size(h), 6);
    ASSERT_TRUE(files.Seek(h, 6));
    ASSERT_TRUE(Write(files, h, "ghi"));
    ASSERT_TRUE(files.Seek(h, 1));
    ASSERT_TRUE(Write(files, h, "B"));
    EXPECT_EQ(files.Size(h), 9);
    files.Close(h);

    h = files.OpenExisting(path, false);
    EXPECT_EQ(Text(ReadAll(files, h)), "aBcdefghi");
    files.Close(h);
    EXPECT_TRUE(files.Remove(path));
    EXPECT_EQ(files.OpenExisting(path, false), -1);
    EXPECT_FALSE(files.Remove(path));
}

TEST(Win32FileStore, PositionsBeyondFourGigabytes) {
    ScratchFolder dir;
    TWin32FileStore files;
    const std::string path = dir / "large.bin";
    const uint64_t beyond = (5ull << 30) + 3;  // the file is sparse where the file system allows
    int h = files.Create(path);
    ASSERT_GE(h, 0);
    ASSERT_TRUE(files.Seek(h, beyond));
    ASSERT_TRUE(Write(files, h, "tail"));
    EXPECT_EQ(files.Size(h), static_cast<int64_t>(beyond + 4));
    files.Close(h);

    h = files.OpenExisting(path, false);
    ASSERT_GE(h, 0);
    EXPECT_EQ(files.Size(h), static_cast<int64_t>(beyond + 4));
    ASSERT_TRUE(files.Seek(h, beyond + 1));
    uint8_t b[8] = {};
    ASSERT_EQ(files.Read(h, b, sizeof b), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 3), "ail");
    EXPECT_FALSE(files.Seek(h, UINT64_MAX));
    files.Close(h);
}

TEST(Win32FileStore, FailuresAreReportedAndHarmless) {
    ScratchFolder dir;
    TWin32FileStore files;

    // A folder that does not exist, an empty name, a file that does not exist.
    EXPECT_EQ(files.Create(dir / "no such folder\\x.bin"), -1);
    EXPECT_EQ(files.OpenExisting(dir / "no such folder\\x.bin", true), -1);
    EXPECT_EQ(files.Create(""), -1);
    EXPECT_EQ(files.OpenExisting(dir / "missing.bin", false), -1);
    EXPECT_FALSE(files.Remove(dir / "missing.bin"));

    // A read-only file is read but neither replaced, written nor removed.
    const std::string locked = dir / "locked.txt";
    int h = files.Create(locked);
    ASSERT_TRUE(Write(files, h, "keep"));
    files.Close(h);
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(files.OpenExisting(locked, true), -1);
    EXPECT_EQ(files.Create(locked), -1);
    EXPECT_FALSE(files.Remove(locked));
    h = files.OpenExisting(locked, false);
    ASSERT_GE(h, 0);
    EXPECT_EQ(Text(ReadAll(files, h)), "keep");
    files.Close(h);
    EXPECT_EQ(files.OpenCount(), 0u);

    // A closed handle finds nothing, and no later file is given its number.
    h = files.Create(dir / "first.txt");
    files.Close(h);
    const int next = files.Create(dir / "second.txt");
    EXPECT_NE(next, h);
    uint8_t b[4];
    EXPECT_EQ(files.Read(h, b, sizeof b), -1);
    EXPECT_FALSE(Write(files, h, "lost"));
    EXPECT_FALSE(files.Seek(h, 0));
    EXPECT_EQ(files.Size(h), -1);
    files.Close(h);  // harmless
    EXPECT_EQ(files.OpenCount(), 1u);
    EXPECT_EQ(files.Size(next), 0);  // the other file is untouched
    EXPECT_EQ(files.Read(-1, b, sizeof b), -1);
}

TEST(Win32FileStore, ClosesEveryFileItStillHolds) {
    ScratchFolder dir;
    const std::string a = dir / "a.txt", b = dir / "b.txt";
    {
        TWin32FileStore files;
        ASSERT_GE(files.Create(a), 0);
        const int h = files.Create(b);
        ASSERT_TRUE(Write(files, h, "written"));
        ASSERT_GE(files.OpenExisting(b, false), 0);
        EXPECT_TRUE(HeldOpen(a));
        EXPECT_TRUE(HeldOpen(b));
    }
    EXPECT_FALSE(HeldOpen(a));
    EXPECT_FALSE(HeldOpen(b));
    TWin32FileStore files;
    const int h = files.OpenExisting(b, false);
    EXPECT_EQ(Text(ReadAll(files, h)), "written");
}
