// 32-bit signed arithmetic that wraps like the machine does instead of being
// undefined on overflow: layout maths takes whatever sizes a window reports.
#pragma once

#include <cstdint>

inline int Add32(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline int Sub32(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline int Mul32(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
// Halving truncates toward zero, as C++ integer division does.
inline int Half32(int a) { return a / 2; }
