// A list box over entries that the viewer's logic holds: a report of a
// million lines lists without one widget, or one text, per entry; an entry
// becomes text only when it is drawn.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <cstddef>
#include <functional>

#include "viewer/ViewerView.h"

class ListBoxModel : public QAbstractListModel {
 public:
  // The part of an entry that tells it apart (ListEntry::distinctFrom on), as text.
  static constexpr int DistinctRole = Qt::UserRole;

  ListBoxModel(QObject* parent, std::function<std::size_t()> count, std::function<ListEntry(std::size_t)> entry);

  // The entries were replaced: one reset instead of a signal per entry.
  void Reset();
  ListEntry Entry(int row) const { return entry_(static_cast<std::size_t>(row)); }
  int Count() const { return count_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::function<std::size_t()> countOf_;
  std::function<ListEntry(std::size_t)> entry_;
  int count_ = 0;
};

// A list box: one selected entry at most; the arrow keys select the first
// entry when none is selected; a click on the selected entry is reported
// too (reselected), as a list box reports every click.
class ListBoxView : public QListView {
  Q_OBJECT
 public:
  explicit ListBoxView(QWidget* parent);
  void setModel(QAbstractItemModel* model) override;

  // The selected entry's row, or -1.
  int ListIndex() const;
  // Selects an entry (-1: none), as setting the list box's index does.
  void SetListIndex(int row);
  // The same without selectionMoved: the caller goes on itself.
  void SelectQuietly(int row);

 signals:
  // The selection moved to another entry, by the user or by SetListIndex.
  void selectionMoved();
  // The user clicked the entry that was already selected.
  void reselected();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  int rowAtPress_ = -1;
  bool quiet_ = false;
};

// Draws an entry that does not fit shortened so that the part that tells
// it apart stays in view.
class PathItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // As wide as the list, whatever the name: the name is shortened to the
  // list rather than scrolled.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// A listed name (a path relative to the files' common folder) in width
// pixels: whole when it fits; else "…/" and as many of its last components
// as fit, at least the distinct part (the last components that no other
// file shares); else the distinct part's first component, "…" and the file
// name.
QString ElideListedName(const QString& name, const QString& distinct, const QFontMetrics& metrics, int width);
