// Decoding a JPEG picture held in memory into a plain pixel buffer, with libjpeg.
//
// Never ends the process and never reads past the data: a picture that cannot be decoded
// is a result with an error text. A picture whose data stops early (one still arriving)
// decodes as far as the data goes; the part that has not arrived is filled with the grey
// that an empty picture block gives (a progressive picture shows its coarser scans there).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quiro::framework {

enum class JpegStatus {
  Complete,  // the whole picture decoded
  Partial,   // the data ended before the picture did; the rest is filled
  Damaged,   // all data was there but parts of it were corrupt; decoded as well as possible
  Failed,    // no picture: not a JPEG, corrupt headers, unsupported, too large
};

struct JpegLimits {
  // Pictures with more pixels, or with a longer side, are refused.
  uint32_t maxPixels = 16u * 1024 * 1024;
  uint32_t maxSide = 65500;
  // Memory libjpeg may use for its own work (progressive pictures keep all coefficients).
  uint32_t maxWorkMemory = 256u * 1024 * 1024;
  // More scans than this are refused (a stream of tiny scans costs a full pass each).
  int maxScans = 1000;
};

struct JpegPicture {
  JpegStatus status = JpegStatus::Failed;
  std::string message;  // why Failed, Partial or Damaged; empty when Complete
  int width = 0;
  int height = 0;
  // Rows decoded from data that had arrived, from the top: `height` when Complete or
  // Damaged; for Partial the rows below it are filled in. A progressive picture gives 0
  // here when it was cut, because its every row is refined by later scans.
  int completeRows = 0;
  // width x height pixels, 3 bytes each in the order blue, green, red (as in a 24-bit
  // device-independent bitmap), rows from the top, without padding: pixel (x, y) starts at
  // (y * width + x) * 3. Empty when Failed.
  std::vector<uint8_t> bgr;

  bool HasPixels() const { return status != JpegStatus::Failed; }
};

JpegPicture DecodeJpeg(const uint8_t* data, size_t size, const JpegLimits& limits = {});

}  // namespace quiro::framework
