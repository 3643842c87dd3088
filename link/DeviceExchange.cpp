#include "link/DeviceExchange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "link/MemoryAccess.h"
#include "model/FormatText.h"

namespace {

constexpr int kL1ProgressRange = 1050;
constexpr int kL2ProgressRange = 67;
constexpr int kHeaderPhaseShare = 50;  // the bar's share of the header pass of a read

bool abortRequested(DeviceLink& link) { return link.abortRequested.load(std::memory_order_relaxed); }

void setProgress(DeviceLink& link, int32_t value) {
  link.progressCounter.store(value, std::memory_order_relaxed);
}

// The L2 area in its three bus blocks: offsets from byte 8106 and lengths.
struct L2Block {
  int offset;
  int length;
};
L2Block l2Block(int i) {
  const int offset = i * kL2BlockBytes;
  return {offset, std::min(kL2BlockBytes, kL2Size - offset)};
}

// One line for the error box: the first reason the
// configuration does not fit, or empty when it does.
std::string overflowText(const DeviceData& config) {
  const int programs = config.general.programCount();
  const int steps = config.general.stepsPerProgram();
  if (config.programCount() > programs)
    return formatText(
        "Конфигурация не помещается в память прибора: программ %d, разбиение памяти O10 = %d допускает %d",
        config.programCount(), config.general.partition(), programs);
  int n = 0;
  for (const Program& p : config.programs) {
    ++n;
    if (p.stepCount() <= steps) continue;
    return formatText(
        "Конфигурация не помещается в память прибора: в программе №%d шагов %d, разбиение памяти допускает "
        "%d",
        n, p.stepCount(), steps);
  }
  return {};
}

void refuseOverflow(const DeviceData& config) {
  if (fitsPartition(config)) return;
  throw LinkError(kErrorDoesNotFit, overflowText(config));
}

}  // namespace

const std::string& exchangeCaption(ExchangeMode mode) {
  static const std::string captions[] = {
      "L1: чтение",     "L2: чтение",       "L1: запись",     "L2: запись",
      "Чтение прибора", "Запись изменений", "Проверка связи",
  };
  return captions[static_cast<int>(mode)];
}

int exchangeProgressRange(ExchangeMode mode) {
  switch (mode) {
    case ExchangeMode::ReadL1:
    case ExchangeMode::WriteL1:
      return kL1ProgressRange;
    case ExchangeMode::ReadL2:
    case ExchangeMode::WriteL2:
      return kL2ProgressRange;
    case ExchangeMode::ReadSnapshot:
      return kSnapshotProgressRange;
    case ExchangeMode::WriteChanged:
      return kChangedProgressRange;
    case ExchangeMode::Probe:
      return 0;
  }
  return kL2ProgressRange;
}

bool exchangeCanAbort(ExchangeMode mode) { return mode != ExchangeMode::Probe; }

bool exchangeWrites(ExchangeMode mode) {
  return mode == ExchangeMode::WriteL1 || mode == ExchangeMode::WriteL2 || mode == ExchangeMode::WriteChanged;
}

// ---- Worker operations --------------------------------------------------------

void readL2(DeviceLink& link, DeviceData& config) {
  setProgress(link, 0);
  uint8_t bytes[kL2BufferSize] = {};
  if (abortRequested(link)) return;
  readMemory(link, bytes, L2_BASE, 0, kL2Size);
  // A memory gone silent in the last block left 0xFF there, not data.
  confirmAnswering(link, L2_BASE);
  decodeGeneral(bytes, config.general);
}

void SlotProgress::advance(DeviceLink& link) {
  accumulator += increment;
  setProgress(link, static_cast<int32_t>(accumulator));
}

void readL1(DeviceLink& link, DeviceData& config) {
  const int programs = config.general.programCount();
  const int stepsAllowed = config.general.stepsPerProgram();
  setProgress(link, 0);
  // The headers first, to know the steps; then the steps, each program's
  // in one sequential run.
  DeviceSnapshot read;
  if (!readUnknown(link, read, headerExtent(programs), 0, kHeaderPhaseShare, true)) return;
  if (!readUnknown(link, read, slotExtent(programs, stepsAllowed, read.bytes), kHeaderPhaseShare,
                   kL1ProgressRange, true))
    return;
  // A memory gone silent in the last run left 0xFF there, not data.
  confirmAnswering(link, 0);
  config.programs = readPrograms(read.bytes, programs, stepsAllowed);
  // The bar ends full with the read, also when there were no steps to count.
  setProgress(link, kL1ProgressRange);
}

void writeProgramSlot(DeviceLink& link, int programCount, int n, const EncodedProgram& program,
                      SlotProgress& progress) {
  const int32_t h = programBit(programCount, n);
  writeBits(link, program.header.bytes, static_cast<uint32_t>(h / 8), h % 8, kHeaderRecordBytes);
  progress.advance(link);
  // In address order: each record rewrites the bits its predecessor cleared
  // after its end.
  for (int s = 0; s < static_cast<int>(program.steps.size()); ++s) {
    const int32_t position = stepBit(programCount, n, s);
    writeBits(link, program.steps[s].bytes, static_cast<uint32_t>(position / 8), position % 8,
              kStepRecordBytes);
    progress.advance(link);
  }
}

void writeL2(DeviceLink& link, const DeviceData& config, FieldAdjustments* adjusted) {
  refuseOverflow(config);
  setProgress(link, 0);
  const L2Image l2 = encodeGeneral(config.general, adjusted);
  for (int i = 0; i < kL2Blocks; ++i) {
    const L2Block b = l2Block(i);
    writeMasked(link, l2.data + b.offset, l2.mask + b.offset, L2_BASE + b.offset, b.length);
  }
}

void writeL1(DeviceLink& link, const DeviceData& config, FieldAdjustments* adjusted) {
  refuseOverflow(config);
  const int programs = config.general.programCount();
  setProgress(link, 0);
  int total = 0;
  for (const Program& p : config.programs) total += p.stepCount();
  SlotProgress progress;
  if (total + programs > 0) progress.increment = static_cast<double>(kL1ProgressRange) / (total + programs);

  int n = 0;
  for (const Program& p : config.programs) {
    writeProgramSlot(link, programs, n, encodeProgram(p, adjusted, n), progress);
    ++n;
  }
  const EncodedProgram empty;  // so the slot reads back as a program with no steps
  for (; n < programs; ++n) writeProgramSlot(link, programs, n, empty, progress);
  // The sum of the increments can fall a hair short of the range.
  setProgress(link, kL1ProgressRange);
}

void runExchangeOperation(DeviceLink& link, DeviceData& config, ExchangeMode mode, FieldAdjustments* adjusted,
                          SnapshotWork* work) {
  const bool needsSnapshot = mode == ExchangeMode::ReadSnapshot || mode == ExchangeMode::WriteChanged;
  if (needsSnapshot && (!work || !work->snapshot))
    throw std::invalid_argument("the exchange needs a memory snapshot");
  if (mode == ExchangeMode::Probe && !work)
    throw std::invalid_argument("the check needs a place for its report");
  switch (mode) {
    case ExchangeMode::Probe:
      // The check asks afresh: a memory that answered an earlier exchange
      // and is silent now has not "answered and fallen silent" here.
      link.awaitingFirstAnswer.store(true);
      work->probe = link.memory().probe(link);
      return;
    case ExchangeMode::ReadSnapshot:
      readSnapshot(link, *work->snapshot);
      if (!abortRequested(link)) config = work->snapshot->configuration();
      return;
    case ExchangeMode::WriteChanged:
      refuseOverflow(config);
      return writeChangedBytes(link, config, *work->snapshot, work->changed);
    case ExchangeMode::ReadL1:
      return readL1(link, config);
    case ExchangeMode::ReadL2:
      return readL2(link, config);
    case ExchangeMode::WriteL1:
      return writeL1(link, config, adjusted);
    case ExchangeMode::WriteL2:
      return writeL2(link, config, adjusted);
  }
}

// ---- The runner ------------------------------------------------------------------

DeviceExchange::DeviceExchange(DeviceLink& link, DeviceData& config, ExchangeMode mode,
                               DeviceSnapshot* snapshot)
    : m_link(link), m_config(config), m_mode(mode) {
  m_work.snapshot = snapshot;
}

DeviceExchange::~DeviceExchange() {
  if (!m_thread.joinable()) return;
  if (exchangeCanAbort(m_mode)) abort();
  m_thread.join();
}

void DeviceExchange::start() {
  if (m_thread.joinable() || m_finished.load()) return;
  m_link.abortRequested = false;
  setProgress(m_link, 0);  // the bar must not show the previous exchange's end
  m_thread = std::thread(&DeviceExchange::runWorker, this);
}

void DeviceExchange::abort() {
  if (!exchangeCanAbort(m_mode)) return;
  m_aborted = true;
  m_link.abortRequested = true;
}

void DeviceExchange::wait() {
  if (m_thread.joinable()) m_thread.join();
}

int DeviceExchange::run() {
  start();
  wait();
  return result();
}

std::optional<LinkError> DeviceExchange::takeError() {
  if (m_errorTaken || !m_hasError.load(std::memory_order_acquire)) return std::nullopt;
  m_errorTaken = true;
  return m_error;
}

int DeviceExchange::result() const {
  // A write stopped says so by its error; one that was done when the stop came is done.
  const bool aborted = m_aborted.load() && !exchangeWrites(m_mode);
  return aborted || m_hasError.load(std::memory_order_acquire) ? kFailed : kDone;
}

int DeviceExchange::runWorker(DeviceExchange* exchange) {
  if (!exchange) return 1;
  DeviceLink& link = exchange->m_link;
  // Nothing may escape the thread: the first failure becomes the error record.
  auto guarded = [exchange](const auto& step) {
    auto fail = [exchange](const LinkError& error) {
      if (exchange->m_hasError.load()) return;
      exchange->m_error = error;
      exchange->m_hasError.store(true, std::memory_order_release);
    };
    try {
      step();
    } catch (const LinkError& e) {
      fail(e);
    } catch (const std::exception& e) {
      fail(LinkError(kErrorPort, e.what()));
    } catch (...) {
      fail(LinkError(kErrorPort, "Неизвестная ошибка обмена с прибором"));
    }
  };
  guarded([&] {
    if (exchange->m_mode != ExchangeMode::Probe) link.memory().begin(link);
    runExchangeOperation(link, exchange->m_config, exchange->m_mode, &exchange->m_adjusted,
                         &exchange->m_work);
  });
  // Also after a failure: the lines go idle, and bytes an engine still holds are stored.
  guarded([&] { link.memory().end(link); });
  exchange->m_finished.store(true, std::memory_order_release);
  return 0;
}
