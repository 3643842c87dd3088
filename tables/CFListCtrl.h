// The editable list control under the table mode and the full list: a report
// list whose rows form a tree (one tree column with indentation and 9×9
// expand boxes) and whose cells are edited in place according to their
// profile: text, number with spin arrows, time, drop-down list, button.
//
// Ownership. The control owns its columns, rows (XFList_Row, addressed by
// HFLROW handles; FL_ROOT names the invisible root), cells (XFList_Item) and
// profiles (XFList_ControlProfile). It never touches the configuration: the
// owner keeps its own values in the cells' FL_DATA and is told, through the
// FLN_* notifications, that the focus moved, that an editor is about to
// open, that a cell got a new value. The owner's reply bits (FLR_REFUSE,
// FLR_KEEPEDITOR) refuse or keep, and the text, data and check it writes
// into the FLNotifyInfo record are what the control applies.
//
// The owner is the CFListOwner given to SetOwner, else the nearest parent
// widget that is one. Context menus and tooltips are asked of it too.
//
// Built on Qt's model/view: CFListCtrl is the QTreeView; a flat item model
// holds the displayed rows (the rows of a collapsed row are not in it), so
// the view never measures or creates anything per row; a delegate paints the
// cells and makes the editors (CFList_Edit, CFList_ComboBox, CFList_Time).
// Owners use the interface below; model() is there for tests and
// accessibility, and is read-only.
//
// Colours are 0x00BBGGRR values; FL_COLOR_DEFAULT means "not set" and
// FL_COLOR_HIGHLIGHT the system highlight (or highlight text) colour. The
// focus cell is highlighted; the rest of its row is tinted unless
// SetSelectedRowColors sets the row's colours.
//
// An owner's usual course: AddProfile and fill it (AddComboItem, SetIntRange,
// SetRealRange, SetTimeFormat); AddColumn; between LockRedraw(true) and
// LockRedraw(false) AddRow, SetCellText, SetCellData and SetCellProfile per
// cell; then answer FLN_CHANGED by storing info.text (rewriting it to what
// was stored) and FLN_FOCUSCHANGED by following the focus. Editors open by
// themselves on the triggers of their kind (a typed character, Enter, F2, a
// double click, Alt+Down for lists, Tab after an edit that ended with Tab).
//
// User-interface thread only.
#pragma once

#include <memory>
#include <vector>

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTreeView>

class CFListCtrl;
class CFListDelegate;
class CFListModel;
class QTimer;
struct XFList_Row;

using HFLROW = XFList_Row*;
using FL_DATA = quintptr;  // an owner's value; wide enough for a pointer
using FL_COLOR = quint32;

// The invisible root row: its children are the top-level rows.
inline HFLROW const FL_ROOT = reinterpret_cast<HFLROW>(quintptr{1});
// Positions for AddRow besides a sibling's handle (after which the row goes).
inline HFLROW const FL_LAST = reinterpret_cast<HFLROW>(quintptr{2});   // append
inline HFLROW const FL_FIRST = reinterpret_cast<HFLROW>(quintptr{3});  // insert first
// Insert first, then sort the parent's children by the tree column's text
// (case-insensitive).
inline HFLROW const FL_SORT = reinterpret_cast<HFLROW>(quintptr{4});

inline constexpr FL_COLOR FL_COLOR_DEFAULT = 0x100000;
inline constexpr FL_COLOR FL_COLOR_HIGHLIGHT = 0x200000;

// Profile kinds: the low 16 bits choose the editor, the higher bits add
// behaviour.
enum : int {
  FLP_BUTTON = 2,       // "..." button on the focus cell; asks the owner (FLN_BUTTONCLICK)
  FLP_EDIT = 8,         // text, CFList_Edit
  FLP_EDITBUTTON = 10,  // text with a "..." button
  FLP_COMBO = 18,       // drop-down list, CFList_ComboBox
  FLP_EDITCOMBO = 26,   // editable drop-down, also opened by typing
  FLP_NUMBER = 42,      // number, CFList_Edit, spin arrows on the focus cell
  FLP_TIME = 65,        // hours:minutes, CFList_Time

  FLP_HASBUTTON = 0x02,   // the focus cell has a button square
  FLP_CHECKBOX = 0x04,    // the cell shows a check box
  FLP_ISLIST = 0x10,      // drop-down kinds
  FLP_ISNUMBER = 0x20,    // with 0x08 and 0x02: a number profile
  FLP_SORTED = 0x10000,   // the drop-down list is sorted
  FLP_CHECKTOGGLE = 0x20000,  // a check box click proposes the opposite state
  FLP_PLUSGLYPH = 0x40000,    // the button shows "+" instead of "..." or the arrow
};

// Format flags of a cell (XFList_CellFormat::flags).
enum : int {
  FLF_ALIGN = 0x02,      // own alignment
  FLF_TEXTCOLOR = 0x04,  // own text colour
  FLF_BKCOLOR = 0x08,    // own background colour
  FLF_READONLY = 0x10,   // no editor opens
};

// Alignment codes of AddColumn's header format and of a cell's format block.
enum : int { FL_LEFT = 0, FL_RIGHT = 1, FL_CENTER = 2 };

// Notification codes and the owner's reply bits.
enum : int {
  FLN_ROWTOGGLED = 1225,    // a row was expanded or collapsed (column -1)
  FLN_CHECKCLICK = 1226,    // check holds the proposed state; 1: keep the old one
  FLN_DELETEROW = 1227,     // a row is about to be deleted (column -1)
  FLN_FOCUSCHANGED = 1228,  // the focus cell moved
  FLN_BEGINEDIT = 1229,     // a text, number or time editor is about to open; 1: don't
  FLN_CHANGED = 1230,       // a cell got a new value in text; 1: don't apply, 2: keep the editor
  FLN_BUTTONCLICK = 1231,   // a button cell was pressed; 1: ignore, else text and data are taken
  FLN_BEGINCOMBO = 1232,    // a list editor is about to open; 1: don't
  FLN_ENDEDIT = 1244,       // an editor ended (between the editor and the control only)
};
enum : int { FLR_REFUSE = 1, FLR_KEEPEDITOR = 2 };

// GetRelatedRow relations.
enum : int {
  FLR_FIRSTCHILD = 301,
  FLR_LASTCHILD = 302,
  FLR_NEXTSIBLING = 303,
  FLR_NEXTDISPLAYED = 304,
  FLR_PREVSIBLING = 305,
  FLR_PREVDISPLAYED = 306,
  FLR_PARENT = 307,
  FLR_DISPLAYED = 308,  // the row, or its nearest displayed ancestor
  FLR_TOPLEVEL = 309,
  FLR_FIRSTONPAGE = 311,
  FLR_LASTONPAGE = 312,
};

// Child window ids (objectName of the editors).
enum : int { FL_IDC_EDIT = 501, FL_IDC_COMBO = 502, FL_IDC_SPIN = 503, FL_IDC_TIME = 504 };

// End keys of an editor.
enum : int { FL_KEY_ENTER = 13, FL_KEY_TAB = 9, FL_KEY_ESCAPE = 27 };

struct FL_COMBOITEM {
  QString text;
  int data = 0;
};

// A cell's format block; flags 0 means none.
struct XFList_CellFormat {
  int flags = 0;
  int alignment = FL_LEFT;  // header-format codes
  FL_COLOR textColor = FL_COLOR_DEFAULT;
  FL_COLOR backColor = FL_COLOR_DEFAULT;
};

struct XFList_Item {
  QString text;  // for number, time and list cells also the value
  int image = -1;
  int profile = -1;  // -1: no profile, the cell is not edited
  FL_DATA data = 0;
  int check = 0;  // 0 unchecked, 1 checked, 2 third state
  XFList_CellFormat format;
};

struct XFList_Column {
  QString heading;
  int defaultProfile = -1;
  int alignment = FL_LEFT;
  FL_COLOR backColor = FL_COLOR_DEFAULT;
  FL_COLOR textColor = FL_COLOR_DEFAULT;
  int width = -1;  // what the user last gave it by dragging the divider
  // The width to give the header once a model reset ends (a reset leaves
  // the header with default sections); -1 when none.
  int pendingWidth = -1;
};

struct XFList_Row {
  std::vector<XFList_Item> items;  // one per column
  std::vector<std::unique_ptr<XFList_Row>> children;
  XFList_Row* parent = nullptr;
  int collapsed = 1;  // a new row starts collapsed
  int depth = 0;      // the root has 0
  int listIndex = -1;  // position among the displayed rows, -1 while hidden
  int bold = 0;
  FL_COLOR backColor = FL_COLOR_DEFAULT;
  FL_COLOR textColor = FL_COLOR_DEFAULT;
};

struct XFList_ControlProfile {
  int kind = 0;
  int checkedImage = -1, uncheckedImage = -1, thirdImage = -1;
  QString text;  // the last list editor's chosen text
  int data = 0;  // and its data
  std::vector<FL_COMBOITEM> items;
  int numberType = 0;  // 0 integer, 1 real
  int intMin = 0, intMax = 100, intStep = 1;
  double realMin = 0, realMax = 100, realStep = 1;
  int timeFormat = 0;
  // The real format built from the step's decimals, and the step it is for.
  QString realFormat;
  double realFormatStep = -1;
};

// The record of every notification. The owner may change text, data and
// check; where the control applies a notice it takes them from here.
struct FLNotifyInfo {
  CFListCtrl* sender = nullptr;
  int idFrom = 0;
  int code = 0;
  HFLROW row = nullptr;
  int column = -1;
  QString text;
  FL_DATA data = 0;
  bool collapsed = false;
  int check = 0;
  int profile = -1;
};

// An editor's end, as it reports it to the control.
struct FLEndEditInfo {
  QString text;
  FL_DATA data = 0;  // the chosen entry's data for a list editor, else 0
  HFLROW row = nullptr;
  int column = -1;
  int endKey = FL_KEY_ENTER;
};

class CFListOwner {
 public:
  virtual ~CFListOwner() = default;
  // A notification; returns the reply bits.
  virtual int OnListNotify(FLNotifyInfo& info) = 0;
  // A right click in the list (the cell under the pointer is the focus cell
  // by then) or on its header, at a global position.
  virtual void OnListContextMenu(CFListCtrl& list, const QPoint& globalPos);
  // The tooltip of a cell, asked when the pointer rests on it; empty: none.
  virtual QString GetCellToolTip(CFListCtrl& list, HFLROW row, int column);
};

class CFListCtrl : public QTreeView {
  Q_OBJECT

 public:
  // id is the control id: the objectName and the idFrom of notifications.
  explicit CFListCtrl(QWidget* parent = nullptr, int id = 0);
  ~CFListCtrl() override;

  void SetOwner(CFListOwner* owner) { m_owner = owner; }
  int GetDlgCtrlID() const { return m_id; }

  // ---- Columns ---------------------------------------------------------------
  // index -1 appends. format: FL_LEFT, FL_RIGHT or FL_CENTER. Every row gets
  // an empty cell with the default profile. Returns the column's index.
  int AddColumn(int index, const QString& heading, int width, int format = FL_LEFT,
                int defaultProfile = -1);
  // Removing the last column removes all rows.
  void RemoveColumn(int index);
  int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
  void SetColumnColor(int column, FL_COLOR text, FL_COLOR back);
  QString GetColumnHeading(int column) const;
  void SetColumnHeading(int column, const QString& heading);

  // ---- Rows --------------------------------------------------------------------
  // Under parent (FL_ROOT for the top level), at FL_LAST, FL_FIRST, FL_SORT or
  // after a sibling. Text, image and (when >= 0) profile go into the tree
  // column's cell. Shown at once when the parent is open.
  HFLROW AddRow(HFLROW parent, HFLROW after, const QString& text, int image = -1, int profile = -1);
  // Collapses the row, sends FLN_DELETEROW for it and then for each of its
  // children, and removes it. FL_ROOT removes every row and keeps the root.
  void RemoveRow(HFLROW row);
  void SetRowBold(HFLROW row, bool bold);
  bool IsRowBold(HFLROW row) const;
  void SetRowColor(HFLROW row, FL_COLOR text, FL_COLOR back);

  // ---- Cells -------------------------------------------------------------------
  QString GetCellText(HFLROW row, int column) const;
  void SetCellText(HFLROW row, int column, const QString& text);
  FL_DATA GetCellData(HFLROW row, int column) const;
  void SetCellData(HFLROW row, int column, FL_DATA data);
  int GetCellCheck(HFLROW row, int column) const;
  void SetCellCheck(HFLROW row, int column, int check);
  int GetCellImage(HFLROW row, int column) const;
  void SetCellImage(HFLROW row, int column, int image);
  // nullptr clears the format block.
  void SetCellFormat(HFLROW row, int column, const XFList_CellFormat* format);
  XFList_CellFormat GetCellFormat(HFLROW row, int column) const;
  int GetCellProfile(HFLROW row, int column) const;
  // The cell's text stays as it is: a number profile's range holds for what
  // the user enters or steps, not for a text the owner shows.
  void SetCellProfile(HFLROW row, int column, int profile);

  // ---- Profiles ------------------------------------------------------------------
  int AddProfile(int kind);
  void AddComboItem(int profile, const QString& text, int data);
  void SetIntRange(int profile, int minimum, int maximum, int step);
  void SetRealRange(int profile, double minimum, double maximum, double step);
  void SetTimeFormat(int profile, int format);
  void SetProfileImages(int profile, int checked, int unchecked, int third);
  const XFList_ControlProfile* GetProfile(int profile) const;
  // The text and data of the entry the last list editor of the profile ended
  // on (the profile's scratch fields).
  QString GetProfileText(int profile) const;
  int GetProfileData(int profile) const;
  // The number text of a profile: "%d" for integers, the step's decimals for reals.
  QString FormatNumber(int profile, double value);

  // ---- Images ------------------------------------------------------------------------
  // The small image list of cell and check images, and the two state images
  // that replace the drawn expand box (expanded, collapsed) when given.
  void SetImageList(const QList<QPixmap>& images);
  void SetStateImages(const QPixmap& expanded, const QPixmap& collapsed);

  // ---- Tree ------------------------------------------------------------------------
  void CollapseRow(HFLROW row, bool collapsed);
  // True when the row is collapsed or has no children.
  bool IsRowCollapsed(HFLROW row) const;
  int GetChildCount(HFLROW row) const;
  HFLROW GetChild(HFLROW parent, int n) const;
  // nullptr when there is no such row.
  HFLROW GetRelatedRow(HFLROW row, int relation) const;
  // Exchanges two siblings (with their children).
  void SwapRows(HFLROW a, HFLROW b);
  int GetRowDepth(HFLROW row) const;
  bool IsRowDisplayed(HFLROW row) const;
  int GetDisplayedRowCount() const { return static_cast<int>(m_display.size()); }
  HFLROW GetDisplayedRow(int listIndex) const;
  int GetRowCount() const { return m_rowCount; }

  // ---- Focus ------------------------------------------------------------------------
  // Does nothing while an editor is open. row nullptr: no focus cell.
  void SetFocusCell(HFLROW row, int column, bool scroll = true);
  HFLROW GetFocusRow() const { return m_focusRow; }
  int GetFocusColumn() const { return m_focusColumn; }
  void EnsureCellVisible(HFLROW row, int column);
  void SetRowFocusMode(bool rowFocus);
  void SetTreeColumn(int column);
  int GetTreeColumn() const { return m_treeColumn; }
  void SetFocusColors(FL_COLOR text, FL_COLOR back);
  void SetSelectedRowColors(FL_COLOR text, FL_COLOR back);

  // ---- Look ------------------------------------------------------------------------
  // column -1: the single column of a header-less list.
  void AutoSizeColumn(int column);
  // Nested: redrawing resumes when every lock is undone; reset drops all locks.
  // Rows added or removed while locked reach the view as one reset.
  void LockRedraw(bool lock, bool reset = false);
  void SetGridLines(bool on);
  // Column 0 stays in place at the left while the other columns scroll
  // sideways (the table's labels stay beside their steps). Its width is then
  // set by the owner, not by dragging.
  void SetFrozenColumn(bool frozen);
  bool IsColumnFrozen() const { return m_frozenPane != nullptr; }
  bool HasGridLines() const { return m_gridLines; }
  int GetLineHeight() const { return m_lineHeight; }

  // ---- Editors ------------------------------------------------------------------------
  bool IsEditing() const { return !m_editor.isNull(); }
  QWidget* GetEditor() const { return m_editor; }
  // Ends an open editor as focus loss would (end key Enter), or as Escape.
  void EndEdit(bool cancel = false);

  // For tests and the owner's geometry: the model index of a cell, the cell at
  // a viewport point (false when none), a cell's rectangle in the viewport.
  QModelIndex IndexOf(HFLROW row, int column) const;
  HFLROW RowOf(const QModelIndex& index) const;
  bool CellAt(const QPoint& viewportPos, HFLROW* row, int* column) const;
  QRect CellRect(HFLROW row, int column) const;
  // The button square of a cell (spin arrows, drop arrow, "..."), in viewport
  // coordinates; empty when the cell shows none now.
  QRect ButtonRect(HFLROW row, int column) const;
  QRect CheckBoxRect(HFLROW row, int column) const;
  QRect ExpandBoxRect(HFLROW row) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void updateGeometries() override;
  bool viewportEvent(QEvent* event) override;

 private:
  friend class CFListModel;
  friend class CFListDelegate;
  friend class CFListFrozenPane;

  enum class Trigger { KeyDown, Char, LeftButton, DoubleClick };

  XFList_Row* real(HFLROW row) const { return row == FL_ROOT ? m_root.get() : row; }
  XFList_Item* item(HFLROW row, int column) const;
  XFList_ControlProfile* profileOf(int profile) const;
  XFList_ControlProfile* cellProfile(HFLROW row, int column) const;
  bool isNumberProfile(const XFList_ControlProfile* p) const;
  bool isReadOnly(HFLROW row, int column) const;
  int notify(int code, HFLROW row, int column, FLNotifyInfo* out = nullptr);
  int send(FLNotifyInfo& info);
  CFListOwner* owner() const;

  // Displayed rows: structural edits reach the model as inserts and removals,
  // or as one reset while redrawing is locked.
  bool locked() const { return m_lock > 0; }
  void beginStructure();
  void endStructure();
  void rebuildDisplay();
  void collectDisplayed(XFList_Row* row, std::vector<XFList_Row*>& out) const;
  void showChildren(XFList_Row* row);
  void hideChildren(XFList_Row* row);
  void renumber(int from);
  void cellChanged(HFLROW row, int column);
  void rowChanged(HFLROW row);
  void removeRowRecord(XFList_Row* row);
  void sortChildren(XFList_Row* parent);
  XFList_Row* lastDisplayedIn(XFList_Row* row) const;

  // Numbers.
  void spin(int delta);

  // Editing.
  void dispatch(Trigger trigger, int key, const QString& typed = QString());
  void openEditor(int editorId, const QString& startText, bool typed);
  void pressButton();
  void editorEnded(QWidget* editor, FLEndEditInfo& info);
  void afterEditClosed(int endKey, bool backward);
  void moveByTab(bool backward);
  void clickCheckBox(HFLROW row, int column);

  // Geometry.
  int rowsPerPage() const;
  QRect textRect(HFLROW row, int column) const;
  int contentLeft(HFLROW row, int column) const;
  bool showsButton(HFLROW row, int column) const;
  void measure();
  void onSectionResized(int column, int oldSize, int newSize);
  void onHeaderContextMenu(const QPoint& pos);
  // The width of the frozen column 0, 0 when none.
  int frozenWidth() const;
  void placeFrozenPane();

  int m_id;
  CFListOwner* m_owner = nullptr;
  CFListModel* m_model;
  CFListDelegate* m_delegate;
  std::unique_ptr<XFList_Row> m_root;
  std::vector<XFList_Column> m_columns;
  std::vector<std::unique_ptr<XFList_ControlProfile>> m_profiles;
  std::vector<XFList_Row*> m_display;
  int m_rowCount = 0;
  QList<QPixmap> m_images;
  QPixmap m_expandedImage, m_collapsedImage;

  HFLROW m_focusRow = nullptr;
  int m_focusColumn = 0;
  bool m_rowFocus = false;
  int m_treeColumn = 0;
  int m_lineHeight = 0;
  int m_lock = 0;
  bool m_resetOpen = false;  // a model reset began under the lock
  bool m_gridLines = false;
  FL_COLOR m_focusText = FL_COLOR_HIGHLIGHT, m_focusBack = FL_COLOR_HIGHLIGHT;
  FL_COLOR m_selText = FL_COLOR_DEFAULT, m_selBack = FL_COLOR_DEFAULT;

  // The open editor and its cell; the key that ended the last edit.
  QPointer<QWidget> m_editor;
  HFLROW m_editRow = nullptr;
  int m_editColumn = -1;
  int m_editorId = 0;
  int m_lastEndKey = 0;
  bool m_ending = false;
  bool m_destroying = false;
  // What the next editor starts with (read by the delegate as it makes it).
  QString m_startText;

  // Over the viewport's left edge while column 0 is frozen.
  QWidget* m_frozenPane = nullptr;

  // The spin arrow held down, repeating.
  QTimer* m_spinRepeat;
  int m_spinDelta = 0;
};
