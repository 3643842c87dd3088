#include "forms/FormFactory.h"

#include "document/STreeItem.h"
#include "forms/CFormCommBase.h"
#include "forms/CFormCommDigFlt.h"
#include "forms/CFormCommKeys.h"
#include "forms/CFormCommKorr.h"
#include "forms/CFormCommPid.h"
#include "forms/CFormComparatorParam.h"
#include "forms/CFormEmpty.h"

#include <QInputDialog>
#include <QLineEdit>

#include "model/Program.h"

CMyFormView* createFormForKind(int kind, CTkv88_3Doc&, QWidget* parent) {
  switch (kind) {
    case ItemKind::Comparator:
      return new CFormComparatorParam(parent);
    case ItemKind::Step:
      return new CFormEmpty(kind, parent);
    case ItemKind::KeyPulseModes:
      return new CFormCommKeys(parent);
    case ItemKind::Corrections:
      return new CFormCommKorr(parent);
    case ItemKind::DigitalFilters:
      return new CFormCommDigFlt(parent);
    case ItemKind::BaseParameters:
      return new CFormCommBase(parent);
    case ItemKind::Pid:
      return new CFormCommPid(parent);
    default:
      return nullptr;
  }
}

std::optional<QString> runProgramRenameDialog(const QString& name, QWidget* parent) {
  // A plain name prompt until the program forms bring their own dialog.
  QInputDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Переименование программы"));
  dialog.setLabelText(QStringLiteral("Название программы:"));
  dialog.setTextValue(name);
  dialog.setOkButtonText(QStringLiteral("OK"));
  dialog.setCancelButtonText(QStringLiteral("Отмена"));
  if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMaxLength(Program::kNameSize - 1);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}
