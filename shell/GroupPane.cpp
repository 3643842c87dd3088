#include "shell/GroupPane.h"

#include <iterator>
#include <type_traits>
#include <utility>

#include <QAction>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "document/Document.h"
#include "forms/FormFactory.h"
#include "forms/GroupForm.h"
#include "shell/ButtonBar.h"
#include "widgets/DocumentActions.h"
#include "widgets/DocumentSignals.h"
#include "widgets/GroupInfoPage.h"
#include "widgets/HelpRequest.h"
#include "widgets/ProgramPage.h"

namespace {

// The kinds of the pane, in the order their views are created.
constexpr NavigationKind kKinds[] = {NavigationKind::L1Root,
                                     NavigationKind::Program,
                                     NavigationKind::Comparators,
                                     NavigationKind::Comparator,
                                     NavigationKind::Steps,
                                     NavigationKind::Step,
                                     NavigationKind::L2Root,
                                     NavigationKind::KeyPulseModes,
                                     NavigationKind::Corrections,
                                     NavigationKind::DigitalFilters,
                                     NavigationKind::BaseParameters,
                                     NavigationKind::PidGroup,
                                     NavigationKind::Pid};

// True when some member of the shown group differs from the fresh defaults.
template <typename Group>
bool differs(const Group& shown, const Group& defaults) {
  for (std::size_t i = 0; i < std::size(shown.cells); ++i)
    if (!Parameter::sameAs(shown.cells[i], defaults.cells[i])) return true;
  return false;
}

// A group's fresh defaults: a comparator's positions follow its index 0..3
// (the tree item's), a regulator keeps its own index so the codes (P01 or
// P.01) match.
template <typename Group>
Group defaultsOf(const Group&, int) {
  return Group();
}
Comparator defaultsOf(const Comparator&, int index) { return Comparator(index); }
PidRegulator defaultsOf(const PidRegulator& pid, int) { return PidRegulator(pid.index); }

// The document's reset of each group, one undo step.
void resetToDefaults(Document&, Program&, int) {}
void resetToDefaults(Document& doc, Comparator& c, int index) { doc.resetComparator(c, index); }
void resetToDefaults(Document& doc, Step& step, int) { doc.resetStep(step); }
void resetToDefaults(Document& doc, KeyPulseModes& keys, int) { doc.resetKeyPulseModes(keys); }
void resetToDefaults(Document& doc, Corrections& corrections, int) { doc.resetCorrections(corrections); }
void resetToDefaults(Document& doc, DigitalFilters& filters, int) { doc.resetDigitalFilters(filters); }
void resetToDefaults(Document& doc, BaseParameters& base, int) { doc.resetBaseParameters(base); }
void resetToDefaults(Document& doc, PidRegulator& pid, int) { doc.resetPid(pid); }

}  // namespace

GroupPane::GroupPane(Document& doc, DocumentActions& documentActions, QWidget* parent)
    : QWidget(parent),
      m_doc(doc),
      m_documentActions(documentActions),
      m_stack(new QStackedWidget(this)),
      m_blank(new QWidget),
      m_restoreDefaults(new QAction(QStringLiteral("По умолчанию"), this)),
      m_help(new QAction(QStringLiteral("Помощь"), this)) {
  setObjectName(QStringLiteral("groupPane"));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setAutoFillBackground(true);

  // Nothing is shown until the first switch.
  m_stack->addWidget(m_blank);
  for (NavigationKind kind : kKinds) {
    QWidget* view = nullptr;
    if (kind == NavigationKind::Program)
      view = new ProgramPage(m_doc, m_stack);
    else if (const std::optional<InfoPage> page = GroupInfoPage::pageForKind(kind))
      view = new GroupInfoPage(*page, m_stack);
    else
      view = createFormForKind(kind, m_doc, m_stack);
    if (!view) continue;
    m_stack->addWidget(view);
    m_formMap[kind] = view;
  }

  m_restoreDefaults->setObjectName(QStringLiteral("restoreDefaults"));
  connect(m_restoreDefaults, &QAction::triggered, this, &GroupPane::restoreDefaults);
  m_help->setObjectName(QStringLiteral("editingHelp"));
  connect(m_help, &QAction::triggered, this, [] { help::show(HelpTopic::Editing); });
  m_defaultsBar = new ButtonBar(QStringLiteral("defaultsBar"), {m_restoreDefaults, m_help}, this);
  const DocumentActions& d = m_documentActions;
  m_stepBar =
      new ButtonBar(QStringLiteral("stepBar"),
                    {m_restoreDefaults, d.addStepBefore, d.addStepAfter, d.toggleCycleStart, m_help}, this);
  m_programBar = new ButtonBar(QStringLiteral("programBar"),
                               {d.renameProgram, d.addStepLast, d.copyProgram, d.pasteProgram, m_help}, this);
  m_currentBar = m_defaultsBar;
  for (ButtonBar* bar : {m_defaultsBar, m_stepBar, m_programBar}) bar->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_stack, 1);
  layout->addWidget(m_defaultsBar);
  layout->addWidget(m_stepBar);
  layout->addWidget(m_programBar);

  auto* notices = new DocumentSignals(m_doc, this);
  connect(notices, &DocumentSignals::selectionMoved, this, [this] {
    const std::optional<NavigationItem>& sel = m_doc.selection();
    if (sel.has_value() != m_shown.has_value() || (sel && !sel->sameItem(*m_shown))) switchView();
  });
  connect(notices, &DocumentSignals::valuesChanged, this, &GroupPane::showGroupAnew);
  connect(notices, &DocumentSignals::stepsChanged, this, &GroupPane::showGroupAnew);
  // A new partition is chosen on a form while it stores what it holds: the
  // form is shown anew once that has ended.
  connect(notices, &DocumentSignals::programsChanged, this, &GroupPane::switchViewLater);
  // Without a selection (a configuration closed) the forms let go of their
  // groups at once.
  connect(notices, &DocumentSignals::configurationReplaced, this, [this] {
    if (m_doc.selection())
      switchViewLater();
    else
      switchView();
  });
  switchView();
}

GroupPane::~GroupPane() = default;

void GroupPane::showGroupAnew() {
  if (isVisible()) {
    switchView();
    return;
  }
  m_staleWhileHidden = true;
  // A hidden form still lets go at once of a group that is gone.
  auto* form = qobject_cast<GroupForm*>(m_activeView);
  if (form && form->boundGroup() && !m_doc.holds(form->boundGroup())) form->bindGroup({});
}

void GroupPane::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (std::exchange(m_staleWhileHidden, false)) switchView();
}

void GroupPane::switchViewLater() {
  if (std::exchange(m_switchPending, true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        m_switchPending = false;
        switchView();
      },
      Qt::QueuedConnection);
}

QWidget* GroupPane::viewForKind(NavigationKind kind) const {
  const auto it = m_formMap.find(kind);
  return it == m_formMap.end() ? nullptr : it->second;
}

void GroupPane::showBar(ButtonBar* bar) {
  m_currentBar = bar;
  for (ButtonBar* b : {m_defaultsBar, m_stepBar, m_programBar})
    if (b != bar) b->hide();
  if (bar) bar->show();
}

void GroupPane::switchView() {
  std::optional<NavigationItem> sel = m_doc.selection();
  // A group changed behind the document's back and not told yet is shown as none.
  if (sel && sel->group && !m_doc.holds(sel->group)) sel.reset();
  m_shown = sel;
  if (!sel) {
    // The forms let go of groups that may be gone; the view shown stays.
    for (const auto& [kind, view] : m_formMap)
      if (auto* form = qobject_cast<GroupForm*>(view)) form->bindGroup({});
    return;
  }
  QWidget* oldView = m_activeView;
  QWidget* newView = viewForKind(sel->kind);
  if (auto* form = qobject_cast<GroupForm*>(oldView)) form->bindGroup({});
  if (auto* programPage = qobject_cast<ProgramPage*>(oldView); programPage && oldView != newView)
    programPage->showProgram(nullptr);

  ButtonBar* bar = m_defaultsBar;
  if (sel->kind == NavigationKind::Steps)
    bar = nullptr;
  else if (sel->kind == NavigationKind::Step)
    bar = m_stepBar;
  else if (sel->kind == NavigationKind::Program)
    bar = m_programBar;
  if (qobject_cast<GroupInfoPage*>(newView)) bar = nullptr;
  showBar(bar);
  if (!newView) return;

  auto* form = qobject_cast<GroupForm*>(newView);
  auto* page = qobject_cast<GroupInfoPage*>(newView);
  if (form) form->bindGroup(sel->group);
  if (auto* programPage = qobject_cast<ProgramPage*>(newView)) programPage->showProgram(sel->group.get<Program>());
  if (newView == oldView) {
    if (form) form->refreshForm();
    if (page) page->initialUpdate();
  } else {
    // Every switch to a view runs its initial update again: forms rebuild
    // lists that depend on other groups, pages load their page.
    if (form) form->initialUpdate();
    if (page) page->initialUpdate();
    m_stack->setCurrentWidget(newView);
    m_activeView = newView;
  }
  m_lastKind = sel->kind;
  updateActions();
}

bool GroupPane::canRestoreDefaults() const {
  const std::optional<NavigationItem>& sel = m_doc.selection();
  if (!sel) return false;
  return sel->group.visit(
      [&sel](auto* group) {
        if constexpr (std::is_same_v<decltype(group), Program*>)
          return false;  // a program has its own reset command
        else
          return differs(*group, defaultsOf(*group, sel->subIndex));
      },
      [] { return false; });
}

bool GroupPane::commitActiveForm() {
  auto* form = qobject_cast<GroupForm*>(m_activeView);
  return !form || !form->isVisible() || form->commitForm();
}

void GroupPane::restoreDefaults() {
  if (!canRestoreDefaults()) return;
  const NavigationItem sel = *m_doc.selection();
  const GroupRef group = sel.group;
  group.visit([this, &sel](auto* g) { resetToDefaults(m_doc, *g, sel.subIndex); }, [] {});
  if (auto* form = qobject_cast<GroupForm*>(m_activeView)) form->bindGroup(group);
  updateActions();
}

void GroupPane::updateActions() {
  m_restoreDefaults->setEnabled(canRestoreDefaults());
  m_documentActions.update();
}
