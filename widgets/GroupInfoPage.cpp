#include "widgets/GroupInfoPage.h"

namespace {
const char* nameOf(InfoPage page) {
  switch (page) {
    case InfoPage::Level1:
      return "level1InfoPage";
    case InfoPage::Level2:
      return "level2InfoPage";
    case InfoPage::Program:
      return "programInfoPage";
    case InfoPage::Comparators:
      return "comparatorsInfoPage";
    case InfoPage::Steps:
      return "stepsInfoPage";
    case InfoPage::PidRegulators:
      break;
  }
  return "pidRegulatorsInfoPage";
}
}  // namespace

GroupInfoPage::GroupInfoPage(InfoPage page, QWidget* parent) : QTextBrowser(parent), m_page(page) {
  setObjectName(QLatin1String(nameOf(page)));
  setAccessibleName(QStringLiteral("Пояснение"));
  setOpenLinks(false);  // the pages hold no links; nothing may navigate away
  setFrameShape(QFrame::NoFrame);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::white);
  setPalette(pal);
  // Justified text needs air on both sides, or it runs into the pane's edge.
  document()->setDocumentMargin(12);
}

std::optional<InfoPage> GroupInfoPage::pageForKind(NavigationKind kind) {
  switch (kind) {
    case NavigationKind::L1Root:
      return InfoPage::Level1;
    case NavigationKind::L2Root:
      return InfoPage::Level2;
    case NavigationKind::Program:
      return InfoPage::Program;
    case NavigationKind::Comparators:
      return InfoPage::Comparators;
    case NavigationKind::Steps:
      return InfoPage::Steps;
    case NavigationKind::PidGroup:
      return InfoPage::PidRegulators;
    default:
      return std::nullopt;
  }
}

void GroupInfoPage::initialUpdate() {
  // Loaded anew on every switch: the scroll position is not kept.
  const QUrl url = resources::pageUrl(m_page);
  if (source() == url)
    reload();
  else
    setSource(url);
  moveCursor(QTextCursor::Start);
}
