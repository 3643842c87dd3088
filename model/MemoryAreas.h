// The two memory areas a parameter cell can belong to.
#pragma once

#include <cstdint>

// Program-level cells (programs, comparators, steps): offsets within their record.
inline constexpr uint16_t kL1Area = 0;
// General parameters: offsets from this byte of the controller's memory.
inline constexpr uint16_t kL2Area = 8106;
