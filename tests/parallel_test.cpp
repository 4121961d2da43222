// Several workers give what one gives: the same report bytes, counts, rows,
// progress and problems, in the same order, for every option set.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/EngineFixture.h"
#include "tests/support/GeneratedFile.h"

namespace {

// Everything a search leaves that a user can see.
struct Observed {
  std::string report;
  std::int64_t files = 0, chars = 0;
  std::vector<std::string> progress, problems, rows;
  int exports = 0;
};

class Workers : public EngineTest, public ProblemSink {
 protected:
  void CannotRead(const std::string& path, ReadProblem problem, int error) override {
    problems_.push_back(path + " " + std::to_string(static_cast<int>(problem)) + " " + std::to_string(error));
  }

  // A tree with what a search meets: nested folders, many small files, a
  // file two patterns take, documents, a spreadsheet, a file without hits,
  // one too large for a worker's buffer, and a start tag in some files.
  std::string MakeTree() {
    std::mt19937 random(99);
    const std::string root = dir_.MakeDir("tree");
    for (int folder = 0; folder < 4; ++folder)
      for (int file = 0; file < 12; ++file) {
        const std::string name = "f" + std::to_string(folder) + "/sub/n" + std::to_string(file) + ".htm";
        GeneratedFile generated = GenerateFile(random, name, 5 + file * 7);
        if (file % 3 == 0) generated.content.insert(generated.content.size() / 2, "<body>\n");
        dir_.Write("tree/" + name, generated.content);
      }
    dir_.Write("tree/both.txt.htm", Gbk("重复") + "\n");
    dir_.Write("tree/a.doc", "x");
    dir_.Write("tree/b.xls", "x");
    dir_.Write("tree/plain.txt", "nothing here\n");
    std::string dense;
    for (int line = 0; line < 120000; ++line) dense += Gbk("密集的一行字") + " " + std::to_string(line) + "\n";
    dir_.Write("tree/f2/dense.txt", dense);
    return root;
  }

  Observed Search(const std::string& root, int workers, const std::string& patterns) {
    searcher_.Wiring().workers = workers;
    progress_.names.clear();
    problems_.clear();
    export_ = RecordingExport();
    const std::size_t earlier = searcher_.Results().Rows().size();  // rows add up over the searches of a run
    searcher_.SearchDirectory(root, true, patterns);
    Observed seen{Report(), searcher_.fileCount, searcher_.charCount, progress_.names, problems_, {}, export_.runs};
    for (std::size_t i = earlier; i < export_.rows.size(); ++i) {
      const ResultRow& row = export_.rows[i];
      seen.rows.push_back(row.file + "|" + row.firstChars + "|" + std::to_string(row.count));
    }
    return seen;
  }

  std::vector<std::string> problems_;
};

TEST_F(Workers, GiveWhatOneGivesForEveryOptionSet) {
  const std::string root = MakeTree();
  const std::string closed = dir_.MakeDir("tree/f3/closed");
  chmod(closed.c_str(), 0);  // a folder the walk cannot list, for users other than root
  searcher_.Wiring().converterDirectory = FAKE_CONVERTER_DIR;
  searcher_.Wiring().summaryExport = &export_;
  searcher_.Wiring().problems = this;
  struct Options {
    const char* tag;
    int limit, unicode;
    int cancelAt;  // cancel at this progress notice; 0 never
  };
  for (const Options& options : {Options{"", 0, 1, 0}, Options{"<body>", 0, 1, 0}, Options{"", 1, 0, 0},
                                 Options{"<body>", 1, 1, 0}, Options{"", 0, 1, 17}, Options{"", 0, 1, 1}}) {
    settings_.strStartTag = options.tag;
    settings_.LimitHanZiCountEachFile = options.limit;
    settings_.MaxHanZiCountEachFile = 40;
    settings_.SearchUnicode = options.unicode;
    progress_.onProgress = [&](const std::string&) {
      if (options.cancelAt != 0 && static_cast<int>(progress_.names.size()) == options.cancelAt) running_ = 0;
    };
    const std::string patterns = "*.htm;*.txt*;*.doc;*.xls";
    running_ = 1;
    const Observed one = Search(root, 1, patterns);
    running_ = 1;
    const Observed four = Search(root, 4, patterns);
    const std::string what = std::string("tag '") + options.tag + "' limit " + std::to_string(options.limit) +
                             " cancel " + std::to_string(options.cancelAt);
    EXPECT_GT(one.files, 0) << what;
    EXPECT_EQ(one.exports, 1) << what;
    // The report and the rows compared unprinted: the report is megabytes long.
    EXPECT_TRUE(one.report == four.report && one.rows == four.rows) << what;
    EXPECT_EQ(std::tie(one.files, one.chars, one.progress, one.problems, one.exports),
              std::tie(four.files, four.chars, four.progress, four.problems, four.exports)) << what;
    // A cancelled search still closes its report: a new writer may take it.
    platform::OutputFile next;
    EXPECT_TRUE(next.CreateLocked(settings_.strLogFile)) << what;
  }
  chmod(closed.c_str(), 0755);
}

}  // namespace
