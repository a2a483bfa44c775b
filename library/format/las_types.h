// The accepted combinations of LAS version, point format and record length.
#ifndef VARNOKE_LAS_TYPES_H
#define VARNOKE_LAS_TYPES_H

#include <array>
#include <cstdint>

namespace varnoke {

struct LasType {
    int16_t type;
    uint8_t version_minor;  // of version 1.x
    uint8_t point_format;
    uint16_t record_length;
};

// In order of the LAS types 1 to 8; validation tries the rows in this order.
inline constexpr std::array<LasType, 8> kLasTypes{{
    {1, 0, 0, 20},
    {2, 0, 1, 28},
    {3, 1, 0, 20},
    {4, 1, 1, 28},
    {5, 2, 0, 20},
    {6, 2, 1, 28},
    {7, 2, 2, 26},
    {8, 2, 3, 34},
}};

// The record length scanned for a LAS type, or 0 where no record layout belongs to the type.
constexpr uint16_t record_length_of(int16_t type) {
    for (const LasType &row : kLasTypes) {
        if (row.type == type) return row.record_length;
    }
    return 0;
}

}  // namespace varnoke

#endif
