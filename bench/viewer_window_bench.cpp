// viewer_window_bench: times the viewer's window with the real browser.
//
//   viewer_window_bench make DIR [ROWS]
//                                   DIR/glyphwell/drive_c/GlyphwellResult.txt,
//                                   a report of 1,000,000 lines whose first
//                                   file, DIR/source.htm (20 MB), has ROWS
//                                   rows (100,000); the other files do not
//                                   exist
//   viewer_window_bench run ROWPICKS
//                                   with XDG_DATA_HOME=DIR: shows the window as
//                                   Tallyview does, then picks the first file
//                                   (anchor mode) and ROWPICKS of its rows
//
// run prints "paint EPOCH" (the wall clock at the window's first paint, for
// the caller to subtract its start time), then the milliseconds of the file
// pick (handler; until the row list has painted), of the anchor page's load,
// and of each row pick until the page has scrolled to the row.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFont>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BenchRandom.h"
#include "platform/PathFunctions.h"
#include "viewer/ModMain.h"
#include "viewer/SourceText.h"
#include "viewer/browser/WebEngineBrowser.h"
#include "viewer/support/ClsIni.h"
#include "viewer/window/ListBoxModel.h"
#include "viewer/window/QtWindowAutomation.h"
#include "viewer/window/frmMain.h"

namespace {

constexpr long kReportLines = 1000000;
long kBigFileRows = 100000;
constexpr long kHitEvery = 4;

std::string Characters(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += {static_cast<char>(0xB0 + Below(0x48)), static_cast<char>(0xA1 + Below(0x5E))};
  return text;
}

bool Write(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return std::perror(path.c_str()), false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written ? true : (std::perror(path.c_str()), false);
}

// The source is shaped like a long web page: paragraphs of ten lines of
// about fifty bytes, every fourth line with characters. (A page of one
// element per line, 800,000 of them, is more than the engine can lay out:
// its renderer runs out of memory.)
int Make(const std::string& dir) {
  const std::string source = dir + "/source.htm";
  std::string page, report = "Input file:" + source + "\r\n";
  for (long line = 1; line <= kBigFileRows * kHitEvery; ++line) {
    if (line % 10 == 1) page += "<p>";
    if (line % kHitEvery == 0) {
      const std::string characters = Characters(3 + static_cast<int>(Below(6)));
      page += characters + " item " + std::to_string(line) + " of the price list\n";
      char number[24];
      std::snprintf(number, sizeof number, "%-3ld ", line);
      report += number + characters + "\r\n";
    } else {
      page += "plain line " + std::to_string(line) + " of the price list, in English and French\n";
    }
  }
  long lines = 1 + kBigFileRows, file = 0, number = 0;
  while (lines < kReportLines) {
    if ((lines - 1 - kBigFileRows) % 200 == 0) {
      report += "Input file:/srv/site/page" + std::to_string(++file) + ".htm\r\n";
      number = 0;
    } else {
      number += 1 + Below(6);
      char text[24];
      std::snprintf(text, sizeof text, "%-3ld ", number);
      report += text + Characters(1 + static_cast<int>(Below(10))) + "\r\n";
    }
    ++lines;
  }
  const std::string drive = dir + "/glyphwell/drive_c";
  std::error_code error;
  std::filesystem::create_directories(drive, error);
  if (error) return std::fprintf(stderr, "%s: %s\n", drive.c_str(), error.message().c_str()), 1;
  return Write(source, page) && Write(drive + "/GlyphwellResult.txt", report) ? 0 : 1;
}

// Calls back once when a widget has painted.
class PaintWatch : public QObject {
 public:
  PaintWatch(QObject* watched, std::function<void()> painted) : painted_(std::move(painted)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && painted_) {
      // After the paint itself, not before it.
      QTimer::singleShot(0, this, std::exchange(painted_, nullptr));
      watched->removeEventFilter(this);
    }
    return false;
  }

 private:
  std::function<void()> painted_;
};

double Milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

int Run(int argc, char** argv, int rowPicks) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  PrepareWebEngine();
  QApplication application(argc, argv);
  QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"));
  QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
  ClsIni settings;  // a settings file of its own, removed after
  settings.IniFileName(std::string(std::getenv("XDG_DATA_HOME")) + "/Tallyview.ini");

  QtWindowAutomation automation;
  DetachedProgramStarter starter;
  TextifierConverter converter(ShippedFileFolder(ShippedFileKind::Helper));
  WebEngineBrowser* browser = nullptr;
  frmMain form({&automation, &starter, &converter, &settings,
                [&](QWidget* parent) { return browser = new WebEngineBrowser(parent); }});
  auto* files = form.findChild<ListBoxView*>(QStringLiteral("lstFileName"));
  auto* rows = form.findChild<ListBoxView*>(QStringLiteral("LstRowNum"));

  QEventLoop wait;
  const auto waitFor = [&](const std::function<void(const std::function<void()>&)>& start) {
    start([&] { wait.quit(); });
    wait.exec();
  };

  waitFor([&](const std::function<void()>& done) {
    new PaintWatch(&form, [&, done] {
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::printf("paint %.6f\n", std::chrono::duration<double>(now).count());
      done();
    });
    form.Form_Load();
    form.show();
  });
  if (form.Controller().FileCount() == 0) return std::fprintf(stderr, "no report loaded\n"), 1;

  // The file pick: the anchor page of 20 MB is written, the rows listed.
  QElapsedTimer timer;
  double handler = 0;
  waitFor([&](const std::function<void()>& done) {
    new PaintWatch(rows->viewport(), done);
    timer.start();
    files->SetListIndex(0);
    handler = Milliseconds(timer);
  });
  std::printf("pick %.1f %.1f %d\n", handler, Milliseconds(timer), static_cast<int>(form.Controller().RowCount()));

  // The page's load, which the first row's jump waits for.
  waitFor([&](const std::function<void()>& done) {
    QObject::connect(browser, &WebEngineBrowser::anchorShown, &wait, done, Qt::SingleShotConnection);
  });
  std::printf("load %.1f\n", Milliseconds(timer));

  for (int pick = 1; pick <= rowPicks; ++pick) {
    const int row = static_cast<int>(Below(static_cast<std::uint32_t>(form.Controller().RowCount())));
    waitFor([&](const std::function<void()>& done) {
      QObject::connect(browser, &WebEngineBrowser::anchorShown, &wait, done, Qt::SingleShotConnection);
      timer.start();
      rows->SetListIndex(row);
    });
    std::printf("row %.1f\n", Milliseconds(timer));
  }
  form.close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "make" && (argc == 3 || argc == 4)) {
    if (argc == 4) kBigFileRows = std::atol(argv[3]);
    return Make(argv[2]);
  }
  if (mode == "run" && argc == 3) return Run(argc, argv, std::atoi(argv[2]));
  std::fprintf(stderr, "usage: viewer_window_bench make DIR | run ROWPICKS\n");
  return 2;
}
