// The differences of two configurations by value, as the forms show values:
// a step's duration (U04 hours, U05 minutes) is one value "01:30", a
// regulator's setpoint (integer and fraction part) one value "25.5", its rate
// and a thermometer's correction (magnitude and sign) one value "-2.5". The
// GUI's comparisons list these values, and "Записать изменения…" takes each
// whole or not at all: taking the hours of a duration without its minutes
// would leave the controller a duration nobody chose. tkv88ctl diff keeps one
// line per cell (compareConfigurations).
//
// Pure functions over caller-owned values; any thread. Texts are UTF-8.
#pragma once

#include <string>
#include <vector>

#include "document/ConfigCompare.h"

struct ValueDifference {
  // Its differences: indices into ValueComparison::cells, in list order (a
  // value of two cells of which one differs has one).
  std::vector<int> cells;
  std::string code;         // "U04/U05" for a value of two cells, else the cell's code
  std::string description;  // "Длительность шага (чч:мм)", or the cell's own
  std::string textA;        // "02:00", "-40.0", or the cell's own texts
  std::string textB;
  // The value whose choice this one follows (an index into values), or -1;
  // as ConfigDifference::follows.
  int follows = -1;
};

// How much a write of B over A changes: the values that differ (names, and
// programs or steps on one side only, are no values), the programs with any
// difference, and O10 on both sides (the same when it does not change).
struct ChangeSummary {
  int values = 0;
  int programs = 0;
  int partitionA = 0;
  int partitionB = 0;
  bool partitionChanges() const { return partitionA != partitionB; }
};

class ValueComparison {
 public:
  ValueComparison() = default;
  ValueComparison(const DeviceData& a, const DeviceData& b, CompareOptions options = {});

  // compareConfigurations(a, b, options): what a merge takes, one per cell.
  const std::vector<ConfigDifference>& cells() const { return m_cells; }
  const std::vector<ValueDifference>& values() const { return m_values; }
  bool empty() const { return m_values.empty(); }

  // The difference that says where a value lies and what a double click
  // shows: its first cell.
  const ConfigDifference& place(int value) const { return m_cells[m_values[value].cells.front()]; }
  // The value that holds cell difference `cell`.
  int valueOf(int cell) const { return m_valueOfCell[cell]; }
  // One flag per cell (for mergeDifferences) from one flag per value.
  std::vector<bool> cellsTaken(const std::vector<bool>& valuesTaken) const;

  ChangeSummary summary() const;

 private:
  std::vector<ConfigDifference> m_cells;
  std::vector<ValueDifference> m_values;
  std::vector<int> m_valueOfCell;
  int m_partitionA = 0;
  int m_partitionB = 0;
};
