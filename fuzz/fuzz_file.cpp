// Fuzzes loading from a real file: the input is written to a temporary file
// whose name holds "::" (a file name, not a protocol) and loaded by path, so
// the file stream, its buffering and every decoder's streaming reads are
// exercised as the program uses them. The file lies in /dev/shm where there
// is one: a disk-backed /tmp makes the open and truncate of every input cost
// more than its decoding.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "fuzz/fuzz_pixels.h"
#include "platform/images/image.h"
#include "platform/images/incbin.h"

namespace {

std::string g_dir, g_path;

void RemoveInput() {
  unlink(g_path.c_str());
  rmdir(g_dir.c_str());
}

const std::string& InputPath() {
  if (g_path.empty()) {
    char shm[] = "/dev/shm/cellreel-fuzz-XXXXXX";
    char tmp[] = "/tmp/cellreel-fuzz-XXXXXX";
    const char* dir = mkdtemp(shm);
    if (!dir) dir = mkdtemp(tmp);
    if (!dir) std::abort();
    g_dir = dir;
    g_path = g_dir + "/sheet::input.png";
    std::atexit(RemoveInput);
  }
  return g_path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = InputPath();
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t k = write(fd, data + done, size - done);
    if (k <= 0) std::abort();
    done += static_cast<std::size_t>(k);
  }
  close(fd);
  PixmapPtr pm = LoadPixmap(path);
  if (!pm) return 0;
  TouchPixels(*pm);
  // The same bytes through memory decode the same way.
  IncbinAdd("fuzz/file", data, size);
  PixmapPtr same = LoadPixmap("incbin::fuzz/file");
  IncbinRemove("fuzz/file");
  if (!same || !SamePixels(*same, *pm)) __builtin_trap();
  return 0;
}
