// A button bar under the right pane's view: a row of command buttons with a
// border line on its top edge. The last button ("Помощь") keeps its size and
// stays 10 pixels from the right edge whatever the width; the others sit on
// the left. A bar a little short of room for one row narrows the buttons and
// the gaps between them to what their texts need; a bar still narrower wraps
// them onto further rows rather than hide one under "Помощь" or cut its text
// short.
// Clicking a button emits its command id; the right pane routes it. The
// right pane owns its bars. User-interface thread only.
#pragma once

#include <QFrame>
#include <QList>

class QPushButton;

class ButtonBar : public QFrame {
  Q_OBJECT

 public:
  struct Button {
    int command;
    QString text;
  };

  // barId and templateId name the bar (1234 / 500, 1235 / 501); the last
  // button is placed at the right edge.
  ButtonBar(int barId, int templateId, const QList<Button>& buttons, QWidget* parent = nullptr);

  int barId() const { return m_barId; }
  int templateId() const { return m_templateId; }
  // The button of a command, or nullptr.
  QPushButton* button(int command) const;
  QList<QPushButton*> buttons() const { return m_buttons; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  // Puts the buttons in place again (after a button's text changed).
  void placeButtons();

 signals:
  void commandTriggered(int command);

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

  int m_barId;
  int m_templateId;
  QList<QPushButton*> m_buttons;
};
