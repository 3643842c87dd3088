// The comparison of two configurations parameter by parameter, and the
// configuration that takes chosen differences from one of them into the
// other. tkv88ctl's diff, the GUI's compare dialog and the changed write
// ("Записать изменения…") all use it.
//
// A difference is named as "tkv88ctl list" names its rows: the scope "-"
// (the configuration's name), "P<n>" (program n's name, step count H01 and
// H02), "P<n>.C<k>" (comparator k), "P<n>.S<m>" (step m) or "L2" (the
// general parameters), and the parameter's code. Programs and steps that
// only one side has are one difference each. Differences come in the order
// of the list.
//
// Pure functions over caller-owned values; any thread. Texts are
// UTF-8, like every text of the model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/DeviceData.h"

struct ConfigDifference {
  enum Kind {
    kValue,         // a parameter's value (both sides have it)
    kName,          // the configuration's or a program's name
    kStepCount,     // H01: both sides have the program, with other step counts
    kProgramOnlyA,  // only side A has the program
    kProgramOnlyB,
    kStepOnlyA,  // only side A has the step (its program is on both sides)
    kStepOnlyB,
  };

  Kind kind = kValue;
  std::string scope;        // "-", "P3", "P3.C2", "P3.S4" or "L2"
  std::string code;         // "C03", "H01", "name", "DeviceDataName"; "-" for a program or step
  std::string description;  // the parameter's description, or what the program or step is
  std::string textA;        // side A's value as shown: "2 (1-ый импульсный режим)", a name,
  std::string textB;        // "есть, шагов 5" or "нет" for a program or step on one side
  int32_t valueA = 0;       // kValue and kStepCount: the numbers
  int32_t valueB = 0;

  // Where it is (0-based; -1 where it does not apply). `cell` is the index in
  // generalInListOrder (L2), in Comparator::cells, or in Step::cells; -1 for H02 and
  // the names.
  int program = -1;
  int comparator = -1;
  int step = -1;
  int cell = -1;
  // A difference that is no choice of its own follows another (the index of
  // that difference): a step on one side only follows its program's H01;
  // the programs only one side has follow the first of them, since the
  // programs of a configuration are numbered without gaps.
  int follows = -1;
};

struct CompareOptions {
  // The controller's memory holds no names; a comparison with it leaves
  // them out.
  bool names = true;
};

std::vector<ConfigDifference> compareConfigurations(const DeviceData& a, const DeviceData& b,
                                                    CompareOptions options = {});

// A comparison with the controller compares what the controller would hold
// after `config` is written (`held`: what a read then gives, link's
// readAfterWrite of fitToPartition(config)), so a verified write leaves no
// differences. What of `config` the controller cannot hold is said under
// the list instead, one line each: the programs and steps
// beyond its partition, and every value it keeps otherwise
// ("L2 D01 = 64: прибор хранит 63").
std::vector<std::string> unheldValues(const DeviceData& config, const DeviceData& held);

// A cell's value as a comparison shows it: the number, and its long value
// text in brackets where the parameter has one (key modes, transitions,
// regulator inputs, the memory partition O10, and the general parameters
// chosen from a list: O01, O03, O04, O05, O07, O09, O11, Scr).
std::string displayValue(const Parameter& cell);

// The general parameters in the order of "tkv88ctl list": the key pulse
// modes (F02, F.02, ... F15, F.15), corrections, digital filters, base
// parameters, the two PID regulators.
std::vector<const Parameter*> generalInListOrder(const GeneralParameters& general);
std::vector<Parameter*> generalInListOrder(GeneralParameters& general);
// A step's cells in the order of the list: U01..U05, N01..N08, E01..E.05.
const std::vector<int>& stepCellsInListOrder();

// The index of the partition difference (L2 O10) in `differences`, or -1.
int partitionDifference(const std::vector<ConfigDifference>& differences);

// `base` with the differences marked in `take` (one flag per difference of
// compareConfigurations(base, source)) set to source's values; the others
// keep base's. Rules that keep the result a configuration a controller can
// hold:
// - H01 taken: the program gets source's step count, the steps it gains
//   copied from source; a step on one side only follows it.
// - The programs only source has are appended when taken; those only base
//   has are removed.
// - O10 taken: the memory layout changes and nothing of base's programs
//   survives in it, so every program comes from source, taken or not.
// - Otherwise programs and steps beyond base's partition are not taken.
// Taken cells carry source's limits.
DeviceData mergeDifferences(const DeviceData& base, const DeviceData& source,
                            const std::vector<ConfigDifference>& differences, const std::vector<bool>& take);
