// The logic of the masked edit, without a window: the mask's elements (one per
// character of the shown text), the entered characters that live in them, and
// what each user action does to them and to the caret. MaskedLineEdit forwards
// its keys, clicks and clipboard commands here and shows displayText(); tests
// drive this class directly. A caret position is an element index: position p
// lies before element p. User-interface thread only.
#pragma once

#include <vector>

#include <QChar>
#include <QLocale>
#include <QString>

class MaskedText {
 public:
  // What a mask character makes: kinds 4..9 take input, the rest are literals.
  enum MaskKind : int {
    kDecimalSeparator = 0,    // '.'
    kThousandsSeparator = 1,  // ','
    kTimeSeparator = 2,       // ':'
    kDateSeparator = 3,       // '/'
    kDigit = 4,               // '#': 0..9
    kAlphaNumeric = 5,        // 'A': A..Z, a..z, 0..9
    kAlpha = 6,               // '?': A..Z, a..z
    kUpper = 7,               // '>': letters, shown in upper case
    kLower = 8,               // '<': letters, shown in lower case
    kAnyCharacter = 9,        // '&': any printable Windows-1251 character
    kEscapedLiteral = 10,     // '\' followed by the literal
    kLiteral = 11,            // any other character
  };

  // One element of the mask, one character of the shown text.
  struct MaskElement {
    int kind = kLiteral;
    QChar character;

    bool isInput() const { return kind >= kDigit && kind <= kAnyCharacter; }
    // Whether an input element takes c (the fill character aside).
    bool accepts(QChar c) const;
    // c as the element stores it (case conversion of '>' and '<').
    QChar converted(QChar c) const;
  };

  // The separators the kinds 0..3 show.
  struct Separators {
    QChar decimal = u'.';
    QChar thousands = u',';
    QChar time = u':';
    QChar date = u'/';
    // The first character of the locale's setting for each, where it gives one.
    static Separators fromLocale(const QLocale& locale);
  };

  // What the control does after a user action: sound the refusal, rewrite
  // its text from the elements, and put an empty selection at `caret` (left
  // where it is when −1).
  struct Outcome {
    bool bad = false;
    bool rewrite = false;
    int caret = -1;
  };

  static constexpr QChar kDefaultFill = u' ';

  explicit MaskedText(Separators separators = Separators::fromLocale(QLocale()));

  // Replaces the elements by those of the mask; every input position empty.
  void setMask(const QString& mask);
  bool hasMask() const { return !m_elements.empty(); }
  const std::vector<MaskElement>& elements() const { return m_elements; }
  int size() const { return static_cast<int>(m_elements.size()); }

  // The shown text: every element's character in order.
  QString displayText() const;
  // The input elements' characters in order, fill characters included.
  QString enteredText() const;
  // The entered text cut to `count` characters, followed by `text` (without
  // its fill characters unless raw), handed to the input elements in order;
  // a refused character is skipped. True when nothing was refused.
  bool putEnteredText(const QString& text, int count, bool raw);

  QChar fillChar() const { return m_fill; }
  // Refuses NUL, line feed, carriage return and DEL (returns false); else
  // every empty input position shows c from now on.
  bool setFillChar(QChar c);
  bool insertTyping() const { return m_insertTyping; }
  void setInsertTyping(bool on) { m_insertTyping = on; }
  // Every input position empty.
  bool isBlank() const;
  // The element index of the n-th input element, −1 when there is none.
  int inputToPosition(int n) const;

  // Caret places.
  int nextInputPosition(int p) const;
  int previousCaretPosition(int p) const;
  int firstBlankPosition(int p) const;

  // Element operations; the caller rewrites the text.
  int clearRange(int from, int to);  // number of input elements in [from, to)
  int insertAt(int pos, QChar c);    // element that got c, −1 when refused
  int putCharAt(int pos, QChar c);   // pos, −1 when refused
  // The text with each run of literals that it holds at the run's place
  // (and that an input element follows) taken out: 12:30 -> 1230.
  QString stripLiteralRuns(const QString& text) const;

  // User actions over the selection [selStart, selEnd) (equal when none).
  Outcome type(QChar c, int selStart, int selEnd);
  Outcome backspace(int selStart, int selEnd);
  Outcome deleteForward(int selStart, int selEnd);
  // Cut and Clear: the selection's input positions become empty.
  Outcome clearSelection(int selStart, int selEnd);
  // The clipboard text (up to its first line break) typed over the
  // selection's input places and those after it.
  Outcome paste(const QString& clip, int selStart, int selEnd);
  // A text given from outside (the owner's value): its literals taken out,
  // its characters put in as they are. True when nothing was refused.
  bool takeText(const QString& text);

 private:
  int inputIndexAtOrAfter(int pos) const;  // among the input elements
  int inputBefore(int pos) const;          // element index, −1 when none
  // Hands src to the input elements in order, skipping what one refuses.
  bool distribute(const QString& src);

  std::vector<MaskElement> m_elements;
  Separators m_separators;
  QChar m_fill = kDefaultFill;
  bool m_insertTyping = false;
};
