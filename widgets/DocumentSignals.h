// The document's change notices as Qt signals, for widgets and item models:
// one signal per kind of DocumentChange. Each view that needs them makes its
// own, as a child; it observes the document from construction to
// destruction, so the document must outlive it. User-interface thread only.
#pragma once

#include <QObject>

#include "document/DocumentChange.h"

class Document;

class DocumentSignals : public QObject, private DocumentObserver {
  Q_OBJECT

 public:
  DocumentSignals(Document& doc, QObject* parent);
  ~DocumentSignals() override;

 signals:
  void cellChanged(const Parameter* cell);
  void valuesChanged();
  void stepsChanged(const Program* program);
  void programsChanged();
  void configurationReplaced();
  void selectionMoved();

 private:
  void documentChanged(const DocumentChange& change) override;

  Document& m_doc;
};
