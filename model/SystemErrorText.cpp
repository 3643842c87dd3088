#include "model/SystemErrorText.h"

#include <cerrno>

std::string systemErrorText(int error) {
  switch (error) {
    case ENOENT:
      return "нет такого файла или папки";
    case EACCES:
    case EPERM:
      return "нет прав доступа";
    case EISDIR:
      return "это папка, а не файл";
    case ENOTDIR:
      return "часть пути — не папка";
    case ENOSPC:
      return "на диске нет места";
    case EDQUOT:
      return "исчерпана дисковая квота";
    case EROFS:
      return "файловая система только для чтения";
    case EEXIST:
      return "файл уже существует";
    case EBUSY:
      return "устройство или файл заняты";
    case ENAMETOOLONG:
      return "слишком длинное имя файла";
    case ELOOP:
      return "слишком много символических ссылок";
    case EIO:
      return "ошибка ввода-вывода";
    case EMFILE:
    case ENFILE:
      return "открыто слишком много файлов";
    case EFBIG:
      return "файл слишком велик";
    case ENODEV:
    case ENXIO:
      return "нет такого устройства";
    case EBADF:
      return "дескриптор не открыт";
    case EPIPE:
      return "читающая сторона канала закрыта";
    case ENOSYS:
    case EOPNOTSUPP:
    case ENOTTY:
      return "не поддерживается этой системой";
    case EINVAL:
      return "недопустимое значение";
    case EAGAIN:
      return "ресурс временно недоступен";
    case ETIMEDOUT:
      return "время ожидания истекло";
    case EINTR:
      return "прервано сигналом";
    default:
      // Never the C library's English: the number says the rest.
      return "системная ошибка " + std::to_string(error);
  }
}
