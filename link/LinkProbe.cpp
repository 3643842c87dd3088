#include "link/LinkProbe.h"

#include <cstdio>

namespace {

std::string hex(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%03X", value);
  return text;
}

std::string settle(bool followed, int us, int reads) {
  if (!followed) return "не дождалась за " + std::to_string(LineSettle::kMeasureLimitUs) + " мкс";
  return "за " + std::to_string(us) + " мкс (чтений порта: " + std::to_string(reads) + ")";
}

bool tooSlow(const LineSettle& line) { return line.worstUs() > BusTiming::kStandardSampleUs; }

}  // namespace

std::string ProbeReport::verdict() const {
  if (parallel && !line.falls) return "адаптер не подключен";
  if (parallel && !line.rises) return "линия данных всё время низкая: проверьте кабель и питание прибора";
  if (parallel && tooSlow(line)) return timing_texts::tooSlow(line.worstUs());
  if (!memoryAnswers) return "прибор не отвечает: проверьте кабель и питание";
  if (!parallel) return "связь есть";
  if (fast) return "связь есть, быстрая скорость обмена";
  if (fellBack) return "связь есть, стандартная скорость обмена: адаптер медленный";
  return "связь есть, стандартная скорость обмена (выбрана в описании порта)";
}

std::vector<std::string> ProbeReport::details() const {
  std::vector<std::string> lines;
  if (parallel) {
    lines.push_back("порт: " + hex(base));
    lines.push_back("линия данных притягивается " + settle(line.falls, line.fallUs, line.fallReads) +
                    ", освобождается " + settle(line.rises, line.riseUs, line.riseReads));
    if (fast)
      lines.push_back("бит прибора читается через " + std::to_string(sampleWaitUs) + " мкс после такта");
  }
  if (checkedMemory)
    lines.push_back(memoryAnswers ? std::string("память прибора отвечает")
                                  : "память прибора не отвечает" + (failure.empty() ? "" : ": " + failure));
  return lines;
}
