#include "tables/StepsTableRules.h"

#include <algorithm>
#include <cmath>

#include "forms/DataExchange.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"
#include "model/Step.h"
#include "model/ValueTexts.h"
#include "tables/NumberText.h"

namespace stepstable {
namespace {

constexpr int kHumidityInput = 5;

}  // namespace

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
  if (cellInactive(s, key, regulatorOn)) return Look::Inactive;
  return outsideTip(s, key).isEmpty() ? Look::Normal : Look::Outside;
}

QString outsideTip(const Step& s, int key) {
  if (key == kTransitionSetpoint) return ::outsideTip(s[Step::U03]);
  if (key != kSetpoint1 && key != kSetpoint2) return {};
  const RegulatorCells c = regulatorCells(regulatorOf(key));
  return ::outsideTip(s[c.integer], s[c.fraction]);
}

bool applyEdit(Step& s, int key, QString& text) {
  // The list rows take the value of the entry whose text was chosen, or
  // whose value was typed (a spreadsheet may hold the numbers).
  const int listKey = listKeyOf(cellProfile(s, key));
  int listValue = 0;
  if (listKey) {
    const ValueTextList& list = valueTexts(listKey);
    bool isNumber = false;
    const int number = text.trimmed().toInt(&isNumber);
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const ValueText& v) { return QString::fromUtf8(v.shortText) == text; });
    if (it == list.end() && isNumber)
      it = std::find_if(list.begin(), list.end(), [&](const ValueText& v) { return v.value == number; });
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
