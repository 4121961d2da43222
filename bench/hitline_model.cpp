// The least a one-worker search of a tree can do: read each file of a list
// (NUL-separated, as find -print0 writes it) into a reused buffer, find
// each line holding a byte the scan stops at (one of 0x80 or above, or an
// "&"), with the scan's own byte search, and go on at that line's end.
// Nothing is decoded, checked or written, and no folder is walked. Timed
// beside the reading floor, it shows what is left of the floor's time for
// the finding job itself on a tree with many hit lines.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ByteScan.h"

namespace {

struct Counts {
  std::size_t files = 0, lines = 0, hitLines = 0;
};

// inHit says that the last block ended inside a line with a hit, which then
// goes on into the next block and is not counted again.
void CountBlock(const unsigned char* p, std::size_t n, const platform::StopBytes& stops, bool& inHit,
                Counts& counts) {
  std::size_t i = 0;
  while (i < n) {
    if (!inHit) {
      std::size_t lineEnd = 0;
      const std::size_t stop = i + platform::ScanToStop(p + i, n - i, stops, counts.lines, lineEnd);
      if (stop >= n) return;
      ++counts.hitLines;
      i = stop;
    }
    const void* feed = std::memchr(p + i, '\n', n - i);
    inHit = feed == nullptr;
    if (inHit) return;
    ++counts.lines;
    i = static_cast<std::size_t>(static_cast<const unsigned char*>(feed) - p) + 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hitline_model FILE-LIST (NUL-separated paths)\n");
    return 2;
  }
  std::ifstream list(argv[1], std::ios::binary);
  if (!list) {
    std::fprintf(stderr, "hitline_model: cannot read %s\n", argv[1]);
    return 2;
  }
  platform::StopBytes stops;
  stops.Add('&');
  std::vector<unsigned char> buffer(256 * 1024);
  Counts counts;
  int status = 0;
  for (std::string path; std::getline(list, path, '\0');) {
    if (path.empty()) continue;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::fprintf(stderr, "hitline_model: %s: %s\n", path.c_str(), std::strerror(errno));
      status = 1;
      continue;
    }
    bool inHit = false;
    ssize_t got;
    while ((got = read(fd, buffer.data(), buffer.size())) > 0)
      CountBlock(buffer.data(), static_cast<std::size_t>(got), stops, inHit, counts);
    if (got < 0) {
      std::fprintf(stderr, "hitline_model: %s: %s\n", path.c_str(), std::strerror(errno));
      status = 1;
    } else {
      ++counts.files;
    }
    close(fd);
  }
  std::printf("%zu files, %zu line feeds, %zu lines with a stop byte\n", counts.files, counts.lines, counts.hitLines);
  return status;
}
