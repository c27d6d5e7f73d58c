#pragma once
// Arithmetic tables of GF(256) for Reed-Solomon codes: logarithms and powers of the generator 2
// under a field polynomial the symbology chooses.

#include <array>
#include <cstddef>
#include <cstdint>

namespace brevix {

struct TGaloisField {
  std::array<std::uint8_t, 512> Exp{};  // doubled, so that Exp[Log[a] + Log[b]] needs no modulo
  std::array<std::uint8_t, 256> Log{};
};

// poly: the field polynomial with its x^8 term, 0x11D for x^8 + x^4 + x^3 + x^2 + 1.
constexpr TGaloisField MakeGaloisField(int poly) {
  TGaloisField f;
  int x = 1;
  for (int i = 0; i < 255; ++i) {
    f.Exp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(x);
    f.Exp[static_cast<std::size_t>(i + 255)] = static_cast<std::uint8_t>(x);
    f.Log[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(i);
    x <<= 1;
    if (x & 0x100) x ^= poly;
  }
  return f;
}

}  // namespace brevix
