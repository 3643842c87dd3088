#include "widgets/ProgramPage.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "document/Document.h"
#include "model/FormatText.h"
#include "model/ProfileText.h"
#include "widgets/DocumentSignals.h"
#include "widgets/GroupInfoPage.h"
#include "widgets/ProfileChart.h"

namespace {

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

QLabel* valueLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

ProgramPage::ProgramPage(Document& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
  setObjectName(QStringLiteral("programPage"));
  m_title = new QLabel(this);
  m_title->setObjectName(QStringLiteral("programTitle"));
  QFont big = m_title->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  m_title->setFont(big);
  m_title->setWordWrap(true);

  m_steps = valueLabel("programSteps", this);
  m_cycleStart = valueLabel("programCycleStart", this);
  m_duration = valueLabel("programDuration", this);
  m_loop = valueLabel("programLoop", this);
  m_nameRecord = valueLabel("programNameRecord", this);
  auto* summary = new QFormLayout;
  summary->setLabelAlignment(Qt::AlignLeft);
  const auto row = [&](const char* label, QLabel* value) {
    auto* l = new QLabel(QString::fromUtf8(label), this);
    l->setBuddy(value);
    value->setAccessibleName(l->text());
    summary->addRow(l, value);
  };
  row("Шагов:", m_steps);
  row("Начало цикла:", m_cycleStart);
  row("Длительность:", m_duration);
  row("Цикл:", m_loop);
  row("Название:", m_nameRecord);

  m_chart = new ProfileChart(this);
  m_chart->setObjectName(QStringLiteral("programProfile"));
  m_info = new GroupInfoPage(InfoPage::Program, this);
  m_info->setMaximumHeight(m_info->fontMetrics().lineSpacing() * 12);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 10, 12, 0);
  layout->addWidget(m_title);
  layout->addLayout(summary);
  layout->addWidget(m_chart, 1);
  layout->addWidget(m_info);

  auto* notices = new DocumentSignals(doc, this);
  for (auto signal : {&DocumentSignals::valuesChanged, &DocumentSignals::programsChanged,
                      &DocumentSignals::configurationReplaced})
    connect(notices, signal, this, &ProgramPage::refresh);
  connect(notices, &DocumentSignals::cellChanged, this, &ProgramPage::refresh);
  connect(notices, &DocumentSignals::stepsChanged, this, &ProgramPage::refresh);
  connect(notices, &DocumentSignals::programRenamed, this, &ProgramPage::refresh);
}

QLabel* ProgramPage::value(const char* key) const {
  QString name = QString::fromLatin1(key);
  name[0] = name[0].toUpper();
  return findChild<QLabel*>(QStringLiteral("program") + name);
}

void ProgramPage::showProgram(Program* program) {
  m_program = program;
  m_info->initialUpdate();
  refresh();
}

void ProgramPage::refresh() {
  // A program that is gone is let go of, shown or not.
  if (m_program && !m_doc.holds(m_program)) m_program = nullptr;
  const DeviceData* data = m_doc.deviceData();
  m_chart->setProgram(m_program, data ? &data->general : nullptr);
  if (!m_program || !data) {
    for (QLabel* l : {m_title, m_steps, m_cycleStart, m_duration, m_loop, m_nameRecord}) l->clear();
    return;
  }
  const Program& p = *m_program;
  const ProgramProfile profile = m_chart->profile();
  m_title->setText(text(programTitle(data->programIndexOf(&p) + 1, p.name())));
  m_steps->setText(QStringLiteral("%1 из %2 (%3)")
                       .arg(p.stepCount())
                       .arg(data->general.stepsPerProgram())
                       .arg(text(GeneralParameters::partitionText(data->general.partition()))));
  const int32_t h02 = p.H02.value();
  m_cycleStart->setText(profile.cycleStart > 0 ? QStringLiteral("шаг %1").arg(h02)
                        : h02 == 0         ? QStringLiteral("нет (H02 = 0), программа проходит один раз")
                                           : QStringLiteral("H02 = %1, такого шага нет").arg(h02));
  m_duration->setText(text(profiletext::total(profile.pass)) + QStringLiteral(" — один проход"));
  m_loop->setText(profile.cycleStart > 0
                      ? QStringLiteral("%1 — шаги %2…%3, повторяются")
                            .arg(text(profiletext::total(profile.loopTotal)))
                            .arg(profile.cycleStart)
                            .arg(p.stepCount())
                      : QStringLiteral("нет"));
  // The controller keeps no names: one that came back after a read says from where.
  m_nameRecord->setText(p.nameRecord().empty() ? QStringLiteral("задано в конфигурации")
                                               : text(nameRecordText(p.nameRecord())));
}
