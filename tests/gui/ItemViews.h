// Driving the item views of the full list and the steps table as a user
// does: the rows a tree shows, a cell found by its text, typing into a cell.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <QTreeView>

namespace itemviews {

// The column-0 index of every row the tree shows (its open groups), in order.
inline QModelIndexList shownRows(const QTreeView* view) {
  QModelIndexList rows;
  for (QModelIndex i = view->model()->index(0, 0); i.isValid(); i = view->indexBelow(i)) rows << i;
  return rows;
}

// A row's name: its code, or a group's title.
inline QString nameOf(const QModelIndex& row) {
  const QString code = row.siblingAtColumn(0).data().toString();
  return code.isEmpty() ? row.siblingAtColumn(1).data().toString() : code;
}

inline QStringList shownNames(const QTreeView* view) {
  QStringList names;
  for (const QModelIndex& i : shownRows(view)) names << nameOf(i);
  return names;
}

// The n-th shown row whose code or title reads `name`, at `column`.
inline QModelIndex shownRow(const QTreeView* view, const QString& name, int n = 0, int column = 0) {
  for (const QModelIndex& i : shownRows(view))
    if (nameOf(i) == name && n-- == 0) return i.siblingAtColumn(column);
  return {};
}

// Makes `cell` current, types `text` key by key and presses Enter; the
// editor stores what it holds once the key has been handled.
inline void typeInto(QAbstractItemView* view, const QModelIndex& cell, const QString& text) {
  view->setFocus();
  view->setCurrentIndex(cell);
  for (QChar c : text) QTest::keyClicks(QApplication::focusWidget(), QString(c));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QCoreApplication::processEvents();
}

}  // namespace itemviews
