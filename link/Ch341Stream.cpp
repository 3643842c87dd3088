#include "link/Ch341Stream.h"

#include <algorithm>
#include <stdexcept>

using namespace ch341;

int ch341::speedKHz(Speed speed) {
  static constexpr int kKHz[] = {20, 100, 400, 750};
  return kKHz[static_cast<int>(speed) & 3];
}

void Ch341Stream::reserve(int size, int answer) {
  const int used = static_cast<int>(m_out.size() % kPacketSize);
  const bool fresh = m_out.empty() || used == 0;
  if (!fresh && (used + size > kPacketSize || m_segmentAnswer + answer > kPacketSize)) {
    m_out.resize(m_out.size() + static_cast<std::size_t>(kPacketSize - used), kEnd);
  }
  if (m_out.size() % kPacketSize == 0) {
    m_out.push_back(kStream);
    m_segmentAnswer = 0;
  }
  m_segmentAnswer += answer;
  m_answer += answer;
}

void Ch341Stream::setSpeed(Speed speed) {
  reserve(1, 0);
  m_out.push_back(static_cast<uint8_t>(kSetSpeed | static_cast<uint8_t>(speed)));
}

void Ch341Stream::start() {
  reserve(1, 0);
  m_out.push_back(kStart);
}

void Ch341Stream::stop() {
  reserve(1, 0);
  m_out.push_back(kStop);
}

int Ch341Stream::sendAlone(uint8_t byte) {
  reserve(2, 1);
  m_out.push_back(kOut);
  m_out.push_back(byte);
  return m_answer - 1;
}

void Ch341Stream::send(const uint8_t* bytes, int count) {
  while (count > 0) {
    // Room for the command and at least one byte, else a new segment.
    int room = kPacketSize - static_cast<int>(m_out.size() % kPacketSize);
    if (m_out.size() % kPacketSize == 0 || room < 2) room = kPacketSize - 1;
    const int n = std::min(count, room - 1);
    reserve(1 + n, 0);
    m_out.push_back(static_cast<uint8_t>(kOut | n));
    m_out.insert(m_out.end(), bytes, bytes + n);
    bytes += n;
    count -= n;
  }
}

int Ch341Stream::read(int count, bool endRead) {
  if (count < 1) throw std::invalid_argument("Ch341Stream::read: nothing to read");
  const int first = m_answer;
  int acknowledged = endRead ? count - 1 : count;
  while (acknowledged > 0) {
    // A segment's answer fits one packet: a full read takes a segment of its own.
    int n = std::min(acknowledged, kPacketSize - m_segmentAnswer);
    if (n <= 0 || m_out.size() % kPacketSize == 0) n = std::min(acknowledged, kPacketSize);
    reserve(1, n);
    m_out.push_back(static_cast<uint8_t>(kIn | n));
    acknowledged -= n;
  }
  if (endRead) {
    reserve(1, 1);
    m_out.push_back(kIn);
  }
  return first;
}

void Ch341Stream::waitMs(int ms) {
  while (ms > 0) {
    const int n = std::min(ms, kMaxWait);
    reserve(1, 0);
    m_out.push_back(static_cast<uint8_t>(kWaitMs | n));
    ms -= n;
  }
}

std::vector<uint8_t> Ch341Stream::bytes() const {
  std::vector<uint8_t> out = m_out;
  if (out.size() % kPacketSize != 0) out.push_back(kEnd);
  return out;
}
