// The device exchanges: moving a whole configuration between a DeviceData and
// the controller's memory, one exchange at a time (model/ExchangeMode.h
// lists them). ReadL2 reads the general parameters (L2), ReadL1 the programs
// (L1, laid out by the O10 just read), WriteL2 writes L2 masked, WriteL1
// every program slot. Two more serve the changed write (link/ChangedWrite.h):
// ReadSnapshot reads the controller's configuration as raw bytes into a
// snapshot (and decodes it into the configuration), WriteChanged writes the
// configuration's changes against that snapshot and verifies them. Probe
// checks the link and writes nothing (MemoryAccess::probe).
//
// The worker operations (ReadL1 ... WriteL2) run on the exchange worker
// thread and throw LinkError on a bus failure. DeviceExchange is the runner the
// user interface drives: it starts one worker on a std::thread, and the
// caller polls progress(), takeError() and finished() (the GUI's progress
// dialog on its 100 ms timer, tkv88ctl while it draws its bar) and may
// abort() a read. The configuration belongs to the worker from start() until
// finished() is true; the caller must not touch it in between. The progress
// counter and abort flag are the DeviceLink's atomics; the error record is
// published with release/acquire ordering before the worker says it ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "link/ChangedWrite.h"
#include "link/DeviceLink.h"
#include "link/LinkError.h"
#include "link/MemoryImage.h"
#include "model/DeviceData.h"
#include "model/ExchangeMode.h"

// "L1: чтение", "L2: чтение", "L1: запись", "L2: запись", "Чтение прибора",
// "Запись изменений", "Проверка связи".
const std::string& exchangeCaption(ExchangeMode mode);
// The progress bar's range: 0..1050 for L1, 0..67 for L2, 0..1050 for the
// snapshot, 0..1000 for the changed write; 0 for the check, whose length
// is not known beforehand (a busy bar).
int exchangeProgressRange(ExchangeMode mode);
// Every exchange but the check can be stopped: a read quietly at its next
// check, a write after the page in flight with LinkError kErrorStopped.
bool exchangeCanAbort(ExchangeMode mode);
// WriteL1, WriteL2 and WriteChanged.
bool exchangeWrites(ExchangeMode mode);

// Error codes of the exchange itself, next to the bus's 1 and 2.
inline constexpr int32_t kErrorDoesNotFit = 3;  // refused before anything was written
inline constexpr int32_t kErrorPort = 4;        // the port itself failed (PortError, anything unexpected)

// L2 is written in blocks of 32, 32 and 22 bytes from byte 8106.
inline constexpr int kL2Blocks = 3;

// ---- Worker operations (exchange worker thread) ------------------------------

// Reads L2 into config.general; on an abort returns before decoding anything.
void readL2(DeviceLink& link, DeviceData& config);
// Reads every slot of config's partition into config.programs: the headers,
// then each program's steps in one sequential run; on an abort returns
// leaving config.programs alone. The counter follows the read's own phases
// only (the headers up to 50, then the steps up to 1050, 1050 at the end),
// never the bytes of its reads, so the bar moves steadily and is full
// exactly when the read ends.
void readL1(DeviceLink& link, DeviceData& config);
// Writes L2 masked: bits that belong to no parameter keep the controller's.
// Values are saturated to their fields (listed in `adjusted` when given).
void writeL2(DeviceLink& link, const DeviceData& config, FieldAdjustments* adjusted = nullptr);
// Writes every program slot of the partition, slots without a program with a
// zero header. Values saturated as in WriteL2.
void writeL1(DeviceLink& link, const DeviceData& config, FieldAdjustments* adjusted = nullptr);
// Both writes first refuse (LinkError kErrorDoesNotFit, nothing written) a
// configuration with more programs or steps than its partition allows.

// What the snapshot modes and the check work on besides the configuration.
struct SnapshotWork {
  DeviceSnapshot* snapshot = nullptr;  // ReadSnapshot fills it, WriteChanged writes against it
  ChangedWriteResult changed;          // WriteChanged: what it did
  ProbeReport probe;                   // Probe: what it found
};

// The operation of a mode: ReadL1, ReadL2, WriteL1, writeL2 (the writes
// list saturated values in `adjusted` when given), readSnapshot (then the
// configuration decoded from it, unless aborted) or writeChangedBytes (both need
// work.snapshot; std::invalid_argument without), Probe (needs work). Neither
// the engine's begin nor its end; the check begins the engine itself.
void runExchangeOperation(DeviceLink& link, DeviceData& config, ExchangeMode mode,
                          FieldAdjustments* adjusted = nullptr, SnapshotWork* work = nullptr);

// The L1 progress between slots: the worker's own, the bar sees the counter.
struct SlotProgress {
  double accumulator = 0;
  double increment = 0;
  void advance(DeviceLink& link);
};

// Writes slot n's header and then its steps, advancing the progress after each.
void writeProgramSlot(DeviceLink& link, int programCount, int n, const EncodedProgram& program,
                      SlotProgress& progress);

// ---- The runner ------------------------------------------------------------

class DeviceExchange {
 public:
  static constexpr int kDone = 1;    // the exchange finished
  static constexpr int kFailed = 2;  // it failed or was aborted

  // Neither is owned; both must outlive the exchange, and so must the
  // snapshot that ReadSnapshot and WriteChanged need.
  DeviceExchange(DeviceLink& link, DeviceData& config, ExchangeMode mode, DeviceSnapshot* snapshot = nullptr);
  // Waits for the worker (a read is asked to abort first).
  ~DeviceExchange();
  DeviceExchange(const DeviceExchange&) = delete;
  DeviceExchange& operator=(const DeviceExchange&) = delete;

  // Clears the abort flag and starts the worker. Once only.
  void start();
  // A read stops at its next check and the result becomes kFailed, without
  // an error; a write stops after the page in flight with the error
  // kErrorStopped (or ends as it would have, when it was done by then).
  void abort();

  bool finished() const { return m_finished.load(std::memory_order_acquire); }
  // Blocks until the worker has ended.
  void wait();
  // start() and wait(); the result.
  int run();

  ExchangeMode mode() const { return m_mode; }
  int progress() const { return m_link.progressCounter.load(std::memory_order_relaxed); }
  int progressRange() const { return exchangeProgressRange(m_mode); }
  // The worker's error, handed out once; nothing before it is published.
  std::optional<LinkError> takeError();
  // kDone or kFailed; final once finished() is true.
  int result() const;
  // Values written saturated; complete once finished() is true.
  const FieldAdjustments& adjusted() const { return m_adjusted; }
  // What WriteChanged did; complete once finished() is true.
  const ChangedWriteResult& changed() const { return m_work.changed; }
  // What Probe found; complete once finished() is true.
  const ProbeReport& probe() const { return m_work.probe; }

  // The worker's body: the engine's begin (port detection on first use;
  // the check does it itself), the operation, the engine's end (the lines
  // back to idle). Returns 1 for a null argument, else 0.
  static int runWorker(DeviceExchange* exchange);

 private:
  DeviceLink& m_link;
  DeviceData& m_config;
  ExchangeMode m_mode;
  std::thread m_thread;
  FieldAdjustments m_adjusted;
  SnapshotWork m_work;

  LinkError m_error;                    // written by the worker before m_hasError
  std::atomic<bool> m_hasError{false};  // published with release
  bool m_errorTaken = false;            // caller's side only
  std::atomic<bool> m_aborted{false};
  std::atomic<bool> m_finished{false};
};
