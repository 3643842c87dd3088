#include "widgets/DocumentSignals.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include "document/Document.h"

DocumentSignals::DocumentSignals(Document& doc, QObject* parent) : QObject(parent), m_doc(doc) {
  m_doc.addObserver(this);
}

DocumentSignals::~DocumentSignals() { m_doc.removeObserver(this); }

void DocumentSignals::documentChanged(const DocumentChange& change) {
  using Kind = DocumentChange::Kind;
  if (change.kind == Kind::Shown) {
    if (change.place) emit changeShown(*change.place);
    return;
  }
  const QPointer<QWidget> focus = QApplication::focusWidget();
  switch (change.kind) {
    case Kind::Cell:
      emit cellChanged(change.cell);
      break;
    case Kind::Values:
      emit valuesChanged();
      break;
    case Kind::Steps:
      emit stepsChanged(change.program);
      break;
    case Kind::Name:
      emit programRenamed(change.program);
      break;
    case Kind::Programs:
      emit programsChanged();
      break;
    case Kind::Configuration:
      emit configurationReplaced();
      break;
    case Kind::Selection:
      emit selectionMoved();
      break;
    case Kind::Shown:
      break;
  }
  // A view that switched pages or rebuilt items may have taken the focus;
  // it goes back to its widget while that is still on show.
  if (focus && focus->isVisible() && focus != QApplication::focusWidget()) focus->setFocus();
}
