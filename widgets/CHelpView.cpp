#include "widgets/CHelpView.h"

#include "document/STreeItem.h"
#include "resources/ResourcePaths.h"

CHelpView::CHelpView(QWidget* parent) : QTextBrowser(parent) {
  setAccessibleName(QStringLiteral("Пояснение"));
  setOpenLinks(false);  // the pages hold no links; nothing may navigate away
  setFrameShape(QFrame::NoFrame);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::white);
  setPalette(pal);
  // Justified text needs air on both sides, or it runs into the pane's edge.
  document()->setDocumentMargin(12);
}

int CHelpView::pageForKind(int kind) {
  switch (kind) {
    case ItemKind::L1Root:
      return resources::kPageMainL1;
    case ItemKind::L2Root:
      return resources::kPageMainL2;
    case ItemKind::Program:
      return resources::kPageProgram;
    case ItemKind::Comparators:
      return resources::kPageAllComparators;
    case ItemKind::Steps:
      return resources::kPageAllSteps;
    case ItemKind::PidGroup:
      return resources::kPagePids;
    default:
      return 0;
  }
}

void CHelpView::initialUpdate(int kind) {
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
