// The item model behind CFListCtrl: one model row per displayed row of the
// control, one model column per control column, read straight from the
// control's records. The control alone changes it and tells it how (rows
// inserted or removed where a row was expanded, added or deleted; one reset
// for everything done under LockRedraw), so views keep their place.
// Read-only for everyone else. User-interface thread only.
#pragma once

#include <QAbstractTableModel>

class CFListCtrl;
struct XFList_Row;

class CFListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit CFListModel(CFListCtrl& list);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  XFList_Row* rowAt(int listIndex) const;

  // The control brackets its own edits with these.
  using QAbstractTableModel::beginInsertColumns;
  using QAbstractTableModel::beginInsertRows;
  using QAbstractTableModel::beginRemoveColumns;
  using QAbstractTableModel::beginRemoveRows;
  using QAbstractTableModel::beginResetModel;
  using QAbstractTableModel::changePersistentIndex;
  using QAbstractTableModel::endInsertColumns;
  using QAbstractTableModel::endInsertRows;
  using QAbstractTableModel::endRemoveColumns;
  using QAbstractTableModel::endRemoveRows;
  using QAbstractTableModel::endResetModel;
  using QAbstractTableModel::persistentIndexList;

 private:
  bool valid(const QModelIndex& index) const;

  CFListCtrl& m_list;
};
