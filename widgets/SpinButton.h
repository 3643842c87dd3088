// The small up-down button that stands beside a numeric edit (its buddy) in
// the forms and tables. A click steps by one, holding an arrow repeats the
// step and speeds it up, and the Up and Down keys in the buddy step as the
// arrows do. Either the button writes its position into the buddy as a whole
// number (the default), or it only reports its steps and the owner changes
// the value itself (real numbers, signed magnitudes).
//
// The button never takes the keyboard focus, so clicking it leaves the focus
// (and any uncommitted text) in the buddy. It reports every step through
// `stepping` before it writes, also at the ends of its range. The buddy is
// not owned. User-interface thread only.
#pragma once

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class SpinButton : public QWidget {
  Q_OBJECT

 public:
  explicit SpinButton(QWidget* parent = nullptr);

  // The edit the button steps; its Up and Down keys step the button too.
  void setBuddy(QLineEdit* buddy);
  QLineEdit* buddy() const { return m_buddy; }
  // False: steps are only reported, the buddy is never written.
  void setWritesBuddy(bool writes) { m_writesBuddy = writes; }
  bool writesBuddy() const { return m_writesBuddy; }

  void setRange(int minimum, int maximum);
  int minimum() const { return m_min; }
  int maximum() const { return m_max; }
  // The buddy's number when it holds one, else the last position; clamped.
  int position() const;

  // One step as the arrows make it: reports `stepping(delta)`, then writes
  // the new position into the buddy when the button writes it.
  void stepBy(int delta);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  // A step is about to happen: +n up, -n down.
  void stepping(int delta);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void repeat();

  QPointer<QLineEdit> m_buddy;
  bool m_writesBuddy = true;
  int m_min = 0;
  int m_max = 100;
  int m_pos = 0;
  int m_pressed = 0;  // +1 the upper arrow is held, -1 the lower, 0 none
  QTimer m_repeat;
  QElapsedTimer m_held;
};
