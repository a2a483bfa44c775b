// Fresh headers: the defaults of an empty file, one procedure for the three versions.
#include <cstring>

#include "Varnoke_LiDAR.h"

namespace {

constexpr char kSoftwareName[] = "Varnoke LiDAR Utilities";  // with its zero byte: 24 bytes
static_assert(sizeof kSoftwareName == 24);

// The versions differ only in the names of bytes 4-7 and 90-93 and in the minor version. Fields
// are assigned by value: a packed member must not be reached through a pointer.
template <typename Header>
void initialize(Header &h, uint8_t minor) {
    std::memcpy(h.LASF, "LASF", sizeof h.LASF);
    if constexpr (requires { h.FileSourceID; }) h.FileSourceID = 0;
    if constexpr (requires { h.GlobalEncoding; }) h.GlobalEncoding = 0;
    if constexpr (requires { h.Reserved; }) h.Reserved = 0;  // 32 bits in 1.0, 16 bits in 1.1
    h.GUIDData1 = 0;
    h.GUIDData2 = 0;
    h.GUIDData3 = 0;
    h.GUIDData4[0] = 0;
    h.VersionMajor = 1;
    h.VersionMinor = minor;
    h.SystemIdentifier[0] = '\0';
    std::memcpy(h.GeneratingSoftware, kSoftwareName, sizeof kSoftwareName);
    if constexpr (requires { h.FlightDateJulian; }) {
        h.FlightDateJulian = 0;
        h.Year = 0;
    } else {
        h.FileCreationDay = 0;
        h.FileCreationYear = 0;
    }
    h.HeaderSize = sizeof(Header);
    h.OffsetToData = sizeof(Header);
    h.NumberOfVariableLengthRecords = 0;
    h.PointDataFormatID = 0;
    h.PointDataRecordLength = 0;
    h.NumberOfPointReturns = 0;
    for (int k = 0; k < 5; ++k) h.NumberOfPointsByReturn[k] = 0;
    h.XScaleFactor = 1.0;
    h.YScaleFactor = 1.0;
    h.ZScaleFactor = 1.0;
    h.XOffset = 0.0;
    h.YOffset = 0.0;
    h.ZOffset = 0.0;
    h.MaxX = 0.0;
    h.MinX = 0.0;
    h.MaxY = 0.0;
    h.MinY = 0.0;
    h.MaxZ = 0.0;
    h.MinZ = 0.0;
}

}  // namespace

extern "C" {

void initialize_header10(LAS10Header *ph) {
    initialize(*ph, 0);
}
void initialize_header11(LAS11Header *ph) {
    initialize(*ph, 1);
}
void initialize_header12(LAS12Header *ph) {
    initialize(*ph, 2);
}

}  // extern "C"
