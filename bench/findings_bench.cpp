// findings_bench: prints generated findings as vimgrep, json and sarif to /dev/null
// and reports the rate, best of five runs.
//
//   findings_bench [FINDINGS]     default 1,000,000
//
// Findings come twenty to a file, as a dense site yields them: paths of
// about forty bytes, texts of one to eight characters. "stream" rows hand
// them through FindingStream, as glyphwell-scan does; the others call the
// printer alone. The last rows time the baseline: recording every finding
// for --update-baseline and writing the file, and checking every finding
// against that baseline (all are held back, so nothing is printed).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "BenchRandom.h"
#include "finder/app/findings/FindingPrinter.h"
#include "finder/app/findings/FindingStream.h"

namespace {

constexpr int kRuns = 5;

std::vector<Finding> Generate(long count) {
  static const char* const kCharacters[] = {"中", "文", "翻", "译", "页", "面", "标", "题", "：", "，"};
  std::vector<Finding> findings;
  findings.reserve(static_cast<std::size_t>(count));
  std::int64_t line = 0;
  for (long i = 0; i < count; ++i) {
    Finding finding;
    finding.path = "site/section" + std::to_string(i / 20 % 97) + "/page" + std::to_string(i / 20) + ".html";
    if (i % 20 == 0) line = 0;
    line += 1 + Below(17);
    finding.line = line;
    finding.column = 1 + Below(80);
    finding.characterColumn = finding.column - Below(static_cast<std::uint32_t>(finding.column));
    for (std::uint32_t n = 1 + Below(8); n > 0; --n) finding.text += kCharacters[Below(10)];
    finding.encoding = i % 3 == 0 ? "GBK" : "UTF-8";
    findings.push_back(std::move(finding));
  }
  return findings;
}

// Bytes one run writes, counted through a stream that keeps nothing.
std::size_t OutputSize(const char* format, std::vector<Finding>& findings) {
  static std::size_t counted;
  counted = 0;
  cookie_io_functions_t counter{};
  counter.write = [](void*, const char*, std::size_t size) -> ssize_t {
    counted += size;
    return static_cast<ssize_t>(size);
  };
  std::FILE* out = fopencookie(nullptr, "w", counter);
  {
    auto printer = MakePrinter(format, out);
    FindingStream stream(*printer);
    stream.Begin();
    for (Finding& finding : findings) stream.Add(finding);
    stream.End(1, 1);
  }
  std::fclose(out);
  return counted;
}

template <class Job>
double Best(Job job) {
  double best = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    if (!job()) return -1;
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

// Seconds of the two baseline jobs: record and write, then load and check.
bool TimeBaseline(std::vector<Finding>& findings, double& record, double& check) {
  char name[] = "/tmp/findings_bench.XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return std::perror("mkstemp"), false;
  close(fd);
  std::FILE* out = std::fopen("/dev/null", "w");
  auto printer = MakePrinter("vimgrep", out);
  std::string error;
  record = Best([&] {
    BaselineRecorder recorder;
    FindingStream stream(*printer, nullptr, &recorder);
    for (Finding& finding : findings) stream.Add(finding);
    return recorder.Write(name, error);
  });
  check = Best([&] {
    Baseline baseline;
    if (!baseline.Load(name, false, error)) return false;
    FindingStream stream(*printer, &baseline);
    for (Finding& finding : findings) stream.Add(finding);
    return stream.NewFindings() == 0;
  });
  std::fclose(out);
  unlink(name);
  if (record < 0 || check < 0) std::fprintf(stderr, "findings_bench: baseline: %s\n", error.c_str());
  return record >= 0 && check >= 0;
}

double BestSeconds(const char* format, bool throughStream, std::vector<Finding>& findings) {
  double best = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    std::FILE* out = std::fopen("/dev/null", "w");
    if (out == nullptr) return std::perror("/dev/null"), -1;
    const auto start = std::chrono::steady_clock::now();
    {
      auto printer = MakePrinter(format, out);
      printer->Begin();
      if (throughStream) {
        FindingStream stream(*printer);
        for (Finding& finding : findings) stream.Add(finding);
        stream.End(1, 1);
      } else {
        for (const Finding& finding : findings) printer->Print(finding);
        printer->End({});
      }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fclose(out);
    best = std::min(best, seconds);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
  if (count <= 0) {
    std::fprintf(stderr, "usage: findings_bench [FINDINGS]\n");
    return 2;
  }
  std::vector<Finding> findings = Generate(count);
  std::printf("%ld findings, best of %d runs to /dev/null\n", count, kRuns);
  std::printf("%-8s %-8s %10s %8s %8s\n", "format", "path", "MB", "seconds", "MB/s");
  for (const char* format : {"vimgrep", "json", "sarif"}) {
    const double megabytes = static_cast<double>(OutputSize(format, findings)) / 1e6;
    for (const bool throughStream : {false, true}) {
      const double seconds = BestSeconds(format, throughStream, findings);
      std::printf("%-8s %-8s %10.1f %8.3f %8.0f\n", format, throughStream ? "stream" : "printer", megabytes, seconds,
                  megabytes / seconds);
    }
  }
  double record = 0, check = 0;
  if (!TimeBaseline(findings, record, check)) return 1;
  std::printf("baseline record and write %8.3f s\nbaseline load and check  %8.3f s\n", record, check);
  return 0;
}
