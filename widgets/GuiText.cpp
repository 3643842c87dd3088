#include "widgets/GuiText.h"

#include "model/Cp1251.h"

QString fromCp1251(std::string_view bytes) {
  // Fixed fields may hand over their whole buffer; the text ends at the NUL.
  const auto nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  const std::string utf8 = cp1251::toUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toCp1251(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return cp1251::fromUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

bool representableInCp1251(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return cp1251::representable(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}
