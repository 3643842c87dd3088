// A button bar under the right pane's view: a row of command buttons with a
// border line on its top edge. The last button ("Помощь") keeps its size and
// stays 10 pixels from the right edge whatever the width; the others sit on
// the left. A bar a little short of room for one row narrows the buttons and
// the gaps between them to what their texts need; a bar still narrower wraps
// them onto further rows rather than hide one under "Помощь" or cut its text
// short.
// Each button stands for an action: it shows the action's text and enabled
// state as they change, and a click triggers it. The right pane owns its
// bars; the actions belong to whoever made them and outlive the bar.
// User-interface thread only.
#pragma once

#include <QFrame>
#include <QList>

class QAction;
class QPushButton;

class ButtonBar : public QFrame {
  Q_OBJECT

 public:
  // One button per action, named like it; the last one is placed at the
  // right edge. `name` is the bar's object name.
  ButtonBar(const QString& name, const QList<QAction*>& actions, QWidget* parent = nullptr);

  // The button of an action, or nullptr.
  QPushButton* button(const QAction* action) const;
  QList<QPushButton*> buttons() const { return m_buttons; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  // Puts the buttons in place again (after a button's text changed).
  void placeButtons();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // A button's width in the usual or the tight layout.
  int buttonWidth(const QPushButton* b, bool tight) const;
  // The width of one row of all buttons.
  int rowWidth(bool tight) const;
  // Lays the buttons out for a bar `width` wide; returns the height it needs.
  // Moves the buttons only when `place` is true.
  int layoutButtons(int width, bool place) const;

  QList<QPushButton*> m_buttons;
  QList<QAction*> m_actions;  // by button
};
