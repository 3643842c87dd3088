// Where the program's built-in resources live: the application icon, the six
// explanatory pages shown in the right pane (kept under their resource ids
// 529..534) and the help manual whose topics are anchored by context number.
// Plain functions; callable from any thread once the application exists.
#pragma once

#include <QString>
#include <QUrl>

namespace resources {

// The explanatory pages, by resource id.
inline constexpr int kPageMainL1 = 529;
inline constexpr int kPageMainL2 = 530;
inline constexpr int kPageProgram = 531;
inline constexpr int kPageAllComparators = 532;
inline constexpr int kPageAllSteps = 533;
inline constexpr int kPagePids = 534;

QString iconPath();
// The page with the given resource id; an empty URL for any other id.
QUrl pageUrl(int id);
// The manual opened at the topic of a help context number (0x20000 ...).
QUrl helpUrl(int context);

}  // namespace resources
