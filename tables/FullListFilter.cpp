#include "tables/FullListFilter.h"

#include "tables/FullListModel.h"

FullListFilter::FullListFilter(FullListModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), m_model(model) {
  setRecursiveFilteringEnabled(true);
  setDynamicSortFilter(false);
  setSourceModel(&model);
}

void FullListFilter::setFilter(const QString& needle, bool changedOnly) {
  if (needle == m_needle && changedOnly == m_changedOnly) return;
  m_needle = needle;
  m_foldedNeedle = needle.toCaseFolded();
  m_changedOnly = changedOnly;
  // All rows at once, as one layout change: filtering again group by group
  // tells the view of every group's rows one by one, which costs a tree of
  // thousands of rows far more than the filtering itself.
  invalidate();
}

bool FullListFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  // Without a filter every row stays, groups too.
  if (!filtering()) return true;
  return m_model.passes(sourceRow, sourceParent, m_foldedNeedle, m_changedOnly);
}
