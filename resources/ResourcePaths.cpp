#include "resources/ResourcePaths.h"

namespace resources {

QString iconPath() { return QStringLiteral(":/tkv88/icons/tkv88.png"); }

QUrl pageUrl(int id) {
  if (id < kPageMainL1 || id > kPagePids) return {};
  return QUrl(QStringLiteral("qrc:/tkv88/pages/%1.html").arg(id));
}

QUrl helpUrl(int context) {
  QUrl url(QStringLiteral("qrc:/tkv88/help/manual.html"));
  // Every topic is anchored as "t" and its context number in hex.
  url.setFragment(QStringLiteral("t%1").arg(context, 0, 16));
  return url;
}

}  // namespace resources
