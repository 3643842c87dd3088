#include "shell/LockIndicators.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>

namespace {
const char* const kTexts[3] = {"CAP", "NUM", "SCRL"};
std::optional<LockIndicators::States> readXkb();
}  // namespace

LockIndicators::LockIndicators(QStatusBar* statusBar) : QObject(statusBar) {
  // Each pane is as wide as its text, whether it shows it or not.
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(statusBar);
    label->setObjectName(QStringLiteral("indicator%1").arg(kTexts[i]));
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString::fromLatin1(kTexts[i])) + 8);
    statusBar->addPermanentWidget(label);
    m_panes[i] = label;
  }
  qApp->installEventFilter(this);
  refresh();
}

std::optional<LockIndicators::States> LockIndicators::readDisplay() { return readXkb(); }

void LockIndicators::setReader(Reader reader) {
  m_reader = std::move(reader);
  refresh();
}

void LockIndicators::refresh() {
  const std::optional<States> states = m_reader ? m_reader() : readDisplay();
  const bool on[3] = {states && states->caps, states && states->num, states && states->scroll};
  for (int i = 0; i < 3; ++i) m_panes[i]->setText(on[i] ? QString::fromLatin1(kTexts[i]) : QString());
}

bool LockIndicators::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      // A key event reaches its window first, then widgets: one read a key.
      if (watched->isWindowType()) refresh();
      break;
    case QEvent::ApplicationStateChange:
      if (qApp->applicationState() == Qt::ApplicationActive) refresh();
      break;
    default:
      break;
  }
  return false;
}

// The X11 part last: its headers define macros (None, Bool, KeyPress) that
// would clash with Qt's names above.
#if defined(TKV88_HAVE_XKB) && QT_CONFIG(xcb)
#include <X11/XKBlib.h>
#include <QGuiApplication>

namespace {
std::optional<LockIndicators::States> readXkb() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;
  int known = 0;
  const auto state = [&](const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    if (atom == 0 || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
    ++known;
    return on != False;
  };
  LockIndicators::States s;
  s.caps = state("Caps Lock");
  s.num = state("Num Lock");
  s.scroll = state("Scroll Lock");
  if (known == 0) return std::nullopt;
  return s;
}
}  // namespace
#else
namespace {
std::optional<LockIndicators::States> readXkb() { return std::nullopt; }
}  // namespace
#endif
