// "&Порт...": the port the device exchanges use, chosen from the ports found
// (or typed as a description, as --port takes it), and for the parallel-port
// adapter its "Скорость обмена": fast (measured on the adapter, the
// default) or standard (the protocol's fixed waits). The timing goes into
// the description as ",timing=standard". User-interface thread only.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;

class PortDialog : public QDialog {
  Q_OBJECT

 public:
  // `choices`: what portchoice::choices() offers; `current`: the port in use.
  PortDialog(const QStringList& choices, const QString& current, QWidget* parent = nullptr);

  // The description chosen, with its timing; empty when none is.
  QString description() const;

  QComboBox* portBox() const { return m_port; }
  QComboBox* timingBox() const { return m_timing; }

 private:
  // The timing applies to parallel-port descriptions only.
  void portEdited();

  QComboBox* m_port;
  QComboBox* m_timing;
};
