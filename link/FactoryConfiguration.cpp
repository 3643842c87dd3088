#include "link/FactoryConfiguration.h"

#include <initializer_list>
#include <utility>

namespace {

// Keys of the demonstration chamber: 1 heater, 2 steam generator, 3 fan, 4 vent flap.
constexpr int kHeater = 1, kSteam = 2, kFan = 3, kVent = 4;
constexpr int kClosed = 1;

// U01 transition conditions, U02 comparisons and E01 inputs used below.
constexpr int kByValue = 0, kByTime = 1, kValueAndTime = 2, kValueOrTime = 3;
constexpr int kDryAbove = 3, kDryBelow = 4, kHumidityAbove = 9, kHumidityBelow = 10;
constexpr int kDryThermometer = 2, kHumidity = 5;

struct DemoStep {
  std::initializer_list<int> keysClosed;
  int transition, condition, conditionValue, hours, minutes;
  int temperature, temperatureTenths, temperatureRate, temperatureFalls;
  int humidity, humidityRate, humidityFalls;
};

Step makeStep(const DemoStep& d) {
  Step step;
  for (int k = 1; k <= Step::kKeyCount; ++k) step.key(k).setEnteredValue(0);
  for (int k : d.keysClosed) step.key(k).setEnteredValue(kClosed);
  const std::pair<int, int> values[] = {
      {Step::U01, d.transition},
      {Step::U02, d.condition},
      {Step::U03, d.conditionValue},
      {Step::U04, d.hours},
      {Step::U05, d.minutes},
      {Step::E01, kDryThermometer},
      {Step::E02, d.temperature},
      {Step::E03, d.temperatureTenths},
      {Step::E04, d.temperatureRate},
      {Step::E05, d.temperatureFalls},
      {Step::E_01, kHumidity},
      {Step::E_02, d.humidity},
      {Step::E_03, 0},
      {Step::E_04, d.humidityRate},
      {Step::E_05, d.humidityFalls},
  };
  // Set under the wide limits, then narrowed to the inputs' (percent for humidity).
  for (const auto& [cell, value] : values) step[cell].setEnteredValue(value);
  step.applyInputRanges();
  return step;
}

Program demoProgram() {
  Program program;
  program.H02.setEnteredValue(0);  // runs once, no cycle
  // Comparator 1: over-temperature alarm on relay 5 above 90 °C, released below 85 °C.
  Comparator& alarm = program.comparators[0];
  alarm[Comparator::C01].setEnteredValue(kDryThermometer);
  alarm[Comparator::C02].setEnteredValue(5);
  alarm[Comparator::C03].setEnteredValue(90);
  alarm[Comparator::C04].setEnteredValue(85);
  alarm[Comparator::C05].setEnteredValue(0);
  alarm[Comparator::C06].setEnteredValue(0);
  alarm[Comparator::C07].setEnteredValue(0);
  alarm[Comparator::C09].setEnteredValue(5);
  alarm[Comparator::C10].setEnteredValue(5);

  const DemoStep steps[] = {
      // Warm up to 55 °C at 1.5 °/min, the humidity held at 60 %.
      {{kHeater, kFan}, kByValue, kDryAbove, 55, 1, 0, 55, 0, 15, 0, 60, 0, 0},
      // Humidify to 85 % for at least 40 minutes at 60.5 °C.
      {{kSteam, kFan}, kValueAndTime, kHumidityAbove, 85, 0, 40, 60, 5, 5, 0, 85, 0, 0},
      // Dry at 70 °C for 3 h 30 min with the vent open, the humidity falling to 35 %.
      {{kHeater, kFan, kVent}, kByTime, kHumidityBelow, 35, 3, 30, 70, 0, 10, 0, 35, 20, 1},
      // Cool down to 30 °C, for an hour at most.
      {{kFan, kVent}, kValueOrTime, kDryBelow, 30, 1, 0, 30, 0, 20, 1, 40, 0, 0},
  };
  for (const DemoStep& d : steps) program.steps.push_back(makeStep(d));
  return program;
}

}  // namespace

DeviceData factoryConfiguration() {
  DeviceData config;
  config.setName("Новая прошивка");
  config.programs.push_back(demoProgram());
  while (config.programCount() < config.general.programCount()) config.programs.emplace_back();
  return config;
}
