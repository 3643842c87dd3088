#include "shell/AboutDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "Tkv88Version.h"
#include "resources/ResourcePaths.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutDialog"));
  setWindowTitle(QStringLiteral("О программе"));
  auto* icon = new QLabel(this);
  icon->setPixmap(
      QPixmap(resources::iconPath()).scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  icon->setAccessibleName(QStringLiteral("Значок программы"));
  auto* name = new QLabel(QStringLiteral("Конфигуратор ТКВ88"), this);
  auto* version = new QLabel(QStringLiteral("Версия " TKV88_VERSION), this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(16);
  grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(name, 0, 1);
  grid->addWidget(version, 1, 1);
  grid->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
  setFixedSize(sizeHint());
}
