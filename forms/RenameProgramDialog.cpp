#include "forms/RenameProgramDialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include "widgets/FileText.h"
#include "widgets/Messages.h"

namespace {

// The file keeps a name in Windows-1251: a character without a form
// there is never taken, so no name comes back with question marks in it.
class Cp1251Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return representableInCp1251(input) ? Acceptable : Invalid;
  }
};

}  // namespace

RenameProgramDialog::RenameProgramDialog(QWidget* parent) : QDialog(parent), m_edit(new QLineEdit(this)) {
  setObjectName(QStringLiteral("renameProgramDialog"));
  setWindowTitle(QStringLiteral("Переименование"));
  auto* label = new QLabel(QStringLiteral("Новое имя"), this);
  label->setBuddy(m_edit);
  m_edit->setObjectName(QStringLiteral("programName"));
  m_edit->setAccessibleName(label->text());
  m_edit->setMaxLength(kMaxChars);
  m_edit->setValidator(new Cp1251Validator(m_edit));
  // Room for a long name of average letters; a longer one scrolls.
  m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * (kMaxChars + 4) + 12);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(m_edit);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void RenameProgramDialog::setName(const QString& name) {
  // Shown whole, so that a name too long is refused rather than cut unseen.
  m_edit->setMaxLength(std::max<int>(kMaxChars, name.size()));
  m_edit->setText(name);
  m_edit->selectAll();
}

QString RenameProgramDialog::name() const { return m_edit->text(); }

void RenameProgramDialog::accept() {
  if (m_edit->text().size() > kMaxChars) {
    messages::showWarning(this, QStringLiteral("Введите не более %1 символов.").arg(kMaxChars));
    m_edit->setFocus();
    m_edit->selectAll();
    return;
  }
  QDialog::accept();
}
