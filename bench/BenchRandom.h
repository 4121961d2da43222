// The benchmarks' one small generator: the same numbers on every run, so
// that runs compare.
#pragma once

#include <cstdint>

// A number below n from a fixed-seed linear congruential sequence.
inline std::uint32_t Below(std::uint32_t n) {
  static std::uint64_t state = 0x5eed;
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  return static_cast<std::uint32_t>((state >> 33) % n);
}
