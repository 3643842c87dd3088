#include "widgets/MaskedText.h"

#include <algorithm>

#include "widgets/FileText.h"

namespace {

bool isAsciiLetter(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The character that follows the first run of one of `fieldLetters` in a
// locale's date or time format: the separator between its first two fields.
QChar separatorAfterFirstField(const QString& format, const QString& fieldLetters, QChar fallback) {
  const qsizetype start = [&] {
    for (qsizetype i = 0; i < format.size(); ++i)
      if (fieldLetters.contains(format[i])) return i;
    return qsizetype(-1);
  }();
  if (start < 0) return fallback;
  qsizetype i = start;
  while (i < format.size() && format[i] == format[start]) ++i;
  if (i >= format.size()) return fallback;
  const QChar c = format[i];
  if (c.isLetterOrNumber() || c.isSpace() || c == u'\'') return fallback;
  return c;
}

}  // namespace

bool MaskedText::MaskElement::accepts(QChar c) const {
  switch (kind) {
    case kDigit:
      return isAsciiDigit(c);
    case kAlphaNumeric:
      return isAsciiLetter(c) || isAsciiDigit(c);
    case kAlpha:
    case kUpper:
    case kLower:
      return isAsciiLetter(c);
    case kAnyCharacter:
      // Codes 32..126 and 128..255 of Windows-1251: printable, no DEL.
      return c.unicode() >= 32 && c.unicode() != 127 && representableInCp1251(QString(c));
    default:
      return false;
  }
}

QChar MaskedText::MaskElement::converted(QChar c) const {
  if (kind == kUpper) return c.toUpper();
  if (kind == kLower) return c.toLower();
  return c;
}

MaskedText::Separators MaskedText::Separators::fromLocale(const QLocale& locale) {
  Separators s;
  if (const QString d = locale.decimalPoint(); !d.isEmpty()) s.decimal = d[0];
  if (const QString g = locale.groupSeparator(); !g.isEmpty()) s.thousands = g[0];
  s.time = separatorAfterFirstField(locale.timeFormat(QLocale::ShortFormat), QStringLiteral("hH"), s.time);
  s.date = separatorAfterFirstField(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("dMy"), s.date);
  return s;
}

MaskedText::MaskedText(Separators separators) : m_separators(separators) {}

void MaskedText::setMask(const QString& mask) {
  m_elements.clear();
  for (qsizetype i = 0; i < mask.size(); ++i) {
    MaskElement e;
    const QChar m = mask[i];
    switch (m.unicode()) {
      case u'.':
        e = {kDecimalSeparator, m_separators.decimal};
        break;
      case u',':
        e = {kThousandsSeparator, m_separators.thousands};
        break;
      case u':':
        e = {kTimeSeparator, m_separators.time};
        break;
      case u'/':
        e = {kDateSeparator, m_separators.date};
        break;
      case u'#':
        e = {kDigit, m_fill};
        break;
      case u'A':
        e = {kAlphaNumeric, m_fill};
        break;
      case u'?':
        e = {kAlpha, m_fill};
        break;
      case u'>':
        e = {kUpper, m_fill};
        break;
      case u'<':
        e = {kLower, m_fill};
        break;
      case u'&':
        e = {kAnyCharacter, m_fill};
        break;
      case u'\\':
        // A '\' that ends the mask has nothing to escape: it stands for itself.
        e = {kEscapedLiteral, i + 1 < mask.size() ? mask[++i] : m};
        break;
      default:
        e = {kLiteral, m};
        break;
    }
    m_elements.push_back(e);
  }
}

QString MaskedText::displayText() const {
  QString s;
  s.reserve(size());
  for (const MaskElement& e : m_elements) s += e.character;
  return s;
}

QString MaskedText::enteredText() const {
  QString s;
  for (const MaskElement& e : m_elements)
    if (e.isInput()) s += e.character;
  return s;
}

bool MaskedText::distribute(const QString& src) {
  bool allTaken = true;
  qsizetype r = 0;
  for (int i = 0; i < size(); ++i) {
    MaskElement& e = m_elements[i];
    if (!e.isInput()) continue;
    e.character = m_fill;
    while (r < src.size()) {
      const QChar c = src[r++];
      const bool taken = c == m_fill || e.accepts(c);
      if (!taken) {
        allTaken = false;
        continue;
      }
      if (c != m_fill) e.character = e.converted(c);
      break;
    }
  }
  return allTaken;
}

bool MaskedText::putEnteredText(const QString& text, int count, bool raw) {
  QString src = enteredText().left(std::max(count, 0));
  if (raw) {
    src += text;
  } else {
    for (QChar c : text)
      if (c != m_fill) src += c;
  }
  return distribute(src);
}

bool MaskedText::setFillChar(QChar c) {
  if (c == QChar(0) || c == u'\n' || c == u'\r' || c == QChar(127)) return false;
  for (MaskElement& e : m_elements)
    if (e.isInput() && e.character == m_fill) e.character = c;
  m_fill = c;
  return true;
}

bool MaskedText::isBlank() const {
  return std::all_of(m_elements.begin(), m_elements.end(),
                     [&](const MaskElement& e) { return !e.isInput() || e.character == m_fill; });
}

int MaskedText::inputToPosition(int n) const {
  if (n < 0 || n >= size()) return -1;
  for (int i = 0; i < size(); ++i)
    if (m_elements[i].isInput() && n-- == 0) return i;
  return -1;
}

int MaskedText::nextInputPosition(int p) const {
  for (int i = std::max(p, 0); i < size(); ++i)
    if (m_elements[i].isInput()) return i;
  return size();
}

int MaskedText::previousCaretPosition(int p) const {
  const int q = std::max(p, 0);
  if (q >= size() || m_elements[q].isInput()) return q;
  const int before = inputBefore(q);
  return before >= 0 ? before + 1 : nextInputPosition(p);
}

int MaskedText::firstBlankPosition(int p) const {
  for (int i = std::max(p, 0); i < size(); ++i)
    if (m_elements[i].isInput() && m_elements[i].character == m_fill) return i;
  return size();
}

int MaskedText::inputIndexAtOrAfter(int pos) const {
  int k = 0;
  for (int i = 0; i < size(); ++i) {
    if (!m_elements[i].isInput()) continue;
    if (i >= pos) return k;
    ++k;
  }
  return -1;
}

int MaskedText::inputBefore(int pos) const {
  for (int i = std::min(pos, size()) - 1; i >= 0; --i)
    if (m_elements[i].isInput()) return i;
  return -1;
}

int MaskedText::clearRange(int from, int to) {
  QString entered;
  int cleared = 0;
  for (int i = 0; i < size(); ++i) {
    if (!m_elements[i].isInput()) continue;
    const bool inRange = i >= from && i < to;
    cleared += inRange;
    entered += inRange ? m_fill : m_elements[i].character;
  }
  distribute(entered);
  return cleared;
}

int MaskedText::insertAt(int pos, QChar c) {
  const int k = inputIndexAtOrAfter(pos);
  if (k < 0) return -1;
  const QString before = enteredText();
  if (!distribute(before.left(k) + c + before.mid(k))) {
    distribute(before);
    return -1;
  }
  return inputToPosition(k);
}

int MaskedText::putCharAt(int pos, QChar c) {
  if (pos < 0 || pos >= size() || !m_elements[pos].isInput()) return -1;
  MaskElement& e = m_elements[pos];
  if (c == m_fill) {
    e.character = c;
  } else if (e.accepts(c)) {
    e.character = e.converted(c);
  } else {
    return -1;
  }
  return pos;
}

QString MaskedText::stripLiteralRuns(const QString& text) const {
  QString out = text;
  int removed = 0;
  const int limit = std::min(size(), static_cast<int>(text.size()));
  int i = 0;
  while (i < limit) {
    if (m_elements[i].isInput()) {
      ++i;
      continue;
    }
    const int runStart = i;
    QString run;
    while (i < size() && !m_elements[i].isInput()) run += m_elements[i++].character;
    if (i >= size()) break;  // a trailing run is never stripped
    if (out.mid(runStart - removed, run.size()) == run) {
      out.remove(runStart - removed, run.size());
      removed += static_cast<int>(run.size());
    }
  }
  return out;
}

MaskedText::Outcome MaskedText::type(QChar c, int selStart, int selEnd) {
  if (selStart == selEnd) {
    if (selStart < 0 || selStart >= size() || !m_elements[selStart].isInput())
      return {true, false, nextInputPosition(selStart)};
    const int at = m_insertTyping ? insertAt(selStart, c) : putCharAt(selStart, c);
    if (at < 0) return {true, true, nextInputPosition(selStart)};
    return {false, true, nextInputPosition(at + 1)};
  }
  if (clearRange(selStart, selEnd) == 0) return {true, false, nextInputPosition(selStart)};
  // The character takes the first place the selection left empty; what
  // follows the selection stays where it is (an insert there would push the
  // minutes of 12:34 along when the hours are typed over, and drop a digit).
  const int at = putCharAt(nextInputPosition(selStart), c);
  if (at < 0) return {true, true, nextInputPosition(selStart)};
  return {false, true, nextInputPosition(at + 1)};
}

MaskedText::Outcome MaskedText::backspace(int selStart, int selEnd) {
  if (selStart != selEnd && clearRange(selStart, selEnd) > 0)
    return {false, true, nextInputPosition(selStart)};
  // No selection, or one without input positions: the input before it.
  const int before = inputBefore(selStart);
  if (before < 0) return {};
  clearRange(before, before + 1);
  return {false, true, before};
}

MaskedText::Outcome MaskedText::deleteForward(int selStart, int selEnd) {
  if (selStart != selEnd && clearRange(selStart, selEnd) > 0)
    return {false, true, nextInputPosition(selStart)};
  // No selection, or one without input positions: the input at or after it.
  const int next = nextInputPosition(selEnd);
  if (next >= size()) return {};
  clearRange(next, next + 1);
  return {false, true, next};
}

MaskedText::Outcome MaskedText::clearSelection(int selStart, int selEnd) {
  clearRange(selStart, selEnd);
  return {false, true, nextInputPosition(selStart)};
}

MaskedText::Outcome MaskedText::paste(const QString& clip, int selStart, int selEnd) {
  // The selection is emptied and the clipboard's characters fill the input
  // places from its start on, as typing would; refused ones are skipped and
  // the places after the pasted text keep what they had. (Offering the whole
  // shown text without its fill characters instead takes every zero digit
  // out under the fill '0': 10:30 pasted became 13:00.)
  if (selStart != selEnd) clearRange(selStart, selEnd);
  int at = nextInputPosition(selStart);
  int last = -1;
  for (QChar c : clip) {
    if (c == u'\r' || c == u'\n' || at >= size()) break;
    if (putCharAt(at, c) < 0) continue;
    last = at;
    at = nextInputPosition(at + 1);
  }
  return {false, true, last >= 0 ? nextInputPosition(last + 1) : nextInputPosition(selStart)};
}

bool MaskedText::takeText(const QString& text) { return putEnteredText(stripLiteralRuns(text), 0, true); }
