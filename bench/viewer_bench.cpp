// viewer_bench: makes the inputs for timing the viewer core and times it.
//
//   viewer_bench make-report FILE LINES   a result report of LINES lines
//   viewer_bench make-source FILE MB      a GBK web page of MB MiB, LF ends
//   viewer_bench load FILE RUNS           best seconds of LoadReport
//   viewer_bench page SOURCE PAGE RUNS    best seconds of BuildAnchorPage
//
// The page's row map holds every eighth line, the lines the source generator
// puts characters on. Paths are taken as they are (ASCII paths are CP936).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "viewer/ModFile.h"
#include "BenchRandom.h"
#include "viewer/ModMain.h"
#include "viewer/support/RunTimeError.h"

namespace {

constexpr int kHitEvery = 8;

struct Counter : ListBoxItems {
  void Clear() override { count = 0; }
  void AddItem(const std::string&) override { ++count; }
  std::size_t count = 0;
};

std::string Characters(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0 && Below(5) == 0) text += "  ";
    text += {static_cast<char>(0xB0 + Below(0x48)), static_cast<char>(0xA1 + Below(0x5E))};
  }
  return text;
}

bool WriteFile(const char* path, const std::string& bytes, std::FILE* file) {
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() || (std::perror(path), false);
}

int MakeReport(const char* path, long lines) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return std::perror(path), 1;
  std::string chunk;
  long fileNumber = 0, lineNumber = 0;
  for (long i = 0; i < lines; ++i) {
    if (i % 200 == 0) {
      ++fileNumber;
      chunk += "Input file:/srv/site/section" + std::to_string(fileNumber % 97) + "/page" + std::to_string(fileNumber) +
               ".htm\r\n";
      lineNumber = 0;
      continue;
    }
    lineNumber += 1 + Below(6);
    char number[24];
    std::snprintf(number, sizeof number, "%-3ld ", lineNumber);
    chunk += number + Characters(1 + static_cast<int>(Below(12))) + "\r\n";
    if (chunk.size() > (1 << 20)) {
      if (!WriteFile(path, chunk, file)) return 1;
      chunk.clear();
    }
  }
  return WriteFile(path, chunk, file) && std::fclose(file) == 0 ? 0 : 1;
}

int MakeSource(const char* path, long megabytes) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return std::perror(path), 1;
  const std::uint64_t size = static_cast<std::uint64_t>(megabytes) << 20;
  std::uint64_t written = 0;
  std::string chunk;
  for (long line = 1; written + chunk.size() < size; ++line) {
    chunk += "<p class=\"item\">entry " + std::to_string(line) + " of the list, plain text";
    if (line % kHitEvery == 0) {
      chunk += ' ';
      chunk += Characters(2 + static_cast<int>(Below(10)));
      chunk += " <b>x</b>";
    }
    chunk += std::string(Below(40), ' ') + "</p>\n";
    if (chunk.size() > (1 << 20)) {
      if (!WriteFile(path, chunk, file)) return 1;
      written += chunk.size();
      chunk.clear();
    }
  }
  return WriteFile(path, chunk, file) && std::fclose(file) == 0 ? 0 : 1;
}

template <class Job>
double Best(int runs, Job job) {
  double best = 1e300;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    job();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (mode == "make-report" && argc == 4) return MakeReport(argv[2], std::atol(argv[3]));
    if (mode == "make-source" && argc == 4) return MakeSource(argv[2], std::atol(argv[3]));
    if (mode == "load" && argc == 4) {
      std::size_t files = 0, rows = 0;
      const double seconds = Best(std::atoi(argv[3]), [&] {
        ClsObjMap mapFiles;
        Counter list;
        LoadReport(argv[2], mapFiles, list);
        files = list.count;
        rows = 0;
        for (const auto& entry : mapFiles.GetObject()) rows += entry.value->GetObject().Count();
      });
      std::printf("%.4f %zu %zu\n", seconds, files, rows);
      return 0;
    }
    if (mode == "page" && argc == 5) {
      ClsMap rows;
      for (long line = kHitEvery; line < 3'000'000; line += kHitEvery) rows.Add(std::to_string(line), " x");
      std::printf("%.4f\n", Best(std::atoi(argv[4]), [&] { BuildAnchorPage(argv[2], argv[3], rows); }));
      return 0;
    }
  } catch (const RunTimeError& error) {
    std::fprintf(stderr, "viewer_bench: %s\n", error.what());
    return 1;
  }
  std::fprintf(stderr, "usage: viewer_bench make-report FILE LINES | make-source FILE MB | load FILE RUNS | page SOURCE PAGE RUNS\n");
  return 2;
}
