#pragma once
// Colours as the settings store keeps them.

#include <cstdint>

using ColorRef = std::uint32_t;  // 0x00BBGGRR, red in the low byte
