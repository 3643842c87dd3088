#include "shell/BackupsDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

BackupsDialog::BackupsDialog(std::vector<BackupEntry> entries, const QString& folder, QWidget* parent)
    : QDialog(parent), m_entries(std::move(entries)), m_list(new QTreeWidget(this)) {
  setObjectName(QStringLiteral("backupsDialog"));
  setWindowTitle(QStringLiteral("Резервные копии"));
  m_list->setObjectName(QStringLiteral("backups"));
  m_list->setAccessibleName(QStringLiteral("Резервные копии"));
  m_list->setHeaderLabels({QStringLiteral("Время"), QStringLiteral("Порт"), QStringLiteral("Название")});
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setAlternatingRowColors(true);
  QList<QTreeWidgetItem*> items;
  for (const BackupEntry& e : m_entries) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(e.time));
    item->setText(1, QString::fromUtf8(e.port));
    item->setText(2, QString::fromUtf8(e.name));
    item->setToolTip(2, QFile::decodeName(QByteArray::fromStdString(e.path)));
    items.append(item);
  }
  m_list->addTopLevelItems(items);
  // The time and the port to their contents with a gap after them; the name
  // takes the rest.
  constexpr int kColumnPadding = 16;
  for (int c = 0; c < 2; ++c) {
    m_list->resizeColumnToContents(c);
    m_list->setColumnWidth(c, m_list->columnWidth(c) + kColumnPadding);
  }
  if (!items.isEmpty()) m_list->setCurrentItem(items.front());

  auto* buttons = new QDialogButtonBox(this);
  m_open = buttons->addButton(QStringLiteral("Открыть"), QDialogButtonBox::AcceptRole);
  m_open->setObjectName(QStringLiteral("open"));
  m_open->setEnabled(!items.isEmpty());
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);

  auto* column = new QVBoxLayout(this);
  column->addWidget(new QLabel(items.isEmpty() ? QStringLiteral("Резервных копий пока нет. Они появляются "
                                                                "при каждом чтении прибора и перед записью.")
                                               : QStringLiteral("Конфигурации, которые прибор хранил при "
                                                                "чтении и перед записью; новые сверху."),
                               this));
  column->addWidget(m_list, 1);
  auto* where = new QLabel(QStringLiteral("Папка: %1").arg(folder), this);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(where);
  column->addWidget(buttons);
  resize(720, 420);
}

std::optional<BackupEntry> BackupsDialog::chosen() const {
  QTreeWidgetItem* item = m_list->currentItem();
  if (!item) return std::nullopt;
  const int row = m_list->indexOfTopLevelItem(item);
  if (row < 0 || row >= static_cast<int>(m_entries.size())) return std::nullopt;
  return m_entries[row];
}
