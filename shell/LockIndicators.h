// The status bar's lock indicators: "CAP", "NUM" and "SCRL" stand in their
// panes while Caps Lock, Num Lock and Scroll Lock are on. The states are
// read anew on every key press or release in the program and whenever one
// of its windows becomes active (a lock may change while another program
// has the keyboard). Only an X11 client can read them (through XKB on Qt's
// own display); elsewhere (Wayland, offscreen) the panes stay blank rather
// than guess. The status bar owns the object. User-interface thread only.
#pragma once

#include <functional>
#include <optional>

#include <QObject>

class QLabel;
class QStatusBar;

class LockIndicators : public QObject {
  Q_OBJECT

 public:
  struct States {
    bool caps = false;
    bool num = false;
    bool scroll = false;
  };
  using Reader = std::function<std::optional<States>()>;

  // Adds the three panes at the right end of the status bar.
  explicit LockIndicators(QStatusBar* statusBar);

  // The states as this display gives them, or nothing where none can be read.
  static std::optional<States> readDisplay();
  // Replaces the reader (tests); nullptr restores readDisplay.
  void setReader(Reader reader);
  // Reads the states and shows them.
  void refresh();

  QLabel* pane(int i) const { return m_panes[i]; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Reader m_reader;
  QLabel* m_panes[3];
};
