// The memory contents of a factory-new controller: what the simulated
// controller starts from when its image file does not exist yet.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kDeviceMemorySize = 8192;
using MemoryImage = std::array<uint8_t, kDeviceMemorySize>;

MemoryImage factoryImage();
