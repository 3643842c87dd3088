#include "link/LinkProbe.h"

#include <cstdio>

namespace {

std::string hex(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%03X", value);
  return text;
}

// "притягивается за 1 мкс (чтений порта: 1)", or "не притягивается за 2000 мкс".
std::string settle(const char* verb, bool followed, int us, int reads) {
  if (!followed)
    return std::string("не ") + verb + " за " + std::to_string(LineSettle::kMeasureLimitUs) + " мкс";
  return verb + (" за " + std::to_string(us) + " мкс (чтений порта: " + std::to_string(reads) + ")");
}

bool tooSlow(const LineSettle& line) { return line.worstUs() > BusTiming::kStandardSampleUs; }

}  // namespace

std::string ProbeReport::verdict() const {
  if (parallel && !line.falls) return "адаптер не подключен";
  if (!adapterFailure.empty()) return adapterFailure;
  if (parallel && !line.rises) return "линия данных всё время низкая: проверьте кабель и питание прибора";
  if (parallel && tooSlow(line)) return timing_texts::tooSlow(line.worstUs());
  if (!memoryAnswers && fellSilent)
    return "прибор ответил и замолчал: проверьте разъём и кабель, контакт пропадает";
  if (!memoryAnswers) return "прибор не отвечает: проверьте кабель и питание";
  if (!parallel) return "связь есть";
  if (fast) return "связь есть, быстрая скорость обмена";
  if (fellBack) return "связь есть, стандартная скорость обмена: адаптер медленный";
  return "связь есть, стандартная скорость обмена (выбрана в описании порта)";
}

void ProbeReport::memoryFailed(const LinkError& error) {
  failure = error.text();
  // Only the bus's plain words mean a missing answer; with a reason added
  // (a USB or driver error) the adapter failed, not the contact.
  fellSilent = error.errorCode == LinkError::kLinkBroken && error.text() == link_texts::linkBroken();
}

std::vector<std::string> ProbeReport::details() const {
  std::vector<std::string> lines;
  if (!adapter.empty()) lines.push_back("адаптер: " + adapter);
  if (parallel) {
    lines.push_back("порт: " + hex(base));
    lines.push_back("линия данных " + settle("притягивается", line.falls, line.fallUs, line.fallReads) +
                    ", " + settle("освобождается", line.rises, line.riseUs, line.riseReads));
    if (fast)
      lines.push_back("бит прибора читается через " + std::to_string(sampleWaitUs) + " мкс после такта");
  }
  if (checkedMemory && memoryAnswers) lines.push_back("память прибора отвечает");
  // The bus's own words, unless they only say the same.
  if (checkedMemory && !memoryAnswers && fellSilent) lines.push_back("память прибора ответила и замолчала");
  if (checkedMemory && !memoryAnswers && !fellSilent)
    lines.push_back("память прибора не отвечает" +
                    (failure.empty() || failure == "Прибор не отвечает" ? "" : " (" + failure + ")"));
  return lines;
}
