// The route of a help request from any form, page or dialog to the help
// window. The shell installs the handler at start-up; the lower layers only
// name a topic, so they never reach up into the shell. User-interface thread.
#pragma once

#include <functional>

namespace help {

// Context numbers of the manual's topics.
inline constexpr int kTopicOverview = 0x20000;  // the main menu's "&Помощь"
inline constexpr int kTopicExchange = 0x20002;  // reading and writing the controller
inline constexpr int kTopicEditing = 0x20004;   // every form's "Помощь"

using Handler = std::function<void(int context)>;

// Replaces the handler; an empty one makes requests do nothing.
void setHandler(Handler handler);
// Opens the topic; false when no handler is installed.
bool show(int context);

}  // namespace help
