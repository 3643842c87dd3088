// The document's change notices as Qt signals, for widgets and item models:
// one signal per kind of DocumentChange. Each view that needs them makes its
// own, as a child; it observes the document from construction to
// destruction, so the document must outlive it. What a view does about a
// notice leaves the keyboard focus where it was (a view hidden or rebuilt
// under the focus would move it); only changeShown, which brings the views to
// the place of an undone change, may move it. User-interface thread only.
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
  void programRenamed(const Program* program);
  void programsChanged();
  void configurationReplaced();
  void selectionMoved();
  void changeShown(const ChangePlace& place);

 private:
  void documentChanged(const DocumentChange& change) override;

  Document& m_doc;
};
