// The memory levels the configurator works on: bit 0 level L1 (the
// technologist programs), bit 1 level L2 (the general parameters). The
// application fixes it at both; operations conditional on a level test it.
#pragma once

inline constexpr int kLevelL1 = 1;
inline constexpr int kLevelL2 = 2;
inline constexpr int levelMask = kLevelL1 | kLevelL2;
