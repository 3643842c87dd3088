// The right half of the dialog mode: for the item selected in the navigation
// tree it shows the item kind's parameter form, bound to the selected group,
// or its explanatory page, with a button bar under forms ("По умолчанию",
// "Помощь", and for a step the step commands).
//
// Every view is created once, with the pane, and afterwards only shown,
// hidden and re-bound; the pane owns its views and bars. It switches views
// whenever the document refreshes it (registered as the document's
// groupPane). User-interface thread only.
#pragma once

#include <map>

#include <QWidget>

#include "document/DocumentView.h"
#include "document/NavigationItem.h"

class Document;
class ButtonBar;
class GroupForm;
class GroupInfoPage;
class QStackedWidget;

class GroupPane : public QWidget, public DocumentView {
  Q_OBJECT

 public:
  static constexpr int kDefaultsBarId = 1234;
  static constexpr int kStepBarId = 1235;
  static constexpr int kDefaultsBarTemplate = 500;
  static constexpr int kStepBarTemplate = 501;

  explicit GroupPane(Document& doc, QWidget* parent = nullptr);
  ~GroupPane() override;

  // The document refreshed the pane: switch to the view of the selection.
  void documentChanged() override;
  void switchView();

  // Commands of the bars: RestoreDefaults and HelpPage here, the step
  // commands on the document. True when handled.
  bool onCommand(int command);
  // Enable states and texts of the shown bar's buttons; run whenever the
  // event loop falls idle, and after every switch and reset.
  void updateCommandUi();
  // "По умолчанию" is enabled: the selected group differs from its defaults.
  bool canRestoreDefaults() const;
  // Writes what the shown form holds and the user has not left yet; false
  // when a check refused it (the message has been shown).
  bool commitActiveForm();

  // The view created for a kind, or nullptr.
  QWidget* viewForKind(NavigationKind kind) const;
  // The view shown, or nullptr before the first switch.
  QWidget* activeView() const { return m_activeView; }
  // The bar shown with the active view, or nullptr.
  ButtonBar* currentBar() const { return m_currentBar; }
  ButtonBar* defaultsBar() const { return m_defaultsBar; }
  ButtonBar* stepBar() const { return m_stepBar; }
  NavigationKind lastKind() const { return m_lastKind; }

 private:
  void showBar(ButtonBar* bar);

  Document& m_doc;
  std::map<NavigationKind, QWidget*> m_formMap;
  QStackedWidget* m_stack;
  QWidget* m_blank;
  ButtonBar* m_defaultsBar;
  ButtonBar* m_stepBar;
  ButtonBar* m_currentBar;
  QWidget* m_activeView = nullptr;
  NavigationKind m_lastKind = NavigationKind::None;
  QMetaObject::Connection m_idle;
};
