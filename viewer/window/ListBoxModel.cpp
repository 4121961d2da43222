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

namespace {

bool IsSeparator(QChar c) { return c == u'/' || c == u'\\'; }

}  // namespace

QString ElideListedName(const QString& name, const QString& distinct, const QFontMetrics& metrics, int width) {
  const auto fits = [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; };
  if (fits(name)) return name;
  const QString ellipsis = QStringLiteral("…");
  // The folders before the distinct part go first, from the outermost in.
  const qsizetype headLength = distinct.size() <= name.size() ? name.size() - distinct.size() : 0;
  const QString lead = headLength > 0 ? ellipsis + u'/' : QString();
  for (qsizetype at = 1; at < headLength; ++at)
    if (IsSeparator(name[at - 1]) && fits(lead + name.mid(at))) return lead + name.mid(at);
  if (fits(lead + distinct)) return lead + distinct;
  // The distinct part alone is too long: its first component, where it
  // differs, and the file name.
  qsizetype firstEnd = -1, lastStart = -1;
  for (qsizetype at = 0; at < distinct.size(); ++at) {
    if (!IsSeparator(distinct[at])) continue;
    if (firstEnd < 0) firstEnd = at;
    lastStart = at;
  }
  QString shortened = lead + distinct;
  if (firstEnd >= 0 && lastStart > firstEnd)
    shortened = lead + distinct.left(firstEnd + 1) + ellipsis + distinct.mid(lastStart);
  if (fits(shortened)) return shortened;
  return metrics.elidedText(shortened, Qt::ElideMiddle, width);
}

void PathItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->rect.width() <= 0) return;
  // The width the style draws the text in: its text rectangle less a margin
  // on each side, and a pixel for the fractions its layout rounds up;
  // anything wider it would cut off at the end.
  const QStyle* style = option->widget ? option->widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
  const int width = style->subElementRect(QStyle::SE_ItemViewItemText, option, option->widget).width() - 2 * margin - 1;
  option->text =
      ElideListedName(option->text, index.data(ListBoxModel::DistinctRole).toString(), option->fontMetrics, width);
}

QSize PathItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  return {1, QStyledItemDelegate::sizeHint(option, index).height()};
}
