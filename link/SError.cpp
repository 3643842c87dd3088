#include "link/SError.h"

#include "model/Cp1251.h"

namespace link_texts {

const std::string& noAnswer() {
  static const std::string text = cp1251::fromUtf8("Прибор не отвечает");
  return text;
}

const std::string& linkBroken() {
  static const std::string text = cp1251::fromUtf8("Связь с прибором прервалась");
  return text;
}

const std::string& noAnswerOrPort() {
  static const std::string text =
      cp1251::fromUtf8("Прибор не отвечает, возможно он не подключен или LPT настроен на другой порт");
  return text;
}

}  // namespace link_texts
