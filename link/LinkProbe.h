// The link check behind "Проверка связи…" and `tkv88ctl probe`: whether the
// adapter's lines respond, how long its data line takes to settle, whether
// the memory answers, and the timing an exchange would use. Each memory
// engine fills the report (MemoryAccess::probe); nothing is written to the
// memory. The report's texts are for a technologist: what is wrong and
// what to do, UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/BusTiming.h"
#include "link/LinkError.h"

struct ProbeReport {
  bool parallel = false;  // a parallel-port adapter: its lines were measured
  uint16_t base = 0;      // its port base
  LineSettle line;        // parallel only
  bool checkedMemory = false;
  bool memoryAnswers = false;
  std::string failure;         // why the memory did not answer (UTF-8), when it did not
  bool fellSilent = false;     // it answered, then stopped (a loose contact), rather than never
  std::string adapter;         // a USB adapter: what it is, its chip and speed (UTF-8)
  std::string adapterFailure;  // why the USB adapter failed (UTF-8), when it did
  bool fast = false;           // an exchange would use the fast timing
  bool fellBack = false;       // the fast reads differed from the standard ones
  int sampleWaitUs = 0;        // the fast timing's wait for a received bit

  // One line a technologist can act on: "адаптер не подключен", "прибор не
  // отвечает: проверьте кабель и питание", "связь есть, быстрая скорость
  // обмена"...
  std::string verdict() const;
  // What was found, a line each: the port, the settle times, the memory.
  std::vector<std::string> details() const;
  // True when an exchange can run.
  bool linkWorks() const { return memoryAnswers; }
  // The memory's failure: its text, and whether it had answered before.
  void memoryFailed(const LinkError& error);
};
