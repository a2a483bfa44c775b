// Fields of a LAS header read from and written to its bytes at their offsets. The host is
// little-endian with IEEE doubles (record_layout.cpp proves it), so a field is its bytes copied.
#ifndef VARNOKE_HEADER_BYTES_H
#define VARNOKE_HEADER_BYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace varnoke {

// Offsets of the public header block that validation and the repair read or write.
namespace at {
inline constexpr std::size_t kSignature = 0;  // "LASF"
inline constexpr std::size_t kGlobalEncoding = 6;
inline constexpr std::size_t kVersionMajor = 24;
inline constexpr std::size_t kVersionMinor = 25;
inline constexpr std::size_t kHeaderSize = 94;
inline constexpr std::size_t kOffsetToData = 96;
inline constexpr std::size_t kVlrCount = 100;
inline constexpr std::size_t kPointFormat = 104;
inline constexpr std::size_t kRecordLength = 105;
inline constexpr std::size_t kLegacyCount = 107;     // 32 bits
inline constexpr std::size_t kLegacyByReturn = 111;  // 5 x 32 bits
inline constexpr std::size_t kScale = 131;           // X, Y, Z
inline constexpr std::size_t kOffset = 155;          // X, Y, Z
inline constexpr std::size_t kBox = 179;             // MaxX, MinX, MaxY, MinY, MaxZ, MinZ
inline constexpr std::size_t kWaveformStart = 227;   // LAS 1.3 and 1.4
inline constexpr std::size_t kEvlrStart = 235;       // LAS 1.4
inline constexpr std::size_t kEvlrCount = 243;
inline constexpr std::size_t kCount = 247;     // 64 bits
inline constexpr std::size_t kByReturn = 255;  // 15 x 64 bits
}  // namespace at

template <typename T>
T load(const unsigned char *bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

template <typename T>
void store(unsigned char *bytes, std::size_t offset, T value) {
    std::memcpy(bytes + offset, &value, sizeof value);
}

}  // namespace varnoke

#endif
