// Hostile and odd inputs for the image loader, made on the fly: files whose
// headers claim far more than they hold, damaged runs, special files. The
// tests and the loading benchmark share them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

// A PNG (69 bytes) whose header claims width x height RGBA of the given
// bit depth (16384 x 16384 x 8 unless told) and whose data stops after a
// few compressed bytes.
std::vector<std::uint8_t> HugePngHeader(std::uint32_t width = 16384, std::uint32_t height = 16384,
                                        int depth = 8);
// A valid RGB PNG of side x side pixels, all zero (about 800 KB at 16384).
std::vector<std::uint8_t> ZeroPng(int side);

// A 64 x 64 grey baseline JPEG with only `scan_bytes` bytes of scan data
// and then the end marker; claim > 0 patches its header to claim that size
// (16384: about 350 bytes claiming 16384 x 16384).
std::vector<std::uint8_t> JpegShortScan(std::size_t scan_bytes, int claim);
// A valid side x side grey baseline JPEG of noise.
std::vector<std::uint8_t> Jpeg(int side);
// A grey progressive JPEG in 253 scans (successive approximation of every
// coefficient), side x side; claim > 0 patches its header to claim that.
std::vector<std::uint8_t> ProgressiveJpeg(int side, int claim = 0);

// An 8-bit RLE BMP (about 1 KB) whose header claims width x height; its
// codes write a few runs and end the bitmap.
std::vector<std::uint8_t> SparseRleBmp(int width, int height);
// 8-bit RLE BMPs whose last row gets a run (or a literal) lying entirely
// in the padding past the picture's width.
std::vector<std::uint8_t> RleRunPastWidth();
std::vector<std::uint8_t> RleLiteralPastWidth();

// Makes a file of `bytes` bytes of junk, sparse after its first 64 KiB.
bool MakeJunkFile(const std::string& path, std::int64_t bytes);

// Lets this process grow its address space by at most extra_mib above its
// size now, so that a larger allocation fails; false if it cannot be set.
bool LimitAddressSpace(long extra_mib);

// Little-endian writers for building file headers.
void Put16(std::vector<std::uint8_t>& v, unsigned x);
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x);

}  // namespace hostile
