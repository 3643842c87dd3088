// Bit fields in byte buffers, the convention of the controller's memory:
// bit position p is bit (p mod 8) of byte p div 8, bit 0 the least
// significant. Used by the bus engine's offset reads and record writes and by
// the memory image. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>

// The n bits (n <= 32) from position p, bit i of the result being buffer bit
// p + i. Unsigned: sign extension is the parameter cell's business.
inline uint32_t extractBits(const uint8_t* buffer, int32_t p, int32_t n) {
  uint32_t value = 0;
  for (int32_t i = 0; i < n && i < 32; ++i) {
    const int32_t bit = p + i;
    if (buffer[bit >> 3] & (1u << (bit & 7))) value |= 1u << i;
  }
  return value;
}

// Sets or clears buffer bits p .. p + n - 1 from bits 0 .. n - 1 of value;
// every other bit is left alone.
inline void insertBits(uint32_t value, uint8_t* buffer, int32_t p, int32_t n) {
  for (int32_t i = 0; i < n && i < 32; ++i) {
    const int32_t bit = p + i;
    const uint8_t mask = static_cast<uint8_t>(1u << (bit & 7));
    if (value & (1u << i))
      buffer[bit >> 3] |= mask;
    else
      buffer[bit >> 3] &= static_cast<uint8_t>(~mask);
  }
}
