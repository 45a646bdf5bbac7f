#include "platform/drawing/program_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace drawing_internal {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'C', 'R', 'L', 'P', 'R', 'O', 'G', 1};
// Magic, key, format, length, checksum.
constexpr std::size_t kHeaderSize = 8 + 8 + 4 + 4 + 8;
// Far above any binary of this program's two small shaders.
constexpr std::size_t kMaxBinary = 4u << 20;

std::uint64_t Fnv1a(const std::uint8_t* data, std::size_t n,
                    std::uint64_t hash = 0xcbf29ce484222325ull) {
  for (std::size_t i = 0; i < n; ++i) {
    hash ^= data[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t Get(const std::uint8_t* p, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  return value;
}

// The directory the file lives in, made (owner only) when missing.
bool MakeDirectories(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    const std::string dir = file.substr(0, slash);
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::uint64_t ProgramKey(const std::vector<std::string_view>& parts) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const std::string_view part : parts) {
    hash = Fnv1a(reinterpret_cast<const std::uint8_t*>(part.data()), part.size(), hash);
    const std::uint8_t separator = 0;  // "ab" + "c" is not "a" + "bc"
    hash = Fnv1a(&separator, 1, hash);
  }
  return hash;
}

std::vector<std::uint8_t> SerializeCachedProgram(const CachedProgram& program) {
  std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
  out.reserve(kHeaderSize + program.binary.size());
  Put(out, program.key, 8);
  Put(out, program.format, 4);
  Put(out, program.binary.size(), 4);
  Put(out, Fnv1a(program.binary.data(), program.binary.size()), 8);
  out.insert(out.end(), program.binary.begin(), program.binary.end());
  return out;
}

std::optional<CachedProgram> ParseCachedProgram(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kHeaderSize || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) {
    return std::nullopt;
  }
  const std::uint8_t* p = bytes.data() + kMagic.size();
  const std::uint64_t length = Get(p + 12, 4);
  if (length == 0 || length > kMaxBinary || length != bytes.size() - kHeaderSize) {
    return std::nullopt;
  }
  CachedProgram program;
  program.key = Get(p, 8);
  program.format = static_cast<std::uint32_t>(Get(p + 8, 4));
  program.binary.assign(bytes.begin() + kHeaderSize, bytes.end());
  if (Fnv1a(program.binary.data(), program.binary.size()) != Get(p + 16, 8)) return std::nullopt;
  return program;
}

std::string ProgramCachePath() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/cellreel/program.bin";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/cellreel/program.bin";
  return {};
}

std::optional<CachedProgram> ReadCachedProgram(std::uint64_t key) {
  const std::string path = ProgramCachePath();
  if (path.empty()) return std::nullopt;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::vector<std::uint8_t> bytes;
  // Only a regular file of a plausible size is read, and only what it held
  // when looked at.
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
      static_cast<std::uint64_t>(st.st_size) <= kHeaderSize + kMaxBinary) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
  }
  close(fd);
  std::optional<CachedProgram> program = ParseCachedProgram(bytes);
  if (program && program->key != key) program.reset();
  return program;
}

void WriteCachedProgram(const CachedProgram& program) {
  const std::string path = ProgramCachePath();
  if (path.empty() || program.binary.empty() || program.binary.size() > kMaxBinary ||
      !MakeDirectories(path)) {
    return;
  }
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return;
  const bool written = WriteAll(fd, SerializeCachedProgram(program));
  if (close(fd) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
  }
}

}  // namespace drawing_internal
