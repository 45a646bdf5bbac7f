// URL opening: embedded resources as memory streams, everything else as
// files read in binary mode.
#include "platform/stream.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

class TFileStream : public TStream {
 public:
  explicit TFileStream(std::FILE* f) : file_(f) {}
  std::size_t Read(void* dst, std::size_t n) override {
    return std::fread(dst, 1, n, file_.get());
  }
  bool Seek(std::int64_t pos) override {
    return pos >= 0 && std::fseek(file_.get(), static_cast<long>(pos), SEEK_SET) == 0;
  }
  std::int64_t Pos() const override { return std::ftell(file_.get()); }
  std::int64_t Size() const override {
    long here = std::ftell(file_.get());
    if (here < 0 || std::fseek(file_.get(), 0, SEEK_END) != 0) return -1;
    long end = std::ftell(file_.get());
    std::fseek(file_.get(), here, SEEK_SET);
    return end;
  }

 private:
  std::unique_ptr<std::FILE, FileCloser> file_;
};

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

StreamPtr OpenStream(const std::string& url) {
  std::size_t sep = url.find("::");
  if (sep != std::string::npos) {
    std::string protocol = url.substr(0, sep);
    std::transform(protocol.begin(), protocol.end(), protocol.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string path = url.substr(sep + 2);
    for (const ProtocolFactory& f : kFactories) {
      if (protocol != f.protocol) continue;
      if (StreamPtr s = f.open(path)) return s;
    }
    return nullptr;
  }
  std::FILE* f = std::fopen(url.c_str(), "rb");
  if (!f) return nullptr;
  return std::make_unique<TFileStream>(f);
}
