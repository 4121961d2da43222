// gen_corpus: writes a reproducible tree of web pages and text files for
// timing glyphwell-scan, and counts the lines a finder must report in it.
//
//   gen_corpus [--dense | --short] [--seed N] DIR [SIZE_MB]
//   gen_corpus --format | --default-seed
//
// sparse (the default): mostly ASCII; four files in five have Chinese on 1 to
//   3.5% of their lines, one in three has five-digit references on 0.4%.
// dense (--dense): a site halfway through translation; every file has Chinese
//   on one line in 15 to 20, half of them references on one line in 100.
// short (--short): what most trees are made of, short lines of code and
//   markup: 20 to 60 bytes a line, CR LF, Chinese on one line in twenty.
//
// SIZE_MB (default 1100, 1 MB = 2^20 bytes) counts the files matching
// "*.txt;*.htm;*.html"; decoys (.css, .js, .htm.bak, with Chinese on every
// other line) come on top. The same kind, seed and size give the same bytes.
// DIR/gen_corpus.stamp, written last, holds the counts; while it is missing,
// DIR/gen_corpus.incomplete says the tree is not whole.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Raised whenever a kind, seed and size give other bytes than before, so that
// bench/run makes its corpora anew.
constexpr int kFormat = 2;
constexpr std::uint64_t kDefaultSeed = 0x476c797068ull;
constexpr std::uint64_t kMiB = 1 << 20;

// SplitMix64: small, fast and the same on every machine.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32); }
  std::uint32_t Range(std::uint32_t low, std::uint32_t high) { return low + Below(high - low + 1); }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  bool Chance(double p) { return Unit() < p; }
  template <class T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

constexpr std::string_view kWords[] = {
    "the",      "company", "our",     "products", "service", "quality",   "customer", "order",   "delivery",
    "price",    "new",     "market",  "team",     "support", "business",  "we",       "and",     "of",
    "to",       "in",      "for",     "with",     "is",      "are",       "on",       "by",      "from",
    "this",     "your",    "all",     "more",     "about",   "contact",   "please",   "online",  "shipping",
    "export",   "factory", "steel",   "parts",    "catalog", "annual",    "report",   "trade",   "fair",
    "office",   "sales",   "manager", "email",    "phone",   "warehouse", "stock",    "request", "quote",
    "sample",   "design",  "ISO",     "9001",     "since",   "leading",   "province", "road",    "floor",
    "download", "manual",  "guide",   "model",    "size",    "weight",    "cotton",   "silk",    "tea",
    "LED",      "solar",   "cable",   "valve",    "pallet",  "port",      "Shanghai", "Ningbo",  "FOB",
    "T/T",      "minimum", "lead",    "time",     "days",    "warranty",  "policy",   "news",    "events",
};
constexpr std::string_view kSites[] = {"acme-trading", "blue-river",  "northwind",     "sunrise-tech",
                                       "harbor-foods", "jade-garden", "golden-bridge", "pearl-textiles"};
constexpr std::string_view kSections[] = {"news", "products", "support", "about",
                                          "archive", "docs", "press", "downloads"};
constexpr std::string_view kYears[] = {"2014", "2015", "2016", "2017", "2018", "2019", "2020",
                                       "2021", "2022", "2023", "catalog", "manuals", "faq", "misc"};
constexpr std::string_view kMonths[] = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"};
constexpr std::string_view kStems[] = {"index", "page",    "article", "item",          "notes",      "readme",
                                       "report", "product", "news",    "Meeting notes", "price list", "contact"};

// The rates are per sentence and per line end. Tags, blank lines and the
// like carry no sentence, so a file's share of lines with Chinese comes out
// at about seven eighths of its sentence rate.
struct Kind {
  const char* name;
  double gbkFiles, gbkLow, gbkHigh;  // share of files with Chinese, their rate from low to high
  double referenceFiles, referenceRate;
  bool shortLines = false;
};
constexpr Kind kSparse = {"sparse", 0.8, 0.01, 0.035, 1.0 / 3, 0.004};
constexpr Kind kDense = {"dense", 1.0, 1.0 / 17, 1.0 / 13, 0.5, 0.01};
constexpr Kind kShort = {"short", 1.0, 0.05, 0.05, 0, 0, true};

// One file's text, line by line, with the count of lines a finder reports:
// those with a byte of 0x80 or above, and (converting references) those whose
// only Chinese is five-digit references.
class FileText {
 public:
  FileText(Random& random, bool crlf, double gbkRate, double referenceRate)
      : random_(random), end_(crlf ? "\r\n" : "\n"), gbkRate_(gbkRate), referenceRate_(referenceRate) {}

  void Put(std::string_view text) { text_ += text; }
  void Number(std::uint32_t value) {
    char digits[12];
    text_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  }
  void Words(std::size_t bytes) {
    for (const std::size_t start = text_.size(); text_.size() - start < bytes;) {
      if (text_.size() > start) text_ += random_.Below(12) ? " " : ", ";
      text_ += random_.Pick(kWords);
    }
  }
  // GB2312 characters (lead 0xB0-0xF7, trail 0xA1-0xFE) with the odd
  // full-width comma, as in real text.
  void Hanzi(int count) {
    for (int i = 0; i < count; ++i) {
      if (i > 0 && random_.Below(12) == 0) {
        text_ += "\xA3\xAC";
        continue;
      }
      const auto lead = static_cast<char>(random_.Range(0xB0, 0xF7));
      text_ += {lead, static_cast<char>(random_.Range(0xA1, lead == '\xD7' ? 0xF9 : 0xFE))};
    }
    gbk_ = true;
  }
  // References to CJK ideographs U+4E00 to U+9FA5, all of which GBK holds.
  void References(int count) {
    for (int i = 0; i < count; ++i) {
      text_ += "&#";
      Number(random_.Range(19968, 40869));
      text_ += ';';
    }
    reference_ = true;
  }
  // Words of about the given length, with Chinese runs when the line draws them.
  void Sentence(std::size_t bytes) {
    if (!random_.Chance(gbkRate_)) return Words(bytes);
    if (random_.Below(3) == 0) return Hanzi(static_cast<int>(std::max<std::size_t>(2, bytes / 4)));
    for (std::uint32_t run = random_.Range(1, 3); run > 0; --run) {
      Words(bytes / 4);
      text_ += ' ';
      Hanzi(static_cast<int>(random_.Range(2, 16)));
      text_ += ' ';
    }
    Words(bytes / 4);
  }
  void EndLine() {
    if (random_.Chance(referenceRate_)) {
      text_ += " <span lang=\"zh\">";
      References(static_cast<int>(random_.Range(2, 12)));
      text_ += "</span>";
    }
    text_ += end_;
    ++lines;
    if (gbk_) ++gbkLines;
    else if (reference_) ++referenceOnlyLines;
    gbk_ = reference_ = false;
  }
  void Line(std::string_view text) {
    text_ += text;
    EndLine();
  }
  // The last line keeps its place and its count; only its end goes.
  void DropFinalEnd() {
    if (text_.ends_with(end_)) text_.resize(text_.size() - end_.size());
  }
  const std::string& Text() const { return text_; }
  std::size_t Size() const { return text_.size(); }

  std::uint64_t lines = 0, gbkLines = 0, referenceOnlyLines = 0;

 private:
  Random& random_;
  std::string text_;
  std::string_view end_;
  double gbkRate_, referenceRate_;
  bool gbk_ = false, reference_ = false;
};

// Mostly short lines, now and then one of 2 to 12 KB (minified script data or
// a paragraph without breaks), as real pages have.
void BodyLine(FileText& file, Random& random, bool html) {
  const std::size_t length = std::min(random.Range(30, 190), random.Range(30, 190));
  if (random.Chance(0.0012)) {
    const std::size_t start = file.Size(), target = random.Range(2048, 12288);
    const bool script = html && random.Below(2) == 0;
    file.Put(script ? "<script type=\"text/javascript\">var items=[" : "");
    while (file.Size() - start < target) {
      if (!script) {
        file.Sentence(random.Range(60, 400));
        file.Put(". ");
        continue;
      }
      file.Put("{id:");
      file.Number(random.Below(100000));
      file.Put(",name:\"");
      file.Words(random.Range(8, 30));
      file.Put("\"},");
    }
    file.Put(script ? "];</script>" : "");
  } else if (!html) {
    if (random.Below(12)) file.Sentence(length);
  } else {
    switch (random.Below(6)) {
      case 0:
        file.Put("<h2 class=\"title\">");
        file.Sentence(length / 3);
        file.Put("</h2>");
        break;
      case 1:
        file.Put("  <li><a href=\"/item-");
        file.Number(random.Below(10000));
        file.Put(".htm\">");
        file.Sentence(length / 3);
        file.Put("</a></li>");
        break;
      case 2:
        file.Put("<tr><td>");
        file.Number(random.Range(100, 9999));
        file.Put("</td><td>");
        file.Sentence(length / 2);
        file.Put("</td></tr>");
        break;
      case 3:
        file.Put("</div>");
        break;
      default:
        file.Put("<p>");
        file.Sentence(length);
        file.Put(".</p>");
    }
  }
  file.EndLine();
}

void MakePage(FileText& file, Random& random, std::size_t target, std::string_view site) {
  file.Line("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\">");
  file.Line("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />");
  file.Put("<title>");
  file.Put(site);
  file.Put(" - ");
  file.Sentence(20);
  file.Line("</title></head><body>");
  for (std::string_view section : kSections) {
    file.Put("  <a href=\"/");
    file.Put(section);
    file.Line("/index.htm\">");
  }
  while (file.Size() < target) BodyLine(file, random, true);
  // A three-digit reference: no five-digit converter may take it.
  file.Line("<div id=\"footer\">Copyright &#169; 2009-2023 All rights reserved.</div>");
  file.Put("</body></html>");
  file.EndLine();
}

// Lines of 20 to 60 bytes; one in twenty (the file's rate) holds a short run
// of Chinese among its words.
void MakeShortLines(FileText& file, Random& random, std::size_t target, double gbkRate) {
  while (file.Size() < target) {
    const std::size_t length = random.Range(16, 52);
    if (random.Chance(gbkRate)) {
      file.Words(length / 3);
      file.Put(" ");
      file.Hanzi(static_cast<int>(random.Range(2, 8)));
      file.Put(" ");
      file.Words(length / 4);
    } else {
      file.Words(length);
    }
    file.EndLine();
  }
}

void MakeText(FileText& file, Random& random, std::size_t target) {
  while (file.Size() < target) BodyLine(file, random, false);
  file.Words(40);
  file.EndLine();
}

// Chinese in comments and strings of files no pattern matches: a finder that
// reads them reports more lines than counted.
void MakeDecoy(FileText& file, Random& random, std::size_t target) {
  while (file.Size() < target) {
    file.Put("/* ");
    file.Hanzi(static_cast<int>(random.Range(2, 10)));
    file.Line(" */");
    file.Put(".box-");
    file.Number(random.Below(1000));
    file.Line(" { margin: 0 auto; }");
  }
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file && std::fclose(file) != 0) written = false;
  if (!written) std::perror(path.c_str());
  return written;
}

struct Folder {
  fs::path path;
  std::string_view site;
};

// About 200 folders three or four deep, so that folders hold dozens of files
// as on a real site.
std::vector<Folder> MakeFolders(Random& random, const fs::path& root) {
  auto some = [&random](const auto& items, std::uint32_t count) {
    std::vector<std::string_view> picked(std::begin(items), std::end(items));
    const auto size = static_cast<std::uint32_t>(picked.size());
    for (std::uint32_t i = 0; i < count; ++i) std::swap(picked[i], picked[i + random.Below(size - i)]);
    picked.resize(count);
    return picked;
  };
  std::vector<Folder> folders;
  for (std::string_view site : kSites)
    for (std::string_view section : some(kSections, 4))
      for (std::string_view year : some(kYears, 3)) {
        const fs::path path = root / site / section / year;
        folders.push_back({path, site});
        if (random.Below(2) == 0)
          for (std::string_view month : some(kMonths, 2)) folders.push_back({path / month, site});
      }
  return folders;
}

struct Totals {
  std::uint64_t files = 0, bytes = 0, decoys = 0, lines = 0, gbkLines = 0, referenceOnlyLines = 0;
};

bool Generate(const fs::path& root, std::uint64_t seed, const Kind& kind, std::uint64_t target, Totals& totals) {
  Random master(seed);
  const std::vector<Folder> folders = MakeFolders(master, root);
  std::set<fs::path> made;
  for (std::uint64_t index = 1; totals.bytes < target; ++index) {
    // A stream of its own per file, so that one file's length does not shift
    // everything after it.
    Random random(master.Next() ^ (index * 0xD1B54A32D192ED03ull));
    const Folder& folder = folders[random.Below(static_cast<std::uint32_t>(folders.size()))];
    if (made.insert(folder.path).second) {
      std::error_code error;
      fs::create_directories(folder.path, error);
      if (error) {
        std::fprintf(stderr, "gen_corpus: cannot create %s: %s\n", folder.path.c_str(), error.message().c_str());
        return false;
      }
    }
    static constexpr std::string_view kExtensions[] = {".htm", ".html", ".txt", ".htm", ".html", ".txt", ".HTM"};
    static constexpr std::string_view kDecoys[] = {".css", ".js", ".htm.bak"};
    const bool decoy = random.Below(100) < 6;
    const std::string_view extension = decoy ? random.Pick(kDecoys) : random.Pick(kExtensions);

    const double gbkRate = random.Chance(kind.gbkFiles) ? kind.gbkLow + (kind.gbkHigh - kind.gbkLow) * random.Unit() : 0;
    const double referenceRate = random.Chance(kind.referenceFiles) ? kind.referenceRate : 0;
    FileText file(random, kind.shortLines || random.Below(5) < 2, kind.shortLines ? 0 : gbkRate, referenceRate);
    // Log-uniform from 2 KB to 1 MB: many small pages and a long tail; now
    // and then one of 4 to 16 MB.
    std::size_t size = static_cast<std::size_t>(std::exp(std::log(2048.0) + std::log(512.0) * random.Unit()));
    if (target - totals.bytes > 64 * kMiB && random.Below(200) == 0) size = random.Range(4 * kMiB, 16 * kMiB);
    if (decoy) MakeDecoy(file, random, std::min<std::size_t>(size, 65536));
    else if (kind.shortLines) MakeShortLines(file, random, size, gbkRate);
    else if ((extension[1] | 0x20) == 'h') MakePage(file, random, size, folder.site);
    else MakeText(file, random, size);
    if (random.Below(10) == 0) file.DropFinalEnd();

    char number[16];
    std::snprintf(number, sizeof number, "-%05llu", static_cast<unsigned long long>(index));
    const std::string name = std::string(random.Pick(kStems)) + number + std::string(extension);
    if (!WriteFile(folder.path / name, file.Text())) return false;
    if (decoy) {
      ++totals.decoys;
      continue;
    }
    ++totals.files;
    totals.bytes += file.Size();
    totals.lines += file.lines;
    totals.gbkLines += file.gbkLines;
    totals.referenceOnlyLines += file.referenceOnlyLines;
  }
  return true;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

int Usage() {
  std::fputs(
      "usage: gen_corpus [--dense | --short] [--seed N] DIR [SIZE_MB]\n"
      "       gen_corpus --format | --default-seed\n"
      "  DIR must be missing or empty; SIZE_MB defaults to 1100.\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const Kind* kind = &kSparse;
  std::uint64_t seed = kDefaultSeed, sizeMb = 1100;
  std::vector<std::string_view> operands;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--format") {
      std::printf("%d\n", kFormat);
      return 0;
    }
    if (argument == "--default-seed") {
      std::printf("%llu\n", static_cast<unsigned long long>(kDefaultSeed));
      return 0;
    }
    if (argument == "--dense") kind = &kDense;
    else if (argument == "--short") kind = &kShort;
    else if (argument == "--seed") {
      if (++i == argc || !ParseNumber(argv[i], seed)) return Usage();
    } else if (argument.starts_with("-") && argument != "-") return Usage();
    else operands.push_back(argument);
  }
  if (operands.empty() || operands.size() > 2) return Usage();
  if (operands.size() == 2 && (!ParseNumber(operands[1], sizeMb) || sizeMb == 0 || sizeMb > (1u << 20))) return Usage();

  const fs::path root(operands[0]);
  std::error_code error;
  if (fs::exists(root, error) && !fs::is_empty(root, error)) {
    std::fprintf(stderr, "gen_corpus: %s exists and is not empty\n", root.c_str());
    return 1;
  }
  if (fs::create_directories(root, error); error) {
    std::fprintf(stderr, "gen_corpus: cannot create %s: %s\n", root.c_str(), error.message().c_str());
    return 1;
  }
  if (!WriteFile(root / "gen_corpus.incomplete", "generation in progress or interrupted\n")) return 1;
  Totals totals;
  if (!Generate(root, seed, *kind, sizeMb * kMiB, totals)) return 1;

  char stamp[512];
  std::snprintf(stamp, sizeof stamp,
                "format=%d\nkind=%s\nseed=%llu\nsize_mb=%llu\nmatching_files=%llu\nmatching_bytes=%llu\n"
                "other_files=%llu\nlines=%llu\nlines_with_gbk=%llu\nlines_with_ncr_only=%llu\n",
                kFormat, kind->name, static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(sizeMb), static_cast<unsigned long long>(totals.files),
                static_cast<unsigned long long>(totals.bytes), static_cast<unsigned long long>(totals.decoys),
                static_cast<unsigned long long>(totals.lines), static_cast<unsigned long long>(totals.gbkLines),
                static_cast<unsigned long long>(totals.referenceOnlyLines));
  if (!WriteFile(root / "gen_corpus.stamp", stamp)) return 1;
  fs::remove(root / "gen_corpus.incomplete", error);
  std::fputs(stamp, stdout);
  return 0;
}
