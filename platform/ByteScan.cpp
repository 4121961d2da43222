#include "platform/ByteScan.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define GLYPHWELL_X86 1
#endif

namespace platform {

namespace {

SimdLevel Supported() {
#if defined(GLYPHWELL_X86)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")) return SimdLevel::Avx2;
#endif
#if defined(__SSE2__)
  return SimdLevel::Sse2;
#else
  return SimdLevel::Plain;
#endif
}

SimdLevel Initial() {
  SimdLevel level = Supported();
  if (const char* asked = std::getenv("GLYPHWELL_SIMD")) {
    const SimdLevel wanted = std::strcmp(asked, "plain") == 0 ? SimdLevel::Plain
                             : std::strcmp(asked, "sse2") == 0 ? SimdLevel::Sse2
                                                                : SimdLevel::Avx2;
    if (wanted < level) level = wanted;
  }
  return level;
}

std::atomic<SimdLevel>& Level() {
  static std::atomic<SimdLevel> level{Initial()};
  return level;
}

// The byte by byte scan, which the vector ones must match.
std::size_t ScanPlain(const unsigned char* p, std::size_t from, std::size_t n, const StopBytes& stops,
                      std::size_t& lines, std::size_t& lineEnd) {
  for (std::size_t i = from; i < n; ++i) {
    if (stops.Is(p[i])) return i;
    if (p[i] == '\n') {
      ++lines;
      lineEnd = i + 1;
    }
  }
  return n;
}

// Counts the LFs of a block's LF bits before its first stop byte and moves
// lineEnd past the last of them; true when the block held a stop byte.
inline bool TakeBlock(std::uint64_t stop, std::uint64_t feeds, std::size_t base, std::size_t& lines,
                      std::size_t& lineEnd, int (*count)(std::uint64_t)) {
  if (stop != 0) feeds &= (stop & (0 - stop)) - 1;  // the LFs before the first stop byte
  if (feeds != 0) {
    lineEnd = base + static_cast<std::size_t>(64 - __builtin_clzll(feeds));
    lines += static_cast<std::size_t>(count(feeds));
  }
  return stop != 0;
}

// Line feeds are sparse: counted bit by bit, which beats a popcount call
// on the baseline x86-64 instruction set.
int CountSparse(std::uint64_t bits) {
  int count = 0;
  for (; bits != 0; bits &= bits - 1) ++count;
  return count;
}

#if defined(__SSE2__)
std::size_t ScanSse2(const unsigned char* p, std::size_t n, const StopBytes& stops, std::size_t& lines,
                     std::size_t& lineEnd) {
  const __m128i lineFeed = _mm_set1_epi8('\n');
  __m128i ascii[StopBytes::kMostAscii];
  for (int k = 0; k < stops.asciiCount; ++k) ascii[k] = _mm_set1_epi8(static_cast<char>(stops.ascii[k]));
  const auto mask16 = [&](const __m128i v) {
    unsigned mask = stops.highBytes ? static_cast<unsigned>(_mm_movemask_epi8(v)) : 0;
    for (int k = 0; k < stops.asciiCount; ++k)
      mask |= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, ascii[k])));
    return static_cast<std::uint64_t>(mask);
  };
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const auto* block = reinterpret_cast<const __m128i*>(p + i);
    const __m128i v0 = _mm_loadu_si128(block), v1 = _mm_loadu_si128(block + 1);
    const __m128i v2 = _mm_loadu_si128(block + 2), v3 = _mm_loadu_si128(block + 3);
    const std::uint64_t stop = mask16(v0) | mask16(v1) << 16 | mask16(v2) << 32 | mask16(v3) << 48;
    const auto feedBits = [&](const __m128i v) {
      return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lineFeed))));
    };
    const std::uint64_t feeds = feedBits(v0) | feedBits(v1) << 16 | feedBits(v2) << 32 | feedBits(v3) << 48;
    if (TakeBlock(stop, feeds, i, lines, lineEnd, CountSparse))
      return i + static_cast<std::size_t>(__builtin_ctzll(stop));
  }
  return ScanPlain(p, i, n, stops, lines, lineEnd);
}
#endif

#if defined(GLYPHWELL_X86)
__attribute__((target("popcnt"))) int CountPopcnt(std::uint64_t bits) { return __builtin_popcountll(bits); }

// The stop bits of 32 bytes: the stop tests are merged in the vector (a
// match sets a byte's top bit, as a high byte has it), so that one mask is
// taken whatever their number.
__attribute__((target("avx2"))) inline std::uint64_t StopMask32(const __m256i v, const __m256i high,
                                                                 const __m256i* ascii, int count) {
  __m256i any = _mm256_and_si256(v, high);
  for (int k = 0; k < count; ++k) any = _mm256_or_si256(any, _mm256_cmpeq_epi8(v, ascii[k]));
  return static_cast<unsigned>(_mm256_movemask_epi8(any));
}

__attribute__((target("avx2,popcnt"))) std::size_t ScanAvx2(const unsigned char* p, std::size_t n,
                                                             const StopBytes& stops, std::size_t& lines,
                                                             std::size_t& lineEnd) {
  const __m256i lineFeed = _mm256_set1_epi8('\n');
  // All bits where high bytes stop the scan, none where they do not.
  const __m256i high = _mm256_set1_epi8(stops.highBytes ? static_cast<char>(0x80) : 0);
  const int count = stops.asciiCount;
  __m256i ascii[StopBytes::kMostAscii];
  for (int k = 0; k < count; ++k) ascii[k] = _mm256_set1_epi8(static_cast<char>(stops.ascii[k]));
  // Counted in locals: through the references, every block would store and reload them.
  std::size_t counted = lines, end = lineEnd;
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32));
    // No lambda here: it would lack the AVX2 target and so take vectors by an ABI that clang refuses.
    const std::uint64_t stop = StopMask32(v0, high, ascii, count) | StopMask32(v1, high, ascii, count) << 32;
    const std::uint64_t feeds =
        static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v0, lineFeed)))) |
        static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v1, lineFeed))))
            << 32;
    if (TakeBlock(stop, feeds, i, counted, end, CountPopcnt)) {
      lines = counted;
      lineEnd = end;
      return i + static_cast<std::size_t>(__builtin_ctzll(stop));
    }
  }
  lines = counted;
  lineEnd = end;
  return ScanPlain(p, i, n, stops, lines, lineEnd);
}

#endif

}  // namespace

SimdLevel ActiveSimd() { return Level().load(std::memory_order_relaxed); }

SimdLevel UseSimd(SimdLevel level) {
  const SimdLevel supported = Supported();
  return Level().exchange(level < supported ? level : supported);
}

std::size_t ScanToStop(const unsigned char* p, std::size_t n, const StopBytes& stops, std::size_t& lines,
                       std::size_t& lineEnd) {
  switch (ActiveSimd()) {
#if defined(GLYPHWELL_X86)
    case SimdLevel::Avx2:
      return ScanAvx2(p, n, stops, lines, lineEnd);
#endif
#if defined(__SSE2__)
    case SimdLevel::Sse2:
      return ScanSse2(p, n, stops, lines, lineEnd);
#endif
    default:
      return ScanPlain(p, 0, n, stops, lines, lineEnd);
  }
}

}  // namespace platform
