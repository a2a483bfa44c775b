// The LAS versions and point formats: the accepted combinations of version, point format and
// record length of LAS 1.0 to 1.2 (the LAS types), and the sizes that LAS 1.3 and 1.4 add.
#ifndef VARNOKE_LAS_TYPES_H
#define VARNOKE_LAS_TYPES_H

#include <array>
#include <cstdint>

namespace varnoke {

// The bytes of the fields of point formats 0 to 10: the record length of formats 0 to 3 in LAS
// 1.0 to 1.2, and the least record length of each format where longer records are allowed.
inline constexpr std::array<uint16_t, 11> kFormatBytes{20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};

// Of LAS 1.0 to 1.4, by minor version: the bytes of the public header and the highest point
// format defined.
inline constexpr std::array<uint16_t, 5> kHeaderBytes{227, 227, 227, 235, 375};
inline constexpr std::array<uint8_t, 5> kHighestFormat{1, 1, 3, 5, 10};

struct LasType {
    int16_t type;
    uint8_t version_minor;  // of version 1.x
    uint8_t point_format;
    uint16_t record_length;
};

// In order of the LAS types 1 to 8; validation tries the rows in this order.
inline constexpr std::array<LasType, 8> kLasTypes{{
    {1, 0, 0, kFormatBytes[0]},
    {2, 0, 1, kFormatBytes[1]},
    {3, 1, 0, kFormatBytes[0]},
    {4, 1, 1, kFormatBytes[1]},
    {5, 2, 0, kFormatBytes[0]},
    {6, 2, 1, kFormatBytes[1]},
    {7, 2, 2, kFormatBytes[2]},
    {8, 2, 3, kFormatBytes[3]},
}};

}  // namespace varnoke

#endif
