#include "framework/core/Streams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/core/TempDir.h"

namespace {

std::string ReadAll(TStream& s) {
  s.SetPosition(0);
  std::string out(static_cast<size_t>(s.Size()), '\0');
  s.ReadBuffer(out.data(), static_cast<int32_t>(out.size()));
  return out;
}

std::string FileBytes(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(MemoryStream, ReadWriteSeek) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Size(), 5);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 0);  // at the end
  EXPECT_EQ(m.Seek(-3, soEnd), 2);
  EXPECT_EQ(m.Read(buf, 8), 3);
  EXPECT_EQ(std::string(buf, 3), "llo");
  EXPECT_EQ(m.Seek(-1, soCurrent), 4);
  EXPECT_EQ(m.Read(buf, -1), 0);

  // Below 0 is refused and the position stays.
  EXPECT_THROW(m.Seek(-10, soCurrent), EStreamError);
  EXPECT_EQ(m.Position(), 4);

  // Beyond the end: the next write fills the gap with zeros.
  m.Seek(7, soBeginning);
  m.WriteBuffer("!", 1);
  EXPECT_EQ(ReadAll(m), std::string("hello\0\0!", 8));

  m.SetPosition(8);
  m.SetSize(2);  // cutting moves a position beyond the end back to it
  EXPECT_EQ(m.Position(), 2);
  EXPECT_EQ(ReadAll(m), "he");
  m.SetPosition(1);
  EXPECT_THROW(m.ReadBuffer(buf, 5), EReadError);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
  EXPECT_THROW(m.SetSize(-1), EStreamError);
  EXPECT_THROW(m.SetSize(int64_t{1} << 40), EOutOfMemory);
}

TEST(MemoryStream, CopiesBetweenStreams) {
  TMemoryStream a, b;
  std::string data(200000, 'x');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  a.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));

  EXPECT_EQ(b.CopyFrom(a, 0), 200000);  // 0: the whole source from its start
  EXPECT_EQ(ReadAll(b), data);
  a.SetPosition(199990);
  EXPECT_THROW(b.CopyFrom(a, 11), EReadError);

  TMemoryStream c;
  c.WriteBuffer("zz", 2);
  a.SetPosition(123);
  c.LoadFromStream(a);  // the whole source, position 0
  EXPECT_EQ(c.Position(), 0);
  EXPECT_EQ(ReadAll(c), data);
  EXPECT_EQ(std::memcmp(c.Memory(), data.data(), data.size()), 0);
}

TEST(FileStream, CreateReadAndUpdate) {
  TempDir tmp;
  std::string name = tmp.Path("data.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("abcdef", 6);
    EXPECT_EQ(f.Size(), 6);
    EXPECT_EQ(f.Position(), 6);
  }
  EXPECT_EQ(FileBytes(name), "abcdef");
  {
    TFileStream f(name, fmOpenReadWrite | fmShareDenyWrite);
    char buf[4] = {};
    f.ReadBuffer(buf, 2);
    f.WriteBuffer("XY", 2);  // a write right after a read goes where the read stopped
    f.ReadBuffer(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "ef");
    f.Seek(8, soBeginning);
    f.WriteBuffer("!", 1);
    EXPECT_EQ(f.Size(), 9);
  }
  EXPECT_EQ(FileBytes(name), std::string("abXYef\0\0!", 9));
  {
    TFileStream f(name, fmOpenRead);
    EXPECT_EQ(f.Write("q", 1), 0);  // read-only
    EXPECT_THROW(f.WriteBuffer("q", 1), EWriteError);
    EXPECT_EQ(ReadAll(f), std::string("abXYef\0\0!", 9));
    char c;
    EXPECT_EQ(f.Read(&c, 1), 0);
  }
  {
    TFileStream f(name, fmOpenWrite);
    f.SetSize(12);
    EXPECT_THROW(f.SetSize(3), EStreamError);
    EXPECT_THROW(f.Seek(-1, soBeginning), EStreamError);
  }
  EXPECT_EQ(FileBytes(name), std::string("abXYef\0\0!\0\0\0", 12));

  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(m.Size(), 12);
  m.SaveToFile(tmp.Path("copy.bin"));
  EXPECT_EQ(FileBytes(tmp.Path("copy.bin")), FileBytes(name));
}

TEST(FileStream, OpenFailuresNameTheFile) {
  TempDir tmp;
  std::string missing = tmp.Path("missing.bin");
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message, "Cannot open file " + missing);
  }
  try {
    TFileStream f(tmp.Path("no/dir/x.bin"), fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message, "Cannot create file " + tmp.Path("no/dir/x.bin"));
  }
  EXPECT_THROW(TFileStream("", fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(std::string("a\0b", 3), fmCreate), EFCreateError);
}

}  // namespace
