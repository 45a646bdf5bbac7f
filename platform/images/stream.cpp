// URL opening: embedded resources as memory streams, everything else as
// regular files.
#include "platform/images/stream.h"
#include "platform/images/incbin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace images_internal {

namespace {

// A regular file read through a buffer. Opening never blocks: FIFOs,
// sockets, devices and directories are declined before anything is read.
class TFileStream : public TStream {
 public:
  TFileStream(int fd, std::int64_t size) : fd_(fd), size_(size) {}
  ~TFileStream() override { close(fd_); }
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::size_t Read(void* dst, std::size_t n) override {
    auto* out = static_cast<std::uint8_t*>(dst);
    std::size_t done = 0;
    while (done < n) {
      if (next_ == end_) {
        // Large reads bypass the buffer, which then holds nothing.
        if (n - done >= sizeof buffer_) {
          next_ = end_ = 0;
          const ssize_t k = ReadSome(out + done, n - done);
          if (k <= 0) break;
          done += static_cast<std::size_t>(k);
          pos_ += k;
          continue;
        }
        const ssize_t k = ReadSome(buffer_, sizeof buffer_);
        if (k <= 0) break;
        next_ = 0;
        end_ = static_cast<std::size_t>(k);
      }
      const std::size_t k = std::min(n - done, end_ - next_);
      std::memcpy(out + done, buffer_ + next_, k);
      next_ += k;
      done += k;
      pos_ += static_cast<std::int64_t>(k);
    }
    return done;
  }
  bool Seek(std::int64_t pos) override {
    if (pos < 0) return false;
    // Within the buffer: no system call.
    const std::int64_t buffer_start = pos_ - static_cast<std::int64_t>(next_);
    if (pos >= buffer_start && pos <= buffer_start + static_cast<std::int64_t>(end_)) {
      next_ = static_cast<std::size_t>(pos - buffer_start);
      pos_ = pos;
      return true;
    }
    if (lseek(fd_, pos, SEEK_SET) < 0) return false;
    next_ = end_ = 0;
    pos_ = pos;
    return true;
  }
  std::int64_t Pos() const override { return pos_; }
  std::int64_t Size() const override { return size_; }

 private:
  ssize_t ReadSome(void* dst, std::size_t n) {
    ssize_t k;
    do k = read(fd_, dst, n);
    while (k < 0 && errno == EINTR);
    return k;
  }

  int fd_;
  std::int64_t size_;
  std::int64_t pos_ = 0;  // of the next byte Read returns
  std::uint8_t buffer_[64 * 1024];
  std::size_t next_ = 0, end_ = 0;
};

StreamPtr OpenFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<TFileStream>(fd, static_cast<std::int64_t>(st.st_size));
}

StreamPtr OpenIncbin(const std::string& path) {
  std::span<const std::uint8_t> bytes;
  if (!IncbinFind(path, &bytes)) return nullptr;
  return std::make_unique<TMemoryStream>(bytes);
}

using StreamFactory = StreamPtr (*)(const std::string& path);
struct ProtocolFactory {
  const char* protocol;
  StreamFactory open;
};
// Asked in turn for a "proto::path" URL; the first stream made is used.
constexpr ProtocolFactory kFactories[] = {
    {"incbin", OpenIncbin},
};

}  // namespace

std::size_t TMemoryStream::Read(void* dst, std::size_t n) {
  std::size_t k = std::min(n, bytes_.size() - pos_);
  if (k > 0) std::memcpy(dst, bytes_.data() + pos_, k);
  pos_ += k;
  return k;
}

bool TMemoryStream::Seek(std::int64_t pos) {
  if (pos < 0 || static_cast<std::uint64_t>(pos) > bytes_.size()) return false;
  pos_ = static_cast<std::size_t>(pos);
  return true;
}

void ReadUpTo(TStream& stream, std::size_t n, std::vector<std::uint8_t>* out) {
  // Callers ask for no more than the stream holds; the bytes are cleared
  // only as they arrive.
  const std::size_t start = out->size();
  out->reserve(start + n);
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  while (out->size() - start < n) {
    const std::size_t have = out->size();
    out->resize(have + std::min(kChunk, n - (have - start)));
    const std::size_t got = stream.Read(out->data() + have, out->size() - have);
    out->resize(have + got);
    if (got == 0) break;
  }
}

StreamPtr OpenStream(const std::string& url) {
  // "proto::path" names a stream only for a protocol some factory knows;
  // otherwise the "::" is part of a file name ("a::b.png").
  const std::size_t sep = url.find("::");
  if (sep != std::string::npos) {
    std::string protocol = url.substr(0, sep);
    std::transform(protocol.begin(), protocol.end(), protocol.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string path = url.substr(sep + 2);
    bool known = false;
    for (const ProtocolFactory& f : kFactories) {
      if (protocol != f.protocol) continue;
      known = true;
      if (StreamPtr s = f.open(path)) return s;
    }
    if (known) return nullptr;
  }
  return OpenFile(url);
}

}  // namespace images_internal
