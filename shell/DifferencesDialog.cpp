#include "shell/DifferencesDialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Column widths in pixels: the widest "Где" or "Код", the widest value
// column, the room kept for the description, the space after a text.
constexpr int kWhereWidth = 240;
constexpr int kValueWidth = 260;
constexpr int kMinDescriptionWidth = 440;
constexpr int kColumnPadding = 12;

int indexOf(const QTreeWidgetItem* item) {
  return item->data(DifferencesDialog::kWhere, Qt::UserRole).toInt();
}

}  // namespace

DifferencesDialog::DifferencesDialog(ValueComparison comparison, const QString& headingA,
                                     const QString& headingB, Mode mode, QWidget* parent)
    : QDialog(parent),
      m_comparison(std::move(comparison)),
      m_mode(mode),
      m_list(new QTreeWidget(this)),
      m_summary(new QLabel(this)),
      m_note(new QLabel(this)),
      m_own(m_comparison.values().size(), true) {
  if (const int partition = partitionDifference(m_comparison.cells()); partition >= 0)
    m_partition = m_comparison.valueOf(partition);
  setObjectName(QStringLiteral("compareDialog"));
  m_list->setObjectName(QStringLiteral("differences"));
  m_list->setAccessibleName(QStringLiteral("Различия"));
  m_list->setColumnCount(kColumnCount);
  m_list->setHeaderLabels(
      {QStringLiteral("Где"), QStringLiteral("Код"), QStringLiteral("Описание"), headingA, headingB});
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setAlternatingRowColors(true);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);

  const bool choose = mode == kChoose;
  QList<QTreeWidgetItem*> items;
  for (int i = 0; i < static_cast<int>(m_comparison.values().size()); ++i) {
    const ValueDifference& v = m_comparison.values()[i];
    auto* item = new QTreeWidgetItem;
    item->setText(kWhere, placeText(m_comparison.place(i)));
    item->setText(kCode, QString::fromStdString(v.code));
    item->setText(kDescription, QString::fromUtf8(v.description));
    item->setText(kValueA, QString::fromUtf8(v.textA));
    item->setText(kValueB, QString::fromUtf8(v.textB));
    // Columns may cut long texts; the whole text is at hand.
    for (int c : {kDescription, kValueA, kValueB}) item->setToolTip(c, item->text(c));
    item->setData(kWhere, Qt::UserRole, i);
    if (choose) item->setCheckState(kWhere, Qt::Checked);
    items.append(item);
  }
  m_list->addTopLevelItems(items);
  // The description takes the room the other columns leave; a value column
  // no wider than kValueWidth, so a long name cannot push the document's
  // values out of sight.
  QHeaderView* header = m_list->header();
  header->setStretchLastSection(false);
  for (int c : {kWhere, kCode, kValueA, kValueB}) {
    m_list->resizeColumnToContents(c);
    const int limit = c == kValueA || c == kValueB ? kValueWidth : kWhereWidth;
    m_list->setColumnWidth(c, std::min(m_list->columnWidth(c) + kColumnPadding, limit));
  }
  header->setSectionResizeMode(kDescription, QHeaderView::Stretch);
  if (!items.isEmpty()) m_list->setCurrentItem(items.front());

  connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    emit differenceActivated(m_comparison.values()[indexOf(item)].cells.front());
  });
  connect(m_list, &QTreeWidget::itemChanged, this, &DifferencesDialog::onItemChanged);

  auto* buttons = new QDialogButtonBox(this);
  if (choose) {
    m_accept = buttons->addButton(QStringLiteral("Записать"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    QPushButton* all = buttons->addButton(QStringLiteral("Отметить все"), QDialogButtonBox::ActionRole);
    QPushButton* none = buttons->addButton(QStringLiteral("Снять все"), QDialogButtonBox::ActionRole);
    all->setObjectName(QStringLiteral("checkAll"));
    none->setObjectName(QStringLiteral("clearAll"));
    connect(all, &QPushButton::clicked, this, [this] { checkAll(true); });
    connect(none, &QPushButton::clicked, this, [this] { checkAll(false); });
  } else {
    m_accept = buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
  }
  m_accept->setObjectName(QStringLiteral("accept"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* column = new QVBoxLayout(this);
  m_summary->setObjectName(QStringLiteral("summary"));
  m_summary->setWordWrap(true);
  column->addWidget(m_summary);
  column->addWidget(m_list, 1);
  m_note->setObjectName(QStringLiteral("unheldNote"));
  m_note->setWordWrap(true);
  m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_note->hide();
  column->addWidget(m_note);
  auto* hint = new QLabel(choose ? QStringLiteral("Отмеченные значения документа будут записаны в прибор, "
                                                  "неотмеченные останутся такими, как в приборе. Двойной "
                                                  "щелчок показывает параметр в дереве.")
                                 : QStringLiteral("Двойной щелчок показывает параметр в дереве."),
                          this);
  hint->setWordWrap(true);
  column->addWidget(hint);
  column->addWidget(buttons);
  int width = kMinDescriptionWidth + 2 * m_list->frameWidth();
  for (int c : {kWhere, kCode, kValueA, kValueB}) width += m_list->columnWidth(c);
  resize(std::clamp(width + 48, 760, 1200), 540);
  updateLocks();
}

QString DifferencesDialog::unheldText(const std::vector<std::string>& lines) {
  if (lines.empty()) return {};
  constexpr std::size_t kShown = 10;
  QString text = QStringLiteral("Прибор не хранит эти значения документа, после записи в нём будут другие:");
  for (std::size_t i = 0; i < lines.size() && i < kShown; ++i) text += "\n" + QString::fromUtf8(lines[i]);
  if (lines.size() > kShown) text += QStringLiteral("\n... и ещё %1").arg(lines.size() - kShown);
  return text;
}

void DifferencesDialog::setUnheldValues(const std::vector<std::string>& lines) {
  m_note->setText(unheldText(lines));
  m_note->setVisible(!lines.empty());
}

QString DifferencesDialog::placeText(const ConfigDifference& d) {
  if (d.scope == "-") return QStringLiteral("Прошивка");
  if (d.scope == "L2") return QStringLiteral("Общие параметры");
  QString text = QStringLiteral("Программа №%1").arg(d.program + 1);
  if (d.comparator >= 0) text += QStringLiteral(", компаратор №%1").arg(d.comparator + 1);
  if (d.step >= 0) text += QStringLiteral(", шаг №%1").arg(d.step + 1);
  return text;
}

bool DifferencesDialog::isProgramRow(int index) const { return m_comparison.place(index).program >= 0; }

std::vector<bool> DifferencesDialog::taken() const {
  std::vector<bool> values(m_comparison.values().size(), false);
  for (int i = 0; m_mode == kChoose && i < m_list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = m_list->topLevelItem(i);
    values[indexOf(item)] = item->checkState(kWhere) == Qt::Checked;
  }
  return m_comparison.cellsTaken(values);
}

void DifferencesDialog::checkAll(bool checked) {
  if (m_mode != kChoose) return;
  m_own.assign(m_comparison.values().size(), checked);
  updateLocks();
}

void DifferencesDialog::onItemChanged(QTreeWidgetItem* item) {
  if (m_updating || m_mode != kChoose) return;
  const int index = indexOf(item);
  if (item->flags() & Qt::ItemIsUserCheckable) m_own[index] = item->checkState(kWhere) == Qt::Checked;
  updateLocks();
}

// Every row's check from the user's own choices: a follower shows its
// leader's, a program row is held checked while the partition is.
void DifferencesDialog::updateLocks() {
  int checked = 0;
  if (m_mode == kChoose) {
    m_updating = true;
    const bool relayout = m_partition >= 0 && m_own[m_partition];
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = m_list->topLevelItem(i);
      const int index = indexOf(item);
      const int follows = m_comparison.values()[index].follows;
      const int lead = follows >= 0 ? follows : index;
      const bool locked = relayout && isProgramRow(index);
      const bool on = locked || m_own[lead];
      Qt::ItemFlags flags = item->flags() | Qt::ItemIsUserCheckable;
      if (locked || lead != index) flags &= ~Qt::ItemIsUserCheckable;
      item->setFlags(flags);
      // A locked row reads as such: grey, with the reason at hand.
      const QPalette::ColorGroup group = locked ? QPalette::Disabled : QPalette::Active;
      for (int c = 0; c < kColumnCount; ++c) item->setForeground(c, palette().brush(group, QPalette::Text));
      item->setToolTip(kWhere, locked
                                   ? QStringLiteral("Новое разбиение памяти O10 перезаписывает все программы")
                                   : QString());
      item->setCheckState(kWhere, on ? Qt::Checked : Qt::Unchecked);
      checked += on;
    }
    m_updating = false;
    m_accept->setEnabled(checked > 0);
  }
  QString summary = QStringLiteral("Различий: %1").arg(m_comparison.values().size());
  if (m_mode == kChoose) summary += QStringLiteral(", отмечено: %1").arg(checked);
  m_summary->setText(summary);
}
