// "Резервные копии…": the automatic backups of the controller's
// configuration (document/BackupStore.h), newest first, with the time, the
// port and what each is; "Открыть" (or a double click) chooses one for the
// application to open as a document. User-interface thread only.
#pragma once

#include <optional>
#include <vector>

#include <QDialog>

#include "document/BackupStore.h"

class QPushButton;
class QTreeWidget;

class BackupsDialog : public QDialog {
  Q_OBJECT

 public:
  BackupsDialog(std::vector<BackupEntry> entries, const QString& folder, QWidget* parent = nullptr);

  // The backup chosen with "Открыть", once exec() has returned Accepted.
  std::optional<BackupEntry> chosen() const;

  QTreeWidget* list() const { return m_list; }
  QPushButton* openButton() const { return m_open; }

 private:
  std::vector<BackupEntry> m_entries;
  QTreeWidget* m_list;
  QPushButton* m_open;
};
