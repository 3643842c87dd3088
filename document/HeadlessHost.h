// The document's framework where no one sits at a screen (tkv88ctl, tests of
// the device link): every question is answered Yes (callers settle them
// beforehand), deferred work is dropped and the rename dialog is cancelled.
// Only the device exchange is left to the subclass.
#pragma once

#include "document/DocumentHost.h"

class HeadlessHost : public DocumentHost {
 public:
  bool askYesNo(std::string_view, std::string_view) override { return true; }
  void runLater(std::function<void()>) override {}
  std::optional<std::string> askProgramName(std::string_view) override { return std::nullopt; }
};
