// The report's pages: a flow of blocks (headings, lines of text, tables,
// charts) placed top to bottom, each page ending with a footer. A block is
// made of parts that are never split (a table row, a chart); a block longer
// than the rest of a page continues on the next, a table there repeating its
// header rows; a block kept together starts a page rather than be split.
// A heading is kept on the page of what follows it.
//
// Everything is measured and painted in the units of one paint device, at
// its own resolution: millimetres and points are turned into device units
// once (Units), so the same flow prints on a 1200-dpi PDF, a printer and
// a preview. A flow is built, laid out and painted on one thread.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QFont>
#include <QString>
#include <QStringList>

class QPaintDevice;
class QPainter;

namespace report {

// Device units per millimetre, and the fonts at the device's resolution.
struct Units {
  explicit Units(const QPaintDevice& device);
  double mm(double millimetres) const { return millimetres * perMm; }
  double perMm;
  const QPaintDevice* device;
};

class Block {
 public:
  virtual ~Block() = default;
  // Measures the parts for a width (device units).
  virtual void layOut(const Units& units, double width) = 0;
  virtual int partCount() const = 0;
  virtual double partHeight(int part) const = 0;
  // Above the first part placed on every page: a table's header rows.
  virtual double headHeight() const { return 0; }
  // Paints the head and the parts first..end-1 from `top`, over `width`.
  virtual void paint(QPainter& painter, const Units& units, double top, double width, int first,
                     int end) const = 0;

  // The head and every part, as the block stands on one page.
  double wholeHeight() const;

  double spaceBefore = 0;     // millimetres, left out at the top of a page
  bool keepWithNext = false;  // on the page where what follows starts
  bool keepTogether = false;  // on one page, unless it is longer than a page
  bool newPage = false;       // starts a page of its own
};

// Lines of text in one font, wrapped to the width; each line a part.
class TextBlock : public Block {
 public:
  TextBlock(QStringList lines, QFont font);
  void layOut(const Units& units, double width) override;
  int partCount() const override { return static_cast<int>(m_lines.size()); }
  double partHeight(int part) const override { return m_heights[static_cast<size_t>(part)]; }
  void paint(QPainter& painter, const Units& units, double top, double width, int first,
             int end) const override;

 private:
  QStringList m_lines;
  QFont m_font;
  std::vector<double> m_heights;
};

// A table with ruled cells; columns by share of the width or fixed in
// millimetres; every row a part, the header rows repeated on each page.
class TableBlock : public Block {
 public:
  struct Cell {
    QString text;
    bool grey = false;  // a value that has no effect
  };
  struct Column {
    double share = 0;  // of the width left by the fixed columns
    double mm = 0;     // fixed width when above 0
    Qt::Alignment align = Qt::AlignLeft;
  };

  TableBlock(std::vector<Column> columns, QFont font, int headerRows = 1);
  // An empty row drawn as a narrow gap: the separators of the steps table.
  void addGap();
  void addRow(std::vector<Cell> cells);

  void layOut(const Units& units, double width) override;
  int partCount() const override { return static_cast<int>(m_rows.size()) - m_headerRows; }
  double partHeight(int part) const override { return m_heights[static_cast<size_t>(part + m_headerRows)]; }
  double headHeight() const override;
  void paint(QPainter& painter, const Units& units, double top, double width, int first,
             int end) const override;

 private:
  struct Row {
    std::vector<Cell> cells;
    bool gap = false;
  };
  double paintRow(QPainter& painter, const Row& row, double top, bool header) const;

  std::vector<Column> m_columns;
  QFont m_font;
  int m_headerRows;
  std::vector<Row> m_rows;
  std::vector<double> m_widths;   // laid out, device units
  std::vector<double> m_heights;  // per row
  double m_pad = 0;               // left and right of a cell's text
  double m_padTop = 0;            // above and below it
};

// A drawing of a fixed height in millimetres, one part.
class DrawingBlock : public Block {
 public:
  using Paint = std::function<void(QPainter&, const Units&, double width, double height)>;
  DrawingBlock(double heightMm, Paint paint);
  void layOut(const Units& units, double width) override;
  int partCount() const override { return 1; }
  double partHeight(int) const override { return m_height; }
  void paint(QPainter& painter, const Units& units, double top, double width, int first,
             int end) const override;

 private:
  double m_heightMm;
  double m_height = 0;
  Paint m_paint;
};

// The blocks of a document laid out on pages of the device's paint area.
class PageFlow {
 public:
  void add(std::unique_ptr<Block> block) { m_blocks.push_back(std::move(block)); }

  // Lays every block out on pages `width` × `height` (device units) less
  // the footer's band, and returns the number of pages.
  int layOut(const Units& units, double width, double height, const QFont& footerFont);
  // Paints page `page` (from 0) with its footer: `footerLeft` at the left,
  // "Страница N из M" at the right.
  void paintPage(QPainter& painter, const Units& units, int page, const QString& footerLeft) const;
  int pageCount() const { return static_cast<int>(m_pages.size()); }

  // A block's parts first..end-1 on a page, its head above them from `top`.
  struct Placement {
    const Block* block;
    double top;
    int first, end;
  };
  // What stands on page `page` (from 0), top to bottom, once laid out.
  const std::vector<Placement>& placements(int page) const { return m_pages[static_cast<size_t>(page)]; }

 private:
  std::vector<std::unique_ptr<Block>> m_blocks;
  std::vector<std::vector<Placement>> m_pages;
  double m_width = 0, m_height = 0, m_bodyHeight = 0;
  QFont m_footerFont;
};

}  // namespace report
