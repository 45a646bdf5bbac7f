// Why a decoder declined a picture: one reason per way a file fails, with
// a short text for people reading a test's or a tool's report.
#pragma once

#include <cstddef>
#include <cstdint>

namespace images_internal {

enum class DecodeError : std::uint8_t {
  kNone,           // decoded
  kNotThisFormat,  // the signature or header is not this format's
  kTruncated,      // the data ends before the picture does
  kDamaged,        // the data contradicts itself or breaks the format's rules
  kTooLarge,       // the picture is larger than any this program decodes
  kUnsupported,    // a valid variant of the format this decoder does not read
  kNoMemory,       // the picture's memory could not be had
};

constexpr const char* DecodeErrorText(DecodeError error) {
  switch (error) {
    case DecodeError::kNone: return "decoded";
    case DecodeError::kNotThisFormat: return "not this format";
    case DecodeError::kTruncated: return "data ends early";
    case DecodeError::kDamaged: return "damaged data";
    case DecodeError::kTooLarge: return "picture too large";
    case DecodeError::kUnsupported: return "variant not supported";
    case DecodeError::kNoMemory: return "out of memory";
  }
  return "unknown";
}

// Where a decoder says why it declined: `Decline` records the first reason
// given and yields null, so that `return why.Decline(...)` ends a decoder.
class DeclineReason {
 public:
  explicit DeclineReason(DecodeError* out) : out_(out) {
    if (out_ != nullptr) *out_ = DecodeError::kNone;
  }
  std::nullptr_t Decline(DecodeError error) {
    if (out_ != nullptr && *out_ == DecodeError::kNone) *out_ = error;
    return nullptr;
  }

 private:
  DecodeError* out_;
};

}  // namespace images_internal
