#include "framework/core/Streams.h"

#include <gtest/gtest.h>

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

TEST(MemoryStream, ReadWriteSeekAndSize) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 0);  // at the end
  EXPECT_EQ(m.Seek(-3, soEnd), 2);
  EXPECT_EQ(m.Read(buf, 8), 3);
  EXPECT_EQ(std::string(buf, 3), "llo");
  EXPECT_THROW(m.Seek(-10, soCurrent), EStreamError);  // below 0: refused, position kept
  EXPECT_EQ(m.Position(), 5);
  m.Seek(7, soBeginning);  // beyond the end: a write fills the gap with zeros
  m.WriteBuffer("!", 1);
  EXPECT_EQ(ReadAll(m), std::string("hello\0\0!", 8));
  m.SetSize(2);  // cutting moves a position beyond the end back to it
  EXPECT_EQ(m.Position(), 2);
  m.SetPosition(1);
  EXPECT_THROW(m.ReadBuffer(buf, 5), EReadError);
  EXPECT_THROW(m.SetSize(int64_t{1} << 40), EOutOfMemory);
  EXPECT_EQ(ReadAll(m), "he");
  // A write far beyond the end is refused, also where the end would wrap around.
  for (int64_t at : {int64_t{1} << 40, INT64_MAX - 1, INT64_MAX}) {
    m.Seek(at, soBeginning);
    EXPECT_THROW(m.WriteBuffer("!", 2), EOutOfMemory) << at;
  }
  EXPECT_EQ(ReadAll(m), "he");
}

TEST(MemoryStream, CopiesBetweenStreams) {
  TMemoryStream a, b, c;
  std::string data(200000, 'x');  // more than one copy block
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  a.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  EXPECT_EQ(b.CopyFrom(a, 0), 200000);  // 0: the whole source from its start
  a.SetPosition(199990);
  EXPECT_THROW(b.CopyFrom(a, 11), EReadError);
  c.LoadFromStream(b);  // the whole source, position 0
  EXPECT_EQ(c.Position(), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(c.Memory()), static_cast<size_t>(c.Size())), data);
}

TEST(FileStream, CreateReadAndUpdate) {
  TempDir tmp;
  std::string name = tmp.Path("data.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("abcdef", 6);
    EXPECT_EQ(f.Size(), 6);
  }
  {
    TFileStream f(name, fmOpenReadWrite | fmShareDenyWrite);
    char buf[4] = {};
    f.ReadBuffer(buf, 2);
    f.WriteBuffer("XY", 2);  // a write right after a read goes where the read stopped
    f.ReadBuffer(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "ef");
    f.Seek(8, soBeginning);
    f.WriteBuffer("!", 1);
  }
  EXPECT_EQ(FileBytes(name), std::string("abXYef\0\0!", 9));
  {
    TFileStream f(name, fmOpenRead);
    EXPECT_THROW(f.WriteBuffer("q", 1), EWriteError);  // read-only
    EXPECT_EQ(ReadAll(f), std::string("abXYef\0\0!", 9));
  }
  {
    TFileStream f(name, fmOpenWrite);
    f.SetSize(12);
    EXPECT_THROW(f.SetSize(3), EStreamError);
    EXPECT_THROW(f.Seek(-1, soBeginning), EStreamError);
  }
  TMemoryStream m;
  m.LoadFromFile(name);
  m.SaveToFile(tmp.Path("copy.bin"));
  EXPECT_EQ(FileBytes(tmp.Path("copy.bin")), std::string("abXYef\0\0!\0\0\0", 12));
}

TEST(FileStream, OpenFailuresNameTheFile) {
  TempDir tmp;
  const std::pair<std::string, uint16_t> cases[] = {{tmp.Path("missing.bin"), fmOpenRead}, {tmp.Path("no/dir/x.bin"), fmCreate}};
  for (const auto& [name, mode] : cases) {
    try {
      TFileStream f(name, mode);
      ADD_FAILURE() << name;
    } catch (const EStreamError& e) {
      EXPECT_EQ(e.Message, (mode == fmCreate ? "Cannot create file " : "Cannot open file ") + name);
      EXPECT_EQ(dynamic_cast<const EFCreateError*>(&e) != nullptr, mode == fmCreate);
    }
  }
  EXPECT_THROW(TFileStream(std::string("a\0b", 3), fmOpenRead), EFOpenError);
}

}  // namespace
