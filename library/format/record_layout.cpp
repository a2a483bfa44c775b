// Compile-time proof that the packed records match the LAS file layout byte for byte, and that
// the host stores integers and reals the way the file does.
#include <bit>
#include <cstddef>
#include <limits>

#include "Varnoke_LiDAR.h"

// The records are moved to and from the file as raw bytes, so the host must be little-endian
// with IEEE 754 binary64 doubles.
static_assert(std::endian::native == std::endian::little,
              "Varnoke_LiDAR reads and writes LAS records as raw little-endian bytes");
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8,
              "LAS reals are IEEE 754 binary64");

namespace {

// The fields every header version shares, at the same offsets.
template <typename H>
constexpr bool common_header_layout() {
    static_assert(sizeof(H) == 227);
    static_assert(offsetof(H, LASF) == 0);
    static_assert(offsetof(H, GUIDData1) == 8);
    static_assert(offsetof(H, GUIDData2) == 12);
    static_assert(offsetof(H, GUIDData3) == 14);
    static_assert(offsetof(H, GUIDData4) == 16);
    static_assert(offsetof(H, VersionMajor) == 24);
    static_assert(offsetof(H, VersionMinor) == 25);
    static_assert(offsetof(H, SystemIdentifier) == 26);
    static_assert(offsetof(H, GeneratingSoftware) == 58);
    static_assert(offsetof(H, HeaderSize) == 94);
    static_assert(offsetof(H, OffsetToData) == 96);
    static_assert(offsetof(H, NumberOfVariableLengthRecords) == 100);
    static_assert(offsetof(H, PointDataFormatID) == 104);
    static_assert(offsetof(H, PointDataRecordLength) == 105);
    static_assert(offsetof(H, NumberOfPointReturns) == 107);
    static_assert(offsetof(H, NumberOfPointsByReturn) == 111);
    static_assert(offsetof(H, XScaleFactor) == 131);
    static_assert(offsetof(H, YScaleFactor) == 139);
    static_assert(offsetof(H, ZScaleFactor) == 147);
    static_assert(offsetof(H, XOffset) == 155);
    static_assert(offsetof(H, YOffset) == 163);
    static_assert(offsetof(H, ZOffset) == 171);
    static_assert(offsetof(H, MaxX) == 179);
    static_assert(offsetof(H, MinX) == 187);
    static_assert(offsetof(H, MaxY) == 195);
    static_assert(offsetof(H, MinY) == 203);
    static_assert(offsetof(H, MaxZ) == 211);
    static_assert(offsetof(H, MinZ) == 219);
    return true;
}
static_assert(common_header_layout<LAS10Header>());
static_assert(common_header_layout<LAS11Header>());
static_assert(common_header_layout<LAS12Header>());

static_assert(offsetof(LAS10Header, Reserved) == 4);
static_assert(offsetof(LAS10Header, FlightDateJulian) == 90);
static_assert(offsetof(LAS10Header, Year) == 92);
static_assert(offsetof(LAS11Header, FileSourceID) == 4);
static_assert(offsetof(LAS11Header, Reserved) == 6);
static_assert(offsetof(LAS11Header, FileCreationDay) == 90);
static_assert(offsetof(LAS11Header, FileCreationYear) == 92);
static_assert(offsetof(LAS12Header, FileSourceID) == 4);
static_assert(offsetof(LAS12Header, GlobalEncoding) == 6);
static_assert(offsetof(LAS12Header, FileCreationDay) == 90);
static_assert(offsetof(LAS12Header, FileCreationYear) == 92);

// The first 20 bytes every point record format shares.
template <typename R>
constexpr bool common_point_layout() {
    static_assert(offsetof(R, X) == 0);
    static_assert(offsetof(R, Y) == 4);
    static_assert(offsetof(R, Z) == 8);
    static_assert(offsetof(R, Intensity) == 12);
    static_assert(offsetof(R, bitfield) == 14);
    static_assert(offsetof(R, Classification) == 15);
    static_assert(offsetof(R, ScanAngleRank) == 16);
    static_assert(offsetof(R, UserData) == 17);
    static_assert(offsetof(R, PointSourceID) == 18);
    return true;
}
static_assert(common_point_layout<LAS12fm0>() && sizeof(LAS12fm0) == 20);
static_assert(common_point_layout<LAS12fm1>() && sizeof(LAS12fm1) == 28);
static_assert(common_point_layout<LAS12fm2>() && sizeof(LAS12fm2) == 26);
static_assert(common_point_layout<LAS12fm3>() && sizeof(LAS12fm3) == 34);

static_assert(offsetof(LAS12fm1, GPSTime) == 20);
static_assert(offsetof(LAS12fm2, Red) == 20);
static_assert(offsetof(LAS12fm2, Green) == 22);
static_assert(offsetof(LAS12fm2, Blue) == 24);
static_assert(offsetof(LAS12fm3, GPSTime) == 20);
static_assert(offsetof(LAS12fm3, Red) == 28);
static_assert(offsetof(LAS12fm3, Green) == 30);
static_assert(offsetof(LAS12fm3, Blue) == 32);

}  // namespace
