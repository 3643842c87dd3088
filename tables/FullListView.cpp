#include "tables/FullListView.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include "document/Document.h"
#include "document/LevelMask.h"
#include "forms/DataExchange.h"
#include "model/DeviceData.h"
#include "model/ValueTexts.h"
#include "tables/NumberText.h"
#include "widgets/GuiText.h"

namespace {

// Group rows read as headings: a light band across the row.
constexpr FL_COLOR kGroupBack = 0xF3ECE6;

// The values of a new configuration, per group as "По умолчанию" resets them.
struct Defaults {
  Step step;
  Comparator comparator;
  Program program;
  GeneralParameters general;
};

const Defaults& defaults() {
  static const Defaults d;
  return d;
}

// The value-text list of a step cell (0: the cell has none).
int valueTextIdOfStepCell(int cell) {
  if (cell >= Step::N01 && cell <= Step::N08) return valuetext::kFirstKeyMode + (cell - Step::N01);
  switch (cell) {
    case Step::U01:
      return valuetext::kTransition;
    case Step::U02:
      return valuetext::kTransitionByValue;
    case Step::E01:
      return valuetext::kRegulator1Input;
    case Step::E_01:
      return valuetext::kRegulator2Input;
    default:
      return 0;
  }
}

QString number(int v) { return QString::number(v); }

}  // namespace

// Adds the rows in the list's order. With a search text or "Только
// изменённые" a group row is added only once a row below it passes, so the
// groups of the matches stay and empty groups do not appear; groups are then
// shown open without touching expandedState.
class FullListView::Builder {
 public:
  Builder(FullListView& form, const QString& needle, bool changedOnly)
      : m_form(form),
        m_list(*form.m_list),
        m_needle(needle),
        m_changedOnly(changedOnly),
        m_filtering(!needle.isEmpty() || changedOnly) {}

  // remembered: the object whose open state expandedState keeps, or none.
  void beginGroup(const QString& title, const void* remembered) {
    Pending g;
    g.title = title;
    g.object = remembered;
    g.titleMatches = !m_needle.isEmpty() && title.contains(m_needle, Qt::CaseInsensitive);
    m_stack.push_back(g);
    if (!m_filtering) materialise();
  }

  void endGroup() { m_stack.pop_back(); }

  // The step or comparator whose cells follow (none for the others).
  void owner(Step* step, Comparator* comparator = nullptr) {
    m_step = step;
    m_comparator = comparator;
  }

  void parameter(Parameter& p, int defaultValue, int valueTextId = 0) {
    Entry e;
    e.param = &p;
    e.defaultValue = defaultValue;
    e.valueTextId = valueTextId;
    e.step = m_step;
    e.comparator = m_comparator;
    add(e, text(p.code()), text(p.description()));
  }

  void stepCount(Program& program) {
    Entry e;
    e.program = &program;
    e.defaultValue = 0;
    add(e, QStringLiteral("H01"), QStringLiteral("Количество шагов в программе"));
  }

 private:
  struct Pending {
    QString title;
    const void* object = nullptr;
    bool titleMatches = false;
    HFLROW row = nullptr;
  };

  // Model texts repeat in every program and step: converted once each.
  QString text(std::string_view bytes) {
    const QByteArray key = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    auto it = m_texts.constFind(key);
    if (it != m_texts.constEnd()) return *it;
    const QString converted = fromCp1251(bytes);
    m_texts.insert(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), converted);
    return converted;
  }

  HFLROW parentRow() const { return m_stack.empty() ? FL_ROOT : m_stack.back().row; }

  void materialise() {
    for (Pending& g : m_stack) {
      if (g.row) continue;
      HFLROW parent = &g == &m_stack.front() ? FL_ROOT : (&g - 1)->row;
      g.row = m_list.AddRow(parent, FL_LAST, QString());
      m_list.SetCellText(g.row, 1, g.title);
      m_list.SetRowColor(g.row, FL_COLOR_DEFAULT, kGroupBack);
      if (g.object) {
        m_list.SetCellData(g.row, 0, reinterpret_cast<FL_DATA>(g.object));
        if (m_filtering) {
          m_list.CollapseRow(g.row, false);
        } else {
          auto [it, inserted] = m_form.m_expandedState.try_emplace(g.object, true);
          m_list.CollapseRow(g.row, !it->second);
        }
      } else if (m_filtering) {
        m_list.CollapseRow(g.row, false);
      }
    }
  }

  void add(Entry e, const QString& code, const QString& description) {
    const int value = m_form.valueOf(e);
    if (m_changedOnly && value == e.defaultValue) return;
    if (!m_needle.isEmpty() && !code.contains(m_needle, Qt::CaseInsensitive) &&
        !description.contains(m_needle, Qt::CaseInsensitive) &&
        std::none_of(m_stack.begin(), m_stack.end(), [](const Pending& g) { return g.titleMatches; }))
      return;
    materialise();
    e.row = m_list.AddRow(parentRow(), FL_LAST, code);
    m_list.SetCellText(e.row, 1, description);
    m_list.SetCellText(e.row, kValueColumn, number(value));
    m_list.SetCellProfile(e.row, kValueColumn, m_form.m_valueProfile);
    m_list.SetCellData(e.row, kValueColumn,
                       e.param ? reinterpret_cast<FL_DATA>(e.param) : reinterpret_cast<FL_DATA>(e.program));
    // Column 1's data finds the row's entry again.
    m_list.SetCellData(e.row, 1, static_cast<FL_DATA>(m_form.m_entries.size() + 1));
    if (value != e.defaultValue) m_list.SetRowBold(e.row, true);
    m_form.markValue(e);
    m_form.m_entries.push_back(e);
  }

  FullListView& m_form;
  CFListCtrl& m_list;
  QString m_needle;
  bool m_changedOnly;
  bool m_filtering;
  std::vector<Pending> m_stack;
  QHash<QByteArray, QString> m_texts;
  Step* m_step = nullptr;
  Comparator* m_comparator = nullptr;
};

FullListView::FullListView(Document& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 4, 4, 4);
  bar->setSpacing(8);
  m_search = new QLineEdit(this);
  m_search->setObjectName(QStringLiteral("search"));
  m_search->setPlaceholderText(QStringLiteral("Поиск"));
  m_search->setAccessibleName(QStringLiteral("Поиск"));
  m_search->setClearButtonEnabled(true);
  m_search->installEventFilter(this);
  m_changedOnly = new QCheckBox(QStringLiteral("Только изменённые"), this);
  m_changedOnly->setObjectName(QStringLiteral("changedOnly"));
  m_changedOnly->setToolTip(QStringLiteral("Показать только параметры, значения которых отличаются от значений новой прошивки"));
  bar->addWidget(m_search, 1);
  bar->addWidget(m_changedOnly);
  layout->addLayout(bar);

  m_list = new CFListCtrl(this);
  m_list->setObjectName(QStringLiteral("parameterList"));
  m_list->setAccessibleName(QStringLiteral("Полный список"));
  m_list->SetOwner(this);
  m_list->SetGridLines(true);
  layout->addWidget(m_list, 1);
  setFocusProxy(m_list);
  // Shown over the empty list when the search or "Только изменённые" leave no row.
  m_nothingFound = new QLabel(QStringLiteral("Ничего не найдено"), m_list->viewport());
  m_nothingFound->setObjectName(QStringLiteral("nothingFound"));
  m_nothingFound->setStyleSheet(QStringLiteral("color: gray;"));
  m_nothingFound->move(12, 12);
  m_nothingFound->hide();

  // The columns and the value editor, made once.
  m_valueProfile = m_list->AddProfile(FLP_EDIT);
  m_list->AddColumn(-1, QStringLiteral("Название параметра"), 100);
  m_list->AddColumn(-1, QStringLiteral("Смысловое назначение параметра"), 300);
  m_list->AddColumn(-1, QStringLiteral("Значение"), 50);
  // The value column takes the rest of the width, so values stay next to
  // their descriptions and nothing is cut at the right.
  m_list->header()->setStretchLastSection(true);

  connect(m_search, &QLineEdit::textChanged, this, [this] { rebuild(); });
  connect(m_changedOnly, &QCheckBox::toggled, this, [this] { rebuild(); });
  auto* find = new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(find, &QShortcut::activated, this, [this] {
    m_search->setFocus(Qt::ShortcutFocusReason);
    m_search->selectAll();
  });
}

void FullListView::documentChanged() {
  if (!isVisible()) {
    m_stale = true;
    return;
  }
  if (rowsCurrent())
    refresh();
  else
    rebuild();
}

void FullListView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_stale) rebuild();
}

bool FullListView::eventFilter(QObject* object, QEvent* event) {
  if (object != m_search || event->type() != QEvent::KeyPress) return QWidget::eventFilter(object, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key == Qt::Key_Escape && !m_search->text().isEmpty()) {
    m_search->clear();
    return true;
  }
  // Down or Enter goes on to the rows found.
  if ((key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter) && m_list->GetDisplayedRowCount() > 0) {
    if (!m_list->GetFocusRow() || !m_list->IsRowDisplayed(m_list->GetFocusRow()))
      m_list->SetFocusCell(m_list->GetDisplayedRow(0), kValueColumn);
    m_list->setFocus(Qt::TabFocusReason);
    return true;
  }
  return QWidget::eventFilter(object, event);
}

std::vector<const void*> FullListView::signature() const {
  std::vector<const void*> s;
  const DeviceData* data = m_doc.deviceData();
  s.push_back(data);
  if (!data) return s;
  for (const Program& program : data->programs) {
    s.push_back(&program);
    for (const Step& step : program.steps) s.push_back(&step);
    s.push_back(nullptr);
  }
  return s;
}

int FullListView::valueOf(const Entry& e) const {
  return e.param ? e.param->value() : e.program->stepCount();
}

const FullListView::Entry* FullListView::entryOf(HFLROW row) const {
  const FL_DATA i = m_list->GetCellData(row, 1);
  return i >= 1 && i <= m_entries.size() && m_entries[i - 1].row == row ? &m_entries[i - 1] : nullptr;
}

void FullListView::rebuild() {
  // Where the focus was, to put it back onto the same parameter or group.
  const void* focusKey = nullptr;
  int focusColumn = m_list->GetFocusColumn();
  int focusOffset = 0;
  if (HFLROW f = m_list->GetFocusRow(); f && !m_stale) {
    if (const Entry* e = entryOf(f))
      focusKey = e->param ? static_cast<const void*>(e->param) : e->program;
    else
      focusKey = reinterpret_cast<const void*>(m_list->GetCellData(f, 0));
    if (HFLROW top = m_list->GetRelatedRow(nullptr, FLR_FIRSTONPAGE); top && m_list->IsRowDisplayed(f))
      focusOffset = f->listIndex - top->listIndex;
  }
  const int scroll = m_list->verticalScrollBar()->value();
  const QString filter = m_search->text().trimmed() + (m_changedOnly->isChecked() ? u'\n' : u' ');

  m_building = true;
  m_list->LockRedraw(true);
  m_list->SetFocusCell(nullptr, 0, false);
  m_entries.clear();
  m_list->RemoveRow(FL_ROOT);

  Builder b(*this, m_search->text().trimmed(), m_changedOnly->isChecked());
  DeviceData* data = m_doc.deviceData();
  if (data) {
    const Defaults& d = defaults();
    if (levelMask & kLevelL1) {
      int n = 0;
      for (Program& program : data->programs) {
        b.beginGroup(QStringLiteral("Программа №%1").arg(++n), &program);
        b.stepCount(program);
        b.parameter(program.H02, d.program.H02.value());
        for (int k = 0; k < Program::kComparatorCount; ++k) {
          Comparator& c = program.comparators[k];
          b.beginGroup(QStringLiteral("Параметры компаратора №%1").arg(k + 1), &c);
          b.owner(nullptr, &c);
          for (int i = 0; i < Comparator::kCellCount; ++i)
            b.parameter(c.cells[i], d.comparator.cells[i].value());
          b.owner(nullptr);
          b.endGroup();
        }
        int m = 0;
        for (Step& step : program.steps) {
          b.beginGroup(QStringLiteral("Шаг №%1").arg(++m), &step);
          b.owner(&step);
          auto cells = [&](int from, int to) {
            for (int i = from; i <= to; ++i) b.parameter(step.cells[i], d.step.cells[i].value(), valueTextIdOfStepCell(i));
          };
          cells(Step::U01, Step::U05);
          b.beginGroup(QStringLiteral("Режимы работы транзисторных ключей"), nullptr);
          cells(Step::N01, Step::N08);
          b.endGroup();
          b.beginGroup(QStringLiteral("Параметры 1-го регулятора"), nullptr);
          cells(Step::E01, Step::E05);
          b.endGroup();
          b.beginGroup(QStringLiteral("Параметры 2-го регулятора"), nullptr);
          cells(Step::E_01, Step::E_05);
          b.endGroup();
          b.owner(nullptr);
          b.endGroup();
        }
        b.endGroup();
      }
    }
    if (levelMask & kLevelL2) {
      GeneralParameters& g = data->general;
      b.beginGroup(QStringLiteral("Параметры режимов транзисторных ключей"), &g.keys);
      for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) {
        b.parameter(g.keys.pulse(j), d.general.keys.pulse(j).value());
        b.parameter(g.keys.pause(j), d.general.keys.pause(j).value());
      }
      b.endGroup();
      auto group = [&](const QString& title, const void* remembered, Parameter* cells, const Parameter* dflt,
                       int count) {
        b.beginGroup(title, remembered);
        for (int i = 0; i < count; ++i) b.parameter(cells[i], dflt[i].value());
        b.endGroup();
      };
      group(QStringLiteral("Коррекция показаний термометров"), &g.corrections, g.corrections.cells,
            d.general.corrections.cells, Corrections::kCellCount);
      group(QStringLiteral("Параметры цифровых фильтров"), &g.filters, g.filters.cells, d.general.filters.cells,
            DigitalFilters::kCellCount);
      group(QStringLiteral("Основные параметры работы прибора"), &g.base, g.base.cells, d.general.base.cells,
            BaseParameters::kCellCount);
      group(QStringLiteral("Параметры 1-го ПИД-регулятора"), nullptr, g.pid[0].cells, d.general.pid[0].cells,
            PidRegulator::kCellCount);
      group(QStringLiteral("Параметры 2-го ПИД-регулятора"), nullptr, g.pid[1].cells, d.general.pid[1].cells,
            PidRegulator::kCellCount);
    }
  }
  m_list->LockRedraw(false);
  m_building = false;
  if (!m_columnsFitted && m_list->GetDisplayedRowCount() > 0) {
    // The headings and descriptions in the list's own font, within reason.
    m_columnsFitted = true;
    const QFontMetrics fm(m_list->font());
    QHeaderView* header = m_list->header();
    header->resizeSection(0, std::max(header->sectionSize(0), fm.horizontalAdvance(QStringLiteral("Название параметра")) + 20));
    int widest = 0;
    for (int i = 0; i < m_list->GetDisplayedRowCount(); ++i)
      widest = std::max(widest, fm.horizontalAdvance(m_list->GetCellText(m_list->GetDisplayedRow(i), 1)));
    m_descriptionFit = widest + 20;
    fitDescriptionColumn();
  }
  m_signature = signature();
  m_stale = false;
  m_nothingFound->adjustSize();
  m_nothingFound->setVisible(m_list->GetDisplayedRowCount() == 0 &&
                             (!m_search->text().trimmed().isEmpty() || m_changedOnly->isChecked()));

  // The focus goes back to its parameter or group, at the same height in
  // the page; else the list keeps its scroll position.
  HFLROW found = nullptr;
  if (focusKey) {
    for (const Entry& e : m_entries)
      if (e.param == focusKey || e.program == focusKey) found = e.row;
    for (int i = 0; !found && i < m_list->GetDisplayedRowCount(); ++i) {
      HFLROW r = m_list->GetDisplayedRow(i);
      if (!entryOf(r) && reinterpret_cast<const void*>(m_list->GetCellData(r, 0)) == focusKey) found = r;
    }
  }
  if (found && m_list->IsRowDisplayed(found)) {
    m_list->SetFocusCell(found, focusColumn, false);
    m_list->verticalScrollBar()->setValue(std::max(0, found->listIndex - focusOffset));
  } else {
    // Another search or filter starts at its first rows.
    m_list->verticalScrollBar()->setValue(filter == m_lastFilter ? scroll : 0);
  }
  m_lastFilter = filter;
}

void FullListView::fitDescriptionColumn() {
  // The descriptions in full where the width allows, the values beside them
  // with room to spare; a width the user gave the column stays.
  QHeaderView* header = m_list->header();
  if (m_descriptionFit <= 0 || (m_fittedWidth >= 0 && header->sectionSize(1) != m_fittedWidth)) return;
  constexpr int kLeast = 300, kValueRoom = 120;
  const int room = m_list->viewport()->width() - header->sectionSize(0) - kValueRoom;
  m_fittedWidth = std::clamp(m_descriptionFit, kLeast, std::max(kLeast, room));
  header->resizeSection(1, m_fittedWidth);
}

void FullListView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  fitDescriptionColumn();
}

void FullListView::refresh() {
  if (!rowsCurrent()) return;
  for (const Entry& e : m_entries) {
    const int value = valueOf(e);
    m_list->SetCellText(e.row, kValueColumn, number(value));
    m_list->SetRowBold(e.row, value != e.defaultValue);
    markValue(e);
  }
}

void FullListView::markValue(const Entry& e) {
  // Red on a light band, as the steps table marks it.
  static const XFList_CellFormat outside{FLF_TEXTCOLOR | FLF_BKCOLOR, FL_LEFT, 0x0000E0, 0xE8E8FF};
  const bool beyond = e.param && !e.param->inLimits();
  if ((m_list->GetCellFormat(e.row, kValueColumn).flags != 0) != beyond)
    m_list->SetCellFormat(e.row, kValueColumn, beyond ? &outside : nullptr);
}

void FullListView::showChange(const ChangePlace& place) {
  if (!isVisible() || !rowsCurrent()) return;
  const Parameter* cell = m_doc.cellOf(place);
  const Program* program = place.code == "H01" ? m_doc.deviceData()->programAt(place.program) : nullptr;
  for (const Entry& e : m_entries) {
    if ((cell && e.param == cell) || (program && e.program == program)) {
      if (m_list->IsRowDisplayed(e.row)) m_list->SetFocusCell(e.row, kValueColumn, true);
      return;
    }
  }
}

void FullListView::refreshViewsLater() {
  QMetaObject::invokeMethod(
      this, [this] { m_doc.notifyViews(); }, Qt::QueuedConnection);
}

int FullListView::OnListNotify(FLNotifyInfo& info) {
  switch (info.code) {
    case FLN_ROWTOGGLED:
      // Deleting or building rows does not count as opening or closing them.
      if (!m_building && info.data) m_expandedState[reinterpret_cast<const void*>(info.data)] = !info.collapsed;
      return 0;
    case FLN_CHANGED:
      return onValueEdited(info);
    default:
      return 0;
  }
}

int FullListView::onValueEdited(FLNotifyInfo& info) {
  const Entry* e = info.column == kValueColumn ? entryOf(info.row) : nullptr;
  if (!e) return 0;
  if (!rowsCurrent()) {
    // The configuration changed under the rows; they are rebuilt instead.
    refreshViewsLater();
    return FLR_REFUSE;
  }
  // Text that does not start with a number is a slip, not a zero: the cell
  // keeps its value.
  const std::optional<int> typed = numbertext::leadingInteger(info.text);
  if (!typed) {
    QApplication::beep();
    return FLR_REFUSE;
  }
  if (e->program) {
    if (!(levelMask & kLevelL1)) return 0;
    Program& program = *e->program;
    const bool changed = m_doc.setStepCount(program, *typed);
    info.text = number(program.stepCount());
    m_list->SetRowBold(info.row, program.stepCount() != e->defaultValue);
    if (changed) refreshViewsLater();
    return 0;
  }
  Parameter& p = *e->param;
  const int32_t before = p.value();
  p.setEnteredValue(*typed);
  info.text = number(p.value());
  m_list->SetRowBold(info.row, p.value() != e->defaultValue);
  markValue(*e);
  if (p.value() != before) {
    // A new input brings its setpoints' limits, as in the form and the table.
    if (e->step) e->step->followInput(static_cast<int>(&p - e->step->cells));
    if (e->comparator && &p == &(*e->comparator)[Comparator::C01]) e->comparator->applyInputRanges();
    if (e->step || e->comparator) refresh();
  }
  return 0;
}

QString FullListView::GetCellToolTip(CFListCtrl&, HFLROW row, int) {
  const Entry* e = entryOf(row);
  if (!e || !rowsCurrent()) return {};
  const int value = valueOf(*e);
  QString code, description, valueText;
  int minimum = 0, maximum = 0;
  if (e->program) {
    code = QStringLiteral("H01");
    description = QStringLiteral("Количество шагов в программе");
    maximum = m_doc.deviceData()->general.stepsPerProgram();
  } else {
    code = fromCp1251(e->param->code());
    description = fromCp1251(e->param->description());
    minimum = e->param->minValue();
    maximum = e->param->maxValue();
    if (e->valueTextId) valueText = fromCp1251(longTextOf(valueTexts(e->valueTextId), value));
  }
  QString tip = QStringLiteral("%1 — %2\nЗначение: %3").arg(code, description, number(value));
  if (!valueText.isEmpty()) tip += QStringLiteral(" (%1)").arg(valueText);
  tip += QStringLiteral("\nПределы: %1 … %2\nПо умолчанию: %3")
             .arg(number(minimum), number(maximum), number(e->defaultValue));
  if (const QString outside = e->param ? outsideTip(*e->param) : QString(); !outside.isEmpty())
    tip += u'\n' + outside;
  return tip;
}
