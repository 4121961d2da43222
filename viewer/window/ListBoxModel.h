// A list box's entries (CP936 texts) as a model for a list view: a report of
// a million lines lists without one widget per entry.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

#include "viewer/ListBoxItems.h"

class ListBoxModel : public QAbstractListModel, public ListBoxItems {
 public:
  using QAbstractListModel::QAbstractListModel;

  void Clear() override;
  void AddItem(const std::string& ansiText) override;
  // Replaces every entry at once: one reset instead of a signal per entry.
  void SetItems(std::vector<std::string> items);

  const std::string& Item(int row) const { return items_[static_cast<std::size_t>(row)]; }
  int Count() const { return static_cast<int>(items_.size()); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::vector<std::string> items_;
};

// Collects entries without telling any view; SetItems hands them over.
struct ListBoxBuffer : ListBoxItems {
  void Clear() override { items.clear(); }
  void AddItem(const std::string& ansiText) override { items.push_back(ansiText); }
  std::vector<std::string> items;
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
};

// Draws a path that does not fit shortened in the middle, so that its file
// name shows: the folder's beginning, "…", the last component whole.
class PathItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// The path as PathItemDelegate draws it in width pixels.
QString ElidePath(const QString& path, const QFontMetrics& metrics, int width);
