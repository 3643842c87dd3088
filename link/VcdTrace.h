// A Value Change Dump of the two I2C lines, "scl" and "sda", as logic
// analyser software reads it: 1 us time scale, initial values at time 0, one
// time stamp per change time, and a closing time stamp so a decoder can finish
// the last STOP. Written by the simulated controller, on its thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class VcdTrace {
 public:
  // Creates (or truncates) the file and writes the header and the initial
  // levels. Throws PortError when the file cannot be written.
  VcdTrace(const std::string& path, bool scl, bool sda);
  // Closes the dump with a time stamp one microsecond after the last change.
  ~VcdTrace();
  VcdTrace(const VcdTrace&) = delete;
  VcdTrace& operator=(const VcdTrace&) = delete;

  // The levels as they are at timeUs; only what changed is written.
  void record(uint64_t timeUs, bool scl, bool sda);

 private:
  std::FILE* m_file = nullptr;
  uint64_t m_lastTime = 0;
  bool m_scl;
  bool m_sda;
};
