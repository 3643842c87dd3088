#include "shell/HelpWindow.h"

#include <QApplication>
#include <QIcon>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWindow>

#include "resources/ResourcePaths.h"

HelpWindow& HelpWindow::instance() {
  // Deliberately never deleted before the application: a parentless window
  // outliving QApplication would crash at exit, so it dies with the app.
  static HelpWindow* window = nullptr;
  if (!window) {
    window = new HelpWindow;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] {
      delete window;
      window = nullptr;
    });
  }
  return *window;
}

HelpWindow::HelpWindow() : QWidget(nullptr, Qt::Window), m_browser(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("Конфигуратор ТКВ88 — справка"));
  setWindowIcon(QIcon(resources::iconPath()));
  // The manual stands beside the main window: closing the main window ends
  // the program even while the manual is open.
  setAttribute(Qt::WA_QuitOnClose, false);
  m_browser->setAccessibleName(QStringLiteral("Справка"));
  m_browser->setOpenExternalLinks(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_browser);
  resize(640, 560);
}

void HelpWindow::showTopic(HelpTopic topic) {
  m_topic = topic;
  const QUrl url = resources::helpUrl(topic);
  m_browser->setSource(url);
  m_browser->scrollToAnchor(url.fragment());
  show();
  // A help request from inside a modal dialog (the exchange dialog, an
  // error box) must leave the manual usable: a window that stands by the
  // modal one is not blocked by it.
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this && windowHandle())
    windowHandle()->setTransientParent(modal->windowHandle());
  raise();
  activateWindow();
}
