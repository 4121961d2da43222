// The line reader against the text-mode rules, with and without skipping
// plain lines. The input goes through a memory file, so the real read path
// (refills, the 0x1A cut, CR before LF) is exercised.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "finder/engine/HanziExtraction.h"
#include "platform/LineReader.h"

namespace {

// Lines as text-mode reading gives them: input ends at 0x1A, LF ends a line,
// a CR right before it goes, a final LF makes no empty line.
std::vector<std::string> Expected(std::string text) {
  if (auto stop = text.find('\x1A'); stop != std::string::npos) text.resize(stop);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool Significant(const std::string& line, bool hash) {
  for (unsigned char c : line)
    if (c >= 0x80 || (hash && c == '#')) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool hash = (data[0] & 1) != 0;
  // Stretch the input so that the reader's buffer boundaries are crossed.
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t repeat = (data[0] >> 1) % 32 == 31 ? 300000 / (text.size() + 1) + 1 : 1;
  std::string input;
  for (std::size_t i = 0; i < repeat; ++i) input += text;

  const int fd = memfd_create("fuzz", 0);
  if (fd < 0) return 0;
  if (write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    close(fd);
    return 0;
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  const std::vector<std::string> expected = Expected(input);

  for (bool skip : {false, true}) {
    static platform::LineReader reader;  // reused, so each run does not allocate a buffer
    if (!reader.OpenNative(path)) __builtin_trap();
    std::size_t number = 0;
    std::vector<bool> handedOut(expected.size(), false);
    std::string_view line;
    for (;;) {
      if (skip) number += reader.SkipPlainLines(SignificantBytes(hash).Stops());
      if (!reader.ReadLine(line)) break;
      ++number;
      if (number > expected.size()) __builtin_trap();
      const std::string& want = expected[number - 1];
      if (line != want) __builtin_trap();
      handedOut[number - 1] = true;
    }
    if (!skip && number != expected.size()) __builtin_trap();
    // Skipping may pass over plain lines only, never a significant one.
    for (std::size_t i = 0; i < expected.size(); ++i)
      if (!handedOut[i] && Significant(expected[i], hash)) __builtin_trap();
  }

  // Lines in batches of changing sizes, mixed with single lines: every batch
  // must hold the next lines in order, and stay valid until the next call.
  static platform::LineReader batches;
  if (!batches.OpenNative(path)) __builtin_trap();
  std::size_t number = 0;
  std::string_view lines[97];
  for (std::size_t call = 0;; ++call) {
    const std::size_t capacity = call % 5 == 4 ? 1 : (call * 31 + data[0]) % 97 + 1;
    std::size_t got = 0;
    if (call % 7 == 3) {
      got = batches.ReadLine(lines[0]) ? 1 : 0;
    } else {
      got = batches.ReadLines(lines, capacity);
      if (got > capacity) __builtin_trap();
    }
    if (got == 0) break;
    for (std::size_t i = 0; i < got; ++i)
      if (number + i >= expected.size() || lines[i] != expected[number + i]) __builtin_trap();
    number += got;
  }
  if (number != expected.size()) __builtin_trap();
  close(fd);
  return 0;
}
