#include "widgets/DocumentSignals.h"

#include "document/Document.h"

DocumentSignals::DocumentSignals(Document& doc, QObject* parent) : QObject(parent), m_doc(doc) {
  m_doc.addObserver(this);
}

DocumentSignals::~DocumentSignals() { m_doc.removeObserver(this); }

void DocumentSignals::documentChanged(const DocumentChange& change) {
  using Kind = DocumentChange::Kind;
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
    case Kind::Programs:
      emit programsChanged();
      break;
    case Kind::Configuration:
      emit configurationReplaced();
      break;
    case Kind::Selection:
      emit selectionMoved();
      break;
  }
}
