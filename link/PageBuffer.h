// The bytes of one 32-byte memory page that an engine holds for the next
// write to extend, so consecutive writes inside a page go to the memory as
// one page write (one write cycle) instead of one per write. The program
// slots' records share their boundary bytes, so a run of records costs one
// write cycle per page. Used by the engines that write pages (i2c-dev, and
// the parallel-port adapter in fast timing); owned by the engine, on its
// thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

struct PageRun {
  static constexpr int kPageSize = 32;
  uint16_t start = 0;  // the first byte's address (13 bits)
  int count = 0;       // bytes from start, all inside start's page
  uint8_t bytes[kPageSize] = {};
};

class PageBuffer {
 public:
  static constexpr int kPageSize = PageRun::kPageSize;
  static constexpr uint16_t kAddressMask = 0x1FFF;  // the memory's 13 address bits

  bool empty() const { return m_run.count == 0; }

  // Holds count bytes from address on, page by page: a piece that neither
  // continues nor overlaps the held run inside its page first has the held
  // run stored by `store` (which takes it with take()). `held(n)` is called
  // for every piece of n bytes once it is held.
  template <typename Store, typename Held>
  void hold(const uint8_t* src, uint32_t address, int count, Store store, Held held) {
    for (int done = 0; done < count;) {
      const auto at = static_cast<uint16_t>((address + static_cast<uint32_t>(done)) & kAddressMask);
      const int n = std::min(count - done, kPageSize - at % kPageSize);
      if (!joins(at)) {
        if (!empty()) store();
        m_run.start = at;
        m_run.count = 0;
      }
      const int offset = at - m_run.start;
      std::memcpy(m_run.bytes + offset, src + done, static_cast<std::size_t>(n));
      m_run.count = std::max(m_run.count, offset + n);
      held(n);
      done += n;
    }
  }

  // The value of a held byte at address; false when none is held there.
  bool heldByte(uint32_t address, uint8_t& value) const {
    const int index = static_cast<int>((address & kAddressMask) - m_run.start);
    if (empty() || index < 0 || index >= m_run.count) return false;
    value = m_run.bytes[index];
    return true;
  }

  // The held run, leaving none held.
  PageRun take() {
    const PageRun run = m_run;
    m_run.count = 0;
    return run;
  }

 private:
  bool joins(uint16_t at) const {
    return !empty() && at / kPageSize == m_run.start / kPageSize && at >= m_run.start &&
           at <= m_run.start + m_run.count;
  }

  PageRun m_run;
};
