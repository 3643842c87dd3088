#include "forms/FormFactory.h"

#include "document/NavigationItem.h"
#include "forms/BaseParametersForm.h"
#include "forms/ComparatorForm.h"
#include "forms/CorrectionsForm.h"
#include "forms/DigitalFiltersForm.h"
#include "forms/KeyPulseModesForm.h"
#include "forms/PidRegulatorForm.h"
#include "forms/RenameProgramDialog.h"
#include "forms/StepForm.h"

GroupForm* createFormForKind(int kind, Document& doc, QWidget* parent) {
  switch (kind) {
    case NavigationKind::Comparator:
      return new ComparatorForm(parent);
    case NavigationKind::Step:
      return new StepForm(doc, parent);
    case NavigationKind::KeyPulseModes:
      return new KeyPulseModesForm(parent);
    case NavigationKind::Corrections:
      return new CorrectionsForm(parent);
    case NavigationKind::DigitalFilters:
      return new DigitalFiltersForm(parent);
    case NavigationKind::BaseParameters:
      return new BaseParametersForm(parent);
    case NavigationKind::Pid:
      return new PidRegulatorForm(parent);
    default:
      return nullptr;
  }
}

std::optional<QString> runProgramRenameDialog(const QString& name, QWidget* parent) {
  RenameProgramDialog dialog(parent);
  dialog.setName(name);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.name();
}
