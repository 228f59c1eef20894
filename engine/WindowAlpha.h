#pragma once
#include <cstdint>

constexpr uint8_t kMaxTransparencyWithoutSuperTrans = 80;

// The SetLayeredWindowAttributes alpha for a transparency percentage: capped at 80 unless
// super-trans mode is on, a percentage above 99 read as 40, 0 = opaque (255).
uint8_t AlphaForTransparency(uint8_t percentage, bool superTransMode);
