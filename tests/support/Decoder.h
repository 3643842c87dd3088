// sigrok-cli, the independent I2C decoder the trace tests check the
// simulators' traces with. scripts/test.sh installs it and sets
// TKV88_REQUIRE_DECODER: there a missing decoder fails those tests instead
// of skipping them, so they never stop running unnoticed.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#define TKV88_NEED_DECODER()                                                           \
  do {                                                                                 \
    if (std::system("command -v sigrok-cli >/dev/null 2>&1") == 0) break;              \
    if (std::getenv("TKV88_REQUIRE_DECODER")) FAIL() << "sigrok-cli is not installed"; \
    GTEST_SKIP() << "sigrok-cli not installed";                                        \
  } while (false)
