// The compiled GL program kept between runs, so that a start skips the GLSL
// compiler (whose set-up alone costs a software renderer about 20 ms): one
// file, $XDG_CACHE_HOME/cellreel/program.bin (~/.cache/cellreel/ without
// it), holding the driver's binary of the program with a key that names
// the driver and the shader sources. A missing, damaged or foreign file is
// a miss, and the next program compiled replaces it; the driver checks the
// binary once more when it is given back. Internal to platform/.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drawing_internal {

struct CachedProgram {
  std::uint64_t key = 0;     // what the binary was made for (ProgramKey)
  std::uint32_t format = 0;  // the driver's binary format
  std::vector<std::uint8_t> binary;
};

// A key for what a binary depends on: the strings in order.
std::uint64_t ProgramKey(const std::vector<std::string_view>& parts);

// The file's contents for `program`, and back: nothing when the bytes are
// not such a file or are damaged.
std::vector<std::uint8_t> SerializeCachedProgram(const CachedProgram& program);
std::optional<CachedProgram> ParseCachedProgram(const std::vector<std::uint8_t>& bytes);

// The cache file's path; empty when neither XDG_CACHE_HOME nor HOME names
// an absolute directory.
std::string ProgramCachePath();

// Reads the program kept for `key`; nothing on any failure.
std::optional<CachedProgram> ReadCachedProgram(std::uint64_t key);
// Keeps `program`, replacing the file at once (a reader sees the old file
// or the new one); failures are ignored: the next start compiles again.
void WriteCachedProgram(const CachedProgram& program);

}  // namespace drawing_internal
