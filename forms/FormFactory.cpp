#include "forms/FormFactory.h"

#include "document/STreeItem.h"
#include "forms/CDlgPrgRename.h"
#include "forms/CFormCommBase.h"
#include "forms/CFormCommDigFlt.h"
#include "forms/CFormCommKeys.h"
#include "forms/CFormCommKorr.h"
#include "forms/CFormCommPid.h"
#include "forms/CFormComparatorParam.h"
#include "forms/CFormStep.h"

CMyFormView* createFormForKind(int kind, CTkv88_3Doc& doc, QWidget* parent) {
  switch (kind) {
    case ItemKind::Comparator:
      return new CFormComparatorParam(parent);
    case ItemKind::Step:
      return new CFormStep(doc, parent);
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
  CDlgPrgRename dialog(parent);
  dialog.setName(name);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.name();
}
