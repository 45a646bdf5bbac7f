// JPEG decoder over libjpeg. The library reports errors through error_exit,
// which must not return: ours longjmps back into the small function that
// made the failing call. Those functions own no C++ objects; everything with
// a destructor lives in DecodeJpeg, outside any setjmp frame.
#include "platform/images/decode_jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/images/stream.h"

namespace images_internal {

namespace {

// A legitimate progressive file has about ten scans; thousands of tiny scans
// would only burn time.
constexpr int kMaxScans = 256;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool data_ended = false;
};

[[noreturn]] void Abandon(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
void OnError(j_common_ptr cinfo) { Abandon(cinfo); }
// Warnings are not errors: a damaged picture is shown as the library
// decodes it. Two of them say that the scan data has ended before the
// picture: the end of the file, or a marker where data should be that is
// not a restart marker (after one of those the library picks up again at
// the next interval). The library would go on to the last row with made-up
// grey, at the cost of the whole picture, so decoding stops with the rows
// decoded so far (see ReadRows). Nothing is printed.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  const int code = cinfo->err->msg_code;
  const int marker = reinterpret_cast<j_decompress_ptr>(cinfo)->unread_marker;
  const bool restart = marker >= JPEG_RST0 && marker <= JPEG_RST0 + 7;
  if (code == JWRN_JPEG_EOF || (code == JWRN_HIT_MARKER && !restart))
    reinterpret_cast<ErrorManager*>(cinfo->err)->data_ended = true;
}
void OnOutput(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) Abandon(cinfo);
}

// The source manager over the layer's stream, read a buffer at a time. At
// the end of the stream it hands the library an end-of-image marker and
// says the file ended: a file cut short in its header is declined, one cut
// short in its scan keeps the rows decoded so far.
constexpr JOCTET kEndOfImage[] = {0xFF, JPEG_EOI};

struct StreamSource {
  jpeg_source_mgr pub;
  TStream* stream;
  JOCTET buffer[16 * 1024];
};

void InitSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
  const std::size_t n = src->stream->Read(src->buffer, sizeof src->buffer);
  if (n == 0) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->pub.next_input_byte = kEndOfImage;
    src->pub.bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  return TRUE;
}
void SkipInput(j_decompress_ptr cinfo, long n) {
  jpeg_source_mgr* src = cinfo->src;
  while (n > 0) {
    if (src->bytes_in_buffer == 0) FillInput(cinfo);
    const std::size_t k = std::min<std::size_t>(static_cast<unsigned long>(n), src->bytes_in_buffer);
    src->next_input_byte += k;
    src->bytes_in_buffer -= k;
    n -= static_cast<long>(k);
  }
}
void TermSource(j_decompress_ptr) {}

// The library state, destroyed however decoding ends.
struct JpegReader {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  StreamSource src;
  jpeg_progress_mgr progress;
  bool created = false;
  bool multiple_scans = false;
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
bool ReadHeader(JpegReader* r, TStream* stream) {
  r->cinfo.err = jpeg_std_error(&r->err.pub);
  r->err.pub.error_exit = OnError;
  r->err.pub.emit_message = OnMessage;
  r->err.pub.output_message = OnOutput;
  if (setjmp(r->err.jump)) return false;
  jpeg_create_decompress(&r->cinfo);
  r->created = true;
  r->src.pub.init_source = InitSource;
  r->src.pub.fill_input_buffer = FillInput;
  r->src.pub.skip_input_data = SkipInput;
  r->src.pub.resync_to_restart = jpeg_resync_to_restart;
  r->src.pub.term_source = TermSource;
  r->src.pub.next_input_byte = nullptr;
  r->src.pub.bytes_in_buffer = 0;
  r->src.stream = stream;
  r->cinfo.src = &r->src.pub;
  r->progress.progress_monitor = OnProgress;
  r->cinfo.progress = &r->progress;
  jpeg_read_header(&r->cinfo, TRUE);
  jpeg_calc_output_dimensions(&r->cinfo);
  r->multiple_scans = jpeg_has_multiple_scans(&r->cinfo);
  return true;
}

// Decompresses the scanlines straight into the given rows. A picture in one
// scan stops where its data ended: the rows never reached stay zero. One in
// several scans has read all it holds before the first row comes out, and
// shows what its scans carry.
bool ReadRows(JpegReader* r, JSAMPROW* rows) {
  if (setjmp(r->err.jump)) return false;
  jpeg_start_decompress(&r->cinfo);
  const bool stop_at_end = !r->multiple_scans;
  while (r->cinfo.output_scanline < r->cinfo.output_height) {
    if (stop_at_end && r->err.data_ended) return true;
    jpeg_read_scanlines(&r->cinfo, rows + r->cinfo.output_scanline,
                        r->cinfo.output_height - r->cinfo.output_scanline);
  }
  jpeg_finish_decompress(&r->cinfo);
  return true;
}

// Whether the rest of the stream can hold the scans the header announces.
// A picture decoded in several scans (progressive, or components in scans
// of their own) is kept whole as coefficients, an allocation in proportion
// to the claimed size; but each block's first scan costs at least a bit,
// so a file too short for that is declined before the library allocates.
bool ScansCanFit(JpegReader& r, const TStream& stream) {
  if (!r.multiple_scans || stream.Size() < 0) return true;
  const std::int64_t left = stream.Size() - stream.Pos() +
                            static_cast<std::int64_t>(r.src.pub.bytes_in_buffer);
  std::int64_t blocks = 0;
  for (int c = 0; c < r.cinfo.num_components; ++c)
    blocks += static_cast<std::int64_t>(r.cinfo.comp_info[c].width_in_blocks) *
              r.cinfo.comp_info[c].height_in_blocks;
  return left * 8 >= blocks;
}

}  // namespace

namespace {

// Why the library gave up, from its last message.
DecodeError LibraryReason(const JpegReader& r) {
  switch (r.err.pub.msg_code) {
    case JERR_NO_SOI: return DecodeError::kNotThisFormat;
    case JERR_OUT_OF_MEMORY: return DecodeError::kNoMemory;
    case JERR_BAD_PRECISION: return DecodeError::kUnsupported;  // 12-bit samples
    default: return r.err.data_ended ? DecodeError::kTruncated : DecodeError::kDamaged;
  }
}

}  // namespace

PixmapPtr DecodeJpeg(TStream& stream, DecodeError* why_out) {
  DeclineReason why(why_out);
  JpegReader r;
  if (!ReadHeader(&r, &stream)) return why.Decline(LibraryReason(r));
  const int components = r.cinfo.output_components;
  if (components != 1 && components != 3) return why.Decline(DecodeError::kUnsupported);
  const std::int64_t w = r.cinfo.output_width, h = r.cinfo.output_height;
  if (!PixmapSizeSane(w, h)) return why.Decline(DecodeError::kTooLarge);
  if (!ScansCanFit(r, stream)) return why.Decline(DecodeError::kTruncated);
  // Keep the library's own buffers (whole-image coefficients for
  // progressive files) in proportion to the picture.
  r.cinfo.mem->max_memory_to_use = static_cast<long>(8 * w * h + (64 << 20));
  PixmapPtr pm = CreatePixmap(static_cast<int>(w), static_cast<int>(h),
                              components == 1 ? PF_I8 : PF_RGB888);
  if (!pm) return why.Decline(DecodeError::kNoMemory);
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) rows[y] = pm->Row(y);
  if (!ReadRows(&r, rows.data())) return why.Decline(LibraryReason(r));
  return pm;
}

PixmapPtr DecodeJpeg(std::span<const std::uint8_t> data, DecodeError* why) {
  if (data.empty()) return DeclineReason(why).Decline(DecodeError::kTruncated);
  TMemoryStream stream(data);
  return DecodeJpeg(stream, why);
}

}  // namespace images_internal
