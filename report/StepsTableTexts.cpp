#include "report/StepsTableTexts.h"

#include <map>

#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"
#include "model/Step.h"
#include "model/ValueTexts.h"

namespace stepstable {
namespace {

// The short texts of a list as QStrings, converted once: the table rewrites
// some 1700 cells on every refresh of a 99-step program.
QString shortText(int listKey, int value) {
  static std::map<std::pair<int, int>, QString> cache;
  const auto key = std::make_pair(listKey, value);
  auto it = cache.find(key);
  if (it == cache.end())
    it = cache.emplace(key, QString::fromUtf8(shortTextOf(valueTexts(listKey), value))).first;
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

bool humidityCondition(const Step& s) {
  const int u02 = s[Step::U02].value();
  return u02 == 9 || u02 == 10;
}

QString setpointUnit(const Step& s, int key) {
  bool humidity;
  if (key == kTransitionSetpoint) {
    humidity = humidityCondition(s);
  } else if (key == kSetpoint1 || key == kSetpoint2) {
    humidity = s[regulatorCells(regulatorOf(key)).input].value() == 5;
  } else {
    return {};
  }
  return humidity ? QStringLiteral("%") : QStringLiteral("°С");
}

bool cellInactive(const Step& s, int key, const bool regulatorOn[2]) {
  const int u01 = s[Step::U01].value();
  if (key == kDuration) return u01 == 0;
  if (key == kTransitionByValue || key == kTransitionSetpoint) return u01 == 1;
  return labelInactive(key, regulatorOn);
}

bool labelInactive(int key, const bool regulatorOn[2]) {
  const int r = regulatorOf(key);
  return r >= 0 && !regulatorOn[r];
}

}  // namespace stepstable
