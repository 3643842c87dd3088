#include "link/LinkError.h"

#include "model/FormatText.h"

namespace link_texts {

const std::string& noAnswer() {
  static const std::string text = "Прибор не отвечает";
  return text;
}

const std::string& linkBroken() {
  static const std::string text = "Связь с прибором прервалась";
  return text;
}

const std::string& noAnswerOrPort() {
  static const std::string text =
      "Прибор не отвечает, возможно он не подключен или LPT настроен на другой порт";
  return text;
}

const std::string& writeStopped() {
  static const std::string text = "Запись остановлена по запросу";
  return text;
}

std::string verifyFailed(int address, uint8_t held, uint8_t written) {
  return formatText(
      "Проверка записи не прошла: байт по адресу %d (0x%04X) хранит 0x%02X вместо записанного 0x%02X",
      address, address, held, written);
}

}  // namespace link_texts
