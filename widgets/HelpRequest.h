// The route of a help request from any form, page or dialog to the help
// window. The shell installs the handler at start-up; the lower layers only
// name a topic, so they never reach up into the shell. User-interface thread.
#pragma once

#include <functional>

#include "resources/ResourcePaths.h"

namespace help {

using Handler = std::function<void(HelpTopic topic)>;

// Replaces the handler; an empty one makes requests do nothing.
void setHandler(Handler handler);
// Opens the topic; false when no handler is installed.
bool show(HelpTopic topic);

}  // namespace help
