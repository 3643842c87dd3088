#include "shell/PortDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include "widgets/Messages.h"

namespace {

// The timings in the order of their list.
constexpr LinkTiming kTimings[] = {LinkTiming::kFast, LinkTiming::kStandard};

}  // namespace

PortDialog::PortDialog(const QList<portchoice::Choice>& choices, const QString& current, QWidget* parent)
    : QDialog(parent),
      m_port(new QComboBox(this)),
      m_timing(new QComboBox(this)),
      m_problem(new QLabel(this)) {
  setObjectName(QStringLiteral("portDialog"));
  setWindowTitle(QStringLiteral("Порт"));
  m_port->setObjectName(QStringLiteral("port"));
  m_port->setAccessibleName(QStringLiteral("Порт прибора:"));
  m_port->setEditable(true);
  m_port->setInsertPolicy(QComboBox::NoInsert);
  m_port->setMinimumContentsLength(40);
  m_port->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_timing->setObjectName(QStringLiteral("timing"));
  m_timing->setAccessibleName(QStringLiteral("Скорость обмена:"));
  m_timing->addItems({QStringLiteral("быстрая (подбирается по адаптеру)"), QStringLiteral("стандартная")});

  // The port in use shows as its item (with the adapter's name, if any) and
  // without its timing, which has a list of its own.
  const std::optional<LinkTiming> timing = portchoice::timingOf(current);
  const QString port = timing ? portchoice::withTiming(current, LinkTiming::kFast) : current;
  QString shown = port;
  for (const portchoice::Choice& choice : choices) {
    const int row = m_port->count();
    m_port->addItem(choice.text);
    if (!choice.problem.isEmpty()) {
      m_port->setItemData(row, choice.problem, Qt::ToolTipRole);
      m_problems.insert(portchoice::descriptionOf(choice.text), choice.problem);
    }
    if (portchoice::descriptionOf(choice.text) == port) shown = choice.text;
  }
  if (m_port->findText(shown) < 0) m_port->insertItem(0, shown);
  m_port->setCurrentText(shown);
  m_problem->setObjectName(QStringLiteral("portProblem"));
  m_problem->setWordWrap(true);
  m_timing->setCurrentIndex(timing == LinkTiming::kStandard ? 1 : 0);
  connect(m_port, &QComboBox::currentTextChanged, this, &PortDialog::portEdited);
  portEdited();

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("ok"));
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout(this);
  form->addRow(m_port->accessibleName(), m_port);
  form->addRow(m_timing->accessibleName(), m_timing);
  form->addRow(m_problem);
  form->addRow(buttons);
}

void PortDialog::portEdited() {
  const QString port = portchoice::descriptionOf(m_port->currentText());
  m_timing->setEnabled(portchoice::timingOf(port).has_value());
  const QString problem = m_problems.value(port);
  m_problem->setText(problem.isEmpty() ? QString() : messages::sentence(problem));
  m_problem->setVisible(!problem.isEmpty());
}

QString PortDialog::description() const {
  const QString port = portchoice::descriptionOf(m_port->currentText());
  if (port.isEmpty() || !portchoice::timingOf(port)) return port;
  return portchoice::withTiming(port, kTimings[m_timing->currentIndex()]);
}
