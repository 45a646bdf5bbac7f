// JPEG decoder over libjpeg. The library reports errors through error_exit,
// which must not return: ours longjmps back into the small function that
// made the failing call. Those functions own no C++ objects; everything with
// a destructor lives in DecodeJpeg, outside any setjmp frame.
#include "platform/decode_jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

// A legitimate progressive file has about ten scans; thousands of tiny scans
// would only burn time.
constexpr int kMaxScans = 256;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void Abandon(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
void OnError(j_common_ptr cinfo) { Abandon(cinfo); }
// Warnings and traces are neither printed nor fatal.
void OnMessage(j_common_ptr, int) {}
void OnOutput(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) Abandon(cinfo);
}

// The source manager over the bytes in memory: the whole file is one buffer,
// so a request for more means the file is cut short, and decoding is
// abandoned rather than finished with made-up data.
void InitSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr cinfo) { Abandon(reinterpret_cast<j_common_ptr>(cinfo)); }
void SkipInput(j_decompress_ptr cinfo, long n) {
  jpeg_source_mgr* src = cinfo->src;
  if (n <= 0) return;
  if (static_cast<unsigned long>(n) > src->bytes_in_buffer)
    Abandon(reinterpret_cast<j_common_ptr>(cinfo));
  src->next_input_byte += n;
  src->bytes_in_buffer -= static_cast<std::size_t>(n);
}
void TermSource(j_decompress_ptr) {}

// The library state, destroyed however decoding ends.
struct JpegReader {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_source_mgr src;
  jpeg_progress_mgr progress;
  bool created = false;
  JpegReader() {
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&src, 0, sizeof src);
    std::memset(&progress, 0, sizeof progress);
  }
  ~JpegReader() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Creates the decompressor and reads the header; false on any error.
bool ReadHeader(JpegReader* r, std::span<const std::uint8_t> data) {
  r->cinfo.err = jpeg_std_error(&r->err.pub);
  r->err.pub.error_exit = OnError;
  r->err.pub.emit_message = OnMessage;
  r->err.pub.output_message = OnOutput;
  if (setjmp(r->err.jump)) return false;
  jpeg_create_decompress(&r->cinfo);
  r->created = true;
  r->src.init_source = InitSource;
  r->src.fill_input_buffer = FillInput;
  r->src.skip_input_data = SkipInput;
  r->src.resync_to_restart = jpeg_resync_to_restart;
  r->src.term_source = TermSource;
  r->src.next_input_byte = data.data();
  r->src.bytes_in_buffer = data.size();
  r->cinfo.src = &r->src;
  r->progress.progress_monitor = OnProgress;
  r->cinfo.progress = &r->progress;
  jpeg_read_header(&r->cinfo, TRUE);
  jpeg_calc_output_dimensions(&r->cinfo);
  return true;
}

// Decompresses every scanline straight into the given rows.
bool ReadRows(JpegReader* r, JSAMPROW* rows) {
  if (setjmp(r->err.jump)) return false;
  jpeg_start_decompress(&r->cinfo);
  while (r->cinfo.output_scanline < r->cinfo.output_height)
    jpeg_read_scanlines(&r->cinfo, rows + r->cinfo.output_scanline,
                        r->cinfo.output_height - r->cinfo.output_scanline);
  jpeg_finish_decompress(&r->cinfo);
  return true;
}

}  // namespace

PixmapPtr DecodeJpeg(std::span<const std::uint8_t> data) {
  if (data.empty()) return nullptr;
  JpegReader r;
  if (!ReadHeader(&r, data)) return nullptr;
  const int components = r.cinfo.output_components;
  if (components != 1 && components != 3) return nullptr;
  const std::int64_t w = r.cinfo.output_width, h = r.cinfo.output_height;
  if (!PixmapSizeSane(w, h)) return nullptr;
  // Keep the library's own buffers (whole-image coefficients for
  // progressive files) in proportion to the picture.
  r.cinfo.mem->max_memory_to_use = static_cast<long>(8 * w * h + (64 << 20));
  PixmapPtr pm = CreatePixmap(static_cast<int>(w), static_cast<int>(h),
                              components == 1 ? PF_I8 : PF_RGB888);
  if (!pm) return nullptr;
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) rows[y] = pm->Row(y);
  if (!ReadRows(&r, rows.data())) return nullptr;
  return pm;
}
