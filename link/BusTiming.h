// How the bit-banged bus is timed. The slow edge of the adapter is the data
// line rising through its pull-up once it is released (by the master or by
// the memory): about a microsecond on a short cable, tens of microseconds
// through long cables or opto-couplers. Two timings exist:
//
//   standard  the protocol's fixed waits: every received bit is sampled
//             200 us after its clock edge, every written byte is its own
//             transaction followed by a 10 ms wait for the write cycle
//   fast      waits measured on the adapter: a received bit is taken for
//             a 0 once the line has had three times its settle time, or
//             the memory's data-valid time and twice the settle time when
//             that is shorter (never more than the standard 200 us); reads
//             are sequential, pages are written whole and the write cycle
//             is polled
//
// measureDataLine finds the settle time: it pulls the data line low and
// releases it with the clock low (nothing a memory takes for a bit, a START
// or a STOP) and counts status reads until the line follows, several times,
// keeping the worst, and times a few status reads for the shortest port
// access. Every wait is on the PortBackend's clock, so on the simulated
// controller the figures are virtual microseconds.
//
// Exchange worker thread, like the rest of the bus engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class DeviceLink;

enum class LinkTiming { kFast, kStandard };

// The data line's settle times as measured: the worst of several releases
// (rise) and pulls (fall), in microseconds of the backend's clock and in
// status reads. A line that did not follow within kMeasureLimitUs has
// rises (falls) false.
struct LineSettle {
  static constexpr int kMeasureLimitUs = 2000;
  bool rises = false;
  bool falls = false;
  int riseUs = 0, fallUs = 0;
  int riseReads = 0, fallReads = 0;
  // The shortest port access seen, in microseconds of the backend's clock.
  int accessUs = 0;

  bool responds() const { return rises && falls; }
  int worstUs() const { return riseUs > fallUs ? riseUs : fallUs; }
};

struct BusTiming {
  // The standard wait before a received bit is sampled, and the most any
  // timing waits for it.
  static constexpr int kStandardSampleUs = 200;
  // Fast timing: the shortest clock low and high times (the memory's
  // standard-mode minimums are 4.7 and 4.0 us; with the clock's edges they
  // make the 10 us period of a 100 kHz bus) and the earliest look at a bit
  // the memory drives (its data is valid at most 3.5 us after the clock
  // falls).
  static constexpr int kMinLowUs = 5;
  static constexpr int kMinHighUs = 5;
  static constexpr int kDataValidUs = 4;
  // A 0 is decided after this many settle times, or after the data-valid
  // time and kSlowSettleMultiple settle times when that is shorter (a slow
  // line: its rise dominates, twice it is margin enough).
  static constexpr int kSettleMultiple = 3;
  static constexpr int kSlowSettleMultiple = 2;

  bool fast = false;
  // After a falling clock edge, a bit the memory drives is decided by then
  // at the latest (fast timing; the standard one waits 200 us in each half).
  int sampleWaitUs = kStandardSampleUs;
  // Both timings, once the line is measured (0 before): a line the master
  // releases gets up to this long to read high before the clock rises (a
  // START, a 1 sent; otherwise the memory would take a 0, or take the
  // clocks that wait for a free line as bits), and an acknowledge is
  // sampled this long after its clock fell at the latest.
  int settleWaitUs = 0;
  // The line's settle time as the engine uses it: the pause between two
  // looks at a line that has not settled yet, and how long after its release
  // a line is first looked at for a bit the memory drives.
  int pollStepUs = 1;
  // Fast timing: the shortest port access, which the waits before an edge
  // or a sample may overlap (a port access takes effect as it ends).
  int accessUs = 0;

  // The protocol's own waits; with a measured line, also the settle waits.
  static BusTiming standard(const LineSettle* line = nullptr);
  // Waits measured on a line that settles in `line.worstUs()`.
  static BusTiming measured(const LineSettle& line);
  // The fast timing with every wait at the standard 200 us: what the
  // measured waits are checked against.
  static BusTiming checking(const LineSettle& line);
};

// Measures the data line of the port at link.lptBase; leaves the clock low
// and the data line released, as the idle lines are.
LineSettle measureDataLine(DeviceLink& link);

// Texts about the adapter (UTF-8).
namespace timing_texts {
// "адаптер слишком медленный: линия данных устанавливается N мкс"
std::string tooSlow(int settleUs);
// "адаптер медленный: стандартная скорость обмена"
std::string fellBack();
// Which pages a fast write had to store again in the standard timing:
// "страница 0x0040 записана заново в стандартной скорости обмена и проверена".
std::string mendedPages(const std::vector<uint32_t>& pages);
}  // namespace timing_texts
