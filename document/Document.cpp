#include "document/Document.h"

#include <cstdio>
#include <algorithm>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>
#include <utility>

#include "document/ConfigFile.h"
#include "document/LevelMask.h"
#include "document/WriteCheck.h"
#include "model/FormatText.h"

namespace {

// The document's own texts.
struct Texts {
  std::string newDocument = "Новая прошивка";
  std::string readDocument = "Считанная прошивка";
  std::string warning = "Предупреждение";
};

const Texts& texts() {
  static const Texts t;
  return t;
}

// A group takes its fresh defaults in place (assigned cell by cell, so its
// cells keep their observer); a regulator keeps its index.
template <typename Group>
void makeDefault(Group& group) {
  group = Group();
}
void makeDefault(PidRegulator& pid) {
  const int32_t index = pid.index;
  pid = PidRegulator(index);
  pid.index = index;
}

// The document's title for a file: its name.
std::string fileTitle(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Document::Document(DocumentHost* host) : m_host(host) {}

Document::~Document() = default;

// ---- Document life ---------------------------------------------------------

bool Document::newDocument() {
  m_selection.reset();
  m_currentProgram = nullptr;
  m_currentStep = nullptr;
  if (!m_deviceData) m_deviceData = std::make_unique<DeviceData>();
  DeviceData& d = *m_deviceData;
  d.setName(texts().newDocument);
  if (levelMask & kLevelL2) {
    GeneralParameters& g = d.general;
    makeDefault(g.keys);
    makeDefault(g.corrections);
    makeDefault(g.filters);
    makeDefault(g.base);
    makeDefault(g.pid[0]);
    makeDefault(g.pid[1]);
  }
  if (levelMask & kLevelL1) {
    d.programs.clear();
    d.programs.resize(static_cast<std::size_t>(d.general.programCount()));
  }
  m_pathName.clear();
  setTitle(texts().newDocument);
  announce({DocumentChange::Kind::Configuration});
  rememberUnmodified();
  resetHistory();
  m_madeNew = true;
  return true;
}

std::vector<configfile::FileNote> Document::openFile(const std::string& path) {
  return loadFile(path, path, fileTitle(path));
}

std::vector<configfile::FileNote> Document::openCopy(const std::string& path, std::string_view title) {
  return loadFile(path, {}, title);
}

std::vector<configfile::FileNote> Document::loadFile(const std::string& path, const std::string& pathName,
                                                     std::string_view title) {
  // Read everything first: a file that cannot be read changes nothing.
  const std::string bytes = configfile::readFile(path);
  std::unique_ptr<DeviceData> data;
  configfile::ReadReport report;
  try {
    data = configfile::read(bytes, &report);
  } catch (const configfile::FormatError& e) {
    throw configfile::FileError(configfile::FileError::Direction::Read, path, e.what());
  }
  // Such a file would load as an empty configuration, and a save would then
  // replace whatever it really is (a picture, a memory image opened by mistake).
  if (report.recognisedLines == 0)
    throw configfile::FileError(configfile::FileError::Direction::Read, path,
                                "это не файл конфигурации ТКВ88: ни одна его строка не распознана");
  m_pathName = pathName;
  setTitle(title);
  takeLoaded(std::move(data));
  return std::move(report.notes);
}

void Document::saveFile(const std::string& path) {
  // What is saved must be a state the history can come back to.
  closeUndoStep();
  const std::string bytes = text();
  configfile::writeFile(path, bytes);
  m_pathName = path;
  setTitle(fileTitle(path));
  // The states that share this one's file now carry its name, and the one
  // saved is the state that counts as unmodified.
  m_unmodifiedText = std::make_shared<const std::string>(bytes);
  m_forcedModified = false;
  m_history.setIdentity(m_title, m_pathName, m_unmodifiedText);
  m_madeNew = false;
  historyChanged();
}

void Document::loadText(std::string_view bytes) { takeLoaded(configfile::read(bytes)); }

void Document::takeLoaded(std::unique_ptr<DeviceData> data) {
  replaceConfiguration(std::move(data));
  // After the values are in, so loading itself never asks; a configuration
  // beyond its partition stays as it is until the user changes O10.
  if (!m_deviceData->programs.empty()) m_currentProgram = &m_deviceData->programs.front();
  rememberUnmodified();
  resetHistory();
  m_madeNew = false;
}

std::string Document::text() const { return m_deviceData ? configfile::write(*m_deviceData) : std::string(); }

void Document::closeDocument() {
  m_currentProgram = nullptr;
  m_currentStep = nullptr;
  m_deviceData.reset();
  announce({DocumentChange::Kind::Configuration});
  m_pathName.clear();
  rememberUnmodified();
  resetHistory();
  m_madeNew = false;
}

void Document::replaceConfiguration(std::unique_ptr<DeviceData> data) {
  // The selection and the current pointers refer to the old objects.
  m_selection.reset();
  m_currentProgram = nullptr;
  m_currentStep = nullptr;
  m_deviceData = std::move(data);
  announce({DocumentChange::Kind::Configuration});
}

void Document::setTitle(std::string_view title) {
  m_title = title;
  if (m_host) m_host->titleChanged();
}

bool Document::fromDevice() const { return m_title == texts().readDocument; }

bool Document::isModified() const { return m_forcedModified || text() != *m_unmodifiedText; }

void Document::setModified(bool modified) {
  if (modified) {
    m_forcedModified = true;
  } else {
    closeUndoStep();
    rememberUnmodified();
    m_history.setIdentity(m_title, m_pathName, m_unmodifiedText);
  }
  historyChanged();
}

void Document::rememberUnmodified() {
  m_unmodifiedText = std::make_shared<const std::string>(text());
  m_forcedModified = false;
}

// ---- Views -----------------------------------------------------------------

void Document::addObserver(DocumentObserver* observer) {
  if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
    m_observers.push_back(observer);
}

void Document::removeObserver(DocumentObserver* observer) { std::erase(m_observers, observer); }

void Document::announce(const DocumentChange& change) {
  using Kind = DocumentChange::Kind;
  // Nobody is told of a change while the selection names what it removed.
  const bool content = change.kind == Kind::Values || change.kind == Kind::Steps ||
                       change.kind == Kind::Programs || change.kind == Kind::Configuration;
  if (content) {
    observeNewCells(change);
    settleSelection(change.kind == Kind::Steps ? change.program : nullptr);
  }
  if (change.kind == Kind::Selection) m_selectionMoved = false;
  tell(change);
  if (content) tellSelection();
}

void Document::observeNewCells(const DocumentChange& change) {
  using Kind = DocumentChange::Kind;
  if (!m_deviceData) return;
  if (change.kind == Kind::Steps) {
    if (Program* program = m_deviceData->programAt(m_deviceData->programIndexOf(change.program)))
      program->setChangeObserver(&m_recorder);
  } else if (change.kind != Kind::Values) {
    m_deviceData->setChangeObserver(&m_recorder);
  }
}

void Document::tell(const DocumentChange& change) {
  // An observer may come or go while it is told.
  const std::vector<DocumentObserver*> observers = m_observers;
  for (DocumentObserver* o : observers)
    if (std::find(m_observers.begin(), m_observers.end(), o) != m_observers.end()) o->documentChanged(change);
}

void Document::tellSelection() {
  if (m_selectionMoved) announce({DocumentChange::Kind::Selection});
}

std::optional<NavigationItem> Document::itemOf(GroupRef group) const {
  const ChangePlace place = placeOf(group);
  switch (place.kind) {
    case NavigationKind::None:
      return std::nullopt;
    case NavigationKind::Step:
      return NavigationItem{place.kind, place.program + 1, place.index + 1, group};
    case NavigationKind::Comparator:
      return NavigationItem{place.kind, place.program + 1, place.index, group};
    case NavigationKind::Pid:
      return NavigationItem{place.kind, 0, place.index, group};
    default:
      return NavigationItem{place.kind, place.program + 1, 0, group};
  }
}

void Document::moveSelection(const std::optional<NavigationItem>& item) {
  if (item != m_selection) m_selectionMoved = true;
  m_selection = item;
  // A program's item or one of its groups makes that program current; a step
  // is the current step too. Level L2 leaves both as they are.
  if (item && m_deviceData) {
    if (Program* program = m_deviceData->programAt(placeOf(item->group).program)) {
      if (program != m_currentProgram) m_selectionMoved = true;
      m_currentProgram = program;
      if (Step* step = item->group.get<Step>()) m_currentStep = step;
    }
  }
}

bool Document::select(const std::optional<NavigationItem>& item) {
  const bool changed = !(item && m_selection && item->sameItem(*m_selection)) && (item || m_selection);
  moveSelection(item);
  announce({DocumentChange::Kind::Selection});
  return changed;
}

bool Document::selectGroup(GroupRef group) {
  const std::optional<NavigationItem> item = itemOf(group);
  if (!item) return false;
  select(item);
  return true;
}

void Document::setSelection(const std::optional<NavigationItem>& item, Program* program, Step* step) {
  m_selection = item;
  m_currentProgram = program;
  m_currentStep = step;
  announce({DocumentChange::Kind::Selection});
}

void Document::settleSelection(const Program* changed) {
  DeviceData* d = m_deviceData.get();
  if (!d) {
    if (m_selection || m_currentProgram || m_currentStep) m_selectionMoved = true;
    m_selection.reset();
    m_currentProgram = nullptr;
    m_currentStep = nullptr;
    return;
  }
  if (m_currentProgram && d->programIndexOf(m_currentProgram) < 0) {
    m_currentProgram = d->programs.empty() ? nullptr : &d->programs.front();
    m_selectionMoved = true;
  }
  if (m_currentStep && !holds(m_currentStep)) {
    m_currentStep = nullptr;
    m_selectionMoved = true;
  }
  if (m_selection && (!m_selection->group || holds(m_selection->group))) {
    // Still there: only its numbers may have moved (kind kept: a program's
    // two groups show the program too).
    if (const std::optional<NavigationItem> item = itemOf(m_selection->group)) {
      m_selection->programNumber = item->programNumber;
      m_selection->subIndex = item->subIndex;
    }
    return;
  }
  GroupRef next;
  // A step gone from the program told: the step now at its place, else the
  // one before, else the program.
  const int program = changed ? d->programIndexOf(changed) : -1;
  if (m_selection && m_selection->kind == NavigationKind::Step && program >= 0) {
    Program& p = *d->programAt(program);
    if (p.stepCount() == 0)
      next = &p;
    else
      next = p.stepAt(std::clamp(m_selection->subIndex - 1, 0, p.stepCount() - 1));
  } else if (m_currentProgram) {
    next = m_currentProgram;
  } else if (!d->programs.empty()) {
    next = &d->programs.front();
  } else {
    next = &d->general.base;
  }
  moveSelection(itemOf(next));
}

Program* Document::programOfSelection() const {
  if (!m_selection || !m_deviceData) return nullptr;
  switch (m_selection->kind) {
    case NavigationKind::Program:
    case NavigationKind::Steps:
      return m_selection->group.get<Program>();
    case NavigationKind::Step:
      for (Program& p : m_deviceData->programs)
        if (p.stepIndexOf(m_selection->group.get<Step>()) >= 0) return &p;
      return nullptr;
    default:
      return nullptr;
  }
}

// ---- Resets ----------------------------------------------------------------

// Each reset is one undo step: "значения по умолчанию" where the group lives.
template <typename Group, typename Reset>
void Document::resetGroup(Group& group, Reset reset) {
  closeUndoStep();
  reset(group);
  // A program's comparators and name change with its steps: the views are told
  // of the new steps first, then of the values in the rows that stayed.
  if constexpr (std::is_same_v<Group, Program>) announce({DocumentChange::Kind::Steps, nullptr, &group});
  announce({DocumentChange::Kind::Values});
  ChangePlace place = placeOf(&group);
  recordStep("значения по умолчанию " + whereText(place), std::move(place));
}

void Document::resetProgram(Program& program) {
  resetGroup(program, [](Program& p) { makeDefault(p); });
}

void Document::resetComparator(Comparator& comparator, int index) {
  resetGroup(comparator, [index](Comparator& c) { c = Comparator(index); });
}

void Document::resetStep(Step& step) {
  resetGroup(step, [](Step& s) { makeDefault(s); });
}

void Document::resetKeyPulseModes(KeyPulseModes& keys) {
  resetGroup(keys, [](KeyPulseModes& k) { makeDefault(k); });
}

void Document::resetCorrections(Corrections& corrections) {
  resetGroup(corrections, [](Corrections& c) { makeDefault(c); });
}

void Document::resetDigitalFilters(DigitalFilters& filters) {
  resetGroup(filters, [](DigitalFilters& f) { makeDefault(f); });
}

void Document::resetBaseParameters(BaseParameters& base) {
  resetGroup(base, [](BaseParameters& b) { makeDefault(b); });
}

void Document::resetPid(PidRegulator& pid) {
  resetGroup(pid, [](PidRegulator& r) { makeDefault(r); });
}

// ---- The memory partition ---------------------------------------------------

bool Document::isGuardedPartition(const Parameter& cell) const {
  return m_partitionGuard && m_deviceData && &cell == &m_deviceData->general.base[BaseParameters::O10];
}

bool Document::confirmPartitionChange(const Parameter& cell, const Parameter& proposed) const {
  const int next = proposed.value();
  std::string question;
  if (cell.value() > next)
    question = formatText(
        "Изменение этого параметра приведёт \nк удалению шагов с номерами выше %d.          \n\nПродолжить?",
        GeneralParameters::stepsPerProgramOf(next));
  else
    question = formatText(
        "Изменение этого параметра приведёт \nк удалению программ с номерами выше %d        \n\nПродолжить?",
        GeneralParameters::programCountOf(next));
  return !m_host || m_host->askYesNo(texts().warning, question);
}

void Document::adaptToPartition() {
  DeviceData& d = *m_deviceData;
  const std::size_t programs = static_cast<std::size_t>(d.general.programCount());
  const std::size_t steps = static_cast<std::size_t>(d.general.stepsPerProgram());
  while (d.programs.size() > programs) d.programs.pop_back();
  while (d.programs.size() < programs) {
    if (d.programs.empty())
      d.programs.emplace_back();
    else
      d.programs.push_back(d.programs.back());
  }
  for (Program& p : d.programs)
    while (p.steps.size() > steps) p.steps.pop_back();
  m_currentProgram = d.programs.empty() ? nullptr : &d.programs.front();
  m_currentStep = m_currentProgram && !m_currentProgram->steps.empty() ? &m_currentProgram->steps.front() : nullptr;
  // Told before the cycle starts follow, so no one looks for a program that is gone.
  announce({DocumentChange::Kind::Programs});
  for (Program& p : d.programs)
    if (p.H02.value() != 0) p.H02.setValue(p.stepCount());
}

// ---- Device ----------------------------------------------------------------

void Document::readDevice() {
  // The guard is restored however the read ends, exceptions included.
  struct GuardOff {
    bool& guard;
    explicit GuardOff(bool& g) : guard(g) { guard = false; }
    ~GuardOff() { guard = true; }
  } guardOff(m_partitionGuard);

  if (!m_host) return;
  closeUndoStep();
  // Every configuration the read replaces can be gone back to, except an
  // untouched new one (the read at start-up replaces it): the read then
  // starts a fresh history. A configuration read before is worth going back
  // to even unchanged: the controller may be another one, or changed since.
  const bool replaces = m_deviceData && !(m_madeNew && !canUndo() && !canRedo() && !isModified());
  DeviceData scratch;
  if ((levelMask & kLevelL2) && !m_host->runExchange(scratch, ExchangeMode::ReadL2)) return;
  if ((levelMask & kLevelL1) && !m_host->runExchange(scratch, ExchangeMode::ReadL1)) return;
  m_host->restoreNames(scratch);
  m_host->deviceRead(scratch);

  if (!m_deviceData) m_deviceData = std::make_unique<DeviceData>();
  DeviceData& d = *m_deviceData;
  m_currentProgram = nullptr;
  m_currentStep = nullptr;
  m_selection.reset();
  d.setName(scratch.name());
  d.programs = scratch.programs;
  // Cell by cell with assign; the regulator indices are copied along.
  d.general = scratch.general;
  announce({DocumentChange::Kind::Configuration});
  setTitle(texts().readDocument);
  rememberUnmodified();
  m_madeNew = false;
  if (replaces)
    recordStep("чтение из прибора", {}, true);
  else
    resetHistory();
}

namespace {

// The lines of a warning, at most `limit` of them, then how many more there are.
std::string listLines(const std::vector<std::string>& lines, std::size_t limit) {
  std::string text;
  for (std::size_t i = 0; i < lines.size() && i < limit; ++i) text += lines[i] + "\n";
  if (lines.size() > limit) text += formatText("... и ещё %d\n", static_cast<int>(lines.size() - limit));
  return text;
}

constexpr std::size_t kWarningLines = 15;

}  // namespace

const DeviceData* Document::confirmWrite(const DeviceData& config, std::optional<DeviceData>& fitted) const {
  if (!m_host) return nullptr;
  // A loaded file may hold more programs or steps than the partition has
  // room for, and values their memory fields cannot hold. Nothing beyond the
  // partition is ever written: the user may write only what fits (from a
  // copy; the document keeps everything). Saturated values are named first.
  const DeviceData* target = &config;
  // A configuration without programs (a file none of whose lines was a
  // configuration) would erase every program of the controller.
  if ((levelMask & kLevelL1) && target->programs.empty() &&
      !m_host->askYesNo(texts().warning,
                        "В конфигурации нет ни одной программы: запись сотрёт все "
                        "программы прибора.\n\nПродолжить запись?"))
    return nullptr;
  WriteCheck check = checkBeforeWrite(*target);
  if (!check.fits()) {
    const std::string question = "Конфигурация не помещается в память прибора:\n\n" +
                                 listLines(check.overflow, kWarningLines) +
                                 "\nЗаписать в прибор только то, что помещается?";
    if (!m_host->askYesNo(texts().warning, question)) return nullptr;
    fitted = fitToPartition(*target);
    target = &*fitted;
    check = checkBeforeWrite(*target);
  }
  if (!check.adjusted.empty()) {
    const std::string question =
        "Эти значения не помещаются в свои поля памяти прибора и будут записаны "
        "как ближайшие возможные:\n\n" +
        listLines(check.adjusted, kWarningLines) + "\nПродолжить запись?";
    if (!m_host->askYesNo(texts().warning, question)) return nullptr;
  }
  return target;
}

void Document::writeDevice() {
  if (!m_host || !m_deviceData) return;
  std::optional<DeviceData> fitted;
  if (!confirmWrite(*m_deviceData, fitted)) return;
  DeviceData* target = fitted ? &*fitted : m_deviceData.get();
  if (!m_host->beforeDeviceWrite(*target)) return;
  if ((levelMask & kLevelL2) && !m_host->runExchange(*target, ExchangeMode::WriteL2)) return;
  if ((levelMask & kLevelL1) && !m_host->runExchange(*target, ExchangeMode::WriteL1)) return;
  m_host->deviceWritten(*target);
}
