// Choosing and opening a port: the description string, the messages a user
// gets when a port cannot be opened, the base lookup of ppdev devices and
// the placement of ports at the bases detection probes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "link/DirectIoPort.h"
#include "link/I2cDevBus.h"
#include "link/PortDescription.h"
#include "link/PpdevPort.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string openError(const std::string& description, const PortEnvironment& env = {}) {
  try {
    openMemoryAccess(description, env);
  } catch (const PortError& e) {
    return e.what();
  }
  return "(opened)";
}

TEST(PortDescription, ParsesEveryForm) {
  const auto sim = parsePortDescription("sim:/tmp/a,b.bin,trace=/tmp/t.vcd,fault=dropout:12,base=0x278");
  EXPECT_EQ(sim.kind, PortDescription::kSimulator);
  EXPECT_EQ(sim.simulator.imagePath, "/tmp/a,b.bin");
  EXPECT_EQ(sim.simulator.tracePath, "/tmp/t.vcd");
  EXPECT_EQ(sim.simulator.fault.kind, SimulatorFault::kDropout);
  EXPECT_EQ(sim.simulator.fault.dropoutBytes, 12);
  EXPECT_EQ(sim.simulator.base, 0x278);
  EXPECT_EQ(parsePortDescription("sim:x,fault=absent").simulator.fault.kind, SimulatorFault::kAbsent);
  EXPECT_EQ(parsePortDescription("sim:x,fault=stuck-low").simulator.fault.kind, SimulatorFault::kStuckLow);
  EXPECT_EQ(parsePortDescription("sim:x").simulator.base, 0x378);

  const auto pp = parsePortDescription("ppdev:/dev/parport1");
  EXPECT_EQ(pp.kind, PortDescription::kPpdev);
  EXPECT_EQ(pp.devicePath, "/dev/parport1");
  EXPECT_EQ(parsePortDescription("io:0x3BC").ioBase, 0x3BC);
  EXPECT_EQ(parsePortDescription("io:888").ioBase, 0x378);
  EXPECT_EQ(parsePortDescription("auto").kind, PortDescription::kAuto);

  const auto i2c = parsePortDescription("i2c:/dev/i2c-3");
  EXPECT_EQ(i2c.kind, PortDescription::kI2cDev);
  EXPECT_EQ(i2c.devicePath, "/dev/i2c-3");
  EXPECT_EQ(i2c.i2cAddress, 0x50);
  EXPECT_EQ(parsePortDescription("i2c:/dev/i2c-3,addr=0x57").i2cAddress, 0x57);
  const auto i2cSim = parsePortDescription("i2c-sim:/tmp/a,b.bin,addr=0x51,fault=eio:7");
  EXPECT_EQ(i2cSim.kind, PortDescription::kI2cSimulator);
  EXPECT_EQ(i2cSim.i2cSimulator.imagePath, "/tmp/a,b.bin");
  EXPECT_EQ(i2cSim.i2cSimulator.address, 0x51);
  EXPECT_EQ(i2cSim.i2cSimulator.fault.error, EIO);
  EXPECT_EQ(i2cSim.i2cSimulator.fault.atTransfer, 7u);
  EXPECT_EQ(parsePortDescription("i2c-sim:x,fault=absent").i2cSimulator.fault.kind, I2cFault::kAbsent);
  EXPECT_EQ(parsePortDescription("sim:./m=1.bin,trace=/a=b/t.vcd").simulator.imagePath, "./m=1.bin");
  EXPECT_EQ(parsePortDescription("sim:./m=1.bin,trace=/a=b/t.vcd").simulator.tracePath, "/a=b/t.vcd");
}

// The parallel-port forms take the timing; the fast one unless told. The
// simulator also takes its data line's rise time.
TEST(PortDescription, TimingAndRiseTime) {
  const struct {
    const char* text;
    LinkTiming timing;
    const char* path;
  } cases[] = {
      {"auto", LinkTiming::kFast, ""},
      {"auto,timing=standard", LinkTiming::kStandard, ""},
      {"ppdev:/dev/parport0,timing=standard", LinkTiming::kStandard, "/dev/parport0"},
      {"ppdev:/dev/parport0,timing=fast", LinkTiming::kFast, "/dev/parport0"},
      {"io:0x278,timing=standard", LinkTiming::kStandard, ""},
      {"sim:/tmp/a,b.bin,rise=20,timing=standard", LinkTiming::kStandard, "/tmp/a,b.bin"},
      {"sim:/tmp/c.bin,trace=t.vcd,rise=150", LinkTiming::kFast, "/tmp/c.bin"},
  };
  for (const auto& c : cases) {
    const PortDescription d = parsePortDescription(c.text);
    EXPECT_EQ(d.timing, c.timing) << c.text;
    EXPECT_TRUE(d.parallel()) << c.text;
    if (d.kind == PortDescription::kPpdev) {
      EXPECT_EQ(d.devicePath, c.path) << c.text;
    }
    if (d.kind == PortDescription::kSimulator) {
      EXPECT_EQ(d.simulator.imagePath, c.path) << c.text;
    }
  }
  EXPECT_EQ(parsePortDescription("io:0x278,timing=standard").ioBase, 0x278);
  EXPECT_EQ(parsePortDescription("sim:x,rise=20").simulator.riseUs, 20);
  EXPECT_EQ(parsePortDescription("sim:x").simulator.riseUs, 0);
  // What a real adapter costs: a port access, a write cycle, a USB round trip.
  const PortDescription slow = parsePortDescription("sim:x,access=2,cycle=3");
  EXPECT_EQ(slow.simulator.accessUs, 2);
  EXPECT_EQ(slow.simulator.writeCycleUs, 3000);
  EXPECT_EQ(parsePortDescription("sim:x").simulator.accessUs, 1);
  EXPECT_EQ(parsePortDescription("sim:x").simulator.writeCycleUs, 5000);
  const PortDescription usb = parsePortDescription("i2c-sim:x,latency=1000,cycle=4");
  EXPECT_EQ(usb.i2cSimulator.latencyUs, 1000);
  EXPECT_EQ(usb.i2cSimulator.writeCycleUs, 4000);
  EXPECT_EQ(parsePortDescription("i2c-sim:x").i2cSimulator.latencyUs, 0);
}

TEST(PortDescription, RefusesWhatItCannotUseWithAReason) {
  const struct {
    const char* text;
    const char* says;
  } cases[] = {
      {"", "порт не указан"},
      {"lpt1", "неизвестный порт \"lpt1\""},
      {"sim:", "не указан файл образа памяти"},
      {"sim:x,fault=smoke", "неизвестная неисправность \"smoke\""},
      {"sim:x,fault=dropout:-1", "неверное число байтов"},
      {"sim:x,fault=dropout:", "неверное число байтов"},
      {"sim:x,trace=t.vcd,colour=red", "неизвестный параметр симулятора \"colour=red\""},
      {"sim:x,base=0", "неверный адрес порта"},
      {"ppdev:", "не указано устройство"},
      {"io:", "неверный адрес порта"},
      {"io:0x10000", "неверный адрес порта"},
      {"io:378h", "неверный адрес порта"},
      {"io:0170", "неверный адрес порта"},  // no octal
      {"io:0x", "неверный адрес порта"},
      {"sim:x,fault=dropout:010", "неверное число байтов"},
      {"i2c:", "не указано устройство"},
      {"i2c:,addr=0x50", "не указано устройство"},
      {"i2c:/dev/i2c-1,addr=0x78", "неверный адрес I2C"},
      {"i2c:/dev/i2c-1,addr=0x50,fault=absent", "неизвестный параметр адаптера I2C \"fault=absent\""},
      {"i2c-sim:", "не указан файл образа памяти"},
      {"i2c-sim:x,fault=nack:", "неверный номер передачи"},
      {"i2c-sim:x,fault=smoke", "неизвестная неисправность \"smoke\""},
      {"auto,timing=slow", "неизвестная скорость обмена \"slow\""},
      {"autox", "неизвестный порт \"autox\""},
      {"ppdev:/dev/parport0,timing=", "у параметра \"timing=\" нет значения"},
      {"io:0x378,timing=fast,speed=1", "неизвестный параметр порта \"speed=1\""},
      {"sim:x,rise=-5", "неверное время нарастания"},
      {"sim:x,rise=", "у параметра \"rise=\" нет значения"},
      {"sim:x,access=0", "неверное время доступа к порту \"0\""},
      {"sim:x,access=1.5", "неверное время доступа к порту"},
      {"sim:x,cycle=0", "неверное время цикла записи"},
      {"sim:x,cycle=101", "неверное время цикла записи"},
      {"i2c-sim:x,latency=-1", "неверное время передачи через адаптер"},
      {"i2c-sim:x,access=2", "неизвестный параметр адаптера I2C \"access=2\""},
      {"ppdev:/dev/parport0,cycle=3", "неизвестный параметр порта \"cycle=3\""},
      {"i2c:/dev/i2c-1,addr=0x50,timing=fast", "неизвестный параметр адаптера I2C \"timing=fast\""},
      // A word=value part its form does not know is refused, not taken into the path.
      {"sim:m.bin,tarce=t.vcd",
       "параметр симулятора \"tarce=t.vcd\" в \"sim:m.bin,tarce=t.vcd\" (ожидается trace=, fault=, base=, "
       "rise=, access=, cycle=, timing=)"},
      {"i2c-sim:m.bin,adr=0x51",
       "параметр адаптера I2C \"adr=0x51\" в \"i2c-sim:m.bin,adr=0x51\" (ожидается addr=, fault=, latency=, "
       "cycle=)"},
      {"ppdev:/dev/parport0,speed=1",
       "параметр порта \"speed=1\" в \"ppdev:/dev/parport0,speed=1\" (ожидается timing=)"},
      {"auto,rise=20", "неизвестный параметр порта \"rise=20\" в \"auto,rise=20\" (ожидается timing=)"},
      // Options are matched exactly: every one of these made or used a
      // memory file named with the junk, or kept the last value silently.
      {"sim:c1.bin, fault=readonly:1016",
       "лишний пробел в \" fault=readonly:1016\" из \"sim:c1.bin, fault=readonly:1016\" (ожидается trace=, "
       "fault=, base=, rise=, access=, cycle=, timing=)"},
      {"sim:c1.bin,fault=absent ", "лишний пробел в \"fault=absent \""},
      {"sim:c1.bin ", "лишний пробел в \"c1.bin \""},
      {"ppdev:/dev/parport0 ,timing=fast", "лишний пробел в \"/dev/parport0 \""},
      {"sim:c1.bin,Fault=absent", "неизвестный параметр симулятора \"Fault=absent\""},
      {"i2c-sim:c1.bin,ADDR=0x50",
       "неизвестный параметр адаптера I2C \"ADDR=0x50\" в \"i2c-sim:c1.bin,ADDR=0x50\" "
       "(ожидается addr=, fault=, latency=, cycle=)"},
      {"sim:c1.bin,,timing=fast", "пустой параметр в \"sim:c1.bin,,timing=fast\": лишняя запятая"},
      {"sim:c1.bin,timing=fast,", "пустой параметр"},
      {"auto,,timing=fast", "пустой параметр"},
      {"sim:,timing=fast", "не указан файл образа памяти"},
      {"sim:c1.bin,trace=", "у параметра \"trace=\" нет значения в \"sim:c1.bin,trace=\""},
      {"i2c-sim:c1.bin,fault=", "у параметра \"fault=\" нет значения"},
      {"sim:c1.bin,timing=fast,timing=standard", "параметр \"timing=\" указан дважды"},
      {"i2c:/dev/i2c-1,addr=0x50,addr=0x51", "параметр \"addr=\" указан дважды"},
      {"sim:c1.bin,trace=a.vcd,fault=absent,trace=b.vcd", "параметр \"trace=\" указан дважды"},
  };
  for (const auto& c : cases) {
    try {
      parsePortDescription(c.text);
      ADD_FAILURE() << c.text << " was accepted";
    } catch (const PortError& e) {
      EXPECT_TRUE(contains(e.what(), c.says)) << c.text << ": " << e.what();
    }
  }
}

// Backups are matched to the controller by the port they were read through:
// the memory file or device counts, not the options nor how the path is
// spelt.
TEST(PortDescription, SamePortComparesTheControllerReached) {
  const std::string cwd = fs::current_path().string();
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {"sim:c.bin", "sim:" + cwd + "/c.bin,fault=dropout:9,timing=standard", true},
      {"sim:c.bin", "i2c-sim:./c.bin,addr=0x50", true},  // the two simulators share a memory file
      {"sim:c.bin", "sim:d.bin", false},
      {"ppdev:/dev/parport0", "ppdev:/dev/parport0,timing=standard", true},
      {"ppdev:/dev/parport0", "ppdev:/dev/parport1", false},
      {"io:0x378", "io:888", true},
      {"io:0x378", "io:0x278", false},
      {"auto", "auto,timing=standard", true},
      {"auto", "io:0x378", false},
      {"i2c:/dev/i2c-1", "i2c:/dev/i2c-1,addr=0x50", true},
      {"i2c:/dev/i2c-1", "i2c:/dev/i2c-2", false},
      {"nonsense", "nonsense", true},
      {"nonsense", "sim:nonsense", false},
  };
  for (const auto& c : cases) EXPECT_EQ(samePort(c.a, c.b), c.same) << c.a << " / " << c.b;
}

class PortFiles : public testing::Test {
 protected:
  void put(const fs::path& relative, const std::string& text) {
    fs::create_directories((dir / relative).parent_path());
    std::ofstream(dir / relative) << text;
  }
  TempDir temp;
  const fs::path dir = temp.path;
};

TEST_F(PortFiles, PpdevBaseComesFromProc) {
  put("sys/dev/parport/parport0/base-addr", "888\t1912\n");
  put("sys/dev/parport/parport2/base-addr", "garbage\n");
  put("ioports", "0000-0cf7 : PCI Bus 0000:00\n  0278-027a : parport1\n  d010-d017 : parport2\n");
  const std::string proc = dir.string();
  EXPECT_EQ(parportBase("/dev/parport0", proc), 0x378);
  EXPECT_EQ(parportBase("/dev/parport1", proc), 0x278);
  EXPECT_EQ(parportBase("/dev/parport2", proc), 0xD010);
  EXPECT_EQ(parportBase("/dev/parports/1", proc), 0x278);
  EXPECT_EQ(parportBase("/dev/parport7", proc), std::nullopt);
  EXPECT_EQ(parportBase("/dev/null", proc), std::nullopt);
}

TEST(PortAccess, PortsArePresentedWhereDetectionLooks) {
  using B = std::vector<std::optional<uint16_t>>;
  EXPECT_EQ(presentedBases(B{0x278}), (std::vector<uint16_t>{0x278}));
  EXPECT_EQ(presentedBases(B{0xD010}), (std::vector<uint16_t>{0x378}));
  EXPECT_EQ(presentedBases(B{std::nullopt, 0x378}), (std::vector<uint16_t>{0x278, 0x378}));
  EXPECT_EQ(presentedBases(B{0xD010, 0x3BC, 0xE000}), (std::vector<uint16_t>{0x378, 0x3BC, 0x278}));
  EXPECT_THROW(presentedBases(B{1, 2, 3, 4}), std::invalid_argument);
}

// A hardware port whose registers are a map, to see which addresses the
// primitives touch.
class RegisterPort : public HardwarePort {
 public:
  explicit RegisterPort(std::vector<uint16_t> bases) : HardwarePort(std::move(bases)) {}
  std::map<std::pair<std::size_t, int>, uint8_t> registers;
  std::vector<std::pair<std::size_t, int>> writes;

 protected:
  uint8_t readRegister(std::size_t port, int offset) override { return registers[{port, offset}]; }
  void writeRegister(std::size_t port, int offset, uint8_t value) override {
    writes.emplace_back(port, offset);
    registers[{port, offset}] = value;
  }
};

TEST(PortAccess, PrimitivesAddressDataAndStatusOfTheGivenBase) {
  RegisterPort port({0x278, 0x378});
  port.resetLines(0x378);
  EXPECT_EQ(port.portRead(0x378, 0), 0x1C);
  EXPECT_EQ(port.portRead(0x378, 1), 0x3F);
  port.portWrite(0x278, 2, 0x55);  // any nonzero selector is base + 1
  EXPECT_EQ(port.portRead(0x278, 1), 0x55);
  port.portSetBit(0x378, 0, 0);
  port.portClearBit(0x378, 0, 3);
  EXPECT_EQ(port.portRead(0x378, 0), 0x15);
  EXPECT_TRUE(PortBackend::bitTest(0x40, 6));
  EXPECT_FALSE(PortBackend::bitTest(0xBF, 6));
  for (const auto& [p, offset] : port.writes) EXPECT_LE(offset, 1) << "the control register is never written";
  // Nothing attached elsewhere.
  EXPECT_EQ(port.inByte(0x3BC), 0xFF);
  EXPECT_EQ(port.inByte(0x37A), 0xFF);
  port.outByte(0x3BC, 0);
  EXPECT_EQ(port.writes.size(), 5u);
}

TEST(PortAccess, BusyWaitLastsAtLeastItsUnits) {
  RegisterPort port({0x378});
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  port.busyWait(100);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(10));
}

TEST_F(PortFiles, OpeningFailuresSayWhatToDo) {
  EXPECT_TRUE(contains(openError("ppdev:" + (dir / "parport9").string()), "modprobe ppdev"));
  put("notaport", "x");
  EXPECT_TRUE(
      contains(openError("ppdev:" + (dir / "notaport").string()), "не устройство параллельного порта"));

  // Messages for what this machine cannot show (root opens everything).
  EXPECT_TRUE(contains(ppdevErrorMessage("/dev/parport0", EACCES, "open"), "usermod -aG lp"));
  EXPECT_TRUE(contains(ppdevErrorMessage("/dev/parport0", EBUSY, "claim"), "занят"));
  EXPECT_TRUE(contains(ppdevErrorMessage("/dev/parport0", ENXIO, "claim"), "нет параллельного порта"));
  EXPECT_TRUE(contains(directIoErrorMessage(0x378, EPERM), "требует прав root"));
  EXPECT_TRUE(contains(directIoErrorMessage(0x378, EPERM), "ppdev:/dev/parportN"));
  EXPECT_TRUE(contains(directIoErrorMessage(0xD010, EINVAL), "ниже 0x400"));

  EXPECT_TRUE(contains(openError("i2c:" + (dir / "i2c-9").string()), "modprobe i2c-dev"));
  EXPECT_TRUE(contains(openError("i2c:" + (dir / "notaport").string()), "не устройство шины I2C"));
  // A device of another driver (a terminal's 5:0 here) is never sent an I2C request.
  if (::mknod((dir / "i2c-5").c_str(), S_IFCHR | 0600, makedev(5, 0)) == 0) {
    EXPECT_TRUE(
        contains(openError("i2c:" + (dir / "i2c-5").string()),
                 "не устройство шины I2C (i2c-dev): это устройство 5:0, а у шин i2c-dev старший номер 89"));
  }
  EXPECT_THROW(openPort("i2c-sim:" + (dir / "m.bin").string()), PortError);  // not a parallel port
  EXPECT_TRUE(contains(i2cDevErrorMessage("/dev/i2c-1", EACCES), "usermod -aG i2c"));
  EXPECT_TRUE(contains(i2cDevErrorMessage("/dev/i2c-1", 0), "только SMBus"));

  // auto with no ppdev device and direct I/O not allowed.
  PortEnvironment env;
  env.devRoot = dir.string();
  env.procRoot = dir.string();
  env.directIo = false;
  env.usb = false;
  const std::string none = openError("auto", env);
  EXPECT_TRUE(contains(none, "параллельный порт не найден")) << none;
  EXPECT_TRUE(contains(none, "sim:ФАЙЛ")) << none;
  // auto reports a device that exists but cannot be used.
  put("parport0", "x");
  EXPECT_TRUE(contains(openError("auto", env), "не устройство параллельного порта"));
}

TEST_F(PortFiles, I2cAdaptersAreListedWithTheirNamesUsbFirst) {
  put("sys/class/i2c-adapter/i2c-0/name", "i915 gmbus dpb\n");
  put("sys/devices/pci0000:00/usb1/1-2/1-2:1.0/i2c-7/name", "i2c-tiny-usb at bus 001 device 004\n");
  fs::create_directory_symlink(dir / "sys/devices/pci0000:00/usb1/1-2/1-2:1.0/i2c-7",
                               dir / "sys/class/i2c-adapter/i2c-7");
  put("dev/i2c-0", "");
  put("dev/i2c-9", "");  // a node sysfs does not know
  const std::vector<I2cAdapter> list = listI2cAdapters((dir / "dev").string(), (dir / "sys").string());
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].devicePath, (dir / "dev/i2c-7").string());
  EXPECT_EQ(list[0].name, "i2c-tiny-usb at bus 001 device 004");
  EXPECT_TRUE(list[0].usb);
  EXPECT_EQ(list[1].name, "i915 gmbus dpb");
  EXPECT_FALSE(list[1].usb);
  EXPECT_EQ(list[2].devicePath, (dir / "dev/i2c-9").string());
  EXPECT_EQ(list[2].name, "");
}

TEST_F(PortFiles, SimulatorPortOpensAtItsBase) {
  auto port = openPort("sim:" + (dir / "m.bin").string() + ",base=0x3BC");
  EXPECT_EQ(fs::file_size(dir / "m.bin"), 8192u);
  port->resetLines(0x3BC);
  EXPECT_EQ(port->portRead(0x3BC, 0), 0x1C);
  EXPECT_EQ(port->portRead(0x378, 0), 0xFF);
  EXPECT_TRUE(
      contains(openError("sim:" + (dir / "m.bin").string() + ",trace=" + (dir / "no" / "t.vcd").string()),
               "не удаётся записать файл трассы"));
}

}  // namespace
