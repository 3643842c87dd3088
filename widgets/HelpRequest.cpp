#include "widgets/HelpRequest.h"

#include <utility>

namespace help {
namespace {
Handler& handler() {
  static Handler h;
  return h;
}
}  // namespace

void setHandler(Handler h) { handler() = std::move(h); }

bool show(HelpTopic topic) {
  if (!handler()) return false;
  handler()(topic);
  return true;
}

}  // namespace help
