// The delegate of CFListCtrl: paints each cell as the control draws it
// (background, indentation, expand box, check box, image, text, the focus
// cell's button square, grid lines), makes the in-place editor the control
// asked for and lays it over the cell, and reports the editor's end (Enter,
// Tab, Escape or focus loss) back to the control, which decides whether it
// closes. Owned by the control. User-interface thread only.
#pragma once

#include <QStyledItemDelegate>

class CFListCtrl;
struct XFList_Row;

class CFListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit CFListDelegate(CFListCtrl& list);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  // Values are stored by the control through its owner, never from here.
  void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

  // Ends the editor with its recorded end key (the list editor's drop-down
  // closed, or the control ends it).
  void finish(QWidget* editor);
  // Takes the editor away (the view deletes it later).
  void close(QWidget* editor);
  // Paints one cell into rect (the view's rows, and the frozen first column).
  void paintCell(QPainter* p, const QRect& rect, XFList_Row* row, int column) const;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:

  CFListCtrl& m_list;
};
