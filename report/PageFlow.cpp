#include "report/PageFlow.h"

#include <algorithm>
#include <numeric>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

namespace report {
namespace {

const QColor kRuleColour(110, 110, 110);
const QColor kHeaderFill(232, 232, 232);
const QColor kGreyText(140, 140, 140);

constexpr double kRuleMm = 0.15;
constexpr double kPadMm = 0.8;      // left and right in a cell
constexpr double kPadTopMm = 0.4;   // above and below a cell's text
constexpr double kGapMm = 1.2;      // a table's separator row
constexpr double kFooterGapMm = 3;  // between the body and the footer's text

// The height of `text` wrapped to `width`, at least one line: a single line
// is measured by its advance alone, which is what almost every cell is.
double textHeight(const QFontMetricsF& fm, const QString& text, double width) {
  if (text.isEmpty() || (fm.horizontalAdvance(text) <= width && !text.contains(u'\n'))) return fm.height();
  return std::max(fm.height(), fm.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text).height());
}

// Draws `text` in the box; a single line at the baseline the box's top and
// the font's ascent give, a longer text wrapped.
void drawText(QPainter& p, const QFontMetricsF& fm, const QRectF& box, Qt::Alignment align,
              const QString& text) {
  if (text.isEmpty()) return;
  const double advance = fm.horizontalAdvance(text);
  if (advance <= box.width() && !text.contains(u'\n')) {
    double x = box.left();
    if (align & Qt::AlignRight)
      x = box.right() - advance;
    else if (align & Qt::AlignHCenter)
      x = box.left() + (box.width() - advance) / 2;
    p.drawText(QPointF(x, box.top() + fm.ascent()), text);
    return;
  }
  p.drawText(box, static_cast<int>((align & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextWordWrap),
             text);
}

}  // namespace

Units::Units(const QPaintDevice& d) : perMm(d.logicalDpiX() / 25.4), device(&d) {}

double Block::wholeHeight() const {
  double h = headHeight();
  for (int k = 0; k < partCount(); ++k) h += partHeight(k);
  return h;
}

// ---- TextBlock ---------------------------------------------------------------

TextBlock::TextBlock(QStringList lines, QFont font) : m_lines(std::move(lines)), m_font(std::move(font)) {}

void TextBlock::layOut(const Units& units, double width) {
  const QFontMetricsF fm(m_font, units.device);
  m_heights.clear();
  for (const QString& line : m_lines) m_heights.push_back(textHeight(fm, line, width));
}

void TextBlock::paint(QPainter& p, const Units& units, double top, double width, int first, int end) const {
  const QFontMetricsF fm(m_font, units.device);
  p.setFont(m_font);
  p.setPen(Qt::black);
  for (int i = first; i < end; ++i) {
    const double h = m_heights[static_cast<size_t>(i)];
    drawText(p, fm, QRectF(0, top, width, h), Qt::AlignLeft, m_lines[i]);
    top += h;
  }
}

// ---- TableBlock --------------------------------------------------------------

TableBlock::TableBlock(std::vector<Column> columns, QFont font, int headerRows)
    : m_columns(std::move(columns)), m_font(std::move(font)), m_headerRows(headerRows) {}

void TableBlock::addGap() { m_rows.push_back(Row{{}, true}); }

void TableBlock::addRow(std::vector<Cell> cells) {
  cells.resize(m_columns.size());
  m_rows.push_back(Row{std::move(cells), false});
}

void TableBlock::layOut(const Units& units, double width) {
  double fixed = 0, shares = 0;
  for (const Column& c : m_columns) {
    fixed += units.mm(c.mm);
    shares += c.mm > 0 ? 0 : c.share;
  }
  const double free = std::max(0.0, width - fixed);
  m_widths.clear();
  for (const Column& c : m_columns)
    m_widths.push_back(c.mm > 0 ? units.mm(c.mm) : shares > 0 ? free * c.share / shares : 0);

  QFont bold = m_font;
  bold.setBold(true);
  const QFontMetricsF fm(m_font, units.device), fmBold(bold, units.device);
  m_pad = units.mm(kPadMm);
  m_padTop = units.mm(kPadTopMm);
  m_heights.clear();
  for (size_t r = 0; r < m_rows.size(); ++r) {
    const Row& row = m_rows[r];
    if (row.gap) {
      m_heights.push_back(units.mm(kGapMm));
      continue;
    }
    const QFontMetricsF& metrics = static_cast<int>(r) < m_headerRows ? fmBold : fm;
    double h = metrics.height();
    for (size_t c = 0; c < row.cells.size(); ++c)
      h = std::max(h, textHeight(metrics, row.cells[c].text, m_widths[c] - 2 * m_pad));
    m_heights.push_back(h + 2 * m_padTop);
  }
}

double TableBlock::headHeight() const {
  return std::accumulate(m_heights.begin(), m_heights.begin() + m_headerRows, 0.0);
}

double TableBlock::paintRow(QPainter& p, const Row& row, double top, bool header) const {
  const double h = m_heights[static_cast<size_t>(&row - m_rows.data())];
  const double width = std::accumulate(m_widths.begin(), m_widths.end(), 0.0);
  if (header) p.fillRect(QRectF(0, top, width, h), kHeaderFill);
  if (!row.gap) {
    QFont font = m_font;
    font.setBold(header);
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    double x = 0;
    for (size_t c = 0; c < row.cells.size(); ++c) {
      const Cell& cell = row.cells[c];
      p.setPen(cell.grey ? kGreyText : Qt::black);
      const QRectF box(x + m_pad, top + m_padTop, m_widths[c] - 2 * m_pad, h - 2 * m_padTop);
      drawText(p, fm, box, m_columns[c].align, cell.text);
      x += m_widths[c];
    }
  }
  return h;
}

void TableBlock::paint(QPainter& p, const Units& units, double top, double, int first, int end) const {
  const double width = std::accumulate(m_widths.begin(), m_widths.end(), 0.0);
  const double tableTop = top;
  std::vector<double> rules{top};  // the horizontal rules
  const auto paintRange = [&](int from, int to, bool header) {
    for (int r = from; r < to; ++r) {
      top += paintRow(p, m_rows[static_cast<size_t>(r)], top, header);
      // A gap has no rule of its own between its neighbours' rules.
      if (!m_rows[static_cast<size_t>(r)].gap || r + 1 == to) rules.push_back(top);
    }
  };
  paintRange(0, m_headerRows, true);
  paintRange(first + m_headerRows, end + m_headerRows, false);

  QPen pen(kRuleColour, units.mm(kRuleMm));
  pen.setCapStyle(Qt::SquareCap);
  p.setPen(pen);
  for (double y : rules) p.drawLine(QPointF(0, y), QPointF(width, y));
  // Columns are ruled from top to bottom, but not across the gaps.
  double x = 0;
  for (size_t c = 0; c <= m_widths.size(); ++c) {
    const bool outer = c == 0 || c == m_widths.size();
    double y = tableTop;
    const auto rows = [&](int from, int to) {
      for (int r = from; r < to; ++r) {
        const double h = m_heights[static_cast<size_t>(r)];
        if (outer || !m_rows[static_cast<size_t>(r)].gap) p.drawLine(QPointF(x, y), QPointF(x, y + h));
        y += h;
      }
    };
    rows(0, m_headerRows);
    rows(first + m_headerRows, end + m_headerRows);
    if (c < m_widths.size()) x += m_widths[c];
  }
}

// ---- DrawingBlock --------------------------------------------------------------

DrawingBlock::DrawingBlock(double heightMm, Paint paint) : m_heightMm(heightMm), m_paint(std::move(paint)) {}

void DrawingBlock::layOut(const Units& units, double) { m_height = units.mm(m_heightMm); }

void DrawingBlock::paint(QPainter& p, const Units& units, double top, double width, int, int) const {
  p.save();
  p.translate(0, top);
  m_paint(p, units, width, m_height);
  p.restore();
}

// ---- PageFlow ----------------------------------------------------------------

int PageFlow::layOut(const Units& units, double width, double height, const QFont& footerFont) {
  m_width = width;
  m_height = height;
  m_footerFont = footerFont;
  m_bodyHeight = height - QFontMetricsF(footerFont, units.device).height() - units.mm(kFooterGapMm);
  for (const auto& b : m_blocks) b->layOut(units, width);

  m_pages.assign(1, {});
  double y = 0;
  const auto newPage = [&] {
    m_pages.emplace_back();
    y = 0;
  };
  // What of a block must stand on the page where it starts.
  const auto start = [&](const Block& b) {
    const double first = b.keepTogether && b.wholeHeight() <= m_bodyHeight
                             ? b.wholeHeight()
                             : b.headHeight() + (b.partCount() > 0 ? b.partHeight(0) : 0);
    return units.mm(b.spaceBefore) + first;
  };
  for (size_t i = 0; i < m_blocks.size(); ++i) {
    const Block& b = *m_blocks[i];
    if (b.newPage && !m_pages.back().empty()) newPage();
    if (b.partCount() == 0) continue;
    double space = m_pages.back().empty() ? 0 : units.mm(b.spaceBefore);
    if (!m_pages.back().empty()) {
      double need = start(b);
      if (b.keepWithNext) {
        need = space + b.wholeHeight();
        if (i + 1 < m_blocks.size()) need += start(*m_blocks[i + 1]);
      }
      if (y + need > m_bodyHeight) {
        newPage();
        space = 0;
      }
    }
    int first = 0;
    while (first < b.partCount()) {
      double used = space + b.headHeight();
      int end = first;
      while (end < b.partCount() && y + used + b.partHeight(end) <= m_bodyHeight) used += b.partHeight(end++);
      if (end == first) {
        if (!m_pages.back().empty()) {
          newPage();
          space = 0;
          continue;
        }
        used += b.partHeight(end++);  // taller than a page: it runs over the footer
      }
      m_pages.back().push_back({&b, y + space, first, end});
      y += used;
      first = end;
      if (first < b.partCount()) {
        newPage();
        space = 0;
      }
    }
  }
  return pageCount();
}

void PageFlow::paintPage(QPainter& p, const Units& units, int page, const QString& footerLeft) const {
  for (const Placement& place : m_pages[static_cast<size_t>(page)])
    place.block->paint(p, units, place.top, m_width, place.first, place.end);

  const QFontMetricsF fm(m_footerFont, units.device);
  const double top = m_height - fm.height();
  QPen pen(kRuleColour, units.mm(kRuleMm));
  p.setPen(pen);
  p.drawLine(QPointF(0, top - units.mm(kFooterGapMm) / 2),
             QPointF(m_width, top - units.mm(kFooterGapMm) / 2));
  p.setPen(Qt::black);
  p.setFont(m_footerFont);
  const QString number = QStringLiteral("Страница %1 из %2").arg(page + 1).arg(pageCount());
  const double numberWidth = fm.horizontalAdvance(number);
  p.drawText(QPointF(m_width - numberWidth, top + fm.ascent()), number);
  const QString name = fm.elidedText(footerLeft, Qt::ElideRight, m_width - numberWidth - units.mm(10));
  p.drawText(QPointF(0, top + fm.ascent()), name);
}

}  // namespace report
