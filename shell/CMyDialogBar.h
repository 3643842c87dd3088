// A button bar under the right pane's view: a row of command buttons with a
// border line on its top edge. The "Помощь" button stays 10 pixels from the
// right edge whatever the width; the other buttons sit on the left. Clicking
// a button emits its command id; the right pane routes it. The right pane
// owns its bars. User-interface thread only.
#pragma once

#include <QFrame>
#include <QList>

class QPushButton;

class CMyDialogBar : public QFrame {
  Q_OBJECT

 public:
  struct Button {
    int command;
    QString text;
  };

  // barId and templateId name the bar (1234 / 500, 1235 / 501); the last
  // button is placed at the right edge.
  CMyDialogBar(int barId, int templateId, const QList<Button>& buttons, QWidget* parent = nullptr);

  int barId() const { return m_barId; }
  int templateId() const { return m_templateId; }
  // The button of a command, or nullptr.
  QPushButton* button(int command) const;
  QList<QPushButton*> buttons() const { return m_buttons; }

 signals:
  void commandTriggered(int command);

 private:
  int m_barId;
  int m_templateId;
  QList<QPushButton*> m_buttons;
};
