// A scripted DocumentHost for the document's tests: answers come from
// queues filled by the test, and every call is recorded. ChangeLog records
// what the document tells its observers.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "document/ChangePlace.h"
#include "document/DocumentChange.h"
#include "document/DocumentHost.h"

class FakeHost : public DocumentHost {
 public:
  struct Question {
    std::string title, text;  // Windows-1251
  };

  bool askYesNo(std::string_view title, std::string_view text) override {
    questions.push_back({std::string(title), std::string(text)});
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  void runLater(std::function<void()> work) override { later.push_back(std::move(work)); }
  // What the event loop does after the event in progress: the deferred work.
  void runDeferred() {
    std::vector<std::function<void()>> work;
    work.swap(later);
    for (auto& w : work) w();
  }
  bool runExchange(DeviceData& config, ExchangeMode mode) override {
    exchanges.emplace_back(mode);
    if (onExchange) onExchange(config, mode);
    if (exchangeResults.empty()) return true;
    const bool done = exchangeResults.front();
    exchangeResults.pop_front();
    return done;
  }
  std::optional<std::string> askProgramName(std::string_view name) override {
    renameShown.emplace_back(name);
    return renameAnswer;
  }
  void titleChanged() override { ++titleChanges; }
  void historyChanged() override { ++historyChanges; }
  void deviceWritten(const DeviceData&) override { ++writesDone; }

  std::deque<bool> answers;  // Yes/No answers in order; No when empty
  std::vector<Question> questions;
  std::vector<std::function<void()>> later;  // deferred, not yet run
  std::deque<bool> exchangeResults;          // finished or not; finished when empty
  std::vector<ExchangeMode> exchanges;
  std::function<void(DeviceData&, ExchangeMode)> onExchange;
  std::optional<std::string> renameAnswer;
  std::vector<std::string> renameShown;
  int titleChanges = 0;
  int historyChanges = 0;
  int writesDone = 0;  // full writes told as finished
};

// Every change told, in order; a place shown is kept as a copy in `shown`
// (the change told carries no pointer to it).
struct ChangeLog : DocumentObserver {
  std::vector<DocumentChange> told;
  std::vector<ChangePlace> shown;
  std::function<void()> onChange;

  void documentChanged(const DocumentChange& change) override {
    told.push_back(change);
    if (change.place) {
      shown.push_back(*change.place);
      told.back().place = nullptr;
    }
    if (onChange) onChange();
  }
  int count(DocumentChange::Kind kind) const {
    int n = 0;
    for (const DocumentChange& c : told) n += c.kind == kind;
    return n;
  }
};
