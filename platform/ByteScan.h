// Passing over the bytes of a text that cannot start anything a search looks
// for, in bulk: the next byte that can (a stop byte) is found with vector
// instructions, and the line ends passed on the way are counted with them,
// so that a line without a hit is never visited on its own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The bytes a scan stops at: every byte 0x80 or above (when highBytes), and
// up to six ASCII bytes named.
struct StopBytes {
  static constexpr int kMostAscii = 6;
  bool highBytes = true;
  unsigned char ascii[kMostAscii] = {};
  int asciiCount = 0;

  StopBytes& Add(unsigned char c) {
    if (asciiCount < kMostAscii && !Is(c)) ascii[asciiCount++] = c;
    return *this;
  }
  bool Is(unsigned char c) const {
    if (highBytes && c >= 0x80) return true;
    for (int k = 0; k < asciiCount; ++k)
      if (c == ascii[k]) return true;
    return false;
  }
};

// The instructions a scan uses: the best the processor has, or what the
// environment variable GLYPHWELL_SIMD names (plain, sse2, avx2; for tests,
// which hold every path to the same results), never more than it has.
enum class SimdLevel { Plain, Sse2, Avx2 };
SimdLevel ActiveSimd();
// The level a scan runs at from now on, clamped to what the processor has;
// returns the level in force before (for tests).
SimdLevel UseSimd(SimdLevel level);

// Scans p[0, n) for the first stop byte and returns its index (n when there
// is none). lines is increased by the LFs before it, and lineEnd set to the
// index just past the last of them (left as it is when there is none).
std::size_t ScanToStop(const unsigned char* p, std::size_t n, const StopBytes& stops, std::size_t& lines,
                       std::size_t& lineEnd);

}  // namespace platform
