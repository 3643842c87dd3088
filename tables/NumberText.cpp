#include "tables/NumberText.h"

#include <climits>
#include <cmath>

#include <QLocale>

namespace numbertext {
namespace {

// Index of the first character after the blanks and an optional sign; the
// sign is reported through `negative`.
qsizetype skipSign(const QString& text, bool* negative) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  *negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    *negative = text[i] == u'-';
    ++i;
  }
  return i;
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::optional<int> leadingInteger(const QString& text) {
  bool negative = false;
  qsizetype i = skipSign(text, &negative);
  if (i >= text.size() || !isDigit(text[i])) return std::nullopt;
  long long v = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    v = v * 10 + (text[i].unicode() - u'0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return static_cast<int>(v);
}

std::optional<double> leadingReal(const QString& text) {
  bool negative = false;
  qsizetype i = skipSign(text, &negative);
  QString number = negative ? QStringLiteral("-") : QString();
  bool digits = false;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    number += text[i];
    digits = true;
  }
  if (i + 1 < text.size() && (text[i] == u'.' || text[i] == u',') && isDigit(text[i + 1])) {
    number += digits ? QStringLiteral(".") : QStringLiteral("0.");
    for (++i; i < text.size() && isDigit(text[i]); ++i) {
      number += text[i];
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  bool ok = false;
  const double v = QLocale::c().toDouble(number, &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace numbertext
