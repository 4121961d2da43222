#include "viewer/window/ListBoxModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>
#include <climits>
#include <string_view>

#include "platform/qt/SystemText.h"

ListBoxModel::ListBoxModel(QObject* parent, std::function<std::size_t()> count,
                           std::function<ListEntry(std::size_t)> entry)
    : QAbstractListModel(parent), countOf_(std::move(count)), entry_(std::move(entry)) {}

void ListBoxModel::Reset() {
  beginResetModel();
  count_ = static_cast<int>(std::min<std::size_t>(countOf_(), INT_MAX));
  endResetModel();
}

int ListBoxModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::ToolTipRole && role != DistinctRole) || !index.isValid() ||
      index.row() >= Count())
    return {};
  const ListEntry entry = Entry(index.row());
  if (role == Qt::DisplayRole) return platform::SystemTextToQString(entry.text);
  if (role == DistinctRole)
    return platform::SystemTextToQString(std::string_view(entry.text).substr(std::min(entry.distinctFrom, entry.text.size())));
  // The tip shows the entry whole, what a narrow list cuts off. As rich text
  // a long one wraps instead of running off the screen.
  const QString tip = platform::SystemTextToQString(entry.tip);
  constexpr qsizetype kOneLine = 60;
  if (tip.size() <= kOneLine) return tip;
  return QStringLiteral("<p style=\"white-space: pre-wrap\">%1</p>").arg(tip.toHtmlEscaped());
}

ListBoxView::ListBoxView(QWidget* parent) : QListView(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Without it the first layout of a long list measures every entry.
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.row() == rowAtPress_ && index.row() == ListIndex()) emit reselected();
  });
}

void ListBoxView::setModel(QAbstractItemModel* model) {
  QListView::setModel(model);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (ListIndex() >= 0 && !quiet_) emit selectionMoved();
  });
}

void ListBoxView::SelectQuietly(int row) {
  quiet_ = true;
  SetListIndex(row);
  quiet_ = false;
}

int ListBoxView::ListIndex() const {
  if (!selectionModel()) return -1;
  const QModelIndexList rows = selectionModel()->selectedIndexes();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void ListBoxView::SetListIndex(int row) {
  if (!model()) return;
  if (row < 0 || row >= model()->rowCount()) {
    selectionModel()->clear();
    return;
  }
  setCurrentIndex(model()->index(row, 0));
}

void ListBoxView::keyPressEvent(QKeyEvent* event) {
  // Focus alone makes an entry current without selecting it; the first arrow
  // key then selects the first entry rather than the one after it.
  if (ListIndex() < 0 && model() && model()->rowCount() > 0 &&
      (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) && event->modifiers() == Qt::NoModifier) {
    SetListIndex(0);
    return;
  }
  QListView::keyPressEvent(event);
}

bool ListBoxView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) rowAtPress_ = ListIndex();
  return QListView::viewportEvent(event);
}

QString ElideListedName(const QString& name, const QString& distinct, const QFontMetrics& metrics, int width) {
  const auto fits = [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; };
  if (fits(name)) return name;
  const QString ellipsis = QStringLiteral("…");
  const qsizetype headLength = distinct.size() <= name.size() ? name.size() - distinct.size() : 0;
  const QString head = name.left(headLength);
  if (!head.isEmpty()) {
    const int headWidth = width - metrics.horizontalAdvance(distinct);
    if (headWidth >= metrics.horizontalAdvance(ellipsis)) {
      const QString shown = metrics.elidedText(head, Qt::ElideRight, headWidth);
      if (!shown.isEmpty()) return shown + distinct;
    }
  }
  // The distinct part alone is too long: its first component, where it
  // differs, and the file name.
  const QString lead = head.isEmpty() ? QString() : ellipsis + u'/';
  const auto separatorAt = [&](qsizetype from, bool last) {
    const qsizetype slash = last ? distinct.lastIndexOf(u'/') : distinct.indexOf(u'/', from);
    const qsizetype backslash = last ? distinct.lastIndexOf(u'\\') : distinct.indexOf(u'\\', from);
    if (slash < 0) return backslash;
    if (backslash < 0) return slash;
    return last ? std::max(slash, backslash) : std::min(slash, backslash);
  };
  const qsizetype firstEnd = separatorAt(0, false), lastStart = separatorAt(0, true);
  QString shortened = lead + distinct;
  if (firstEnd >= 0 && lastStart > firstEnd)
    shortened = lead + distinct.left(firstEnd + 1) + ellipsis + distinct.mid(lastStart);
  if (fits(shortened)) return shortened;
  return metrics.elidedText(shortened, Qt::ElideMiddle, width);
}

void PathItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->rect.width() <= 0) return;
  const QStyle* style = option->widget ? option->widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
  option->text = ElideListedName(option->text, index.data(ListBoxModel::DistinctRole).toString(), option->fontMetrics,
                                 option->rect.width() - 2 * margin);
}
