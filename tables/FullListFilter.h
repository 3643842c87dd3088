// The full list's "Поиск" and "Только изменённые" over its model: a row
// passes as FullListModel::passes says, and a group stays while any row
// below it passes (recursive filtering), so the groups of the matches are
// kept and empty groups go. Values edited while a filter is on do not move
// rows in or out until the filter changes. User-interface thread only.
#pragma once

#include <QSortFilterProxyModel>

class FullListModel;

class FullListFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit FullListFilter(FullListModel& model, QObject* parent = nullptr);

  // Both at once: the rows are filtered again once.
  void setFilter(const QString& needle, bool changedOnly);
  const QString& needle() const { return m_needle; }
  bool changedOnly() const { return m_changedOnly; }
  bool filtering() const { return !m_needle.isEmpty() || m_changedOnly; }

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  FullListModel& m_model;
  QString m_needle;
  QString m_foldedNeedle;
  bool m_changedOnly = false;
};
