// What a control's look depends on, as the key of its reusable drawing.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>

// The numbers' bytes, then the text. One buffer serves every control: a key
// is used up (compared, or copied into its piece) before the next is made.
inline const std::string& DrawKey(std::initializer_list<int> numbers, const std::string& text) {
  static std::string key;
  key.clear();
  for (const int n : numbers) {
    char bytes[sizeof n];
    std::memcpy(bytes, &n, sizeof n);
    key.append(bytes, sizeof n);
  }
  key += text;
  return key;
}
