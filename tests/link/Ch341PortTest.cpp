// The CH341A's port forms: what ch341: and ch341-sim: descriptions mean,
// what they refuse and why, and that auto goes on to a CH341A after the
// parallel ports.
#include <gtest/gtest.h>

#include "link/PortDescription.h"
#include "support/TempDir.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(Ch341Port, ParsesTheAdapterItsSpeedAndTheSimulatorsOptions) {
  const struct {
    const char* text;
    Ch341Selector::Kind which;
    int index, bus, address;
    ch341::Speed speed;
  } cases[] = {
      {"ch341:", Ch341Selector::kFirst, 0, 0, 0, ch341::Speed::k100kHz},
      {"ch341:1", Ch341Selector::kIndex, 1, 0, 0, ch341::Speed::k100kHz},
      {"ch341:3-7,speed=400", Ch341Selector::kBusAddress, 0, 3, 7, ch341::Speed::k400kHz},
      {"ch341:,speed=20", Ch341Selector::kFirst, 0, 0, 0, ch341::Speed::k20kHz},
      {"ch341:0,speed=750", Ch341Selector::kIndex, 0, 0, 0, ch341::Speed::k750kHz},
  };
  for (const auto& c : cases) {
    const PortDescription d = parsePortDescription(c.text);
    EXPECT_EQ(d.kind, PortDescription::kCh341) << c.text;
    EXPECT_FALSE(d.parallel()) << c.text;
    EXPECT_EQ(d.ch341.kind, c.which) << c.text;
    EXPECT_EQ(d.ch341.index, c.index) << c.text;
    EXPECT_EQ(d.ch341.bus, c.bus) << c.text;
    EXPECT_EQ(d.ch341.address, c.address) << c.text;
    EXPECT_EQ(d.ch341Speed, c.speed) << c.text;
  }
  const PortDescription sim =
      parsePortDescription("ch341-sim:/tmp/a,b.bin,speed=400,fault=unplug:12,trace=/tmp/t.vcd");
  EXPECT_EQ(sim.kind, PortDescription::kCh341Simulator);
  EXPECT_EQ(sim.ch341Simulator.imagePath, "/tmp/a,b.bin");
  EXPECT_EQ(sim.ch341Simulator.tracePath, "/tmp/t.vcd");
  EXPECT_EQ(sim.ch341Simulator.fault.kind, Ch341Fault::kUnplug);
  EXPECT_EQ(sim.ch341Simulator.fault.transfer, 12u);
  EXPECT_EQ(sim.ch341Speed, ch341::Speed::k400kHz);
  EXPECT_EQ(parsePortDescription("ch341-sim:x,fault=nack:0x1FAA").ch341Simulator.fault.address, 0x1FAA);
  EXPECT_EQ(parsePortDescription("ch341-sim:x,fault=absent").ch341Simulator.fault.kind, Ch341Fault::kAbsent);
}

TEST(Ch341Port, RefusesWhatItCannotUseWithAReason) {
  const struct {
    const char* text;
    const char* says;
  } cases[] = {
      {"ch341:first", "неверный адаптер \"first\""},
      {"ch341:3-", "неверный адаптер \"3-\""},
      {"ch341:1-200", "неверный адаптер \"1-200\""},
      {"ch341:,speed=200", "неизвестная скорость шины \"200\""},
      {"ch341:,speed=", "у параметра \"speed=\" нет значения"},
      {"ch341:,fault=absent", "неизвестный параметр адаптера CH341A \"fault=absent\""},
      {"ch341:,timing=fast", "(ожидается speed=)"},
      {"ch341-sim:", "не указан файл образа памяти: укажите ch341-sim:ФАЙЛ"},
      {"ch341-sim:x,fault=unplug:", "неизвестная неисправность \"unplug:\""},
      {"ch341-sim:x,fault=nack:8192", "неизвестная неисправность \"nack:8192\""},
      {"ch341-sim:x,addr=0x50", "(ожидается speed=, fault=, trace=, cycle=)"},
  };
  for (const auto& c : cases) {
    try {
      parsePortDescription(c.text);
      ADD_FAILURE() << c.text << " was accepted";
    } catch (const PortError& e) {
      EXPECT_TRUE(contains(e.what(), c.says)) << c.text << ": " << e.what();
    }
  }
  EXPECT_THROW(openPort("ch341-sim:x"), PortError);  // not a parallel port
}

// With no parallel port to use, auto looks for a CH341A and names both.
TEST(Ch341Port, AutoTriesTheUsbProgrammerAfterTheParallelPorts) {
  if (!listCh341Adapters(false).empty()) GTEST_SKIP() << "a CH341A is plugged in here";
  TempDir dir;
  PortEnvironment env{dir.path.string(), dir.path.string(), false, true};
  try {
    openMemoryAccess("auto", env);
    ADD_FAILURE() << "auto opened a port";
  } catch (const PortError& e) {
    EXPECT_TRUE(contains(e.what(), "параллельный порт не найден")) << e.what();
    EXPECT_TRUE(contains(e.what(), "адаптер CH341A не найден")) << e.what();
  }
  env.usb = false;
  try {
    openMemoryAccess("auto", env);
  } catch (const PortError& e) {
    EXPECT_FALSE(contains(e.what(), "CH341A")) << e.what();
  }
}

}  // namespace
