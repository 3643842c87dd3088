// A Value Change Dump of the two I2C lines, "scl" and "sda", as logic
// analyser software reads it: 1 us time scale, initial values at time 0, one
// time stamp per change time, and a closing time stamp so a decoder can finish
// the last STOP. Written by the simulated controller, on its thread.
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
  VcdTrace(const std::string& path, bool scl, bool sda);
  // Puts out what is left, when nothing failed; a failure here has nobody to
  // tell, so the owner flushes after its last exchange.
  ~VcdTrace();
  VcdTrace(const VcdTrace&) = delete;
  VcdTrace& operator=(const VcdTrace&) = delete;

  // The levels as they are at timeUs; only what changed is written.
  void record(uint64_t timeUs, bool scl, bool sda);
  // Writes everything so far with a closing time stamp and makes it
  // durable. Throws LinkError naming the file and the
  // reason when the dump could not be written, once.
  void flush();

 private:
  void stamp(uint64_t timeUs);
  void writeBuffer();

  std::unique_ptr<SafeFile> m_file;
  std::string m_buffer;
  std::string m_failure;  // why the dump is lost (UTF-8); empty while all is well
  bool m_reported = false;
  uint64_t m_lastTime = 0;
  bool m_scl;
  bool m_sda;
};
