// "&Порт...": the port the device exchanges use, chosen from the ports found
// (or typed as a description, as --port takes it), and for the parallel-port
// adapter its "Скорость обмена": fast (measured on the adapter, the
// default) or standard (the protocol's fixed waits). The timing goes into
// the description as ",timing=standard". A port found that cannot be used
// as it is (a CH341A without permission, say) says why below the list.
// User-interface thread only.
#pragma once

#include <QDialog>
#include <QHash>

#include "shell/PortChoice.h"

class QComboBox;
class QLabel;

class PortDialog : public QDialog {
  Q_OBJECT

 public:
  // `choices`: what portchoice::choices() offers; `current`: the port in use.
  PortDialog(const QList<portchoice::Choice>& choices, const QString& current, QWidget* parent = nullptr);

  // The description chosen, with its timing; empty when none is.
  QString description() const;

  QComboBox* portBox() const { return m_port; }
  QComboBox* timingBox() const { return m_timing; }
  // Why the port chosen cannot be used as it is; hidden when nothing is known.
  QLabel* problemLabel() const { return m_problem; }

 private:
  // The timing applies to parallel-port descriptions only.
  void portEdited();

  QComboBox* m_port;
  QComboBox* m_timing;
  QLabel* m_problem;
  QHash<QString, QString> m_problems;  // by description
};
