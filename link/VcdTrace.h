// A Value Change Dump of the two I2C lines, "scl" and "sda", as logic
// analyser software reads it: a time scale of 1 us (or 1 ns for buses whose
// half clock is shorter than a microsecond), initial values at time 0, one
// time stamp per change time, and a closing time stamp so a decoder can finish
// the last STOP. Written by the simulated controller and the simulated USB
// adapter, on their thread; times are in the dump's own unit.
//
// The dump goes through SafeFile: it appears under its name at the first
// flush(), which ends every exchange; later flushes append to it. A dump
// that cannot be written (a full disk) is reported by the next flush(),
// never dropped in silence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class SafeFile;

class VcdTrace {
 public:
  // Checks the target and writes the header and the initial levels. Throws
  // PortError when the file cannot be written there.
  enum class Unit { kMicrosecond, kNanosecond };
  VcdTrace(const std::string& path, bool scl, bool sda, Unit unit = Unit::kMicrosecond);
  // Puts out what is left, when nothing failed; a failure here has nobody to
  // tell, so the owner flushes after its last exchange.
  ~VcdTrace();
  VcdTrace(const VcdTrace&) = delete;
  VcdTrace& operator=(const VcdTrace&) = delete;

  // The levels as they are at time (in the dump's unit); only what changed
  // is written.
  void record(uint64_t time, bool scl, bool sda);
  // Writes everything so far with a closing time stamp (endTime, or just
  // after the last change when that is later) and makes it durable. Throws
  // LinkError naming the file and the reason when the dump could not be
  // written, once.
  void flush(uint64_t endTime = 0);

 private:
  void stamp(uint64_t time);
  void writeBuffer();

  std::unique_ptr<SafeFile> m_file;
  std::string m_buffer;
  std::string m_failure;  // why the dump is lost (UTF-8); empty while all is well
  bool m_reported = false;
  uint64_t m_lastTime = 0;
  bool m_scl;
  bool m_sda;
};
