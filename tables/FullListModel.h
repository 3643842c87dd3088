// The item model of the full list: every parameter of the configuration in a
// tree, under the programs (their step count H01, cycle start H02, four
// comparators and steps with their key and regulator groups) and the general
// parameter groups. Columns: code, description, value. Group rows carry
// their title in the description column.
//
// The model reads the document's configuration as it is: its rows are small
// records pointing at the cells, made when the structure is (a program's
// steps again when they change). It follows the document's notices: a cell's
// change is one dataChanged of its row, a program's steps are removed and
// inserted under that program, a new program list or configuration resets
// the model. setData stores a typed value through storeText, the rules of
// typing. User-interface thread only.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include <QAbstractItemModel>

class Comparator;
class QFontMetrics;
class Document;
class DocumentSignals;
class Parameter;
class Program;
class Step;

class FullListModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum Column { CodeColumn, DescriptionColumn, ValueColumn, ColumnCount };

  explicit FullListModel(Document& doc, QObject* parent = nullptr);
  ~FullListModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& index) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // EditRole with the typed text: storeText.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;

  // Stores text typed into a value cell as typing stores it: a leading whole
  // number is the value (what follows it is ignored), clamped into the
  // cell's limits; a text that does not start with a number is refused
  // (false, nothing changed). "H01" sets its program's step count; a new
  // input (U02, E01, E.01, C01) brings its dependents' limits along.
  bool storeText(const QModelIndex& index, const QString& text);

  // Whether a row passes the search (`foldedNeedle`, case-folded, in its
  // code or description, or in the title of a group above it, in any case)
  // and "Только изменённые" (its value differs from a new configuration's).
  // Group rows themselves never pass.
  bool passes(int row, const QModelIndex& parent, const QString& foldedNeedle, bool changedOnly) const;

  // The width of the widest description of any row in `metrics`.
  static int widestDescription(const QFontMetrics& metrics);

  // The value cell of a parameter (or of a program's "H01" when `cell` is
  // none and `stepCountOf` given); invalid when it has no row.
  QModelIndex indexOf(const Parameter* cell, const Program* stepCountOf = nullptr) const;

 private:
  struct Node;
  struct Item;

  Node* nodeOf(const QModelIndex& parent) const;
  const Item* itemOf(const QModelIndex& index) const;
  int valueOf(const Item& item) const;
  QString toolTip(const Item& item) const;
  void build();
  void buildSteps(Node& programNode);
  void indexCells(Node& node);
  void forgetCells(const Node& node);
  void onStepsChanged(const Program* program);
  void onCellChanged(const Parameter* cell);
  void reset();

  Document& m_doc;
  DocumentSignals* m_signals;
  std::unique_ptr<Node> m_root;
  // Where each cell's row is: its group and row.
  std::unordered_map<const void*, std::pair<Node*, int>> m_cells;
};
