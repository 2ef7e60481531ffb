#include "framework/core/Streams.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

[[noreturn]] void InvalidPosition() { throw EStreamError("Invalid stream position"); }

}  // namespace

// ---- TStream ----------------------------------------------------------------------------

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("The size of this stream cannot be changed"); }

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr int32_t kBlock = 64 * 1024;
  std::vector<uint8_t> buf(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), kBlock)));
  int64_t done = 0;
  while (done < count) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count - done, kBlock));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    done += n;
  }
  return done;
}

// ---- TMemoryStream ----------------------------------------------------------------------

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  int64_t size = Size();
  if (count <= 0 || position_ >= size) return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(count, size - position_));
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  // A position far beyond the end (Seek allows any) must not wrap the end around.
  if (position_ > INT64_MAX - count) throw EOutOfMemory();
  int64_t end = position_ + count;
  if (end > Size()) SetSize(end);
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : (origin == soCurrent ? position_ : Size());
  if ((offset < 0 && base + offset < 0) || (offset > 0 && offset > INT64_MAX - base)) InvalidPosition();
  position_ = base + offset;
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) InvalidPosition();
  if (static_cast<uint64_t>(size) > data_.max_size() || size > INT32_MAX) throw EOutOfMemory();
  try {
    data_.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory();
  } catch (const std::length_error&) {
    throw EOutOfMemory();
  }
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t size = stream.Size();
  SetSize(size);
  position_ = 0;
  if (size > 0) stream.ReadBuffer(data_.data(), static_cast<int32_t>(size));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& stream) {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), static_cast<int32_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// ---- TFileStream ------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : fileName_(fileName) {
  const char* how;
  if (mode == fmCreate) {
    how = "w+b";
    canRead_ = canWrite_ = true;
  } else {
    switch (mode & 0x0F) {
      case fmOpenRead:
        how = "rb";
        canRead_ = true;
        break;
      case fmOpenWrite:
        how = "r+b";
        canWrite_ = true;
        break;
      case fmOpenReadWrite:
        how = "r+b";
        canRead_ = canWrite_ = true;
        break;
      default:
        how = nullptr;
    }
  }
  bool validName = !fileName.empty() && fileName.find('\0') == std::string::npos;
  if (how && validName) file_ = std::fopen(fileName.c_str(), how);
  if (!file_) {
    if (mode == fmCreate) throw EFCreateError("Cannot create file " + fileName);
    throw EFOpenError("Cannot open file " + fileName);
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

// The C library needs a seek between a read and a write on the same file.
void TFileStream::Switch(LastOp op) {
  if (last_ != LastOp::None && last_ != op) std::fseek(file_, 0, SEEK_CUR);
  last_ = op;
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || !canRead_) return 0;
  Switch(LastOp::Read);
  size_t n = std::fread(buffer, 1, static_cast<size_t>(count), file_);
  if (n < static_cast<size_t>(count)) std::clearerr(file_);
  return static_cast<int32_t>(n);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0 || !canWrite_) return 0;
  Switch(LastOp::Write);
  size_t n = std::fwrite(buffer, 1, static_cast<size_t>(count), file_);
  if (n < static_cast<size_t>(count)) std::clearerr(file_);
  return static_cast<int32_t>(n);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (origin == soCurrent && offset == 0) {
    long pos = std::ftell(file_);
    if (pos < 0) InvalidPosition();
    return pos;
  }
  int64_t base = origin == soBeginning ? 0 : (origin == soCurrent ? Seek(0, soCurrent) : Size());
  int64_t target = base + offset;
  // The C library's offsets are `long`: 32 bits on the target.
  if (offset < -INT32_MAX || offset > INT32_MAX || target < 0 || target > LONG_MAX) InvalidPosition();
  if (std::fseek(file_, static_cast<long>(target), SEEK_SET) != 0) InvalidPosition();
  last_ = LastOp::None;
  return target;
}

int64_t TFileStream::Size() {
  std::fflush(file_);
  long pos = std::ftell(file_);
  if (pos < 0 || std::fseek(file_, 0, SEEK_END) != 0) InvalidPosition();
  long size = std::ftell(file_);
  std::fseek(file_, pos, SEEK_SET);
  last_ = LastOp::None;
  if (size < 0) InvalidPosition();
  return size;
}

void TFileStream::SetSize(int64_t size) {
  int64_t current = Size();
  if (size < current) throw EStreamError("Cannot make file " + fileName_ + " smaller");
  if (size == current) return;
  int64_t pos = Position();
  Seek(size - 1, soBeginning);
  const uint8_t zero = 0;
  WriteBuffer(&zero, 1);
  Seek(pos, soBeginning);
}
