// The bytes of one 32-byte memory page that an engine holds for the next
// write to extend, so consecutive writes inside a page go to the memory as
// one page write (one write cycle) instead of one per write. The program
// slots' records share their boundary bytes, so a run of records costs one
// write cycle per page. A page once stored waits here to be read back with
// the pages after it, in one sequential read, instead of a read of its own
// after every write cycle. Used by the engines that write pages (i2c-dev,
// and the parallel-port adapter in fast timing); owned by the engine, on
// its thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

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
  // The longest read-back: a write is not aborted nor drawn byte by byte,
  // so its read-back may run long.
  static constexpr int kReadBackRun = 1024;

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

  // A run the engine has stored, to be read back.
  void stored(const PageRun& run) { m_stored.push_back(run); }
  bool readBackDone() const { return m_stored.empty(); }

  // Reads back the runs stored since the last call, in sequential reads of
  // up to maxRead bytes (runs that follow each other share one): `read(dst,
  // address, length)`, then `check(run, found)` for each run with the bytes
  // found. The runs are given up whatever happens: a failure reports them.
  template <typename Read, typename Check>
  void readBack(int maxRead, Read read, Check check) {
    std::vector<PageRun> runs;
    runs.swap(m_stored);
    std::vector<uint8_t> found;
    for (std::size_t i = 0; i < runs.size();) {
      std::size_t end = i + 1;
      int length = runs[i].count;
      while (end < runs.size() && runs[end].start == runs[end - 1].start + runs[end - 1].count &&
             length + runs[end].count <= maxRead)
        length += runs[end++].count;
      found.resize(static_cast<std::size_t>(length));
      read(found.data(), runs[i].start, length);
      for (int offset = 0; i < end; offset += runs[i++].count) check(runs[i], found.data() + offset);
    }
  }

 private:
  bool joins(uint16_t at) const {
    return !empty() && at / kPageSize == m_run.start / kPageSize && at >= m_run.start &&
           at <= m_run.start + m_run.count;
  }

  PageRun m_run;
  std::vector<PageRun> m_stored;
};
