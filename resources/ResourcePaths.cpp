#include "resources/ResourcePaths.h"

namespace resources {

QString iconPath() { return QStringLiteral(":/tkv88/icons/tkv88.png"); }

QUrl pageUrl(InfoPage page) {
  const auto file = [page] {
    switch (page) {
      case InfoPage::Level1:
        return QStringLiteral("level1");
      case InfoPage::Level2:
        return QStringLiteral("level2");
      case InfoPage::Program:
        return QStringLiteral("program");
      case InfoPage::Comparators:
        return QStringLiteral("comparators");
      case InfoPage::Steps:
        return QStringLiteral("steps");
      case InfoPage::PidRegulators:
        break;
    }
    return QStringLiteral("pid-regulators");
  };
  return QUrl(QStringLiteral("qrc:/tkv88/pages/%1.html").arg(file()));
}

QUrl helpUrl(HelpTopic topic) {
  QUrl url(QStringLiteral("qrc:/tkv88/help/manual.html"));
  switch (topic) {
    case HelpTopic::Exchange:
      url.setFragment(QStringLiteral("exchange"));
      break;
    case HelpTopic::Editing:
      url.setFragment(QStringLiteral("editing"));
      break;
    case HelpTopic::Overview:
      url.setFragment(QStringLiteral("overview"));
      break;
  }
  return url;
}

}  // namespace resources
