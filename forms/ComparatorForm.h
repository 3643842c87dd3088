// The right pane's form of one comparator: a white host around the
// comparator page, which does all the work. Binding, refreshing and
// committing are passed on to the page. User-interface thread only.
#pragma once

#include "forms/GroupForm.h"

class ComparatorPage;

class ComparatorForm : public GroupForm {
  Q_OBJECT

 public:
  explicit ComparatorForm(QWidget* parent = nullptr);

  void bindGroup(GroupRef group) override;
  bool commitForm() override;
  void refreshForm() override;
  ComparatorPage* comparatorPage() const { return m_page; }

 private:
  ComparatorPage* m_page;
};
