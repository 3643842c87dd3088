#include "document/TemplateFill.h"

#include "document/Document.h"
#include "model/FormatText.h"

std::string refusalText(const TemplateBuild& build, const GeneralParameters& general) {
  std::string text = build.refusal.value_or("");
  if (build.stepsNeeded > general.stepsPerProgram())
    text += " (" + GeneralParameters::partitionText(general.partition()) + ")";
  if (!text.empty() && text.back() != '.') text += '.';
  return text;
}

std::optional<std::string> fillProgramFromTemplate(Document& doc, Program& target, const TestTemplate& test,
                                                   const TemplateValues& values) {
  DeviceData* data = doc.deviceData();
  const int number = data ? data->programIndexOf(&target) + 1 : 0;
  if (number == 0) return std::string("Программы, которую надо заполнить, нет в конфигурации.");
  const TemplateBuild built = buildTemplateProgram(test, values, target, data->general.stepsPerProgram());
  if (built.refusal) return refusalText(built, data->general);
  return doc.replaceProgram(target, built.program,
                            formatText("заполнение программы %d по методике %s", number, test.id.c_str()));
}
