// The one delegate of the full list and the steps table. It paints a cell as
// its model's roles say (bold for a changed value, grey for a cell without
// effect, the key modes' colours, the mark of a value beyond its limits come
// as font and colour roles), with grid lines where the view has none of its
// own, and makes the editor a cell's cellrole::Editor names: typed text, a
// number with spin arrows, hours:minutes through the masked edit, a
// drop-down list. What an editor ends with goes to the model as text
// (setData with Qt::EditRole), where the rules of typing take or refuse it;
// a refused text beeps and leaves the cell as it was. A click of the spin
// arrows (or Up and Down) stores at once, consecutive clicks one undo step.
// User-interface thread only.
#pragma once

#include <functional>

#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

class QAbstractItemView;

class CellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit CellDelegate(QObject* parent = nullptr);

  void setGridLines(bool on) { m_gridLines = on; }
  // Makes this the view's delegate and sets the view up as the cell views
  // edit: cells selected as ranges (ExtendedSelection), an editor opened by
  // typing, F2, a double click, Enter, and Alt+Down (a list).
  void attachTo(QAbstractItemView* view);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

  // The editor open now, or nullptr.
  QWidget* openEditor() const { return m_editor; }
  // Stores what the open editor holds, as focus loss would, and closes it.
  void commitOpenEditor();
  // The text an editor would end with now.
  static QString editorText(const QWidget* editor);

 private:
  void spin(QWidget* editor, int delta);

  bool m_gridLines = false;
  mutable QPointer<QWidget> m_editor;
  mutable QPersistentModelIndex m_editorIndex;
};

// Ctrl+C and Ctrl+V of a view whose owner copies and pastes cell ranges,
// taken from the view's key press or shortcut override before its own copy
// of the current cell or the window's shortcut sees them: true when taken,
// the press running `copy` or `paste`.
bool takeClipboardKey(QEvent* event, const std::function<void()>& copy, const std::function<void()>& paste);
