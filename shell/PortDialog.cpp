#include "shell/PortDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

#include "shell/PortChoice.h"

namespace {

// The timings in the order of their list.
constexpr LinkTiming kTimings[] = {LinkTiming::kFast, LinkTiming::kStandard};

}  // namespace

PortDialog::PortDialog(const QStringList& choices, const QString& current, QWidget* parent)
    : QDialog(parent), m_port(new QComboBox(this)), m_timing(new QComboBox(this)) {
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
  QStringList items = choices;
  QString shown = port;
  for (const QString& item : items)
    if (portchoice::descriptionOf(item) == port) shown = item;
  if (!items.contains(shown)) items.prepend(shown);
  m_port->addItems(items);
  m_port->setCurrentText(shown);
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
  form->addRow(buttons);
}

void PortDialog::portEdited() {
  m_timing->setEnabled(portchoice::timingOf(portchoice::descriptionOf(m_port->currentText())).has_value());
}

QString PortDialog::description() const {
  const QString port = portchoice::descriptionOf(m_port->currentText());
  if (port.isEmpty() || !portchoice::timingOf(port)) return port;
  return portchoice::withTiming(port, kTimings[m_timing->currentIndex()]);
}
