// The command stream of a CH341A in I2C mode, as the engine (Ch341Memory)
// puts it together and the simulated chip (SimulatedCh341) reads it.
//
// A bulk OUT carries 32-byte segments, each on a 32-byte boundary. An I2C
// segment begins with kStream and holds sub-commands; kEnd ends it early
// (the rest of the segment is ignored). No sub-command may run past its
// segment, so a long send or read is cut into several sub-commands, and
// every segment's answer (status and read bytes) stays within one 32-byte
// packet. The chip's unusual ways, which the engine relies on:
//   - kOut with a length of 0 sends exactly one byte and answers one status
//     byte whose bit 7 is clear when the byte was acknowledged; a send of
//     several bytes answers nothing, so nothing shows whether they were
//     acknowledged. Address bytes therefore go alone.
//   - kIn with a length n of 1..32 reads n bytes acknowledging each; with 0 it
//     reads one byte and does not acknowledge it, which is how a read ends.
//   - kWaitMs and kWaitUs pause the bus for up to 15 ms or 15 us.
//
// A plain value, built on the exchange worker.
#pragma once

#include <cstdint>
#include <vector>

namespace ch341 {

inline constexpr int kPacketSize = 32;
inline constexpr uint8_t kStream = 0xAA;
inline constexpr uint8_t kEnd = 0x00;
inline constexpr uint8_t kStart = 0x74;
inline constexpr uint8_t kStop = 0x75;
inline constexpr uint8_t kOut = 0x80;              // | n: n bytes follow (n = 0: one byte, with status)
inline constexpr uint8_t kIn = 0xC0;               // | n: n bytes acknowledged (n = 0: one, not acknowledged)
inline constexpr uint8_t kSetSpeed = 0x60;         // | 0..3: 20, 100, 400, 750 kHz
inline constexpr uint8_t kWaitMs = 0x50;           // | n ms
inline constexpr uint8_t kWaitUs = 0x40;           // | n us
inline constexpr uint8_t kNotAcknowledged = 0x80;  // in a status byte
inline constexpr int kMaxWait = 15;

// The bus speeds the chip knows, by their code in kSetSpeed.
enum class Speed : uint8_t { k20kHz = 0, k100kHz = 1, k400kHz = 2, k750kHz = 3 };
int speedKHz(Speed speed);

}  // namespace ch341

class Ch341Stream {
 public:
  void setSpeed(ch341::Speed speed);
  void start();
  void stop();
  // Sends one byte on its own; its status is the answer byte at the index
  // returned.
  int sendAlone(uint8_t byte);
  // Sends count bytes without looking at their acknowledges.
  void send(const uint8_t* bytes, int count);
  // Reads count (>= 1) bytes, every one acknowledged but the last when
  // `endRead`. Their index in the answer.
  int read(int count, bool endRead);
  // Pauses the bus.
  void waitMs(int ms);

  // The segments to send; every one but the last fills 32 bytes.
  std::vector<uint8_t> bytes() const;
  // How many bytes the chip answers.
  int answerLength() const { return m_answer; }
  bool empty() const { return m_out.empty(); }

 private:
  // Makes room for a sub-command of `size` bytes answering `answer` bytes,
  // beginning a new segment when the current one cannot take it.
  void reserve(int size, int answer);

  std::vector<uint8_t> m_out;
  int m_segmentAnswer = 0;  // answer bytes of the current segment
  int m_answer = 0;
};
