// The item model of the steps table: one row per step parameter as the
// table lays them out (stepstable::rows(), the blank separators included),
// one column per step of the program shown. Row headers are the labels (grey
// while their regulator is off), column headers "Шаг 3" with "*" on the
// cycle start. Cells carry their text, editor, limits, list words and look
// (greyed without effect, the key modes red and green, a value beyond its
// limits marked) through the roles of CellRoles.h and Qt's own.
//
// It reads the steps as they are and follows the document's notices: a cell
// of a shown step refreshes that step's column (its dependencies follow it),
// the program's steps changing make the columns again, a regulator switched
// on or off refreshes everything. setData stores a typed text through
// storeText, the table's typing rules (StepsTableRules::applyEdit).
// User-interface thread only.
#pragma once

#include <QAbstractTableModel>

class Document;
class DocumentSignals;
class Parameter;
class Program;
class Step;

class StepsTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit StepsTableModel(Document& doc, QObject* parent = nullptr);

  // Shows the program's steps; none empties the table.
  void setProgram(Program* program);
  Program* program() const { return m_program; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // EditRole with the typed text: storeText.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // Stores a text into a cell as typing stores it: a list cell takes the
  // entry of that short text, a number cell a leading number (a decimal
  // comma too) clamped and snapped as the rules say, the duration "hh:mm".
  // False, changing nothing, when the text is refused or the cell has no
  // effect. The cell's column follows at once.
  bool storeText(const QModelIndex& index, const QString& text);

  // The step of a column, or nullptr; the row of a row key, or -1.
  Step* stepAt(int column) const;
  static int rowOf(int key);
  static int keyOf(int row);
  // Whether regulator 0 or 1 is switched on.
  bool regulatorOn(int regulator) const { return m_regulatorOn[regulator]; }

 signals:
  // A step's values or the regulators' state changed: the charts draw afresh.
  void stepsDrawnChanged();

 private:
  void onCellChanged(const Parameter* cell);
  void columnChanged(int column);
  void everythingChanged();
  void reset();
  bool readRegulators();

  Document& m_doc;
  DocumentSignals* m_signals;
  Program* m_program = nullptr;
  int m_columns = 0;  // the steps the columns were made for
  bool m_regulatorOn[2] = {true, true};
};
