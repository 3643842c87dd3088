// The device link's error record: what went wrong on the bus, as a code and
// a UTF-8 text for the user. The bus engine throws it by value; the
// exchange worker catches it and hands it whole to the user-interface thread,
// which shows the text under the caption "Error <code>".
//
// A fixed-size value (no heap), so copying it between threads is a plain
// copy. It derives from std::exception only so that a handler that knows
// nothing of the device link still catches it instead of ending the process.
#pragma once

#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

struct LinkError : std::exception {
  static constexpr int32_t kNoError = 0;
  static constexpr int32_t kNoAnswer = 1;    // the device does not answer
  static constexpr int32_t kLinkBroken = 2;  // the link broke after an answer
  // 3 and 4 are the exchange's own (link/DeviceExchange.h).
  static constexpr int kTextSize = 512;

  int32_t errorCode = kNoError;
  char errorText[kTextSize] = {};

  LinkError() = default;
  // text: UTF-8; cut to fit between characters, always NUL-terminated.
  LinkError(int32_t code, std::string_view text) : errorCode(code) {
    std::size_t n = text.size() < kTextSize - 1 ? text.size() : kTextSize - 1;
    if (n < text.size())
      while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(errorText, text.data(), n);
  }

  std::string_view text() const {
    const void* end = std::memchr(errorText, 0, kTextSize);
    return std::string_view(errorText, end ? static_cast<const char*>(end) - errorText : kTextSize);
  }
  // The text, UTF-8 like every message of the program.
  const char* what() const noexcept override { return errorText; }
};

// The controller does not keep what was written (a write's check).
inline constexpr int32_t kErrorVerify = 5;
// A write stopped on request (Ctrl+C, "Прервать") after the page in flight.
inline constexpr int32_t kErrorStopped = 6;

// The fixed texts of the bus engine.
namespace link_texts {
const std::string& noAnswer();        // "Прибор не отвечает"
const std::string& linkBroken();      // "Связь с прибором прервалась"
const std::string& noAnswerOrPort();  // the long form of code 1: nothing moves on the bus
// "Проверка записи не прошла: байт по адресу N (0xNNNN) хранит 0xHH вместо записанного 0xWW"
std::string verifyFailed(int address, uint8_t held, uint8_t written);
const std::string& writeStopped();  // "Запись остановлена по запросу"

}  // namespace link_texts
