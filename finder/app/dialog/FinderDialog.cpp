#include "finder/app/dialog/FinderDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QWidget>
#include <memory>

#include "finder/app/dialog/DialogUnits.h"
#include "finder/app/dialog/StatusLine.h"
#include "finder/app/search/FinderTexts.h"
#include "platform/qt/SystemText.h"

namespace {

const QEvent::Type kCallEvent = static_cast<QEvent::Type>(FinderNotifyEvent::kType + 1);

class CallEvent : public QEvent {
 public:
  explicit CallEvent(std::function<void()> call) : QEvent(kCallEvent), call(std::move(call)) {}
  std::function<void()> call;
};

QString Utf8(const char* text) { return QString::fromUtf8(text); }

}  // namespace

QIcon FinderIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/glyphwell/glyphwell-%1.png").arg(size), QSize(size, size));
  return icon;
}

FinderDialog::FinderDialog(DesktopServices& services, FinderPaths paths, QWidget* parent)
    : QDialog(parent), controller_(*this, services, *this, std::move(paths)) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(Utf8("岚桥检字器 V0.80"));
  setWindowIcon(FinderIcon());
  setFont(DialogFont());
  BuildControls();
  BuildSystemMenu();
  controller_.OnInitDialog();
}

FinderDialog::~FinderDialog() {
  // The worker posts to this window and locks handoff_: it must end first.
  controller_.Job().Shutdown();
}

void FinderDialog::BuildControls() {
  const DialogUnits units(font());
  setFixedSize(units.X(438), units.Y(230));

  auto place = [&](QWidget* widget, int id, int x, int y, int w, int h) {
    widget->setGeometry(units.Rect(x, y, w, h));
    if (id != 0) {
      widget->setObjectName(QStringLiteral("control%1").arg(id));
      controls_.insert(id, widget);
    }
    return widget;
  };
  auto edit = [&](int id, int x, int y, int w, int h) {
    auto* line = new QLineEdit(this);
    place(line, id, x, y, w, h);
    return line;
  };
  auto button = [&](int id, const char* text, int x, int y, int w, int h) {
    auto* push = new QPushButton(Utf8(text), this);
    push->setAutoDefault(false);
    place(push, id, x, y, w, h);
    return push;
  };
  auto check = [&](int id, const char* text, int x, int y, int w, int h) {
    auto* box = new QCheckBox(Utf8(text), this);
    place(box, id, x, y, w, h);
    return box;
  };
  auto label = [&](const char* text, int x, int y, int w, int h) {
    auto* static_text = new QLabel(Utf8(text), this);
    static_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(static_text, 0, x, y, w, h);
    return static_text;
  };

  // Created in the template's tab order, which is the focus order.
  auto* fileMode = new QRadioButton(Utf8("在某个文件中"), this);
  place(fileMode, kIdFileMode, 10, 21, 64, 10);
  auto* directoryMode = new QRadioButton(Utf8("在某个目录中"), this);
  place(directoryMode, kIdDirectoryMode, 10, 51, 64, 10);
  auto* modes = new QButtonGroup(this);
  modes->addButton(fileMode);
  modes->addButton(directoryMode);
  edit(kIdFileName, 21, 31, 304, 14);
  QPushButton* browseFile = button(kIdBrowseFile, "...", 331, 32, 17, 14);
  edit(kIdPath, 21, 62, 304, 14);
  QPushButton* browseFolder = button(kIdBrowseFolder, "...", 331, 61, 17, 14);
  edit(kIdFileType, 63, 92, 262, 14);
  check(kIdSearchUnicode, "搜索 Unicode 格式的汉字编码(适用于网页文件)", 7, 124, 191, 8);
  check(kIdLimit, "限制一个文件最大的搜索字数", 7, 139, 122, 8);
  edit(kIdMaxCount, 180, 136, 47, 14);
  // How files are read, in the free space of the options' rows, reached
  // from the limit by the keyboard before the start tag.
  label(texts::kEncodingLabel, 236, 139, 38, 8);
  auto* encoding = new QComboBox(this);
  for (const auto& choice : kEncodingChoices) encoding->addItem(Utf8(choice.label));
  place(encoding, kIdEncoding, 276, 136, 64, 14);
  // Which characters count, in the free space above it, reached next.
  label(texts::kCharsLabel, 236, 124, 38, 8);
  auto* chars = new QComboBox(this);
  for (const auto& choice : kCharsChoices) chars->addItem(Utf8(choice.label));
  place(chars, kIdChars, 276, 121, 64, 14);
  edit(kIdStartTag, 80, 155, 236, 14);
  edit(kIdLogFile, 49, 178, 266, 14);
  QPushButton* exitButton = button(kIdExit, "退出", 363, 19, 68, 18);
  QPushButton* help = button(kIdHelp, "帮助", 363, 46, 68, 18);
  QPushButton* search = button(kIdSearch, "搜索(&S)", 363, 96, 68, 18);
  search->setDefault(true);
  auto* scope = new QGroupBox(Utf8("搜索范围"), this);
  place(scope, 0, 7, 7, 347, 104);
  // The frame lies under the rows it surrounds and takes no clicks from them.
  scope->lower();
  scope->setAttribute(Qt::WA_TransparentForMouseEvents);
  check(kIdIncludeSubPath, "包括子目录", 22, 78, 59, 12);
  label("文件类型：", 18, 94, 41, 8);
  label("日志文件：", 7, 181, 41, 8);
  status_ = new StatusLine(this);
  status_->setText(Utf8("进度条"));
  place(status_, kIdStatus, 7, 198, 424, 25);
  label("最大字数：", 134, 139, 41, 8);
  label("开始搜索标志", 13, 157, 49, 8);
  auto* advert = new QPlainTextEdit(this);
  advert->setFrameShape(QFrame::NoFrame);
  advert->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  advert->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  advert->setTabChangesFocus(true);
  QPalette grey = advert->palette();
  grey.setColor(QPalette::Base, QColor(192, 192, 192));
  advert->setPalette(grey);
  place(advert, kIdAdvertisement, 351, 129, 80, 39);

  connect(fileMode, &QRadioButton::clicked, this, [this] { controller_.OnScopeChanged(); });
  connect(directoryMode, &QRadioButton::clicked, this, [this] { controller_.OnScopeChanged(); });
  connect(browseFile, &QPushButton::clicked, this, [this] { controller_.OnBrowseFile(); });
  connect(browseFolder, &QPushButton::clicked, this, [this] { controller_.OnBrowseFolder(); });
  connect(help, &QPushButton::clicked, this, [this] { controller_.OnHelpButton(); });
  connect(search, &QPushButton::clicked, this, [this] { controller_.OnSearch(); });
  connect(exitButton, &QPushButton::clicked, this, [this] {
    controller_.OnOK();
    ended_ = true;
    accept();
  });
}

void FinderDialog::BuildSystemMenu() {
  systemMenu_ = new QMenu(this);
  systemMenu_->addAction(Utf8("最小化(&N)"), this, [this] { showMinimized(); });
  systemMenu_->addAction(Utf8("关闭(&C)"), this, [this] { close(); });
  systemMenu_->addSeparator();
  systemMenu_->addAction(Utf8("关于 Glyphwell(&A)..."), this, [this] { OnSysCommand(kAboutCommand); });
  auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(shortcut, &QShortcut::activated, this, [this] { systemMenu_->popup(mapToGlobal(QPoint(0, 0))); });
}

void FinderDialog::contextMenuEvent(QContextMenuEvent* event) { systemMenu_->popup(event->globalPos()); }

void FinderDialog::OnSysCommand(int command) {
  if (command == kAboutCommand) ShowAbout();
}

void FinderDialog::ShowAbout() {
  QDialog about(this);
  about.setWindowTitle(Utf8("关于 Glyphwell"));
  about.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
  about.setObjectName(QStringLiteral("aboutBox"));
  const DialogUnits units(font());
  about.setFixedSize(units.X(235), units.Y(55));
  auto* icon = new QLabel(&about);
  icon->setPixmap(FinderIcon().pixmap(32, 32));
  icon->setGeometry(units.Rect(11, 17, 20, 20));
  auto* version = new QLabel(Utf8("Glyphwell 0.80 版"), &about);
  version->setGeometry(units.Rect(40, 10, 119, 8));
  auto* ok = new QPushButton(Utf8("确定"), &about);
  ok->setGeometry(units.Rect(178, 7, 50, 16));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, &about, &QDialog::accept);
  about.exec();
}

std::string FinderDialog::ControlText(int id) const {
  QWidget* widget = controls_.value(id);
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    const auto shown = shownTexts_.find(id);
    if (shown != shownTexts_.end() && shown->first == line->text()) return shown->second;
    return platform::SystemTextFromQString(line->text());
  }
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return platform::SystemTextFromQString(button->text());
  if (auto* box = qobject_cast<QComboBox*>(widget)) return platform::SystemTextFromQString(box->currentText());
  if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) return platform::SystemTextFromQString(text->toPlainText());
  if (widget == status_) return platform::SystemTextFromQString(status_->text());
  return std::string();
}

void FinderDialog::SetControlText(int id, const std::string& text) {
  QWidget* widget = controls_.value(id);
  const QString shown = platform::SystemTextToQString(text);
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(shown);
    line->setCursorPosition(0);
    shownTexts_.insert(id, {line->text(), text});
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(shown);
  } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
    box->setCurrentIndex(std::max(0, box->findText(shown)));
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    plain->setPlainText(shown);
  } else if (widget == status_) {
    status_->setText(shown);
  }
}

bool FinderDialog::IsChecked(int id) const {
  auto* button = qobject_cast<QAbstractButton*>(controls_.value(id));
  return button && button->isChecked();
}

void FinderDialog::SetChecked(int id, bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(controls_.value(id))) button->setChecked(checked);
}

void FinderDialog::EnableControl(int id, bool enabled) {
  if (QWidget* widget = controls_.value(id)) widget->setEnabled(enabled);
}

void FinderDialog::FocusControl(int id) {
  QWidget* widget = controls_.value(id);
  if (!widget) return;
  widget->setFocus(Qt::OtherFocusReason);
  if (auto* line = qobject_cast<QLineEdit*>(widget)) line->selectAll();
}

void FinderDialog::Post(QEvent* event) {
  // Built on this thread, handed over under the lock, read after it.
  { std::lock_guard<std::mutex> lock(handoff_); }
  QCoreApplication::postEvent(this, event);
}

void FinderDialog::PostFinderNotify(FinderNotice notice) { Post(new FinderNotifyEvent(std::move(notice))); }

void FinderDialog::PostCall(std::function<void()> call) { Post(new CallEvent(std::move(call))); }

bool FinderDialog::event(QEvent* event) {
  if (event->type() == FinderNotifyEvent::kType) {
    { std::lock_guard<std::mutex> lock(handoff_); }
    controller_.OnFinderNotify(std::move(static_cast<FinderNotifyEvent*>(event)->notice));
    return true;
  }
  if (event->type() == kCallEvent) {
    { std::lock_guard<std::mutex> lock(handoff_); }
    static_cast<CallEvent*>(event)->call();
    return true;
  }
  return QDialog::event(event);
}

void FinderDialog::closeEvent(QCloseEvent* event) {
  if (!ended_) {
    // The close box saves, then ends the dialog the way Esc does.
    controller_.OnClose();
    ended_ = true;
    QDialog::reject();
  }
  event->accept();
}

void FinderDialog::reject() {
  // Esc: the dialog's cancel command ends it without saving.
  if (!ended_) {
    controller_.OnCancel();
    ended_ = true;
  }
  QDialog::reject();
}
