// Reads back a Value Change Dump of the two bus lines ("scl" as '!', "sda" as
// '"') the simulated controller writes, and decodes the memory transactions
// in it the way a logic analyser would: START and STOP while the clock is
// high, a bit on every rising clock edge, nine bits per byte. Tests use it to
// see which memory bytes an exchange really read or wrote.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct I2cTransaction {
  bool read = false;  // a read: dummy write of the address, repeated START, 0xA1, data
  uint16_t address = 0;
  std::vector<uint8_t> data;  // the bytes read or written after the address
};

inline std::vector<I2cTransaction> decodeI2cTrace(const std::string& path) {
  std::vector<I2cTransaction> out;
  std::ifstream in(path);
  std::string line;
  bool scl = true, sda = true;
  bool inTransfer = false;
  std::vector<uint8_t> bytes;  // every byte of the current transfer, address bytes and all
  int bits = 0;
  uint8_t shift = 0;
  int restartAt = -1;  // index in `bytes` of the byte after a repeated START

  auto finish = [&]() {
    if (!inTransfer || bytes.size() < 3 || bytes[0] != 0xA0) return;
    I2cTransaction t;
    t.address = static_cast<uint16_t>(bytes[1] << 8 | bytes[2]);
    if (restartAt >= 0 && restartAt < static_cast<int>(bytes.size()) && bytes[restartAt] == 0xA1) {
      t.read = true;
      t.data.assign(bytes.begin() + restartAt + 1, bytes.end());
    } else {
      t.data.assign(bytes.begin() + 3, bytes.end());
    }
    out.push_back(t);
  };

  while (std::getline(in, line)) {
    if (line.size() != 2 || (line[0] != '0' && line[0] != '1')) continue;
    const bool level = line[0] == '1';
    if (line[1] == '!') {
      if (!scl && level && inTransfer) {
        if (bits < 8) shift = static_cast<uint8_t>(shift << 1 | (sda ? 1 : 0));
        if (++bits == 9) {
          bytes.push_back(shift);
          bits = 0;
          shift = 0;
        }
      }
      scl = level;
    } else if (line[1] == '"') {
      if (scl && sda && !level) {  // START or repeated START
        if (inTransfer && !bytes.empty()) {
          restartAt = static_cast<int>(bytes.size());
        } else {
          inTransfer = true;
          bytes.clear();
          restartAt = -1;
        }
        bits = 0;
        shift = 0;
      } else if (scl && !sda && level) {  // STOP
        finish();
        inTransfer = false;
        bytes.clear();
        bits = 0;
      }
      sda = level;
    }
  }
  return out;
}
