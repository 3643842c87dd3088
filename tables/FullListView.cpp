#include "tables/FullListView.h"

#include <algorithm>
#include <climits>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

#include "document/ClipboardText.h"
#include "document/Document.h"
#include "tables/CellDelegate.h"
#include "tables/CellRoles.h"
#include "tables/FullListFilter.h"
#include "tables/FullListModel.h"
#include "widgets/DocumentSignals.h"
#include "widgets/Messages.h"

FullListView::FullListView(Document& doc, QWidget* parent)
    : QWidget(parent),
      m_doc(doc),
      m_model(new FullListModel(doc, this)),
      m_filter(new FullListFilter(*m_model, this)),
      m_delegate(new CellDelegate(this)) {
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
  m_changedOnly->setToolTip(
      QStringLiteral("Показать только параметры, значения которых отличаются от значений новой прошивки"));
  bar->addWidget(m_search, 1);
  bar->addWidget(m_changedOnly);
  layout->addLayout(bar);

  m_view = new QTreeView(this);
  m_view->setObjectName(QStringLiteral("parameterList"));
  m_view->setAccessibleName(QStringLiteral("Полный список"));
  m_view->setUniformRowHeights(true);
  m_view->setAllColumnsShowFocus(false);
  m_delegate->setGridLines(true);
  m_delegate->attachTo(m_view);
  // The filter stands between the model and the view only while it filters:
  // the whole list needs no mapping of its rows.
  m_view->setModel(m_model);
  m_view->installEventFilter(this);
  layout->addWidget(m_view, 1);
  setFocusProxy(m_view);
  // Shown over the empty list when the search or "Только изменённые" leave no row.
  m_nothingFound = new QLabel(QStringLiteral("Ничего не найдено"), m_view->viewport());
  m_nothingFound->setObjectName(QStringLiteral("nothingFound"));
  m_nothingFound->setStyleSheet(QStringLiteral("color: gray;"));
  m_nothingFound->move(12, 12);
  m_nothingFound->hide();

  QHeaderView* header = m_view->header();
  // The value column takes the rest of the width, so values stay next to
  // their descriptions and nothing is cut at the right.
  header->setStretchLastSection(true);
  header->resizeSection(FullListModel::CodeColumn,
                        std::max(100, m_view->fontMetrics().horizontalAdvance(
                                          m_model->headerData(0, Qt::Horizontal).toString()) + 20));
  header->resizeSection(FullListModel::DescriptionColumn, 300);

  // The groups' open state: kept when the user changes it, put back whenever
  // rows come (a reset, a program's new steps, another filter).
  connect(m_view, &QTreeView::expanded, this, [this](const QModelIndex& i) { rememberOpenState(i, true); });
  connect(m_view, &QTreeView::collapsed, this, [this](const QModelIndex& i) { rememberOpenState(i, false); });
  followShownModel();

  connect(m_search, &QLineEdit::textChanged, this, &FullListView::filterChanged);
  connect(m_changedOnly, &QCheckBox::toggled, this, &FullListView::filterChanged);
  auto* find = new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(find, &QShortcut::activated, this, [this] {
    m_search->setFocus(Qt::ShortcutFocusReason);
    m_search->selectAll();
  });
  applyOpenState({});
  connect(new DocumentSignals(doc, this), &DocumentSignals::changeShown, this, &FullListView::showChange);
}

void FullListView::commitEdits() { m_delegate->commitOpenEditor(); }

void FullListView::filterChanged() {
  const QString needle = m_search->text().trimmed();
  const bool changedOnly = m_changedOnly->isChecked();
  if (needle == m_filter->needle() && changedOnly == m_filter->changedOnly()) return;
  // The open groups are put back from what is remembered, not carried through.
  m_applying = true;
  m_view->collapseAll();
  m_applying = false;
  m_filter->setFilter(needle, changedOnly);
  QAbstractItemModel* shown = m_filter->filtering() ? static_cast<QAbstractItemModel*>(m_filter)
                                                    : static_cast<QAbstractItemModel*>(m_model);
  if (m_view->model() != shown) {
    // Another model for the view: the column widths stay, the selection
    // model of the old one goes with it.
    QHeaderView* header = m_view->header();
    const int code = header->sectionSize(FullListModel::CodeColumn);
    const int description = header->sectionSize(FullListModel::DescriptionColumn);
    QItemSelectionModel* old = m_view->selectionModel();
    m_view->setModel(shown);
    followShownModel();
    delete old;
    header->resizeSection(FullListModel::CodeColumn, code);
    header->resizeSection(FullListModel::DescriptionColumn, description);
  }
  applyOpenState({});
  updateNothingFound();
  // Another search starts at its first rows.
  m_view->scrollToTop();
}

void FullListView::followShownModel() {
  for (const QMetaObject::Connection& c : m_shownModelConnections) disconnect(c);
  QAbstractItemModel* model = m_view->model();
  m_shownModelConnections = {
      connect(model, &QAbstractItemModel::modelReset, this,
              [this] {
                applyOpenState({});
                updateNothingFound();
              }),
      connect(model, &QAbstractItemModel::rowsInserted, this,
              [this, model](const QModelIndex& parent, int first, int last) {
                for (int r = first; r <= last; ++r) applyOpenState(model->index(r, 0, parent));
                updateNothingFound();
              }),
      connect(model, &QAbstractItemModel::layoutChanged, this, [this] { updateNothingFound(); }),
  };
}

void FullListView::applyOpenState(const QModelIndex& index) {
  const bool filtering = m_filter->filtering();
  const QAbstractItemModel* model = m_view->model();
  m_applying = true;
  if (filtering) {
    // expandAll is one pass over the rows, where expanding each would be many.
    if (index.isValid())
      m_view->expandRecursively(index);
    else
      m_view->expandAll();
  } else {
    std::vector<QModelIndex> pending{index};
    while (!pending.empty()) {
      const QModelIndex parent = pending.back();
      pending.pop_back();
      if (parent.isValid()) {
        if (!model->hasChildren(parent)) continue;
        const quintptr key = parent.data(cellrole::GroupKey).value<quintptr>();
        const bool open = m_open.value(key, parent.data(cellrole::OpenByDefault).toBool());
        m_view->setExpanded(parent, open);
      }
      const int rows = model->rowCount(parent);
      for (int r = 0; r < rows; ++r) {
        const QModelIndex child = model->index(r, 0, parent);
        if (model->hasChildren(child)) pending.push_back(child);
      }
    }
  }
  m_applying = false;
}

void FullListView::rememberOpenState(const QModelIndex& index, bool open) {
  if (m_applying || m_filter->filtering()) return;
  const quintptr key = index.data(cellrole::GroupKey).value<quintptr>();
  if (key) m_open[key] = open;
}

void FullListView::updateNothingFound() {
  m_nothingFound->adjustSize();
  m_nothingFound->setVisible(m_filter->filtering() && m_filter->rowCount() == 0);
}

void FullListView::showChange(const ChangePlace& place) {
  if (!isVisible() || !m_doc.deviceData()) return;
  const Parameter* cell = m_doc.cellOf(place);
  const Program* program = place.code == "H01" ? m_doc.deviceData()->programAt(place.program) : nullptr;
  if (!cell && !program) return;
  QModelIndex index = m_model->indexOf(cell, program);
  if (m_view->model() == m_filter) index = m_filter->mapFromSource(index);
  if (!index.isValid()) return;
  m_view->setCurrentIndex(index);
  m_view->scrollTo(index);
}

void FullListView::copy() {
  const QItemSelectionModel* selection = m_view->selectionModel();
  int left = INT_MAX, right = -1;
  for (const QModelIndex& i : selection->selectedIndexes()) {
    left = std::min(left, i.column());
    right = std::max(right, i.column());
  }
  if (right < 0) return;
  // A line per shown row with a selected cell, top-down as the rows show.
  cliptext::Grid grid;
  for (QModelIndex row = m_view->model()->index(0, 0); row.isValid(); row = m_view->indexBelow(row)) {
    std::vector<std::string> line;
    bool selected = false;
    for (int c = left; c <= right; ++c) {
      const QModelIndex cell = row.siblingAtColumn(c);
      const bool in = selection->isSelected(cell);
      selected = selected || in;
      line.push_back(in ? cell.data().toString().toStdString() : std::string());
    }
    if (selected) grid.push_back(std::move(line));
  }
  QGuiApplication::clipboard()->setText(QString::fromStdString(cliptext::joinGrid(grid)));
}

void FullListView::paste() {
  const cliptext::Grid grid = cliptext::splitGrid(QGuiApplication::clipboard()->text().toStdString());
  QStringList refused, unplaced;
  // Persistent: a step count pasted brings or takes rows under its program.
  QPersistentModelIndex row = m_view->currentIndex();
  for (std::size_t n = 0; n < grid.size(); ++n) {
    // Lines copied with their codes and descriptions bring the value last.
    const auto& line = grid[n];
    const QString text = line.empty() ? QString() : QString::fromStdString(line.back()).trimmed();
    if (!row.isValid()) {
      if (!text.isEmpty())
        unplaced << messages::refusedCell(
            QStringLiteral("ниже последней строки (строка %1 вставки)").arg(n + 1), text);
      continue;
    }
    const QModelIndex value = QModelIndex(row).siblingAtColumn(FullListModel::ValueColumn);
    if (!text.isEmpty()) {
      const QModelIndex cell = m_view->model() == m_filter ? m_filter->mapToSource(value) : value;
      // A group's row takes no value: the line stands where none belongs.
      if (!(value.flags() & Qt::ItemIsEditable) || !m_model->storeText(cell, text))
        refused << messages::refusedCell(placeOf(value), text);
    }
    if (row.isValid()) row = m_view->indexBelow(row);
  }
  messages::showPasteFaults(this, refused, unplaced);
}

QString FullListView::placeOf(const QModelIndex& value) const {
  QStringList parts;
  for (QModelIndex group = value.parent(); group.isValid(); group = group.parent())
    parts.prepend(group.siblingAtColumn(FullListModel::DescriptionColumn).data().toString());
  // A group's row has a title and no code.
  parts << (value.siblingAtColumn(FullListModel::CodeColumn).data().toString() + u' ' +
            value.siblingAtColumn(FullListModel::DescriptionColumn).data().toString())
               .trimmed();
  return parts.join(QStringLiteral(", "));
}

bool FullListView::eventFilter(QObject* object, QEvent* event) {
  if (object == m_view && takeClipboardKey(event, [this] { copy(); }, [this] { paste(); })) return true;
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(object, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (object == m_search) {
    if (key->key() == Qt::Key_Escape && !m_search->text().isEmpty()) {
      m_search->clear();
      return true;
    }
    // Down or Enter goes on to the rows found.
    if ((key->key() == Qt::Key_Down || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        m_view->model()->rowCount() > 0) {
      if (!m_view->currentIndex().isValid())
        m_view->setCurrentIndex(m_view->model()->index(0, FullListModel::ValueColumn));
      m_view->setFocus(Qt::TabFocusReason);
      return true;
    }
  } else if (object == m_view && !m_delegate->openEditor()) {
    // Typing or Enter on a row's code or description edits its value.
    const QModelIndex current = m_view->currentIndex();
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool typing = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (current.isValid() && (enter || typing) && !(current.flags() & Qt::ItemIsEditable)) {
      const QModelIndex value = current.siblingAtColumn(FullListModel::ValueColumn);
      if (value.flags() & Qt::ItemIsEditable) m_view->setCurrentIndex(value);
    }
  }
  return QWidget::eventFilter(object, event);
}

void FullListView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_descriptionFit == 0) {
    // The descriptions in the list's own font, within reason.
    const QFontMetrics fm(m_view->font());
    m_descriptionFit = m_model->widestDescription(fm) + 20;
  }
  fitDescriptionColumn();
}

void FullListView::fitDescriptionColumn() {
  // The descriptions in full where the width allows, the values beside them
  // with room to spare; a width the user gave the column stays.
  QHeaderView* header = m_view->header();
  if (m_descriptionFit <= 0 ||
      (m_fittedWidth >= 0 && header->sectionSize(FullListModel::DescriptionColumn) != m_fittedWidth))
    return;
  constexpr int kLeast = 300, kValueRoom = 120;
  const int room = m_view->viewport()->width() - header->sectionSize(FullListModel::CodeColumn) - kValueRoom;
  m_fittedWidth = std::clamp(m_descriptionFit, kLeast, std::max(kLeast, room));
  header->resizeSection(FullListModel::DescriptionColumn, m_fittedWidth);
}

void FullListView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  fitDescriptionColumn();
}
