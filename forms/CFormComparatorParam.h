// The right pane's form of one comparator: a white host around the
// comparator page, which does all the work. Binding, refreshing, committing
// and "Помощь" are passed on to the page. User-interface thread only.
#pragma once

#include "forms/CMyFormView.h"

class CDlgComparator;

class CFormComparatorParam : public CMyFormView {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 521;

  explicit CFormComparatorParam(QWidget* parent = nullptr);

  void bindGroup(void* group) override;
  bool commitForm() override;
  void refreshForm() override;
  bool onCommand(int command) override;
  CDlgComparator* comparatorPage() const { return m_page; }

 private:
  CDlgComparator* m_page;
};
