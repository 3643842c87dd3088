#include "tables/StepsTableRules.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "forms/DataExchange.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"
#include "model/Step.h"
#include "model/ValueTexts.h"
#include "tables/NumberText.h"
#include "widgets/GuiText.h"

namespace stepstable {
namespace {

constexpr int kHumidityInput = 5;

// The cells of a regulator row: input, setpoint pair, speed and its sign.
struct RegulatorCells {
  int input, integer, fraction, speed, sign;
};
RegulatorCells regulatorCells(int regulator) {
  return regulator == 0 ? RegulatorCells{Step::E01, Step::E02, Step::E03, Step::E04, Step::E05}
                        : RegulatorCells{Step::E_01, Step::E_02, Step::E_03, Step::E_04, Step::E_05};
}

bool humidityCondition(const Step& s) {
  const int u02 = s[Step::U02].value();
  return u02 == 9 || u02 == 10;
}

// The short texts of a list as QStrings, converted once: the table rewrites
// some 1700 cells on every refresh of a 99-step program.
QString shortText(int listKey, int value) {
  static std::map<std::pair<int, int>, QString> cache;
  const auto key = std::make_pair(listKey, value);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, fromCp1251(shortTextOf(valueTexts(listKey), value))).first;
  return it->second;
}

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QChar(u'0')); }

}  // namespace

const std::array<RowSpec, kRowCount>& rows() {
  static const std::array<RowSpec, kRowCount> r{{
      {kTransition, "условие перехода к следующему шагу"},
      {kTransitionByValue, "условие перехода по температуре или влажности"},
      {kTransitionSetpoint, "уставка перехода по температуре или влажности"},
      {kDuration, "длительность шага"},
      {kNoKey, ""},
      {kInput1, "входная величина 1-го регулятора"},
      {kSetpoint1, "уставка входной величины 1-го регулятора"},
      {kSpeed1, "скорость выхода на уставку 1-ым регулятором, град/мин"},
      {kNoKey, ""},
      {kInput2, "входная величина 2-го регулятора"},
      {kSetpoint2, "уставка входной величины 2-го регулятора"},
      {kSpeed2, "скорость выхода на уставку 2-ым регулятором, град/мин"},
      {kNoKey, ""},
      {kFirstKey + 0, nullptr},
      {kFirstKey + 1, nullptr},
      {kFirstKey + 2, nullptr},
      {kFirstKey + 3, nullptr},
      {kFirstKey + 4, nullptr},
      {kFirstKey + 5, nullptr},
      {kFirstKey + 6, nullptr},
      {kFirstKey + 7, nullptr},
  }};
  return r;
}

QString rowLabel(int row) {
  const RowSpec& r = rows()[row];
  if (r.key >= kFirstKey && r.key <= kLastKey)
    return QStringLiteral("Режим %1-го транзисторного ключа").arg(r.key - kFirstKey + 1);
  return QString::fromUtf8(r.label);
}

int listKeyOf(Profile profile) {
  switch (profile) {
    case kTransitionList:
      return valuetext::kTransition;
    case kTransitionByValueList:
      return valuetext::kTransitionByValue;
    case kInputList:
      return valuetext::kRegulator1Input;
    case kKeyModeList:
      return valuetext::kFirstKeyMode;
    default:
      return 0;
  }
}

int rowKeyOfCode(std::string_view code) {
  // By the step's cell order: N01..N08, U01..U05, E01..E05, E.01..E.05.
  static constexpr int kKeys[Step::kCellCount] = {
      kFirstKey,           kFirstKey + 1, kFirstKey + 2, kFirstKey + 3, kFirstKey + 4,
      kFirstKey + 5,       kFirstKey + 6, kLastKey,      kTransition,   kTransitionByValue,
      kTransitionSetpoint, kDuration,     kDuration,     kInput1,       kSetpoint1,
      kSetpoint1,          kSpeed1,       kSpeed1,       kInput2,       kSetpoint2,
      kSetpoint2,          kSpeed2,       kSpeed2};
  static const Step codes;
  for (int i = 0; i < Step::kCellCount; ++i)
    if (codes[i].code() == code) return kKeys[i];
  return kNoKey;
}

int regulatorOf(int key) {
  switch (key) {
    case kInput1:
    case kSetpoint1:
    case kSpeed1:
      return 0;
    case kInput2:
    case kSetpoint2:
    case kSpeed2:
      return 1;
    default:
      return -1;
  }
}

QString stepHeader(int number, bool cycleStart) {
  return QStringLiteral("Шаг %1%2").arg(number).arg(cycleStart ? QStringLiteral(" *") : QString());
}

QString cellText(const Step& s, int key) {
  if (key >= kFirstKey && key <= kLastKey) return shortText(key, s.key(key - kFirstKey + 1).value());
  switch (key) {
    case kTransition:
      return shortText(key, s[Step::U01].value());
    case kTransitionByValue:
      return shortText(key, s[Step::U02].value());
    case kTransitionSetpoint:
      return QString::number(s[Step::U03].value());
    case kDuration:
      return twoDigits(s[Step::U04].value()) + u':' + twoDigits(s[Step::U05].value());
    case kInput1:
    case kInput2:
      return shortText(valuetext::kRegulator1Input, s[regulatorCells(regulatorOf(key)).input].value());
    case kSetpoint1:
    case kSetpoint2: {
      const RegulatorCells c = regulatorCells(regulatorOf(key));
      return QString::number(pairValue(s[c.integer], s[c.fraction]), 'f', 1);
    }
    case kSpeed1:
    case kSpeed2: {
      // In degrees (or percent) per minute; a zero speed never shows as -0.0.
      const RegulatorCells c = regulatorCells(regulatorOf(key));
      return QString::number(signedRate(s[c.speed], s[c.sign]), 'f', 1);
    }
    default:
      return {};
  }
}

Profile cellProfile(const Step& s, int key) {
  if (key >= kFirstKey && key <= kLastKey) return kKeyModeList;
  switch (key) {
    case kTransition:
      return kTransitionList;
    case kTransitionByValue:
      return kTransitionByValueList;
    case kTransitionSetpoint:
      return humidityCondition(s) ? kSetpointPercent : kSetpointInt;
    case kDuration:
      return kTime;
    case kInput1:
    case kInput2:
      return kInputList;
    case kSetpoint1:
    case kSetpoint2:
      return s[regulatorCells(regulatorOf(key)).input].value() == kHumidityInput ? kSetpointRealPercent
                                                                                 : kSetpointReal;
    case kSpeed1:
    case kSpeed2:
      return kSpeedReal;
    default:
      return kProfileCount;
  }
}

Look cellLook(const Step& s, int key, const bool regulatorOn[2]) {
  if (key >= kFirstKey && key <= kLastKey) {
    const int mode = s.key(key - kFirstKey + 1).value();
    return mode == 0 ? Look::KeyOpen : mode == 1 ? Look::KeyClosed : Look::Normal;
  }
  const int u01 = s[Step::U01].value();
  const bool inactive = key == kDuration ? u01 == 0
                        : key == kTransitionByValue || key == kTransitionSetpoint
                            ? u01 == 1
                            : labelInactive(key, regulatorOn);
  if (inactive) return Look::Inactive;
  return outsideTip(s, key).isEmpty() ? Look::Normal : Look::Outside;
}

QString outsideTip(const Step& s, int key) {
  if (key == kTransitionSetpoint) return ::outsideTip(s[Step::U03]);
  if (key != kSetpoint1 && key != kSetpoint2) return {};
  const RegulatorCells c = regulatorCells(regulatorOf(key));
  return ::outsideTip(s[c.integer], s[c.fraction]);
}

bool labelInactive(int key, const bool regulatorOn[2]) {
  const int r = regulatorOf(key);
  return r >= 0 && !regulatorOn[r];
}

bool applyEdit(Step& s, int key, QString& text) {
  // The list rows take the value of the entry whose text was chosen.
  const int listKey = listKeyOf(cellProfile(s, key));
  int listValue = 0;
  if (listKey) {
    const ValueTextList& list = valueTexts(listKey);
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const ValueText& v) { return fromCp1251(v.shortText) == text; });
    if (it == list.end()) return false;
    listValue = it->value;
  }
  if (key >= kFirstKey && key <= kLastKey) {
    s.key(key - kFirstKey + 1).setEnteredValue(listValue);
  } else {
    switch (key) {
      case kTransition:
        s[Step::U01].setEnteredValue(listValue);
        break;
      case kTransitionByValue:
        s[Step::U02].setEnteredValue(listValue);
        s.followInput(Step::U02);
        break;
      case kTransitionSetpoint: {
        const auto v = numbertext::leadingInteger(text);
        if (!v) return false;
        s[Step::U03].setEnteredValue(*v);
        break;
      }
      case kDuration: {
        // "hh:mm" as the time editor returns it; the hours and minutes are
        // clamped to 63 and 59 by their cells.
        const int colon = text.indexOf(u':');
        if (colon < 0) return false;
        const auto h = numbertext::leadingInteger(text.left(colon));
        const auto m = numbertext::leadingInteger(text.mid(colon + 1));
        if (!h || !m) return false;
        s[Step::U04].setEnteredValue(*h);
        s[Step::U05].setEnteredValue(*m);
        break;
      }
      case kInput1:
      case kInput2: {
        // The setpoint follows into the limits of its new quantity, as in the
        // step form; otherwise a pair left at humidity's 0..99 would clamp a
        // temperature typed next.
        const RegulatorCells c = regulatorCells(regulatorOf(key));
        s[c.input].setEnteredValue(listValue);
        s.followInput(c.input);
        break;
      }
      case kSetpoint1:
      case kSetpoint2: {
        const RegulatorCells c = regulatorCells(regulatorOf(key));
        const auto parsed = numbertext::leadingReal(text);
        if (!parsed) return false;
        // Between -1 and 0 a setpoint cannot be stored (the integer part
        // carries the sign): going down from above it lands on -1.0, going
        // up from below it on 0.0. The pair clamps the rest as a whole
        // number: 1500 is 999.9, not 999.0.
        double v = std::clamp(*parsed, -1e9, 1e9);
        if (v < 0 && v > -1 && v < pairValue(s[c.integer], s[c.fraction])) v = -1.0;
        setPairFixed(s[c.integer], s[c.fraction], static_cast<int64_t>(std::trunc(10 * v)));
        break;
      }
      case kSpeed1:
      case kSpeed2: {
        const RegulatorCells c = regulatorCells(regulatorOf(key));
        const auto parsed = numbertext::leadingReal(text);
        if (!parsed) return false;
        storeSignedTenths(s[c.speed], s[c.sign], *parsed);
        break;
      }
      default:
        return false;
    }
  }
  text = cellText(s, key);
  return true;
}

}  // namespace stepstable
