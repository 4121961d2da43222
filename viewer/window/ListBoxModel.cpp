#include "viewer/window/ListBoxModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>

#include "platform/qt/SystemText.h"

void ListBoxModel::Clear() {
  beginResetModel();
  items_.clear();
  endResetModel();
}

void ListBoxModel::AddItem(const std::string& ansiText) {
  const int row = Count();
  beginInsertRows(QModelIndex(), row, row);
  items_.push_back(ansiText);
  endInsertRows();
}

void ListBoxModel::SetItems(std::vector<std::string> items) {
  beginResetModel();
  items_ = std::move(items);
  endResetModel();
}

int ListBoxModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() || index.row() >= Count()) return {};
  const QString text = platform::SystemTextToQString(Item(index.row()));
  if (role == Qt::DisplayRole) return text;
  // The tip shows the entry whole, what a narrow list cuts off. As rich text
  // a long one wraps instead of running off the screen.
  constexpr qsizetype kOneLine = 60;
  if (text.size() <= kOneLine) return text;
  return QStringLiteral("<p style=\"white-space: pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
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
    if (ListIndex() >= 0) emit selectionMoved();
  });
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

QString ElidePath(const QString& path, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(path) <= width) return path;
  const qsizetype separator = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
  const QString tail = path.mid(separator);  // the last component and the separator before it
  const int headWidth = width - metrics.horizontalAdvance(tail);
  if (separator > 0 && headWidth >= metrics.horizontalAdvance(QStringLiteral("…"))) {
    const QString head = metrics.elidedText(path.left(separator), Qt::ElideRight, headWidth);
    if (!head.isEmpty()) return head + tail;
  }
  // Not even the file name fits: its beginning and its end.
  return metrics.elidedText(path.mid(separator + 1), Qt::ElideMiddle, width);
}

void PathItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->rect.width() <= 0) return;
  const QStyle* style = option->widget ? option->widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
  option->text = ElidePath(option->text, option->fontMetrics, option->rect.width() - 2 * margin);
}
