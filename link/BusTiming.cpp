#include "link/BusTiming.h"

#include <algorithm>
#include <cstdio>

#include "link/DeviceLink.h"

namespace {

constexpr int kDataRegister = 0;
constexpr int kStatusRegister = 1;
constexpr int kClockBit = 0;
constexpr int kDataPullBit = 1;
constexpr int kDataInBit = 6;
constexpr int kMeasurements = 4;

// Counts status reads until the data line reads `high`, from the moment the
// master changed it; false when it has not within the limit.
bool follow(DeviceLink& link, bool high, int& us, int& reads) {
  PortBackend& port = link.port();
  const uint64_t start = port.clockUs();
  for (int n = 1;; ++n) {
    const bool level = PortBackend::bitTest(link.portRead(kStatusRegister), kDataInBit);
    const auto elapsed = static_cast<int>(port.clockUs() - start);
    if (level == high) {
      // A read that sees the level at once still took its access time.
      us = std::max({us, elapsed, 1});
      reads = std::max(reads, n);
      return true;
    }
    if (elapsed >= LineSettle::kMeasureLimitUs) return false;
  }
}

}  // namespace

BusTiming BusTiming::standard(const LineSettle* line) {
  BusTiming t;
  if (line) {
    const BusTiming m = measured(*line);
    t.settleWaitUs = m.settleWaitUs;
    t.pollStepUs = m.pollStepUs;
  }
  return t;
}

BusTiming BusTiming::measured(const LineSettle& line) {
  BusTiming t;
  t.fast = true;
  const int settle = std::max(line.worstUs(), 1);
  const int wait = std::min(kSettleMultiple * settle, kDataValidUs + kSlowSettleMultiple * settle);
  t.sampleWaitUs = std::clamp(wait, kDataValidUs, kStandardSampleUs);
  t.settleWaitUs = t.sampleWaitUs;
  // A handful of looks per wait at most, so a slow line costs no more
  // port accesses than a quick one.
  t.pollStepUs = settle;
  t.accessUs = line.accessUs;
  return t;
}

BusTiming BusTiming::checking(const LineSettle& line) {
  BusTiming t = measured(line);
  t.sampleWaitUs = t.settleWaitUs = kStandardSampleUs;
  return t;
}

LineSettle measureDataLine(DeviceLink& link) {
  LineSettle s;
  s.rises = s.falls = true;
  PortBackend& port = link.port();
  s.accessUs = LineSettle::kMeasureLimitUs;
  for (int i = 0; i < kMeasurements; ++i) {
    const uint64_t start = port.clockUs();
    link.portRead(kStatusRegister);
    s.accessUs = std::min(s.accessUs, static_cast<int>(port.clockUs() - start));
  }
  link.portClearBit(kDataRegister, kClockBit);
  for (int i = 0; i < kMeasurements && s.responds(); ++i) {
    link.portSetBit(kDataRegister, kDataPullBit);
    s.falls = follow(link, false, s.fallUs, s.fallReads);
    link.portClearBit(kDataRegister, kDataPullBit);
    s.rises = follow(link, true, s.riseUs, s.riseReads);
  }
  return s;
}

namespace timing_texts {

std::string tooSlow(int settleUs) {
  return "адаптер слишком медленный: линия данных устанавливается " + std::to_string(settleUs) + " мкс";
}

std::string fellBack() { return "адаптер медленный: стандартная скорость обмена"; }

std::string mendedPages(const std::vector<uint32_t>& pages) {
  std::string list;
  for (const uint32_t page : pages) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(page));
    list += (list.empty() ? "" : ", ") + std::string(text);
  }
  return pages.size() == 1
             ? "страница " + list + " записана заново в стандартной скорости обмена и проверена"
             : "страницы " + list + " записаны заново в стандартной скорости обмена и проверены";
}

}  // namespace timing_texts
