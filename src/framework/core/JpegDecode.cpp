#include "framework/core/JpegDecode.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include <jpeglib.h>

namespace quiro::framework {
namespace {

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

// Everything the decoder's callbacks and the jump back from an error need. Lives in the
// caller of Decode, so that nothing with a destructor is skipped by longjmp.
struct Context {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr err{};
  jpeg_source_mgr src{};
  jpeg_progress_mgr progress{};
  std::jmp_buf jump{};
  const JpegLimits* limits = nullptr;
  char error[JMSG_LENGTH_MAX] = {};
  char firstWarning[JMSG_LENGTH_MAX] = {};
  int warnings = 0;
  bool truncated = false;
  int rowsAtTruncation = 0;
  bool outputStarted = false;  // the pixel buffer exists and rows are being written
  int rowsDone = 0;
  std::vector<uint8_t> cmykRow;
};

Context& Ctx(j_common_ptr cinfo) { return *static_cast<Context*>(cinfo->client_data); }

[[noreturn]] void Fail(Context& ctx, const char* text) {
  std::snprintf(ctx.error, sizeof ctx.error, "%s", text);
  std::longjmp(ctx.jump, 1);
}

// libjpeg's own handler would end the process; we go back to Decode instead.
void ErrorExit(j_common_ptr cinfo) {
  Context& ctx = Ctx(cinfo);
  (*cinfo->err->format_message)(cinfo, ctx.error);
  std::longjmp(ctx.jump, 1);
}

// Warnings (corrupt data) are counted and the first one kept; trace messages are dropped.
// Nothing is written to the console.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  Context& ctx = Ctx(cinfo);
  if (ctx.warnings++ == 0) (*cinfo->err->format_message)(cinfo, ctx.firstWarning);
  cinfo->err->num_warnings++;
}

void OutputMessage(j_common_ptr) {}

void Progress(j_common_ptr cinfo) {
  Context& ctx = Ctx(cinfo);
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > ctx.limits->maxScans) Fail(ctx, "Too many scans in the JPEG picture");
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// The data has run out: note where, and let libjpeg see an end-of-image marker, so that it
// finishes the picture with what it has.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
  Context& ctx = Ctx(reinterpret_cast<j_common_ptr>(cinfo));
  if (!ctx.truncated) {
    ctx.truncated = true;
    ctx.rowsAtTruncation = static_cast<int>(cinfo->output_scanline);
  }
  cinfo->src->next_input_byte = kEndOfImage;
  cinfo->src->bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  if (static_cast<unsigned long>(count) > src->bytes_in_buffer) {
    FillInputBuffer(cinfo);  // skipping past the end: nothing left
    return;
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

void StoreCmykRow(Context& ctx, uint8_t* out, int width) {
  // Adobe writes CMYK inverted (255 = no ink); other writers do not.
  bool inverted = ctx.cinfo.saw_Adobe_marker;
  const uint8_t* in = ctx.cmykRow.data();
  for (int x = 0; x < width; ++x, in += 4, out += 3) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[0] = static_cast<uint8_t>(y * k / 255);
    out[1] = static_cast<uint8_t>(m * k / 255);
    out[2] = static_cast<uint8_t>(c * k / 255);
  }
}

// Runs libjpeg. Returns false when it gave up (ctx.error says why). No object with a
// destructor may live in this frame: an error jumps back to the setjmp below.
bool Decode(Context& ctx, const uint8_t* data, size_t size, JpegPicture& pic) {
  j_decompress_ptr cinfo = &ctx.cinfo;
  if (setjmp(ctx.jump)) return false;

  jpeg_create_decompress(cinfo);
  cinfo->client_data = &ctx;
  cinfo->mem->max_memory_to_use = ctx.limits->maxWorkMemory;
  cinfo->progress = &ctx.progress;
  ctx.src.init_source = InitSource;
  ctx.src.fill_input_buffer = FillInputBuffer;
  ctx.src.skip_input_data = SkipInputData;
  ctx.src.resync_to_restart = jpeg_resync_to_restart;
  ctx.src.term_source = TermSource;
  ctx.src.next_input_byte = data;
  ctx.src.bytes_in_buffer = size;
  cinfo->src = &ctx.src;

  jpeg_read_header(cinfo, TRUE);

  bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
#ifdef JCS_EXTENSIONS
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
#else
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
#endif
  jpeg_calc_output_dimensions(cinfo);
  uint64_t pixels = static_cast<uint64_t>(cinfo->output_width) * cinfo->output_height;
  if (pixels == 0 || pixels > ctx.limits->maxPixels || cinfo->output_width > ctx.limits->maxSide ||
      cinfo->output_height > ctx.limits->maxSide)
    Fail(ctx, "The JPEG picture is too large");

  int width = static_cast<int>(cinfo->output_width);
  // Rows that never arrive stay the grey of an empty picture block.
  pic.bgr.assign(static_cast<size_t>(pixels) * 3, 0x80);
  if (cmyk) ctx.cmykRow.resize(static_cast<size_t>(width) * 4);
  pic.width = width;
  pic.height = static_cast<int>(cinfo->output_height);

  jpeg_start_decompress(cinfo);
  ctx.outputStarted = true;
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* out = pic.bgr.data() + static_cast<size_t>(cinfo->output_scanline) * static_cast<size_t>(width) * 3;
    JSAMPROW row = cmyk ? ctx.cmykRow.data() : out;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) break;
    if (cmyk) {
      StoreCmykRow(ctx, out, width);
    } else {
#ifndef JCS_EXTENSIONS
      for (int x = 0; x < width; ++x) std::swap(out[x * 3], out[x * 3 + 2]);
#endif
    }
    ctx.rowsDone = static_cast<int>(cinfo->output_scanline);
  }
  return true;
}

}  // namespace

JpegPicture DecodeJpeg(const uint8_t* data, size_t size, const JpegLimits& limits) {
  JpegPicture pic;
  Context ctx;
  ctx.limits = &limits;
  ctx.cinfo.err = jpeg_std_error(&ctx.err);
  ctx.err.error_exit = ErrorExit;
  ctx.err.emit_message = EmitMessage;
  ctx.err.output_message = OutputMessage;
  ctx.progress.progress_monitor = Progress;
  ctx.cinfo.client_data = &ctx;
  static const uint8_t kNothing = 0;
  if (!data) {
    data = &kNothing;
    size = 0;
  }

  bool ok;
  try {
    ok = Decode(ctx, data, size, pic);
  } catch (const std::bad_alloc&) {
    std::snprintf(ctx.error, sizeof ctx.error, "Not enough memory for the JPEG picture");
    ctx.outputStarted = false;
    ok = false;
  }
  jpeg_destroy_decompress(&ctx.cinfo);

  if (!ok && !ctx.outputStarted) {
    pic = JpegPicture();
    pic.status = JpegStatus::Failed;
    pic.message = ctx.error;
    return pic;
  }
  if (ctx.truncated) {
    pic.status = JpegStatus::Partial;
    pic.message = "Premature end of JPEG data";
    pic.completeRows = ctx.rowsAtTruncation;
  } else if (!ok) {
    pic.status = JpegStatus::Damaged;  // gave up in the middle: the rows so far stand
    pic.message = ctx.error;
    pic.completeRows = ctx.rowsDone;
  } else if (ctx.warnings > 0) {
    pic.status = JpegStatus::Damaged;
    pic.message = ctx.firstWarning;
    pic.completeRows = pic.height;
  } else {
    pic.status = JpegStatus::Complete;
    pic.completeRows = pic.height;
  }
  return pic;
}

}  // namespace quiro::framework
