// Where the program's built-in resources live: the application icon, the six
// explanatory pages shown in the right pane and the help manual with its
// topics. Plain functions; callable from any thread once the application
// exists.
#pragma once

#include <QString>
#include <QUrl>

// The explanatory pages of the right pane, by what they explain.
enum class InfoPage { Level1, Level2, Program, Comparators, Steps, PidRegulators };

// The topics of the help manual.
enum class HelpTopic {
  Overview,  // the main menu's "&Помощь"
  Exchange,  // reading and writing the controller
  Editing,   // every form's "Помощь"
};

namespace resources {

QString iconPath();
// The page's file among the resources ("qrc:/tkv88/pages/steps.html").
QUrl pageUrl(InfoPage page);
// The manual opened at the topic ("qrc:/tkv88/help/manual.html#exchange").
QUrl helpUrl(HelpTopic topic);

}  // namespace resources
