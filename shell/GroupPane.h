// The right half of the dialog mode: for the item selected in the navigation
// tree it shows the item kind's parameter form, bound to the selected group,
// or its explanatory page, with a button bar under forms ("По умолчанию",
// "Помощь", and for a step the document's step commands). A program gets
// its summary page (widgets/ProgramPage.h) with the program commands.
//
// Every view is created once, with the pane, and afterwards only shown,
// hidden and re-bound; the pane owns its views, bars and its own two
// actions. It switches views when the document's selection moves to another
// item, and shows the selected group anew when values came back (undo,
// defaults) or the steps or programs changed. The cells the form itself
// edits need no refresh; the main window has the pane switch anew when the
// dialog mode comes back after edits in another view. The main window has
// updateActions run whenever the configuration changed. User-interface
// thread only.
#pragma once

#include <map>
#include <optional>

#include <QWidget>

#include "document/NavigationItem.h"

class Document;
class DocumentActions;
class ButtonBar;
class GroupForm;
class GroupInfoPage;
class QAction;
class QStackedWidget;

class GroupPane : public QWidget {
  Q_OBJECT

 public:
  // The step bar offers `documentActions`' step commands.
  GroupPane(Document& doc, DocumentActions& documentActions, QWidget* parent = nullptr);
  ~GroupPane() override;

  // Shows the view of the selection, bound to its group and refreshed.
  void switchView();

  // "По умолчанию": the selected group takes its default values (one undo
  // step); nothing when it has them already.
  void restoreDefaults();
  // The enabled states of the bars' actions; run after every switch and
  // reset, and whenever the configuration changed.
  void updateActions();
  // "По умолчанию" is enabled: the selected group differs from its defaults.
  bool canRestoreDefaults() const;
  QAction* restoreDefaultsAction() const { return m_restoreDefaults; }
  QAction* helpAction() const { return m_help; }
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
  ButtonBar* programBar() const { return m_programBar; }
  NavigationKind lastKind() const { return m_lastKind; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void showBar(ButtonBar* bar);
  // Values came back or steps changed: the shown group is shown anew, or,
  // while the pane is hidden (table or list mode), when it is shown again.
  void showGroupAnew();
  // switchView once control is back in the event loop, once however often
  // asked.
  void switchViewLater();

  Document& m_doc;
  DocumentActions& m_documentActions;
  std::map<NavigationKind, QWidget*> m_formMap;
  QStackedWidget* m_stack;
  QWidget* m_blank;
  QAction* m_restoreDefaults;
  QAction* m_help;
  ButtonBar* m_defaultsBar;
  ButtonBar* m_stepBar;
  ButtonBar* m_programBar;
  ButtonBar* m_currentBar;
  QWidget* m_activeView = nullptr;
  NavigationKind m_lastKind = NavigationKind::None;
  // The selection the pane shows (its group compared, never followed).
  std::optional<NavigationItem> m_shown;
  bool m_switchPending = false;
  bool m_staleWhileHidden = false;
};
