#pragma once
#include <cstdint>
#include <limits>

// Widths of the game's own data: Integer is 16-bit, Long 32-bit, Single a float.
using Integer = std::int16_t;
using Long = std::int32_t;
using Single = float;

// 16-bit arithmetic that can overflow: the step fails (returns false) instead of wrapping.
inline bool ToInteger(long long v, Integer& out) {
    if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max()) return false;
    out = static_cast<Integer>(v);
    return true;
}
inline bool ToLong(long long v, Long& out) {
    if (v < std::numeric_limits<Long>::min() || v > std::numeric_limits<Long>::max()) return false;
    out = static_cast<Long>(v);
    return true;
}
