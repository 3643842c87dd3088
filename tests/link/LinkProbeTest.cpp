// The link check ("Проверка связи…", tkv88ctl probe) on the simulated
// adapters: one verdict a technologist can act on for each way the link can
// be, and nothing written to the memory.
#include <gtest/gtest.h>

#include "link/DeviceExchange.h"
#include "link/I2cDevMemory.h"
#include "link/LinkProbe.h"
#include "link/SimulatedController.h"
#include "link/SimulatedI2cAdapter.h"

namespace {

struct Case {
  const char* what;
  SimulatorFault fault;
  int rise = 0;
  LinkTiming timing = LinkTiming::kFast;
  uint16_t base = PortBackend::kLpt1;  // where the controller answers
  const char* verdict;
  bool works;
};

// Runs the check as the GUI does, on the exchange worker.
ProbeReport probe(DeviceLink& link) {
  DeviceData none;
  DeviceExchange exchange(link, none, ExchangeMode::Probe);
  EXPECT_EQ(exchange.run(), DeviceExchange::kDone);
  EXPECT_FALSE(exchange.takeError());
  return exchange.probe();
}

}  // namespace

TEST(LinkProbe, SaysWhatIsWrongAndWritesNothing) {
  const Case cases[] = {
      {"quick adapter",
       {},
       0,
       LinkTiming::kFast,
       PortBackend::kLpt1,
       "связь есть, быстрая скорость обмена",
       true},
      {"standard asked",
       {},
       20,
       LinkTiming::kStandard,
       PortBackend::kLpt1,
       "связь есть, стандартная скорость обмена (выбрана в описании порта)",
       true},
      {"no memory",
       {SimulatorFault::kAbsent},
       0,
       LinkTiming::kFast,
       PortBackend::kLpt1,
       "прибор не отвечает: проверьте кабель и питание",
       false},
      {"no adapter", {}, 0, LinkTiming::kFast, 0x200, "адаптер не подключен", false},
      {"line held low",
       {SimulatorFault::kStuckLow},
       0,
       LinkTiming::kFast,
       PortBackend::kLpt1,
       "линия данных всё время низкая: проверьте кабель и питание прибора",
       false},
      {"slow line",
       {},
       250,
       LinkTiming::kFast,
       PortBackend::kLpt1,
       "адаптер слишком медленный: линия данных устанавливается 250 мкс",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto port = std::make_unique<SimulatedController>(factoryImage(), c.base, c.fault);
    port->setRiseTime(c.rise);
    SimulatedController* sim = port.get();
    DeviceLink link(std::move(port), c.timing);
    const ProbeReport report = probe(link);
    EXPECT_EQ(report.verdict(), c.verdict);
    EXPECT_EQ(report.linkWorks(), c.works);
    ASSERT_FALSE(report.details().empty());
    EXPECT_EQ(report.details().front(), "порт: 0x378");
    EXPECT_EQ(sim->memory(), factoryImage());
    EXPECT_EQ(sim->completedWriteCycles(), 0);
  }

  auto adapter = std::make_unique<SimulatedI2cAdapter>(factoryImage());
  DeviceLink i2c(std::make_unique<I2cDevMemory>(std::move(adapter)));
  const ProbeReport report = probe(i2c);
  EXPECT_EQ(report.verdict(), "связь есть");
  EXPECT_EQ(report.details(), std::vector<std::string>{"память прибора отвечает"});
}

// The fast check tells the settle times it measured and the wait it chose.
TEST(LinkProbe, DetailsNameTheSettleTimesAndTheWait) {
  auto port = std::make_unique<SimulatedController>(factoryImage());
  port->setRiseTime(20);
  DeviceLink link(std::move(port));
  link.lptBase = PortBackend::kLpt1;
  const ProbeReport report = probe(link);
  EXPECT_EQ(
      report.details(),
      (std::vector<std::string>{
          "порт: 0x378",
          "линия данных притягивается за 1 мкс (чтений порта: 1), освобождается за 20 мкс (чтений порта: 20)",
          "бит прибора читается через 44 мкс после такта", "память прибора отвечает"}));
}
