// Numeric identifiers of the commands that tie the menus, the button bars,
// the context menus and the document together. The GUI maps its actions to
// these numbers; the document's command handler (Document::onCommand)
// takes them as they come. Constants only; usable from any thread.
#pragma once

namespace CommandId {

enum : int {
  RestoreDefaults = 1002,  // "По умолчанию" of the button bars
  HelpPage = 1418,         // "Помощь" of the button bars and forms

  // "Программы" menu of the table mode: one item per program, in list order.
  ProgramFirst = 1300,
  ProgramLast = 1400,

  Help = 32773,  // "&Помощь"
  ViewDialog = 32774,
  ViewTable = 32775,
  ViewList = 32776,
  AddStepFirst = 32777,
  AddStepLast = 32778,
  AddStepBefore = 32779,
  AddStepAfter = 32780,
  DeleteStep = 32781,
  TableNext = 32782,      // F8 in the table mode
  TablePrevious = 32783,  // Shift+F8 in the table mode
  ToggleCycleStart = 32784,
  AddProgram = 32785,     // in the menu resource, never offered
  DeleteProgram = 32786,  // in the menu resource, never offered
  RenameProgram = 32787,
  CommitForm = 32788,   // posted by a form after a spin step
  RefreshList = 32789,  // posted by the full list after a step-count change
  ReadDevice = 32790,
  WriteDevice = 32791,
  RefreshAllViews = 32795,  // posted after a memory partition change
  CloseUndoStep = 32796,    // posted by the document after a cell changed

  // The application framework's standard commands.
  FileNew = 57600,
  FileOpen = 57601,
  FileSave = 57603,
  FileSaveAs = 57604,
  EditCopy = 57634,
  EditCut = 57635,
  EditPaste = 57637,
  EditUndo = 57643,
  EditRedo = 57644,
  AppAbout = 57664,
  AppExit = 57665,
  NextPane = 57680,
  PreviousPane = 57681,
};

}  // namespace CommandId
