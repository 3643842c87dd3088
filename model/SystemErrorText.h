// The reason of a failed system call in words the configurator's user reads
// (Russian, UTF-8): the usual file and device errors are named here, others
// as "системная ошибка N", never in the C library's English. Any thread.
#pragma once

#include <string>

std::string systemErrorText(int error);
