// The framework's byte streams: TStream (abstract), TMemoryStream (a growable buffer) and
// TFileStream (a file through the C library).
//
// Positions and sizes are byte offsets from 0. Read and Write move the position by the
// count they return; ReadBuffer and WriteBuffer move all or throw.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/core/SysUtils.h"

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Up to `count` bytes (none for count <= 0); returns how many were read, 0 at the end.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Returns how many bytes were written (fewer only when the medium refuses).
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Moves to `offset` from the origin and returns the new position. A position below 0
  // throws EStreamError and leaves the position as it was; beyond the end is allowed (a
  // later write fills the gap with zeros).
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  // Exactly `count` bytes or EReadError "Stream read error".
  void ReadBuffer(void* buffer, int32_t count);
  // Exactly `count` bytes or EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, int32_t count);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  // Default: EStreamError, the stream's size cannot be set.
  virtual void SetSize(int64_t size);

  // Copies `count` bytes from the source's position; with count 0, the whole source from
  // its start. Returns the count copied; a source that ends early throws EReadError.
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  // Grows with zeros or cuts; the position stays unless it is now beyond the end, then it
  // moves to the end. A size that cannot be had throws EOutOfMemory.
  void SetSize(int64_t size) override;

  // The bytes; valid until the next change of size.
  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  // Empty, position 0.
  void Clear();
  // Replaces the contents by the whole of `stream` (from its start) / of the file;
  // position 0.
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  // Writes the whole contents at the stream's position / into a new file.
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// Open modes: one of fmCreate / fmOpenRead / fmOpenWrite / fmOpenReadWrite, or-ed with a
// share mode. The share modes are accepted for the framework's sake; this stream over the
// C library does not enforce them.
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

class TFileStream : public TStream {
 public:
  // fmCreate makes a new empty file (or empties an existing one): EFCreateError "Cannot
  // create file NAME" on failure. The open modes need an existing file: EFOpenError "Cannot
  // open file NAME". The position starts at 0.
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  // Grows the file with zeros; a smaller size throws EStreamError (the C library cannot
  // cut a file).
  void SetSize(int64_t size) override;

  const std::string& FileName() const { return fileName_; }

 private:
  enum class LastOp { None, Read, Write };
  void Switch(LastOp op);

  std::FILE* file_ = nullptr;
  std::string fileName_;
  bool canRead_ = false, canWrite_ = false;
  LastOp last_ = LastOp::None;
};
