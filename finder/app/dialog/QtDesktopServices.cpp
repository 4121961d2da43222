#include "finder/app/dialog/QtDesktopServices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStringList>
#include <QTimer>

#include "platform/NativePath.h"
#include "platform/qt/SystemText.h"

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// A modal window is not always the active one at once (offscreen, some
// window managers): the first key would go astray.
void ActivateWhenShown(QWidget* window) {
  QTimer::singleShot(0, window, [window] {
    window->raise();
    window->activateWindow();
  });
}

}  // namespace

MessageAnswer QtDesktopServices::MessageBox(const std::string& text, const std::string& caption,
                                            MessageButtons buttons, MessageIcon icon) {
  QMessageBox box(owner_);
  box.setWindowTitle(platform::SystemTextToQString(caption));
  box.setText(platform::SystemTextToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  box.setIcon(ToQtIcon(icon));
  if (buttons == MessageButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QString::fromUtf8("是(&Y)"));
    box.button(QMessageBox::No)->setText(QString::fromUtf8("否(&N)"));
    // Enter answers Yes, Esc and the close box answer No.
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QString::fromUtf8("确定"));
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
  // A short text makes a narrow box, whose caption the window manager would
  // cut: room for the caption, the window icon and the title-bar buttons.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  ActivateWhenShown(&box);
  const QPointer<QMessageBox> outer = question_;
  if (buttons == MessageButtons::YesNo) question_ = &box;
  box.exec();
  question_ = outer;
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return box.clickedButton() == box.button(QMessageBox::Yes) ? MessageAnswer::Yes : MessageAnswer::No;
}

bool QtDesktopServices::ChooseFile(const std::string& filter, std::string& path) {
  QStringList filters;
  for (const auto& [description, patterns] : SplitFileFilter(filter)) {
    QStringList globs = platform::SystemTextToQString(patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // "*.*" matches every name on the original platform, also one without a dot.
    for (QString& glob : globs)
      if (glob == QStringLiteral("*.*")) glob = QStringLiteral("*");
    filters << platform::SystemTextToQString(description) + QStringLiteral(" (") + globs.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  QFileDialog dialog(owner_, QString::fromUtf8("打开"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(filters);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  ActivateWhenShown(&dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  path = platform::SystemTextFromFileName(dialog.selectedFiles().constFirst());
  return true;
}

void QtDesktopServices::CloseQuestion() {
  if (question_) question_->done(QMessageBox::No);
}

void QtDesktopServices::OpenWithShell(const std::string& path,
                                      std::function<void(const std::string& native)> failed) {
  const std::string native = NativeNameForShell(path);
  const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  auto fail = [failed, native] {
    if (failed) failed(native.empty() ? std::string() : native);
  };
  if (native.empty() || program.isEmpty()) {
    // Told after the caller's step has ended, as a failure of xdg-open would be.
    QTimer::singleShot(0, qApp, fail);
    return;
  }
  // Watched from the user-interface thread: its end says whether the desktop
  // could open the file, which a user never sees on stderr. It has no parent:
  // a program that quits before xdg-open has ended must not take it along
  // (xdg-open may be the editor itself by then).
  auto* process = new QProcess();
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(process, &QProcess::finished, process, [process, fail](int code, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || code != 0) fail();
    process->deleteLater();
  });
  QObject::connect(process, &QProcess::errorOccurred, process, [process, fail](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    fail();
    process->deleteLater();
  });
  process->start(program, {QString::fromUtf8(native.data(), static_cast<qsizetype>(native.size()))});
}

bool QtDesktopServices::ChooseFolder(const std::string& title, const std::string& startFolder, std::string& path) {
  const std::string start = startFolder.empty() ? std::string() : platform::ToNative(startFolder);
  const QString startName = QString::fromUtf8(start.data(), static_cast<qsizetype>(start.size()));
  // The title stands above the folder tree on the original platform; here it
  // is the chooser's caption, without its leading line break.
  QFileDialog dialog(owner_, platform::SystemTextToQString(title).trimmed(),
                     !start.empty() && QFileInfo(startName).isDir() ? startName : QDir::homePath());
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  ActivateWhenShown(&dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  path = platform::SystemTextFromFileName(dialog.selectedFiles().constFirst());
  return true;
}
