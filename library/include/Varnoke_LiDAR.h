/*
 * Varnoke LiDAR Utilities: the shared LiDAR utility library.
 *
 * Public surface only: the export macro, the packed on-disk records of LAS 1.0 to 1.2 and the
 * exported functions. Compiles as C (C99 or later) and as C++.
 *
 * The records hold the file's bytes exactly as they stand on disk: packed, little-endian
 * integers, IEEE 754 binary64 reals.
 */
#ifndef VARNOKE_LIDAR_H
#define VARNOKE_LIDAR_H

#include <stdint.h>

/* The version of the library, plain integer literals usable in #if. On Linux the SONAME of the
 * shared library carries the major version: libVarnoke_LiDAR.so.0. */
#define VARNOKE_LIDAR_VERSION_MAJOR 0
#define VARNOKE_LIDAR_VERSION_MINOR 1
#define VARNOKE_LIDAR_VERSION_PATCH 0
#define VARNOKE_LIDAR_VERSION_STRING "0.1.0"

#if defined(VARNOKE_LIDAR_STATIC)
#define VARNOKE_LIDAR_API
#elif defined(_WIN32) || defined(__CYGWIN__)
#if defined(VARNOKE_LIDAR_BUILDING)
#define VARNOKE_LIDAR_API __declspec(dllexport)
#else
#define VARNOKE_LIDAR_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define VARNOKE_LIDAR_API __attribute__((visibility("default")))
#else
#define VARNOKE_LIDAR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)

/* Public header block of a LAS 1.0 file: 227 bytes. */
typedef struct LAS10Header {
    char LASF[4];
    uint32_t Reserved;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t GUIDData4[8];
    uint8_t VersionMajor;
    uint8_t VersionMinor;
    char SystemIdentifier[32];
    char GeneratingSoftware[32];
    uint16_t FlightDateJulian;
    uint16_t Year;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;
    uint32_t NumberOfPointsByReturn[5];
    double XScaleFactor;
    double YScaleFactor;
    double ZScaleFactor;
    double XOffset;
    double YOffset;
    double ZOffset;
    double MaxX;
    double MinX;
    double MaxY;
    double MinY;
    double MaxZ;
    double MinZ;
} LAS10Header;

/* Public header block of a LAS 1.1 file: 227 bytes. */
typedef struct LAS11Header {
    char LASF[4];
    uint16_t FileSourceID;
    uint16_t Reserved;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t GUIDData4[8];
    uint8_t VersionMajor;
    uint8_t VersionMinor;
    char SystemIdentifier[32];
    char GeneratingSoftware[32];
    uint16_t FileCreationDay;
    uint16_t FileCreationYear;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;
    uint32_t NumberOfPointsByReturn[5];
    double XScaleFactor;
    double YScaleFactor;
    double ZScaleFactor;
    double XOffset;
    double YOffset;
    double ZOffset;
    double MaxX;
    double MinX;
    double MaxY;
    double MinY;
    double MaxZ;
    double MinZ;
} LAS11Header;

/* Public header block of a LAS 1.2 file: 227 bytes. */
typedef struct LAS12Header {
    char LASF[4];
    uint16_t FileSourceID;
    uint16_t GlobalEncoding;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t GUIDData4[8];
    uint8_t VersionMajor;
    uint8_t VersionMinor;
    char SystemIdentifier[32];
    char GeneratingSoftware[32];
    uint16_t FileCreationDay;
    uint16_t FileCreationYear;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;
    uint32_t NumberOfPointsByReturn[5];
    double XScaleFactor;
    double YScaleFactor;
    double ZScaleFactor;
    double XOffset;
    double YOffset;
    double ZOffset;
    double MaxX;
    double MinX;
    double MaxY;
    double MinY;
    double MaxZ;
    double MinZ;
} LAS12Header;

/* Point data record format 0: 20 bytes. The low three bits of bitfield are the return number. */
typedef struct LAS12fm0 {
    int32_t X;
    int32_t Y;
    int32_t Z;
    uint16_t Intensity;
    int8_t bitfield;
    uint8_t Classification;
    uint8_t ScanAngleRank;
    uint8_t UserData;
    uint16_t PointSourceID;
} LAS12fm0;

/* Point data record format 1: format 0 and the GPS time, 28 bytes. */
typedef struct LAS12fm1 {
    int32_t X;
    int32_t Y;
    int32_t Z;
    uint16_t Intensity;
    int8_t bitfield;
    uint8_t Classification;
    uint8_t ScanAngleRank;
    uint8_t UserData;
    uint16_t PointSourceID;
    double GPSTime;
} LAS12fm1;

/* Point data record format 2: format 0 and the colour, 26 bytes. */
typedef struct LAS12fm2 {
    int32_t X;
    int32_t Y;
    int32_t Z;
    uint16_t Intensity;
    int8_t bitfield;
    uint8_t Classification;
    uint8_t ScanAngleRank;
    uint8_t UserData;
    uint16_t PointSourceID;
    uint16_t Red;
    uint16_t Green;
    uint16_t Blue;
} LAS12fm2;

/* Point data record format 3: format 0, the GPS time and the colour, 34 bytes. */
typedef struct LAS12fm3 {
    int32_t X;
    int32_t Y;
    int32_t Z;
    uint16_t Intensity;
    int8_t bitfield;
    uint8_t Classification;
    uint8_t ScanAngleRank;
    uint8_t UserData;
    uint16_t PointSourceID;
    double GPSTime;
    uint16_t Red;
    uint16_t Green;
    uint16_t Blue;
} LAS12fm3;

#pragma pack(pop)

/* Validation. Statuses: 0 success, -1 rejection (after a message on standard output). */
VARNOKE_LIDAR_API int16_t file_access(const char *filename);
VARNOKE_LIDAR_API int16_t check_file_extension(const char *filename, const char *extension);
VARNOKE_LIDAR_API void error_msg(int16_t i, const char *text);
/* LAS type: 1 to 8 for the accepted version and point format combinations, 0 for a 1.0 or 1.1
 * file declaring point format 2 or 3, -1 for a rejected file. */
VARNOKE_LIDAR_API int16_t check_las(const char *filename);

/* Recomputes the point count, the counts by return and the bounding box and rewrites the
 * 227-byte header in place. Returns after a completed update; ends the process with exit status
 * -1 on any failure, leaving the file as it was. */
VARNOKE_LIDAR_API void update_header(const char *filename);

/* Prints the banner of the Varnoke LiDAR Utilities. */
VARNOKE_LIDAR_API void credits(void);

/* Header initialisation: put the caller's record into the state of an empty file of its version
 * (point format 0 with record length 0, data right behind the 227-byte header, unit scale
 * factors, zero offsets, box and counts). Bytes 17-23, 27-57 and 82-89 of the record are left
 * as they were. */
VARNOKE_LIDAR_API void initialize_header10(LAS10Header *ph);
VARNOKE_LIDAR_API void initialize_header11(LAS11Header *ph);
VARNOKE_LIDAR_API void initialize_header12(LAS12Header *ph);

/* Index-carrying quicksorts: sort the keys p ascending in place and make every exchange at the
 * same two positions of p_ind. The entry points sort positions 0 .. count - 1 (nothing when count
 * is 0 or less); the workers sort the inclusive range left .. right and touch nothing outside it.
 * Every routine of one key type yields the same arrangement of both arrays, that of a partition
 * around a copy of the middle key whose scans stop at keys equal to it; the sort is not stable.
 * The parallel flavour accepts a depth budget (`deep`), which changes nothing, and runs on the
 * calling thread. Double keys use the IEEE less-than comparison and move as whole bit patterns.
 * The sorts allocate nothing and use a fixed amount of stack (about 1 KiB), whatever count and
 * the order of the keys. Their time grows as count * log2(count) on keys in random order, in
 * order, in reverse order or with few distinct values; but on inputs that put an extreme key at
 * the middle of range after range (for example ascending then descending, "organ pipe") it grows
 * with the square of count: the arrangement admits no other partitioning. */
VARNOKE_LIDAR_API void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind);
VARNOKE_LIDAR_API void l_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind);
VARNOKE_LIDAR_API void l_parallel_quicksort(int32_t *p, int32_t count, int32_t *p_ind);
VARNOKE_LIDAR_API void l_parallel_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind,
                                     int32_t deep);
VARNOKE_LIDAR_API void d_quicksort(double *p, int32_t count, int32_t *p_ind);
VARNOKE_LIDAR_API void d_qs(double *p, int32_t left, int32_t right, int32_t *p_ind);
VARNOKE_LIDAR_API void d_parallel_quicksort(double *p, int32_t count, int32_t *p_ind);
VARNOKE_LIDAR_API void d_parallel_qs(double *p, int32_t left, int32_t right, int32_t *p_ind,
                                     int32_t deep);

/* Argument checks. check_YN returns 0 for "Y", "N", "y" or "n" and -1 (after a message) for
 * anything else. check_numeric_argument accepts a text of digits with at most one '.' and at most
 * one '-'; check_DEM accepts a name ending in .asc, or in .flt with a readable companion .hdr.
 * Both end the process with exit status -1 after their messages when they reject. */
VARNOKE_LIDAR_API int16_t check_YN(const char *text);
VARNOKE_LIDAR_API void check_numeric_argument(const char *str);
VARNOKE_LIDAR_API void check_DEM(const char *str);

#ifdef __cplusplus
}
#endif

#endif /* VARNOKE_LIDAR_H */
