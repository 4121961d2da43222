// Times the lexers: reads each file, finds its runs of counted characters
// and labels them, several times over, and times the search for escapes
// over every line; with --print it lists each run with its labels instead
// (PATH:LINE:COLUMN:LABELS:TEXT), which is how the fixtures' labels were
// first drawn up to be checked by hand.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "finder/context/Escapes.h"
#include "finder/context/SourceContext.h"
#include "platform/TextEncoding.h"

namespace {

struct Run {
  context::Position place;
  std::string text;
};

// The runs of characters that GBK writes in two bytes or that are Han
// ideographs: what a UTF-8 search finds.
std::vector<Run> Runs(const std::string& text) {
  std::vector<Run> runs;
  const auto& forms = platform::CountedForms::Get();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::int64_t line = 1, column = 1;
  bool open = false;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = p[i];
    int length = 1;
    if (p[i] >= 0x80) {
      length = platform::DecodeUtf8(p + i, text.size() - i, c);
      if (length <= 0) length = 1, c = 0;
    }
    if (c == '\n') {
      ++line;
      column = 1;
      open = false;
      ++i;
      continue;
    }
    if (c >= 0x80 && forms.Lookup(c) != 0) {
      if (!open) runs.push_back({{line, column}, {}});
      runs.back().text.append(text, i, static_cast<std::size_t>(length));
      open = true;
    } else {
      open = false;
    }
    ++column;
    i += static_cast<std::size_t>(length);
  }
  return runs;
}

std::string Names(context::Labels labels) {
  std::string names;
  for (int i = 0; i < context::kLabelCount; ++i) {
    if ((labels & context::Bit(static_cast<context::Label>(i))) == 0) continue;
    if (!names.empty()) names += ",";
    names += context::LabelName(static_cast<context::Label>(i));
  }
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  bool print = false;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--print") == 0) print = true;
    else paths.emplace_back(argv[i]);
  }
  if (paths.empty()) {
    std::fprintf(stderr, "usage: context_bench [--print] FILE...\n");
    return 2;
  }
  const context::Classifier classifier;
  struct File {
    std::string path, text;
    std::vector<Run> runs;
    std::vector<context::Position> places;
  };
  std::vector<File> files;
  std::size_t bytes = 0, findings = 0;
  for (const std::string& path : paths) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 2;
    }
    File file{path, std::string(std::istreambuf_iterator<char>(in), {}), {}, {}};
    file.runs = Runs(file.text);
    for (const Run& run : file.runs) file.places.push_back(run.place);
    bytes += file.text.size();
    findings += file.runs.size();
    files.push_back(std::move(file));
  }
  std::vector<context::Labels> labels;
  if (print) {
    for (const File& file : files) {
      classifier.Classify(file.path, file.text, file.places, labels);
      for (std::size_t k = 0; k < labels.size(); ++k)
        std::printf("%s:%lld:%lld:%s:%s\n", file.path.c_str(), static_cast<long long>(file.runs[k].place.line),
                    static_cast<long long>(file.runs[k].place.column), Names(labels[k]).c_str(),
                    file.runs[k].text.c_str());
    }
    return 0;
  }
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (const File& file : files) classifier.Classify(file.path, file.text, file.places, labels);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("%zu files, %.1f MB, %zu findings: best of 5 %.4f s, %.0f MB/s\n", files.size(), bytes / 1e6, findings,
              best, bytes / 1e6 / best);
  const auto han = [](char32_t c) { return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0x20000 && c <= 0x3FFFF); };
  std::vector<context::EscapedRun> runs;
  std::size_t escaped = 0;
  best = 1e9;
  for (int round = 0; round < 5; ++round) {
    escaped = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const File& file : files) {
      const std::string_view text = file.text;
      for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        context::FindEscapes(text.substr(at, end - at), han, runs);
        escaped += runs.size();
        at = end + 1;
      }
    }
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("escapes: %zu runs, best of 5 %.4f s, %.0f MB/s\n", escaped, best, bytes / 1e6 / best);
  return 0;
}
