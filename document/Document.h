// The application's single document: owns the configuration of one
// controller (a DeviceData), knows which tree item, program and step the user
// works on, keeps the programs and steps in line with the memory partition
// O10, tells its observers what changed (DocumentChange), runs the device read
// and write, loads and saves configuration files and carries out the editing
// commands of the programs.
//
// Views hold pointers into the DeviceData and change cells in place through
// Parameter::setValue/setEnteredValue. The DeviceData survives a new
// document (the same object is reset) but is replaced by a file load and a
// close, after which the document tells of a new configuration.
//
// Every change of the configuration can be undone. The document observes
// the guarded setters of its own cells: a change has the host close the undo
// step later, so when control returns to the event loop everything the user
// action changed becomes one undo step. The editing commands, the resets and the device
// read record their own steps. New, open and close start a fresh history.
//
// All of it runs on the user-interface thread. The framework is reached only
// through the DocumentHost given at construction (none for headless use).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/ChangePlace.h"
#include "document/ConfigFile.h"
#include "document/DocumentChange.h"
#include "document/DocumentHost.h"
#include "document/NavigationItem.h"
#include "document/UndoHistory.h"
#include "model/DeviceData.h"

class Document {
 public:
  // Without a host the document is headless: partition questions are
  // answered Yes, deferred work and tree selections are dropped, device
  // exchanges fail and the rename dialog is cancelled.
  explicit Document(DocumentHost* host = nullptr);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  DocumentHost* host() const { return m_host; }
  void setHost(DocumentHost* host) { m_host = host; }

  // ---- Document life -------------------------------------------------------

  // "&Новая прошивка": default general parameters and
  // programCount() default programs; title "Новая прошивка", no file path.
  bool newDocument();
  // Loads a configuration file. On failure
  // (missing, unreadable, too large, a structure the reader cannot follow,
  // too many programs or steps, or no configuration at all: not one line
  // recognised) throws configfile::FileError and leaves the document as it
  // was. The title becomes the file's name. Returns what the reader noticed
  // (values loaded otherwise than the file has them, lines skipped), for
  // the caller to tell.
  std::vector<configfile::FileNote> openFile(const std::string& path);
  // Loads a file as openFile does, as a copy: no file path (a save asks for
  // a name, so the file itself, a backup, is never overwritten) and `title`
  // as the title.
  std::vector<configfile::FileNote> openCopy(const std::string& path, std::string_view title);
  // Saves through a temporary file beside `path` renamed over it. On failure
  // throws configfile::FileError; the previous file stays intact.
  void saveFile(const std::string& path);
  // Replaces the configuration with the one in `text` (file bytes); unknown
  // lines are skipped. Throws configfile::FormatError, changing nothing, for
  // text the reader cannot follow or beyond configfile::kMaxPrograms or
  // kMaxSteps.
  void loadText(std::string_view text);
  // The bytes a save writes (empty when there is no configuration).
  std::string text() const;
  // Deletes the configuration; every pointer into it becomes invalid.
  void closeDocument();

  DeviceData* deviceData() { return m_deviceData.get(); }
  const DeviceData* deviceData() const { return m_deviceData.get(); }

  // "Новая прошивка", the file's name, or "Считанная прошивка".
  const std::string& title() const { return m_title; }
  void setTitle(std::string_view title);
  // The configuration is what the last device read brought (not a file's,
  // although pathName() keeps the file opened before).
  bool fromDevice() const;
  // The file last opened or saved; empty for a new document. A device read
  // leaves it as it was (the folder a save offers; the title says the
  // configuration belongs to no file). Undo and redo bring back the state's.
  const std::string& pathName() const { return m_pathName; }

  // True when the configuration differs from what was last made new, loaded,
  // saved or read from the device (compared as the text a save would write),
  // or when setModified(true) was called since. Undoing back to that state
  // makes the document unmodified again.
  bool isModified() const;
  // false: the current configuration becomes the unmodified state.
  void setModified(bool modified);

  // ---- Undo and redo ---------------------------------------------------------

  bool canUndo() const { return m_history.canUndo(); }
  bool canRedo() const { return m_history.canRedo(); }
  // What an undo would take back and a redo make again
  // ("U03 в программе 1, шаг 2", "удаление шага 3 программы 2"); empty
  // when there is none.
  std::string undoText() const;
  std::string redoText() const;
  // Puts the configuration back as it was before the last step (or makes
  // the step again), tells what it put back and brings the views to where
  // the change was made: its item is selected, then the observers are told
  // the place (DocumentChange::Kind::Shown).
  void undo();
  void redo();
  // Ends the user action in progress: when the configuration differs from
  // the history's current state, the difference becomes one undo step,
  // named after its first changed cell and where that lives ("разбиение
  // памяти" when O10 changed). A changed cell has the host run it once the
  // event in progress has finished; undo, redo and every command run it
  // first, so no change is left out.
  void closeUndoStep();
  // While one lives, the changes made on its thread come from a spin click:
  // consecutive clicks that each change the same one cell make one undo
  // step. Views hold one around what a click of their spin buttons commits;
  // it belongs to the user's event, not to a document.
  class SpinClick {
   public:
    SpinClick();
    ~SpinClick();
    SpinClick(const SpinClick&) = delete;
    SpinClick& operator=(const SpinClick&) = delete;
    // True while one lives on the calling thread.
    static bool inProgress();
  };
  const UndoHistory& history() const { return m_history; }
  // The group a place names (step, comparator, program or L2 group; the
  // program of a step that is gone), or none.
  GroupRef groupAt(const ChangePlace& place) const;
  // True when `group` is a program, comparator, step or L2 group of the
  // configuration (views holding one check it before they follow it).
  bool holds(GroupRef group) const;
  // The cell a place names by its code, or nullptr.
  Parameter* cellOf(const ChangePlace& place) const;

  // ---- Selection ---------------------------------------------------------------
  // What the user works on: the selected item (a value of the document's own:
  // its kind, group and numbers; none without a configuration), the program
  // and the step being edited; each may be none. The document moves them off
  // what a change removes before it tells of the change, and tells every move
  // (DocumentChange::Selection) after it; views find their own item for it.

  const std::optional<NavigationItem>& selection() const { return m_selection; }
  Program* currentProgram() const { return m_currentProgram; }
  Step* currentStep() const { return m_currentStep; }
  // Makes `item` the selection, and what it shows current: a program or one
  // of its groups makes that program current, a comparator its program, a
  // step its program and itself; other items leave them as they were. True
  // when the selected item changed.
  bool select(const std::optional<NavigationItem>& item);
  // Selects the item that shows `group` (a program's own item for a
  // program), as select does; false, changing nothing, for a group the
  // configuration does not hold.
  bool selectGroup(GroupRef group);
  // Sets the three as given (tests).
  void setSelection(const std::optional<NavigationItem>& item, Program* program, Step* step);

  // True but while a device read runs: then a change of O10 neither asks
  // nor adapts the program list.
  bool partitionGuarded() const { return m_partitionGuard; }

  // Observers are told every change as it happens (DocumentChange); they
  // register and unregister themselves, and are not owned.
  void addObserver(DocumentObserver* observer);
  void removeObserver(DocumentObserver* observer);
  // Tells every observer of `change` (also for changes made to the
  // configuration directly, outside the document's own commands).
  void announce(const DocumentChange& change);

  // The program of a selected program, steps-group or step item; else none
  // (also for the comparators group, so step commands never act there).
  Program* programOfSelection() const;

  // ---- Reset operations ("По умолчанию") ------------------------------------
  // Each copies a freshly built default group over the given one; the change
  // observer is not asked or told.

  void resetProgram(Program& program);
  void resetComparator(Comparator& comparator, int index);  // index 0..3
  void resetStep(Step& step);
  void resetKeyPulseModes(KeyPulseModes& keys);
  void resetCorrections(Corrections& corrections);
  void resetDigitalFilters(DigitalFilters& filters);
  void resetBaseParameters(BaseParameters& base);
  void resetPid(PidRegulator& pid);  // keeps the regulator's index

  // ---- Cell changes -----------------------------------------------------------
  // The document observes the cells of its own configuration and no other
  // (Parameter::ChangeObserver; a copy of a cell is not observed): their
  // changes become undo steps and observers are told; a change of its O10
  // (the memory partition) first asks the partition question
  // ("Предупреждение", Yes/No) and then trims or extends the programs and
  // steps to the new partition. Cells that come into the configuration are
  // observed from the change told for them on (announce).

  // ---- Device --------------------------------------------------------------

  // "&Считать прошивку": reads L2 then L1 into a scratch configuration;
  // only when both finish does it replace the document's (title "Считанная
  // прошивка"). A cancel or failure changes
  // nothing. The read is one undo step "чтение из прибора"; over an untouched
  // new configuration (the read at start-up) it starts a fresh history.
  void readDevice();
  // "&Записать прошивку": writes L2 then L1 from the document's own
  // configuration; a cancel or failure skips the rest.
  void writeDevice();
  // The questions before `config` is written (no programs at all; more than
  // the partition holds, then only what fits is offered, from `fitted`;
  // values written saturated). What to write, or nullptr when declined.
  const DeviceData* confirmWrite(const DeviceData& config, std::optional<DeviceData>& fitted) const;

  // ---- Editing commands ----------------------------------------------------
  // They act on selection, currentProgram and currentStep, keep H02 on the
  // same step, select what they made and tell what they changed.
  // A missing selection or program makes them do nothing.

  void addStepFirst();
  void addStepLast();
  void addStepBefore();
  void addStepAfter();
  void deleteStep();
  void toggleCycleStart();
  void renameProgram();
  // The table mode's "Программы" menu: selects program `index` (0-based)
  // (the tree and the table show it); nothing for a program not there.
  void selectProgram(int index);

  // The full list's step-count edit ("H01"): makes `program` current, then
  // appends default steps (at most stepsPerProgram()) or removes steps from
  // the end until it has `count`; a negative count or the current one
  // changes nothing. H02 is not adjusted. True when the steps changed.
  bool setStepCount(Program& program, int count);

  // ---- Clipboard edits ------------------------------------------------------
  // Each is one undo step, keeps H02 on the same step and tells the
  // program's steps. A refusal changes nothing and comes back as its reason,
  // for the caller to show; nothing means done.

  // Inserts copies of `steps` into `program` before step `position`
  // (1-based; stepCount() + 1 appends) and selects the first of them.
  // Refused when the program would then hold more steps than the partition
  // allows, saying how many fit.
  std::optional<std::string> insertSteps(Program& program, int position, const std::vector<Step>& steps);
  // Removes `count` steps from step `first` (1-based) on, each as
  // deleteStep removes one, and selects the step after them, else the
  // one before, else the program. Steps that are not there are left alone.
  void removeSteps(Program& program, int first, int count);
  // Gives `target` the name, comparators, cycle start and steps of
  // `source` and selects it; the undo step is named `undoLabel`, by default
  // "вставка программы N". Refused when `source` has more steps than the
  // partition allows a program.
  std::optional<std::string> replaceProgram(Program& target, const Program& source,
                                            std::string_view undoLabel = {});

  // Enable rules. The step inserts: the current program has fewer steps
  // than the partition allows. The cycle start: a step item is selected.
  // Deleting a step and renaming a program are always offered.
  bool canAddStep() const;
  bool canToggleCycleStart() const;
  // The selected step's 1-based position in currentProgram, 0 when no step
  // of it is selected.
  int selectedStepPosition() const;
  // The selected step is its program's cycle start (the command then reads
  // "Отменить цикл" instead of "Начало цикла").
  bool selectedStepIsCycleStart() const;

 private:
  // Tells the document of every change through the cells' guarded setters.
  class ChangeRecorder : public Parameter::ChangeObserver {
   public:
    explicit ChangeRecorder(Document& doc) : m_doc(doc) {}
    bool mayChange(Parameter& cell, const Parameter& proposed) override;
    void cellChanged(Parameter& cell) override;

   private:
    Document& m_doc;
  };

  template <typename Group, typename Reset>
  void resetGroup(Group& group, Reset reset);
  // The history starts again from the current configuration.
  void resetHistory();
  // The configuration as it is now becomes one undo step, when it differs
  // from the current state (a device read's always, beginning states that
  // belong to no file until they are saved).
  void recordStep(std::string label, ChangePlace place, bool fromDevice = false);
  // Puts the history's current state into the configuration and shows `place`.
  void restoreCurrent(const ChangePlace& place);
  // The step's name for a change found by comparing states.
  std::string describe(const ConfigSnapshot::Difference& difference) const;
  // "в программе 1, шаг 2" and the like.
  std::string whereText(const ChangePlace& place) const;
  // Where a group of the configuration lives (kind, program, index).
  ChangePlace placeOf(GroupRef group) const;
  // The place of a program: its number in the label texts.
  int programNumber(const Program& program) const;
  void historyChanged();

  Step* selectedStep() const;
  // The item that shows `group`, with its numbers; none for a group not held.
  std::optional<NavigationItem> itemOf(GroupRef group) const;
  // Selects without telling yet: the next change told, or tellSelection,
  // tells of it.
  void moveSelection(const std::optional<NavigationItem>& item);
  // Before a change of the configuration is told: what is selected or
  // current and gone moves to what takes its place (a step removed from
  // `program`: the step now at its position, else the one before, else the
  // program; anything else: the current program, else the first, else the
  // base parameters; a current program: the first), and the selection's
  // numbers follow its group.
  void settleSelection(const Program* program);
  // Tells of a selection moved since it was last told.
  void tellSelection();
  // Tells every observer of `change` as it is.
  void tell(const DocumentChange& change);
  // The cells that may have come with `change` are observed.
  void observeNewCells(const DocumentChange& change);
  // Removes step `position` (1-based, present) as deleteStep does, H02 kept
  // on its step; returns the step to select afterwards, or nullptr.
  Step* removeStepAt(Program& program, int position);
  void recordAddedStep(const Program& program, const Step* added);
  bool changeStepCount(Program& program, int count);
  // The configuration's O10, when `cell` is it and the partition is guarded
  // (not while a device read runs).
  bool isGuardedPartition(const Parameter& cell) const;
  // Asks the partition question for O10 going to `proposed`; true on Yes.
  bool confirmPartitionChange(const Parameter& cell, const Parameter& proposed) const;
  // Trims or extends the programs and steps to the new partition, makes the
  // first program and step current and tells of the new program list.
  void adaptToPartition();
  void rememberUnmodified();
  void replaceConfiguration(std::unique_ptr<DeviceData> data);
  // Takes a configuration just read from file bytes: first program current,
  // the unmodified state remembered.
  void takeLoaded(std::unique_ptr<DeviceData> data);
  // Reads a configuration file and takes it under the path and title given;
  // FileError, changing nothing, when it cannot be read or holds no
  // configuration.
  std::vector<configfile::FileNote> loadFile(const std::string& path, const std::string& pathName,
                                             std::string_view title);

  DocumentHost* m_host;
  std::vector<DocumentObserver*> m_observers;
  std::optional<NavigationItem> m_selection;
  bool m_selectionMoved = false;  // since the last Selection told
  Program* m_currentProgram = nullptr;
  Step* m_currentStep = nullptr;
  bool m_partitionGuard = true;
  std::unique_ptr<DeviceData> m_deviceData;
  std::string m_title;
  std::string m_pathName;
  std::shared_ptr<const std::string> m_unmodifiedText = std::make_shared<const std::string>();
  bool m_forcedModified = false;
  // Made by newDocument and neither loaded, read nor saved since.
  bool m_madeNew = false;

  ChangeRecorder m_recorder{*this};
  UndoHistory m_history;
  bool m_closePending = false;
  bool m_spinPending = false;  // a spin click changed a cell since the last step
};
