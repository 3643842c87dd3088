// A Value Change Dump of the two I2C lines, "scl" and "sda", as logic
// analyser software reads it: a time scale of 1 us (or 1 ns for buses whose
// half clock is shorter than a microsecond), initial values at time 0, one
// time stamp per change time, and a closing time stamp so a decoder can finish
// the last STOP. Written by the simulated controller and the simulated USB
// adapter, on their thread; times are in the dump's own unit.
//
// The dump goes through SafeFile: it appears under its name at the first
// flush(), which ends every exchange; later flushes append to it. The
// header is written at once, so a target that takes nothing (a full disk)
// is refused before any exchange. A dump that cannot be written later ends
// the trace, never the exchange (an exchange stopped half-way would leave
// the controller holding part of a write): the failure is kept for
// takeFailure(), which the owner asks once the work is done.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class SafeFile;

class VcdTrace {
 public:
  // Checks the target and writes the header. Throws PortError when the file
  // cannot be written there.
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
  // after the last change when that is later) and makes it durable. A
  // failure ends the trace and is kept for takeFailure().
  void flush(uint64_t endTime = 0);
  // Why the dump could not be written ("не удаётся записать "t.vcd": на
  // диске нет места"), once; empty while all is well.
  std::string takeFailure();

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
