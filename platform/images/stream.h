// Read-only byte streams over files and embedded resources, and the
// bounds-checked reader the decoders parse with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace images_internal {

class TStream {
 public:
  virtual ~TStream() = default;
  // Copies up to n bytes to dst; the number copied (short at the end).
  virtual std::size_t Read(void* dst, std::size_t n) = 0;
  virtual bool Seek(std::int64_t pos) = 0;
  // Current position; -1 when the stream cannot tell it (not seekable).
  virtual std::int64_t Pos() const = 0;
  // Total length; -1 when unknown.
  virtual std::int64_t Size() const = 0;
  // The whole content when it already lies in memory, else empty.
  virtual std::span<const std::uint8_t> Memory() const { return {}; }
};
using StreamPtr = std::unique_ptr<TStream>;

// A seekable stream over bytes someone else owns.
class TMemoryStream : public TStream {
 public:
  explicit TMemoryStream(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t Read(void* dst, std::size_t n) override;
  bool Seek(std::int64_t pos) override;
  std::int64_t Pos() const override { return static_cast<std::int64_t>(pos_); }
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::span<const std::uint8_t> Memory() const override { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// Opens url for reading: "incbin::name" is an embedded resource (names are
// case-sensitive, the protocol is not); anything else, including text before
// "::" that is no known protocol, is a file path, relative to the current
// directory. Only regular files are opened, and opening never blocks. Null
// when nothing can be opened.
StreamPtr OpenStream(const std::string& url);

// Appends up to n bytes from the stream's position (fewer at its end).
void ReadUpTo(TStream& stream, std::size_t n, std::vector<std::uint8_t>* out);

// A cursor over a byte span. Every read is bounds-checked: reading past the
// end returns zeros and makes the reader fail for good, so a decoder can
// read a whole header and test Ok() once.
class TByteReader {
 public:
  explicit TByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  bool Ok() const { return ok_; }
  std::size_t Pos() const { return pos_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return ok_ ? data_.size() - pos_ : 0; }

  std::uint8_t U8() {
    if (!Need(1)) return 0;
    return data_[pos_++];
  }
  std::uint16_t U16() {  // little-endian
    if (!Need(2)) return 0;
    std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  std::uint32_t U32() {  // little-endian
    if (!Need(4)) return 0;
    std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) |
                      (static_cast<std::uint32_t>(data_[pos_ + 1]) << 8) |
                      (static_cast<std::uint32_t>(data_[pos_ + 2]) << 16) |
                      (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // The next n bytes as a span; empty (and failed) when fewer remain.
  std::span<const std::uint8_t> Bytes(std::size_t n) {
    if (!Need(n)) return {};
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  bool Skip(std::size_t n) {
    if (!Need(n)) return false;
    pos_ += n;
    return true;
  }
  // Moves to an absolute offset; fails when it lies past the end.
  bool Seek(std::size_t pos) {
    if (!ok_ || pos > data_.size()) return ok_ = false;
    pos_ = pos;
    return true;
  }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || n > data_.size() - pos_) return ok_ = false;
    return true;
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace images_internal
