#include "widgets/StepClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "document/ClipboardText.h"
#include "report/StepsTableTexts.h"

namespace stepclipboard {
namespace {

void put(const QString& type, const std::string& exact, const std::vector<const Step*>& steps) {
  auto* data = new QMimeData;
  data->setData(type, QByteArray::fromStdString(exact));
  data->setText(stepsGrid(steps));
  QGuiApplication::clipboard()->setMimeData(data);
}

std::string exact(const QString& type) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasFormat(type) ? data->data(type).toStdString() : std::string();
}

}  // namespace

void putSteps(const std::vector<const Step*>& steps) { put(kStepsType, cliptext::stepsText(steps), steps); }

void putProgram(const Program& program) {
  std::vector<const Step*> steps;
  for (const Step& s : program.steps) steps.push_back(&s);
  put(kProgramType, cliptext::programText(program), steps);
}

bool holdsSteps() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasFormat(kStepsType);
}

bool holdsProgram() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasFormat(kProgramType);
}

std::vector<Step> steps() { return cliptext::readSteps(exact(kStepsType)); }

std::optional<Program> program() {
  const std::string text = exact(kProgramType);
  return text.empty() ? std::nullopt : cliptext::readProgram(text);
}

QString stepsGrid(const std::vector<const Step*>& steps) {
  cliptext::Grid grid;
  for (const stepstable::RowSpec& row : stepstable::rows()) {
    std::vector<std::string>& cells = grid.emplace_back();
    for (const Step* step : steps)
      cells.push_back(row.key == stepstable::kNoKey ? std::string()
                                                    : stepstable::cellText(*step, row.key).toStdString());
  }
  return QString::fromStdString(cliptext::joinGrid(grid));
}

}  // namespace stepclipboard
