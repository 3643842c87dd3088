// The simulated controller on the bus level, driven line by line without the
// bus engine: it must refuse what a real 24C64 refuses, keep its image file
// whole, and trace what happens on the lines.
#include "link/SimulatedController.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "link/I2cDevMemory.h"
#include "link/LinkError.h"
#include "link/LinkFixture.h"
#include "link/PortDescription.h"
#include "support/Decoder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// Bit-bangs the adapter's lines the plain way: clock = data bit 0, data
// bit 1 pulls the data line low, the line is read on status bit 6.
class BusMaster {
 public:
  explicit BusMaster(SimulatedController& sim, uint16_t base = PortBackend::kLpt1)
      : m_sim(sim), m_base(base) {
    set(false, false);
  }

  void start() {
    set(false, true);
    set(true, true);
    set(true, false);
    set(false, false);
  }
  void stop() {
    set(false, false);
    set(true, false);
    set(true, true);
  }
  // True when the memory acknowledged.
  bool write(uint8_t byte) {
    for (int i = 7; i >= 0; --i) clock((byte >> i) & 1);
    return !clock(true);
  }
  uint8_t read(bool ack) {
    uint8_t byte = 0;
    for (int i = 0; i < 8; ++i) byte = static_cast<uint8_t>(byte << 1 | clock(true));
    clock(!ack);
    return byte;
  }
  bool line() { return m_sim.inByte(m_base + 1) & 0x40; }
  // Random read of n bytes at address; empty when a byte was refused.
  std::vector<uint8_t> readAt(uint16_t address, int n) {
    start();
    if (!write(0xA0) || !write(address >> 8) || !write(address & 0xFF)) return {};
    start();
    if (!write(0xA1)) return {};
    std::vector<uint8_t> out;
    for (int i = 0; i < n; ++i) out.push_back(read(i + 1 < n));
    stop();
    return out;
  }
  bool writeAt(uint16_t address, const std::vector<uint8_t>& bytes, bool finish = true) {
    start();
    bool ok = write(0xA0) && write(address >> 8) && write(address & 0xFF);
    for (const uint8_t b : bytes) ok = ok && write(b);
    if (finish) stop();
    return ok;
  }

 private:
  // One clock pulse with the data line released (1) or pulled low (0);
  // returns the line as sampled while the clock is high.
  bool clock(bool bit) {
    set(false, bit);
    set(true, bit);
    const bool sampled = line();
    set(false, bit);
    return sampled;
  }
  void set(bool scl, bool sdaReleased) {
    m_sim.outByte(m_base, static_cast<uint8_t>(0x1C | (scl ? 1 : 0) | (sdaReleased ? 0 : 2)));
  }

  SimulatedController& m_sim;
  uint16_t m_base;
};

TEST(SimulatedController, AnswersOnlyItsOwnDeviceAddress) {
  SimulatedController sim(patternImage());
  BusMaster bus(sim);
  for (const int device : {0xA2, 0xAE, 0x50, 0x00, 0xFF}) {
    bus.start();
    EXPECT_FALSE(bus.write(static_cast<uint8_t>(device))) << std::hex << device;
    bus.stop();
  }
  bus.start();
  EXPECT_TRUE(bus.write(0xA0));
  bus.stop();
  EXPECT_EQ(bus.readAt(0x1234, 2), (std::vector<uint8_t>{sim.memory()[0x1234], sim.memory()[0x1235]}));
}

TEST(SimulatedController, SequentialReadWrapsAndOnlyThirteenAddressBitsCount) {
  SimulatedController sim(patternImage());
  BusMaster bus(sim);
  const auto bytes = bus.readAt(0xFFFE, 4);  // 0x1FFE with the top bits dropped
  const MemoryImage& m = sim.memory();
  EXPECT_EQ(bytes, (std::vector<uint8_t>{m[0x1FFE], m[0x1FFF], m[0], m[1]}));
  // A current-address read goes on where the last one stopped.
  bus.start();
  ASSERT_TRUE(bus.write(0xA1));
  EXPECT_EQ(bus.read(false), m[2]);
  bus.stop();
}

TEST(SimulatedController, PageWriteWrapsWithinItsPageAndNeedsAStop) {
  SimulatedController sim(patternImage());
  const MemoryImage before = sim.memory();
  BusMaster bus(sim);
  // Three bytes from the last byte of page 0x0060: the second and third wrap to the page start.
  ASSERT_TRUE(bus.writeAt(0x007F, {0x11, 0x22, 0x33}));
  EXPECT_TRUE(sim.writeCycleRunning());
  EXPECT_EQ(sim.memory()[0x7F], 0x11);
  EXPECT_EQ(sim.memory()[0x60], 0x22);
  EXPECT_EQ(sim.memory()[0x61], 0x33);
  EXPECT_EQ(sim.memory()[0x80], before[0x80]);

  // During the write cycle nothing is acknowledged, not even the address.
  bus.start();
  EXPECT_FALSE(bus.write(0xA0));
  bus.stop();
  sim.busyWait(50);  // 5 ms
  EXPECT_FALSE(sim.writeCycleRunning());
  EXPECT_EQ(sim.completedWriteCycles(), 1);

  // Data bytes followed by a START instead of a STOP are never written.
  ASSERT_TRUE(bus.writeAt(0x0200, {0xAA, 0xBB}, false));
  bus.start();
  bus.stop();
  EXPECT_EQ(sim.memory()[0x200], before[0x200]);
  EXPECT_FALSE(sim.writeCycleRunning());
  // A dummy write of the address alone writes nothing either.
  ASSERT_TRUE(bus.writeAt(0x0300, {}));
  EXPECT_FALSE(sim.writeCycleRunning());
}

TEST(SimulatedController, OtherBasesHaveNothingAttached) {
  SimulatedController sim(patternImage(), PortBackend::kLpt2);
  BusMaster wrong(sim, PortBackend::kLpt1);
  EXPECT_EQ(sim.inByte(PortBackend::kLpt1 + 1), 0xFF);
  EXPECT_TRUE(wrong.readAt(0, 1).empty());
  BusMaster right(sim, PortBackend::kLpt2);
  EXPECT_EQ(right.readAt(0, 1), std::vector<uint8_t>{sim.memory()[0]});
  // The status register is read-only.
  sim.outByte(PortBackend::kLpt2 + 1, 0x00);
  EXPECT_TRUE(right.line());
}

TEST(SimulatedController, FaultsSilenceOrHoldTheLine) {
  {
    SimulatedController sim(patternImage(), PortBackend::kLpt1, {SimulatorFault::kAbsent});
    BusMaster bus(sim);
    EXPECT_TRUE(bus.readAt(0, 1).empty());
    EXPECT_TRUE(bus.line());
  }
  {
    SimulatedController sim(patternImage(), PortBackend::kLpt1, {SimulatorFault::kStuckLow});
    BusMaster bus(sim);
    EXPECT_FALSE(bus.line());
  }
  {
    // Four bytes: 0xA0, the address, 0xA1; the first data byte is not sent.
    SimulatedController sim(patternImage(), PortBackend::kLpt1, {SimulatorFault::kDropout, 4});
    BusMaster bus(sim);
    EXPECT_EQ(bus.readAt(0, 1), std::vector<uint8_t>{0xFF});
    EXPECT_TRUE(bus.readAt(0, 1).empty());
  }
}

TEST(SimulatedController, VirtualTimeAndLineResets) {
  SimulatedController sim(patternImage());
  sim.inByte(0x378);
  sim.outByte(0x278, 0);
  EXPECT_EQ(sim.virtualTimeUs(), 2u);
  sim.busyWait(3);
  sim.sleep(2);
  EXPECT_EQ(sim.virtualTimeUs(), 2u + 300 + 2000);
  sim.resetLines(0x278);
  sim.sleep(1000);
  sim.resetLines(0x3BC);
  ASSERT_EQ(sim.lineResets().size(), 2u);
  EXPECT_EQ(sim.lineResets()[0].base, 0x278);
  EXPECT_EQ(sim.lineResets()[0].timeUs, 2302u);
  EXPECT_EQ(sim.lineResets()[1].timeUs, 2302u + 2 + 1000000);
  EXPECT_EQ(sim.inByte(0x378), 0x00) << "resets of other bases leave this port alone";
  sim.resetLines(0x378);
  EXPECT_EQ(sim.inByte(0x378), 0x1C);
}

class SimulatorFiles : public testing::Test {
 protected:
  TempDir temp;
  const fs::path dir = temp.path;
};

// The port options reach the simulators: a port access costs access= us, a
// stored page keeps the memory deaf for cycle= ms, and an I2C transfer
// costs latency= us more than its bits on the bus.
TEST_F(SimulatorFiles, OptionsSetWhatTheAdapterAndTheMemoryCost) {
  const struct {
    const char* options;
    uint64_t accessUs, cycleUs, latencyUs;
  } cases[] = {{"", 1, 5000, 0}, {",access=2,cycle=3", 2, 3000, 0}, {",latency=1000,cycle=4", 0, 4000, 1000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const bool parallel = c.accessUs > 0;
    const std::string port =
        std::string(parallel ? "sim:" : "i2c-sim:") + (dir / "m.bin").string() + c.options;
    std::unique_ptr<MemoryAccess> memory = openMemoryAccess(port);
    uint64_t stored = 0, answered = 0;
    if (parallel) {
      auto& sim = dynamic_cast<SimulatedController&>(*memory->parallelPort());
      BusMaster bus(sim);
      const uint64_t before = sim.virtualTimeUs();
      bus.line();
      EXPECT_EQ(sim.virtualTimeUs() - before, c.accessUs);
      ASSERT_TRUE(bus.writeAt(64, {0x5A}));
      stored = sim.virtualTimeUs();
      while (!bus.writeAt(0, {})) sim.busyWaitUs(10);
      answered = sim.virtualTimeUs();
    } else {
      auto& i2c = dynamic_cast<I2cDevMemory&>(*memory);
      auto& adapter = dynamic_cast<SimulatedI2cAdapter&>(i2c.bus());
      uint8_t bytes[3] = {0, 64, 0x5A};
      I2cMessage write{0x50, 0, 3, bytes};
      uint64_t before = adapter.nowUs();
      ASSERT_EQ(adapter.transfer(&write, 1), 0);
      EXPECT_EQ(adapter.nowUs() - before, c.latencyUs + 10 * (1 + 9 * 4 + 1));
      stored = adapter.nowUs() - c.latencyUs / 2 - c.latencyUs % 2;  // at the STOP
      I2cMessage poll{0x50, 0, 0, bytes};
      while (adapter.transfer(&poll, 1) != 0) {
      }
      answered = adapter.nowUs() - c.latencyUs / 2;
    }
    EXPECT_GE(answered - stored, c.cycleUs);
    EXPECT_LT(answered - stored, c.cycleUs + 1200);
  }
}

TEST_F(SimulatorFiles, MissingImageIsCreatedFactoryNewAndWritesLandInIt) {
  const fs::path image = dir / "deep" / "er" / "memory.bin";
  {
    SimulatorOptions options;
    options.imagePath = image.string();
    SimulatedController sim(options);
    const MemoryImage factory = factoryImage();
    EXPECT_EQ(readFile(image), std::string(factory.begin(), factory.end()));
    BusMaster bus(sim);
    ASSERT_TRUE(bus.writeAt(0x1000, {1, 2, 3}));
    EXPECT_EQ(readFile(image)[0x1000], static_cast<char>(factory[0x1000]))
        << "saved once the cycle completes";
    sim.busyWait(50);
    EXPECT_EQ(readFile(image).substr(0x1000, 3), std::string("\1\2\3"));
    ASSERT_TRUE(bus.writeAt(0x1FFF, {9}));  // the cycle is still running when the port closes
  }
  const std::string saved = readFile(image);
  ASSERT_EQ(saved.size(), 8192u);
  EXPECT_EQ(saved[0x1FFF], 9);

  // An existing image is used as it is.
  SimulatorOptions options;
  options.imagePath = image.string();
  SimulatedController again(options);
  EXPECT_EQ(again.memory()[0x1001], 2);
}

// A trace written over the memory file would turn the memory into a trace.
TEST_F(SimulatorFiles, TheTraceIsNeverTheMemoryFile) {
  const fs::path image = dir / "m.bin";
  fs::create_symlink(image, dir / "link.vcd");
  const MemoryImage factory = factoryImage();
  for (const fs::path& trace : {image, dir / "link.vcd"}) {
    SimulatorOptions options;
    options.imagePath = image.string();
    options.tracePath = trace.string();
    try {
      SimulatedController sim(options);
      ADD_FAILURE() << trace;
    } catch (const PortError& e) {
      EXPECT_NE(std::string(e.what()).find("это файл памяти симулятора"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(image), std::string(factory.begin(), factory.end()));
  }
}

TEST_F(SimulatorFiles, ImageOfAnotherSizeIsRefusedAndLeftAlone) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{8191}, std::size_t{8193}}) {
    const fs::path image = dir / ("short" + std::to_string(size));
    std::ofstream(image, std::ios::binary) << std::string(size, 'x');
    SimulatorOptions options;
    options.imagePath = image.string();
    try {
      SimulatedController sim(options);
      FAIL() << size;
    } catch (const PortError& e) {
      EXPECT_NE(std::string(e.what()).find("байтов в файле " + std::to_string(size)), std::string::npos) << e.what();
    }
    EXPECT_EQ(fs::file_size(image), size);
  }
  SimulatorOptions options;
  options.imagePath = dir.string();
  EXPECT_THROW(SimulatedController{options}, PortError);
}

// The trace holds the levels at time 0 and every change after it, on one
// time stamp per moment, and closes with a time stamp past the last change.
TEST_F(SimulatorFiles, TraceRecordsTheLinesAsValueChanges) {
  const fs::path trace = dir / "bus.vcd";
  {
    SimulatorOptions options;
    options.tracePath = trace.string();
    SimulatedController sim(options);
    BusMaster bus(sim);
    bus.readAt(0x1FAA, 2);
  }
  std::istringstream in(readFile(trace));
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(in, line)) lines.push_back(line);
  ASSERT_GT(lines.size(), 100u);
  EXPECT_EQ(lines[0], "$timescale 1 us $end");
  EXPECT_EQ(lines[2], "$var wire 1 ! scl $end");
  EXPECT_EQ(lines[3], "$var wire 1 \" sda $end");
  EXPECT_EQ(lines[5], "$enddefinitions $end");
  EXPECT_EQ(lines[6], "#0");
  EXPECT_EQ(lines[7], "0!");
  EXPECT_EQ(lines[8], "1\"");
  long last = 0;
  int starts = 0;
  bool scl = false, sda = true;
  for (std::size_t i = 9; i < lines.size(); ++i) {
    if (lines[i][0] == '#') {
      const long t = std::stol(lines[i].substr(1));
      EXPECT_GT(t, last) << "line " << i;
      last = t;
      continue;
    }
    const bool v = lines[i][0] == '1';
    if (lines[i][1] == '!') {
      scl = v;
    } else {
      if (scl && sda && !v) ++starts;
      sda = v;
    }
  }
  EXPECT_EQ(starts, 2);  // START and the repeated START
  EXPECT_EQ(lines.back()[0], '#');
}

// When sigrok-cli is installed, the trace must decode as I2C traffic of a
// 24xx memory.
TEST_F(SimulatorFiles, TraceDecodesWithSigrok) {
  TKV88_NEED_DECODER();
  const fs::path trace = dir / "bus.vcd";
  {
    SimulatorOptions options;
    options.tracePath = trace.string();
    MemoryImage image = patternImage();
    SimulatedController sim(options);
    sim.memory() = image;
    BusMaster bus(sim);
    bus.readAt(0x1FAA, 2);
    bus.writeAt(0x0064, {0xA5});
    sim.busyWait(50);
  }
  const fs::path out = dir / "decoded.txt";
  const std::string command = "sigrok-cli -i '" + trace.string() +
                              "' -P i2c:scl=scl:sda=sda -A i2c=addr-data > '" + out.string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << readFile(out);
  const std::string decoded = readFile(out);
  const MemoryImage image = patternImage();
  char expected[64];
  std::snprintf(expected, sizeof expected, "Data read: %02X", image[0x1FAA]);
  for (const std::string& text :
       {std::string("Address write: 50"), std::string("Data write: 1F"), std::string("Data write: AA"),
        std::string("Address read: 50"), std::string(expected), std::string("Data write: 64"),
        std::string("Data write: A5")})
    EXPECT_NE(decoded.find(text), std::string::npos) << text << "\n" << decoded;
}

}  // namespace
