// One device parameter of the controller: its value and active limits, and
// the catalogue entry that says what it is (menu
// code, description, alternative limit pairs, position in device memory).
// Every editable number of the configuration is a Parameter; views, the
// file format and the memory image change values only through setValue.
//
// A small value type of fixed size: no heap memory of its own, freely
// copyable; copies share the entry. Assignment is the model's merge copy
// (assign). Not thread-safe; one thread at a time per cell.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/CellEntry.h"

class Parameter {
 public:
  static constexpr int kCodeSize = 16;
  static constexpr int kGroupSize = 128;
  static constexpr int kDescriptionSize = 512;
  static constexpr int kMaxRanges = 16;

  // An unbounded placeholder cell holding v (stored through setValue).
  explicit Parameter(int32_t v = 0);
  // A cell with one limit pair (min, max); the value is clamped into it.
  // Texts are UTF-8; longer texts are cut to as many characters as their
  // sizes say.
  Parameter(std::string_view code, int32_t v, int32_t min, int32_t max, std::string_view group,
            std::string_view description);
  // A cell of a catalogue entry: pair 0 active (unbounded when the entry has
  // none), v clamped into it.
  Parameter(const CellEntry* entry, int32_t v);
  // A copy has no observer: scratch configurations are never heard.
  Parameter(const Parameter& other);
  Parameter& operator=(const Parameter& other);  // same as assign

  // Merge copy: takes limits, range tables, position and value; takes each
  // text only when the source's text is not empty. No clamping; the
  // observer stays this cell's.
  void assign(const Parameter& src);

  int32_t value() const { return m_value; }
  // Bypasses limits and the change observer (the document shifts
  // cycle starts through it).
  int32_t& valueRef() { return m_value; }
  // Guarded change of a raw device field: sign extension from bitWidth bits
  // when the lower limit is negative, then as setEnteredValue. The device
  // decoder passes unsigned bit fields through it.
  void setValue(int32_t v);
  // Guarded change of a number typed by the user or read from a file:
  // clamping (lower limit first), the change observer's veto, store, and
  // the observer told.
  // No sign extension, so 2000 typed into an 11-bit cell is 999, not -48.
  void setEnteredValue(int32_t v);
  // Clamped store without sign extension or the change observer.
  void setValueQuiet(int32_t v);

  // What an edit can change in a cell: the value and the active limits
  // (limit pairs are switched by the input-dependent ranges). The document's
  // undo history keeps these and puts them back with restore.
  struct State {
    int32_t value;
    int32_t minValue;
    int32_t maxValue;
    bool operator==(const State&) const = default;
  };
  State state() const { return {m_value, m_minValue, m_maxValue}; }
  // Puts a state back as it was: no clamping, no observer.
  void restore(const State& s) {
    m_value = s.value;
    m_minValue = s.minValue;
    m_maxValue = s.maxValue;
  }

  // Asked before setValue or setEnteredValue changes a cell it observes, and
  // told after. A cell has at most one; only cells given one are heard (the
  // document marks those of its own configuration), and such a cell is
  // changed only on the observer's thread.
  class ChangeObserver {
   public:
    ChangeObserver(const ChangeObserver&) = delete;
    ChangeObserver& operator=(const ChangeObserver&) = delete;
    // `proposed` is a copy of `cell` holding the clamped new value; false
    // refuses the change (the partition question answered No).
    virtual bool mayChange(Parameter& cell, const Parameter& proposed) {
      (void)cell;
      (void)proposed;
      return true;
    }
    virtual void cellChanged(Parameter& cell) = 0;

   protected:
    ChangeObserver();
    ~ChangeObserver();

   private:
    friend class Parameter;
    uint32_t m_number;
  };
  // The cell's observer; nullptr for none.
  void setChangeObserver(ChangeObserver* observer);
  ChangeObserver* changeObserver() const;

  // Appends a limit pair; false (nothing changed) when the table is full.
  bool addRange(int32_t min, int32_t max);
  // Makes pair i the active limits and clamps the value into them, the
  // observer neither asked nor told.
  bool selectRange(int i);
  // Makes pair i the active limits and leaves the value as it is, outside
  // them too: loading and showing a configuration never change a value.
  bool selectLimits(int i);
  // The value lies within the active limits.
  bool inLimits() const { return m_value >= m_minValue && m_value <= m_maxValue; }
  void setStorage(uint16_t area, int32_t bitOffset, int32_t bitWidth);

  // Equal value, limits, code (byte-wise) and bit width.
  static bool sameAs(const Parameter& a, const Parameter& b);

  std::string_view code() const { return m_entry->code; }
  std::string_view group() const { return m_entry->group; }
  std::string_view description() const { return m_entry->description; }
  // These and addRange and setStorage point the cell at another entry (made
  // or found in the catalogue); other cells of the old entry keep it.
  void setCode(std::string_view code);
  void setDescription(std::string_view description);

  int32_t minValue() const { return m_minValue; }
  int32_t maxValue() const { return m_maxValue; }
  int rangeCount() const { return static_cast<int>(m_entry->ranges.size()); }
  int32_t rangeMin(int i) const { return m_entry->ranges[i].min; }  // i < rangeCount()
  int32_t rangeMax(int i) const { return m_entry->ranges[i].max; }

  uint16_t area() const { return m_entry->area; }
  int32_t bitOffset() const { return m_entry->bitOffset; }
  int32_t bitWidth() const { return m_entry->bitWidth; }
  // What the cell is; shared with every copy.
  const CellEntry& entry() const { return *m_entry; }

 private:
  // Clamps, asks `observer` (if any) and stores; true when the value changed.
  bool store(int32_t v, ChangeObserver* observer);
  // Points the cell at the entry `change` makes of a copy of its own.
  template <typename Change>
  void changeEntry(Change change);

  const CellEntry* m_entry;
  int32_t m_value;
  int32_t m_minValue;
  int32_t m_maxValue;
  uint32_t m_observer = 0;  // its ChangeObserver's number; 0 for none
};
