// How the finder's dialog keeps up with a search of many small files: the
// real dialog (offscreen) over a generated tree, with a 1 ms timer on the
// user-interface thread measuring how long the event loop is ever held up,
// and the largest number of progress notices waiting at once. The engine
// and the workbook alone over the same tree give the search time without
// the dialog.
//   finder_dialog_bench [FILES]     (default 50000)
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "finder/app/dialog/DialogUnits.h"
#include "finder/app/dialog/FinderDialog.h"
#include "finder/engine/HanziSearcher.h"
#include "finder/export/WorkbookExport.h"
#include "tests/support/StandInServices.h"

namespace {

class NoticeCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == FinderNotifyEvent::kType) ++count;
    return false;
  }
  long count = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 50000;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  namespace fs = std::filesystem;
  std::string base = (fs::temp_directory_path() / "glyphwell-dialog-bench-XXXXXX").string();
  if (!mkdtemp(base.data())) return 2;
  setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
  const std::string tree = base + "/tree";
  for (int i = 0; i < files; ++i) {
    const fs::path folder = fs::path(tree) / ("dir" + std::to_string(i / 1000));
    if (i % 1000 == 0) fs::create_directories(folder);
    std::ofstream(folder / ("file" + std::to_string(i) + ".txt"), std::ios::binary)
        << (i % 7 == 0 ? "line\r\n\xD6\xD0\xCE\xC4\r\n" : "plain ascii\r\nline\r\n");
  }

  int status = 0;
  {
    QApplication app(argc, argv);
    InstallDialogFont();
    StandInServices services;  // every question answered Yes
    FinderDialog dialog(services, FinderPaths{base + "/Glyphwell.ini", base + "/~report.xls", base + "/manual.html"});
    dialog.show();
    dynamic_cast<QLineEdit*>(dialog.Control(kIdPath))->setText(QString::fromStdString(tree));
    dynamic_cast<QLineEdit*>(dialog.Control(kIdLogFile))->setText(QString::fromStdString(base + "/report.txt"));
    NoticeCounter notices;
    dialog.installEventFilter(&notices);

    std::vector<double> gaps;
    int maxQueued = 0;
    QElapsedTimer sinceTick, total;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      gaps.push_back(static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
      sinceTick.restart();
      maxQueued = std::max(maxQueued, dialog.Controller().Job().QueuedProgress());
    });
    QTimer::singleShot(0, [&] {
      total.start();
      sinceTick.start();
      ticker.start();
      dialog.Controller().OnSearch();
    });
    double seconds = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (total.isValid() && dialog.Controller().Job().State() == SearchState::Idle) {
        seconds = static_cast<double>(total.nsecsElapsed()) / 1e9;
        app.quit();
      }
    });
    poll.start(1);
    app.exec();

    std::sort(gaps.begin(), gaps.end());
    const HanziSearcher& engine = dialog.Controller().Job().Searcher();
    std::printf("dialog: %lld files, %lld bytes found, %.3f s; %ld notices handled, at most %d waiting;\n",
                static_cast<long long>(engine.fileCount), static_cast<long long>(engine.charCount), seconds,
                notices.count, maxQueued);
    if (!gaps.empty())
      std::printf("event loop: %zu ticks of a 1 ms timer, gap median %.2f ms, 99th %.2f ms, max %.2f ms\n",
                  gaps.size(), gaps[gaps.size() / 2], gaps[gaps.size() * 99 / 100], gaps.back());
    status = engine.fileCount == files ? 0 : 1;
  }

  ScanSettings settings;
  settings.strLogFile = base + "/report2.txt";
  settings.SearchUnicode = 1;
  HanziSearcher engine(settings);
  WorkbookExport workbook(base + "/~report2.xls");
  engine.Wiring().summaryExport = &workbook;
  QElapsedTimer alone;
  alone.start();
  engine.SearchDirectory(tree, true, "*.txt;*.htm;*.html");
  std::printf("engine and workbook alone: %.3f s\n", static_cast<double>(alone.nsecsElapsed()) / 1e9);

  std::error_code ignored;
  fs::remove_all(base, ignored);
  return status;
}
