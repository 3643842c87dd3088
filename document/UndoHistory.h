// The document's undo history: a line of configuration states, from the one
// the document was made new, loaded or read with up to the latest change,
// and the position the document stands at. Each state after the first is
// one undo step and carries what the step did (its name for the "Правка"
// menu), where it was made, and the document's title, file and saved text
// while it stands there. A device read begins states of their own: a save
// gives its file to the states it shares a file with (from the last read
// before the current state up to the next read) and no others, so a redo of
// a read always comes back to a configuration that belongs to no file.
//
// A new step after an undo drops the steps that could have been redone.
// Consecutive spin clicks on one cell make one step. The oldest steps go
// when there are more than kLimit. Owned by the document; user-interface
// thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "document/ChangePlace.h"
#include "document/ConfigSnapshot.h"

class UndoHistory {
 public:
  // The undo steps kept; older ones are forgotten.
  static constexpr int kLimit = 100;

  struct Entry {
    ConfigSnapshot state;  // the configuration after the step
    std::string label;     // what the step did ("U03 в программе 1, шаг 2")
    ChangePlace place;     // where it was made
    std::string title;     // the document's title in this state
    std::string pathName;  // and its file
    std::shared_ptr<const std::string> savedText;  // the text that counts as unmodified
    bool spin = false;        // a spin click on place's cell, which the next one may join
    bool fromDevice = false;  // a device read made this state
  };

  // Starts again from one state, with no steps.
  void reset(Entry initial);
  bool empty() const { return m_entries.empty(); }

  // The state the document stands at.
  const Entry& current() const { return m_entries[m_at]; }
  Entry& current() { return m_entries[m_at]; }

  // Adds a step after the current state (dropping the redo steps). A spin
  // step on the same cell as the current state's spin step replaces that
  // state instead, keeping its name.
  void push(Entry step);

  bool canUndo() const { return m_at > 0; }
  bool canRedo() const { return m_at + 1 < m_entries.size(); }
  // The step an undo would take back, or a redo would make again.
  const Entry* undoStep() const { return canUndo() ? &m_entries[m_at] : nullptr; }
  const Entry* redoStep() const { return canRedo() ? &m_entries[m_at + 1] : nullptr; }
  // Moves one step back or forward; the state to restore is then current().
  bool undo();
  bool redo();

  // The title, file and saved text of the states that share the current
  // state's file become these (after a save).
  void setIdentity(const std::string& title, const std::string& pathName,
                   const std::shared_ptr<const std::string>& savedText);

  int undoCount() const { return static_cast<int>(m_at); }
  int redoCount() const { return static_cast<int>(m_entries.size() - m_at - 1); }
  // Bytes the configuration states hold, shared parts counted once.
  std::size_t bytes() const;

 private:
  std::vector<Entry> m_entries;
  std::size_t m_at = 0;
};
