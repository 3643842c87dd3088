#include "widgets/GroupInfoPage.h"

#include "document/NavigationItem.h"
#include "resources/ResourcePaths.h"

GroupInfoPage::GroupInfoPage(QWidget* parent) : QTextBrowser(parent) {
  setAccessibleName(QStringLiteral("Пояснение"));
  setOpenLinks(false);  // the pages hold no links; nothing may navigate away
  setFrameShape(QFrame::NoFrame);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::white);
  setPalette(pal);
  // Justified text needs air on both sides, or it runs into the pane's edge.
  document()->setDocumentMargin(12);
}

int GroupInfoPage::pageForKind(int kind) {
  switch (kind) {
    case NavigationKind::L1Root:
      return resources::kPageMainL1;
    case NavigationKind::L2Root:
      return resources::kPageMainL2;
    case NavigationKind::Program:
      return resources::kPageProgram;
    case NavigationKind::Comparators:
      return resources::kPageAllComparators;
    case NavigationKind::Steps:
      return resources::kPageAllSteps;
    case NavigationKind::PidGroup:
      return resources::kPagePids;
    default:
      return 0;
  }
}

void GroupInfoPage::initialUpdate(int kind) {
  const int id = pageForKind(kind);
  if (id == 0) return;
  m_pageId = id;
  // Loaded anew on every switch: the scroll position is not kept.
  const QUrl url = resources::pageUrl(id);
  if (source() == url)
    reload();
  else
    setSource(url);
  moveCursor(QTextCursor::Start);
}
