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

namespace {
GroupForm* named(GroupForm* form, const char* name) {
  form->setObjectName(QLatin1String(name));
  return form;
}
}  // namespace

GroupForm* createFormForKind(NavigationKind kind, Document& doc, QWidget* parent) {
  switch (kind) {
    case NavigationKind::Comparator:
      return named(new ComparatorForm(parent), "comparatorForm");
    case NavigationKind::Step:
      return named(new StepForm(doc, parent), "stepForm");
    case NavigationKind::KeyPulseModes:
      return named(new KeyPulseModesForm(parent), "keyPulseModesForm");
    case NavigationKind::Corrections:
      return named(new CorrectionsForm(parent), "correctionsForm");
    case NavigationKind::DigitalFilters:
      return named(new DigitalFiltersForm(parent), "digitalFiltersForm");
    case NavigationKind::BaseParameters:
      return named(new BaseParametersForm(parent), "baseParametersForm");
    case NavigationKind::Pid:
      return named(new PidRegulatorForm(parent), "pidRegulatorForm");
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
