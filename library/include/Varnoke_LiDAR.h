/*
 * Varnoke LiDAR Utilities: the shared LiDAR utility library.
 *
 * Public surface only: the version, the export macro, the packed on-disk records of LAS 1.0 to
 * 1.2 and the exported functions, each with its contract. Compiles as C (C99 or later) and as
 * C++.
 *
 * Programs that embed the library use the status API, the varnoke_las_ functions, first below:
 * they never print and never end the process. The functions without a prefix, after them, are
 * the original services (check_las(), update_header(), the sorts, the argument checks, ...)
 * with the LAS 1.0 to 1.2 records they take: some of them print to standard output, and some
 * end the process with exit(-1).
 *
 * The records hold the file's bytes exactly as they stand on disk: packed, little-endian
 * integers, IEEE 754 binary64 reals.
 */
#ifndef VARNOKE_LIDAR_H
#define VARNOKE_LIDAR_H

#include <stddef.h>
#include <stdint.h>

/* The version of the library, plain integer literals usable in #if. On Linux the SONAME of the
 * shared library carries the major version: libVarnoke_LiDAR.so.0. */
#define VARNOKE_LIDAR_VERSION_MAJOR 0
#define VARNOKE_LIDAR_VERSION_MINOR 4
#define VARNOKE_LIDAR_VERSION_PATCH 0
/* The same version as text, "MAJOR.MINOR.PATCH", made from the three numbers above. */
#define VARNOKE_LIDAR_STRINGIFY_(x) #x
#define VARNOKE_LIDAR_STRINGIFY(x) VARNOKE_LIDAR_STRINGIFY_(x)
#define VARNOKE_LIDAR_VERSION_STRING                                                      \
    VARNOKE_LIDAR_STRINGIFY(VARNOKE_LIDAR_VERSION_MAJOR)                                  \
    "." VARNOKE_LIDAR_STRINGIFY(VARNOKE_LIDAR_VERSION_MINOR) "." VARNOKE_LIDAR_STRINGIFY( \
        VARNOKE_LIDAR_VERSION_PATCH)

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

/* ============================================================================================
 * The status API, for programs that embed the library
 * ============================================================================================ */

/*
 * Checking and repairing headers without printing or exiting.
 *
 * varnoke_las_check() and varnoke_las_repair() judge a LAS file by its content, whatever its
 * name, read every point record once and fill a varnoke_las_report. They never print, never end
 * the process, keep no state between calls and may run at the same time on different files from
 * any threads. A file is refused for the same reasons update_header() refuses it, but for its
 * name, and where its pointers contradict each other: a header that does not match its
 * version's layout, point data that would start inside the header (its declared size included)
 * or past the end of the file, a variable-length record running into the point data, extended
 * VLRs counted but placed before the point data, a start of extended VLRs set while none is
 * counted and lying before the end of the file, a start of waveform data that contradicts the
 * header, more records declared than fit before the extended VLRs or the waveform data the
 * header points to, a read error, or more records than the header can count.
 *
 * The records lie from the offset to point data up to the first of: the end of the file, the
 * first extended VLR (LAS 1.4, where some are counted), and waveform data stored in the file
 * (LAS 1.3 with global encoding bit 1; LAS 1.4 where its start is not zero). An end equal to the
 * offset to point data means no records.
 *
 * A header is stale where a reader that trusts it gets a wrong answer. Counts compare exactly.
 * A stored side of the box is right when its bits equal those written, or when it differs from
 * the computed value by at most the larger of 10^-6 of the scale factor and 4 units in the last
 * place of the computed value (other software computes the box in plain double arithmetic).
 * Beyond that, with the step q the absolute scale factor, it is stale where it leaves a point
 * outside the box by q/4 or more, or lies q/2 or more beyond the outermost point; closer, it is
 * the warning VARNOKE_LAS_WARN_BOX_IMPRECISE (warning_box_sides names the sides). A side that is
 * not finite, or of an axis whose scale factor is 0 or not finite, is stale unless it is right.
 * Without records a box of zeros (what these functions write) is right, and in LAS 1.0 to 1.2
 * also one of update_header()'s start values; any other box is VARNOKE_LAS_WARN_EMPTY_BOX.
 * LAS 1.4's legacy 32-bit count and counts by return: for point formats 0 to 5 with a count
 * that fits 32 bits, zero and the true values are both right, anything else stale; for formats
 * 6 to 10 or a larger count, where the text asks for zeros, a non-zero field that differs from
 * its true value is stale (a LAS 1.4 reader is told to prefer it), and non-zero fields that all
 * equal their true values are VARNOKE_LAS_WARN_LEGACY_SET. With VARNOKE_LAS_STRICT these three
 * warnings are stale instead (the box's sides in stale_box_sides, the legacy counts as
 * VARNOKE_LAS_STALE_LEGACY) and are not reported; a repair that writes the header writes every
 * field exactly in any case.
 *
 * A file that ends before something its header declares is how a cut-off file looks: records
 * declared past the end of the file (or LAZ chunks and their table), extended VLRs counted whose
 * start or last byte lies past it, waveform data stored in the file that starts past it. The
 * report says so (truncated, missing, missing_bytes), and a repair does not write such a file
 * unless allowed (VARNOKE_LAS_ALLOW_TRUNCATED), even where its header's values are right.
 */
/* The results, 0 or negative; varnoke_las_strerror() gives each a sentence. */
enum varnoke_las_status {
    VARNOKE_LAS_OK = 0,
    VARNOKE_LAS_ERR_ARGUMENT = -1,        /* a null path or report */
    VARNOKE_LAS_ERR_OPEN = -2,            /* the file cannot be opened for reading */
    VARNOKE_LAS_ERR_NOT_REGULAR = -3,     /* a folder, pipe, socket or device, opened or not */
    VARNOKE_LAS_ERR_READ = -4,            /* the system reported a read error */
    VARNOKE_LAS_ERR_TOO_SHORT = -5,       /* shorter than the header of its version */
    VARNOKE_LAS_ERR_NOT_LAS = -6,         /* no LASF signature */
    VARNOKE_LAS_ERR_VERSION = -7,         /* a LAS version that is not handled */
    VARNOKE_LAS_ERR_POINT_FORMAT = -8,    /* a point format its version does not define */
    VARNOKE_LAS_ERR_COMPRESSED = -9,      /* compressed data of a kind not decoded */
    VARNOKE_LAS_ERR_RECORD_LENGTH = -10,  /* a record length its point format does not allow */
    VARNOKE_LAS_ERR_DATA_IN_HEADER = -11, /* point data would start inside the header */
    VARNOKE_LAS_ERR_DATA_PAST_END = -12,  /* point data would start past the end of the file */
    VARNOKE_LAS_ERR_TOO_MANY = -13,       /* more records than the header can count */
    VARNOKE_LAS_ERR_NO_MEMORY = -14,      /* no memory for the scan */
    VARNOKE_LAS_ERR_OPEN_WRITE = -15,     /* a stale file cannot be opened for writing */
    VARNOKE_LAS_ERR_CHANGED = -16,        /* the file changed while it was read; nothing written */
    VARNOKE_LAS_ERR_WRITE = -17,          /* writing, flushing or syncing the header failed */
    VARNOKE_LAS_ERR_EVLR_POINTER = -18,   /* extended VLRs counted, their start before the data */
    VARNOKE_LAS_ERR_WAVEFORM_POINTER = -19, /* the waveform data's start contradicts the header */
    VARNOKE_LAS_ERR_VLR_INTO_DATA = -20,    /* a variable-length record runs into the point data */
    VARNOKE_LAS_ERR_TRUNCATED = -21,        /* a repair not allowed on a cut-off file */
    VARNOKE_LAS_ERR_LAZ_ITEMS = -22,        /* LAZ: no LASzip VLR, or items not of the format */
    VARNOKE_LAS_ERR_LAZ_ITEM_VERSION = -23, /* LAZ: items of a version not decoded */
    VARNOKE_LAS_ERR_LAZ_NO_TABLE = -24,     /* LAZ: no chunk table (an unfinished write) */
    VARNOKE_LAS_ERR_LAZ_TABLE = -25,       /* LAZ: a chunk table outside the data or inconsistent */
    VARNOKE_LAS_ERR_LAZ_CHUNK = -26,       /* LAZ: a chunk that cannot be decoded */
    VARNOKE_LAS_ERR_COUNT_UNCERTAIN = -27, /* LAZ: a repair not written: the count is ambiguous */
    VARNOKE_LAS_ERR_LINK = -28,            /* a symbolic link under a name given to the _at forms */
    /* From version 0.4 on. */
    VARNOKE_LAS_ERR_EVLR_UNCOUNTED = -29,  /* an EVLR start set, none counted, before the end */
    VARNOKE_LAS_ERR_RECORDS_OVERLAP = -30, /* records declared past the EVLRs or waveform data */
    VARNOKE_LAS_ERR_STOPPED = -31,         /* the caller's stop function asked the call to stop */
    /* Not returned by the functions here: for programs that walk folders (varnoke-las). */
    VARNOKE_LAS_ERR_FOLDER = -32 /* a folder that cannot be opened or read */
};

/* Bits of varnoke_las_report.stale: which stored values differ from the counted ones. */
#define VARNOKE_LAS_STALE_COUNT 1u
#define VARNOKE_LAS_STALE_BY_RETURN 2u
#define VARNOKE_LAS_STALE_BOX 4u
#define VARNOKE_LAS_STALE_LEGACY 8u /* LAS 1.4: the legacy 32-bit count or counts by return */

/*
 * What a check or a repair found. Fields are only ever added at the end: the functions with
 * the suffix _ex write no byte past the size their caller gives, so a program built with an
 * older copy of this header keeps working. The box, computed and stored, is MaxX, MinX, MaxY,
 * MinY, MaxZ, MinZ. Return numbers count from 1 (element 0) to 15; a record with return number 0
 * counts in the total only. The counted values are the ones a repair writes.
 */
typedef struct varnoke_las_report {
    uint8_t version_major, version_minor, point_format;
    uint16_t record_length;
    uint64_t records;               /* counted */
    uint64_t records_by_return[15]; /* counted, return numbers 1 to 15 */
    double box[6];                  /* computed, as a repair writes it */
    uint64_t stored_records;        /* as the header holds them */
    uint64_t stored_records_by_return[15];
    double stored_box[6];
    unsigned stale;            /* VARNOKE_LAS_STALE_* bits; 0 when the header is right */
    uint64_t trailing_bytes;   /* of a last, partial record */
    int written;               /* 1 if the header was written */
    uint64_t point_data_start; /* the offset of the first record */
    uint64_t point_data_end;   /* where the records end: the end of the file or of the data */
    /* From version 0.3 on (the _ex functions). */
    int truncated; /* 1: the file ends before something its header declares (missing tells) */
    /* LAS 1.4: the legacy 32-bit count and counts by return 1 to 5, as stored and as a repair
     * writes them; in older versions these are the count and counts by return themselves. */
    uint64_t stored_legacy_records;
    uint64_t stored_legacy_records_by_return[5];
    uint64_t legacy_records;
    uint64_t legacy_records_by_return[5];
    unsigned stale_box_sides; /* bit k: side k of the stored box is stale (k as in box) */
    int compressed;           /* 1: LAZ; point_format is then without its compression bits */
    int count_uncertain;      /* 1: LAZ whose last chunk's bytes allow more than one count;
                                 records holds the smallest, and a repair writes nothing */
    /* From version 0.4 on. */
    unsigned known;         /* VARNOKE_LAS_KNOWN_* bits: which of the fields hold what was read */
    unsigned missing;       /* truncated: VARNOKE_LAS_MISSING_* bits, what the file lacks */
    uint64_t missing_bytes; /* truncated: at least this many bytes are missing at its end */
    uint64_t records_most;  /* LAZ whose last chunk allows several counts (count_uncertain, or
                               the warning COUNT_UNPROVEN): the largest, records the smallest;
                               UINT64_MAX for a LAZ file cut inside its chunks (records counts
                               its whole chunks); otherwise records */
    uint64_t warnings;      /* VARNOKE_LAS_WARN_* bits, with the values (also of a truncated
                               file or an uncertain count, but none about the box or the legacy
                               counts where records is only the least count);
                               varnoke_las_warning_text() */
    unsigned warning_box_sides;    /* bit k: side k of the box is off, but by less than stale
                                      (VARNOKE_LAS_WARN_BOX_IMPRECISE, _EMPTY_BOX) */
    uint64_t records_return_zero;  /* records whose return number is 0 */
    uint64_t records_return_above; /* records whose return number exceeds their number of returns */
    double scale[3], offset[3];    /* X, Y, Z, as the header holds them */
    /* The coordinate reference system the file declares. */
    unsigned crs_source;        /* VARNOKE_LAS_CRS_*: where it was read from; 0: none */
    uint32_t crs_epsg;          /* EPSG code of the horizontal system (projected, else
                                   geographic); 0: none stated */
    uint32_t crs_vertical_epsg; /* EPSG code of the vertical system; 0: none stated */
    uint32_t crs_units;         /* EPSG code of the horizontal axes' unit (9001 metre, 9002 foot,
                                   9003 US survey foot, 9102 degree); 0: not stated */
    /* The file as it was judged (fstat through the handle read). */
    uint64_t file_device, file_inode, file_size;
    int64_t file_modified_ns, file_status_changed_ns; /* since 1970, 0 where not kept */
} varnoke_las_report;

/* Bits of varnoke_las_report.known. */
#define VARNOKE_LAS_KNOWN_FILE 1u    /* file_device to file_status_changed_ns */
#define VARNOKE_LAS_KNOWN_VERSION 2u /* version_major, version_minor */
#define VARNOKE_LAS_KNOWN_LAYOUT                                                              \
    4u                              /* point format and record length, compressed, point data \
                                       start and end, scale, offset and the CRS */
#define VARNOKE_LAS_KNOWN_VALUES 8u /* the counted and stored values, stale and warnings */

/* Bits of varnoke_las_report.missing: what a cut-off file lacks. */
#define VARNOKE_LAS_MISSING_RECORDS 1u     /* point records (LAZ: chunks) */
#define VARNOKE_LAS_MISSING_CHUNK_TABLE 2u /* LAZ: the chunk table at the end of the point data */
#define VARNOKE_LAS_MISSING_EVLRS 4u       /* extended VLRs */
#define VARNOKE_LAS_MISSING_WAVEFORM 8u    /* waveform data stored in the file */

/* varnoke_las_report.crs_source */
#define VARNOKE_LAS_CRS_NONE 0u
#define VARNOKE_LAS_CRS_GEOTIFF 1u /* the GeoKeyDirectory VLR (LASF_Projection 34735) */
#define VARNOKE_LAS_CRS_WKT 2u     /* the OGC WKT VLR (LASF_Projection 2112) */

/*
 * Bits of varnoke_las_report.warnings: what the LAS specification asks for and the file does
 * not give, where no reader that trusts the header is misled. Never written by a repair but
 * under VARNOKE_LAS_STRICT (the first three), never a refusal. Set wherever the values are
 * known (VARNOKE_LAS_KNOWN_VALUES), for truncated files and uncertain counts too.
 * varnoke_las_warning_code() and varnoke_las_warning_text() name each bit.
 */
#define VARNOKE_LAS_WARN_BOX_IMPRECISE                      \
    (1ull << 0) /* a side off by more than noise, less than \
                   stale; warning_box_sides names them */
#define VARNOKE_LAS_WARN_LEGACY_SET                          \
    (1ull << 1) /* LAS 1.4 legacy counts set where zeros are \
                   asked for, but equal to the true ones */
#define VARNOKE_LAS_WARN_EMPTY_BOX                                                                \
    (1ull << 2)                                      /* no records, the box not zero (nor, before \
                                                        LAS 1.3, the update's start values) */
#define VARNOKE_LAS_WARN_NO_CRS (1ull << 3)          /* neither GeoKeyDirectory nor WKT VLR */
#define VARNOKE_LAS_WARN_GEOKEYS_EMPTY (1ull << 4)   /* a GeoKeyDirectory naming no system */
#define VARNOKE_LAS_WARN_WKT_MISSING (1ull << 5)     /* LAS 1.4: the WKT bit set, no WKT VLR */
#define VARNOKE_LAS_WARN_WKT_REQUIRED (1ull << 6)    /* formats 6-10 without WKT bit or WKT VLR */
#define VARNOKE_LAS_WARN_VLRS_DO_NOT_FIT (1ull << 7) /* more VLRs declared than fit */
#define VARNOKE_LAS_WARN_RETURN_ZERO          \
    (1ull << 8) /* records of return number 0 \
                   (records_return_zero counts them) */
#define VARNOKE_LAS_WARN_RETURN_ABOVE                                                            \
    (1ull << 9)                                         /* return number above number of returns \
                                                           (records_return_above counts them) */
#define VARNOKE_LAS_WARN_RESERVED_ENCODING (1ull << 10) /* reserved global encoding bits set */
#define VARNOKE_LAS_WARN_COUNT_UNPROVEN (1ull << 11)    /* LAZ: the stored count one of several */
/* The warnings about the header's own counts and box, stale under VARNOKE_LAS_STRICT. */
#define VARNOKE_LAS_WARN_STRICT \
    (VARNOKE_LAS_WARN_BOX_IMPRECISE | VARNOKE_LAS_WARN_LEGACY_SET | VARNOKE_LAS_WARN_EMPTY_BOX)

/* The size of the report of version 0.2, the most varnoke_las_check() and varnoke_las_repair()
 * write, and the least the _ex functions accept. */
#define VARNOKE_LAS_REPORT_SIZE_0_2 \
    (offsetof(varnoke_las_report, point_data_end) + sizeof(uint64_t))

/* varnoke_las_options.flags */
#define VARNOKE_LAS_ALLOW_TRUNCATED 1u /* a repair may write a file that looks cut off */
#define VARNOKE_LAS_STRICT 2u /* the warnings of VARNOKE_LAS_WARN_STRICT make a header stale */

/* A piece of a call's work, handed to varnoke_las_options.run. */
typedef void (*varnoke_las_task)(void *task_arg, unsigned k);

/*
 * How one call works. Set size to sizeof(varnoke_las_options) and zero the rest (or use
 * VARNOKE_LAS_OPTIONS_INIT); fields added later are read only when size covers them, so a
 * caller's older, shorter record is read up to its size and no further.
 *
 * threads: the most threads one call reads a file with, the calling one included; 0 means the
 * default, 2. With run set, the call creates no thread of its own: it hands its work to run,
 * which must call task(task_arg, k) once for each k from 0 to tasks - 1, on up to threads
 * threads of the caller's (the calling thread may do them all), and return when every call has
 * returned. The tasks never wait for each other.
 *
 * stop (since 0.4): where set, the call asks stop(stop_arg) between pieces of its work, from any
 * of its threads, often enough that it ends within a fraction of a second of a non-zero answer;
 * it then returns VARNOKE_LAS_ERR_STOPPED and writes nothing.
 */
typedef struct varnoke_las_options {
    size_t size;
    unsigned flags;   /* VARNOKE_LAS_ALLOW_TRUNCATED, VARNOKE_LAS_STRICT */
    unsigned threads; /* 0: 2 */
    void (*run)(void *pool, varnoke_las_task task, void *task_arg, unsigned tasks);
    void *pool; /* handed to run */
    /* From version 0.4 on. */
    int (*stop)(void *stop_arg);
    void *stop_arg; /* handed to stop */
} varnoke_las_options;

#define VARNOKE_LAS_OPTIONS_INIT \
    { sizeof(varnoke_las_options), 0u, 0u, 0, 0, 0, 0 }

/*
 * varnoke_las_check_ex() - judges the file at @path and scans its records into @report, of
 * @report_size bytes (sizeof(varnoke_las_report) as the caller was built, at least
 * VARNOKE_LAS_REPORT_SIZE_0_2); writes nothing and opens nothing for writing. @options may be
 * NULL for the defaults. Returns VARNOKE_LAS_OK when the file could be judged, stale or not
 * (report->stale and report->truncated tell), or a negative varnoke_las_status naming why it
 * was refused; then the report holds what was read before the refusal (zeros elsewhere).
 * VARNOKE_LAS_ERR_ARGUMENT for a null path or report, a report or options size too small.
 */
VARNOKE_LIDAR_API int varnoke_las_check_ex(const char *path, const varnoke_las_options *options,
                                           varnoke_las_report *report, size_t report_size);
/*
 * varnoke_las_repair_ex() - as varnoke_las_check_ex(); then, if and only if the header is
 * stale, opens the file for writing and writes the counted values and box into the header,
 * flushed and synced. A truncated file is refused (VARNOKE_LAS_ERR_TRUNCATED, the report
 * filled, nothing written), stale or not, unless options->flags holds
 * VARNOKE_LAS_ALLOW_TRUNCATED. It writes only into the file
 * it scanned (the same device and inode) and only if its header bytes, size and times of last
 * change are still those it judged; otherwise it returns VARNOKE_LAS_ERR_CHANGED and writes
 * nothing. A file whose header is right is not opened for writing, so it keeps its time of last
 * change. Returns VARNOKE_LAS_OK when the file is right afterwards (report->written tells
 * whether it was written).
 */
VARNOKE_LIDAR_API int varnoke_las_repair_ex(const char *path, const varnoke_las_options *options,
                                            varnoke_las_report *report, size_t report_size);
/* varnoke_las_check(), varnoke_las_repair() - the same with the default options, writing the
 * report of version 0.2 (VARNOKE_LAS_REPORT_SIZE_0_2 bytes). */
VARNOKE_LIDAR_API int varnoke_las_check(const char *path, varnoke_las_report *report);
VARNOKE_LIDAR_API int varnoke_las_repair(const char *path, varnoke_las_report *report);

/*
 * varnoke_las_check_at(), varnoke_las_repair_at() - as varnoke_las_check_ex() and
 * varnoke_las_repair_ex(), on the file @name in the folder open under the descriptor @dirfd, for
 * a program that walks folders through their handles: every open, for reading and for the
 * write, is relative to @dirfd and follows no symbolic link, so that what is judged and written
 * is the file found there. @name is one name, without a '/' (VARNOKE_LAS_ERR_ARGUMENT
 * otherwise); a symbolic link under it is refused with VARNOKE_LAS_ERR_LINK. @dirfd stays open
 * and is not moved. POSIX systems only: on Windows they return VARNOKE_LAS_ERR_ARGUMENT (use the
 * path forms there). Since 0.3.
 */
VARNOKE_LIDAR_API int varnoke_las_check_at(int dirfd, const char *name,
                                           const varnoke_las_options *options,
                                           varnoke_las_report *report, size_t report_size);
VARNOKE_LIDAR_API int varnoke_las_repair_at(int dirfd, const char *name,
                                            const varnoke_las_options *options,
                                            varnoke_las_report *report, size_t report_size);
/* varnoke_las_strerror() - a fixed English sentence for @status, without a final full stop;
 * "unknown status" for a value that is none of varnoke_las_status. Never null. */
VARNOKE_LIDAR_API const char *varnoke_las_strerror(int status);
/* varnoke_las_warning_code(), varnoke_las_warning_text() - for one VARNOKE_LAS_WARN_* bit, a
 * stable short code ("no_crs") and a fixed English sentence without a final full stop; "unknown"
 * and "unknown warning" for any other value. Never null. Since 0.4. */
VARNOKE_LIDAR_API const char *varnoke_las_warning_code(uint64_t warning);
VARNOKE_LIDAR_API const char *varnoke_las_warning_text(uint64_t warning);

/* ============================================================================================
 * The original records and services: LAS 1.0 to 1.2 records, and functions that print their
 * messages to standard output, some of which end the process
 * ============================================================================================ */

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

/*
 * The functions work on the calling thread (update_header() adds a second one for its scan) and
 * keep no state from one call to the next. Those that speak print with printf to standard
 * output, never to standard error, and do not flush it. Those that take a file name open the
 * file themselves and close it before they return; they are not meant to be called concurrently
 * on the same file, nor while another program writes it. Every pointer argument must be valid
 * unless its function says otherwise; strings are NUL-terminated. Statuses are 0 for success and
 * -1 for a rejection.
 */

/*
 * file_access() - returns 0 if the file opens for reading (it is closed again at once);
 * otherwise prints "Unable to open file <filename> in file_access()" and returns -1.
 */
VARNOKE_LIDAR_API int16_t file_access(const char *filename);

/*
 * check_file_extension() - returns 0 if @filename is longer than four characters, has a dot
 * fourth from its end and ends in exactly @extension, given without its dot and compared
 * case-sensitively (so only a three-character @extension can match). Otherwise prints why (the
 * name is too short, lacks the dot, or ends otherwise) and returns -1. Touches no file.
 */
VARNOKE_LIDAR_API int16_t check_file_extension(const char *filename, const char *extension);

/*
 * error_msg() - prints message @i about @text: 1 "File <text> does NOT exist", 2 "File <text>
 * already exists", 3 "Same file name (<text>) has been specified twice", each after a newline.
 * Any other @i prints nothing; @text is read only for 1 to 3.
 */
VARNOKE_LIDAR_API void error_msg(int16_t i, const char *text);

/*
 * check_las() - validates a LAS file in this order: it opens for reading, its name ends in
 * ".las", it starts with "LASF", its version is 1.0, 1.1 or 1.2, its point format is 0 to 3 and
 * its record length is that of the format. Reads at most the first 107 bytes and writes nothing.
 *
 * Returns the LAS type, 1 to 8 for 1.0/0, 1.0/1, 1.1/0, 1.1/1, 1.2/0, 1.2/1, 1.2/2 and 1.2/3
 * (version/point format); 0 for a 1.0 or 1.1 file declaring point format 2 or 3, whose record
 * length is not checked; or -1 after printing the reason of the rejection, also for a file too
 * short to be judged or one that cannot be read.
 */
VARNOKE_LIDAR_API int16_t check_las(const char *filename);

/*
 * update_header() - repairs the header of a LAS file in place. Validates the file as check_las()
 * does, opens it for update and reads its header through that handle: it refuses a header that
 * is not the one validated (the name may have been given to another file in between), type 0,
 * which has no record layout, and point data that would start inside the 227-byte header or past
 * the end of the file. Reads the point records through the same handle from the data offset to
 * the end of the file (a trailing fragment of a record is no record) and rewrites the first 227
 * bytes alone, with the point count, the counts by return number 1 to 5 and the bounding box in
 * the header's scale and offset; the write is flushed and synced to the disk. Only a regular
 * file is read (a pipe or device is refused without waiting on it), and just before the write
 * the header bytes, the size and the time of last change are read again through the handle: if
 * any differs from what was judged, nothing is written. A symbolic link named by @filename is
 * followed.
 *
 * Returns after printing "\rHeader of file <filename> has been updated    " (no newline). On any
 * failure it prints the reason and ends the process with exit(-1), status 255 on POSIX systems:
 * call it only where the program may end. Every failure before the header write leaves the file
 * as it was. The scan may read on a second thread, always joined before the function returns or
 * exits, through a buffer of 1 MiB on the heap.
 */
VARNOKE_LIDAR_API void update_header(const char *filename);

/* credits() - prints the banner of the Varnoke LiDAR Utilities, several lines starting with a
 * newline. */
VARNOKE_LIDAR_API void credits(void);

/*
 * initialize_header10(), initialize_header11(), initialize_header12() - put the record at @ph
 * into the state of an empty file of version 1.0, 1.1 or 1.2: "LASF", "Varnoke LiDAR Utilities"
 * as generating software, header size and data offset 227, point format 0 with record length 0
 * (set both before writing points), unit scale factors, zero offsets, box and counts. Bytes
 * 17-23, 27-57 and 82-89 of the record (the tails of GUIDData4, SystemIdentifier and
 * GeneratingSoftware) are left as they were. Print nothing, touch no file.
 */
VARNOKE_LIDAR_API void initialize_header10(LAS10Header *ph);
VARNOKE_LIDAR_API void initialize_header11(LAS11Header *ph);
VARNOKE_LIDAR_API void initialize_header12(LAS12Header *ph);

/*
 * The index-carrying quicksorts: sort the keys @p ascending in place and make every exchange at
 * the same two positions of @p_ind (fill it with 0, 1, 2, ... to learn where each key came
 * from). The entry points sort positions 0 .. @count - 1 (nothing when @count is 1 or less); the
 * workers sort the inclusive range @left .. @right (nothing when @left >= @right) and touch
 * nothing outside it. Both arrays must hold every position sorted, 0 <= @left; they may be NULL
 * only when there is nothing to sort.
 *
 * Every routine of one key type yields the same arrangement of both arrays, that of a partition
 * around a copy of the middle key whose scans stop at keys equal to it; the sort is not stable.
 * The parallel flavour accepts a depth budget (@deep), which changes nothing, and runs on the
 * calling thread. Double keys use the IEEE less-than comparison and move as whole bit patterns.
 *
 * The sorts print nothing, allocate nothing and use a fixed amount of stack (about 1 KiB),
 * whatever @count and the order of the keys. They are reentrant: calls on different arrays may
 * run at once on different threads. Their time grows as count * log2(count) on keys in random
 * order, in order, in reverse order or with few distinct values; but on inputs that put an
 * extreme key at the middle of range after range (for example ascending then descending, "organ
 * pipe") it grows with the square of count: the arrangement admits no other partitioning.
 */
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

/*
 * check_YN() - returns 0 for exactly "Y", "N", "y" or "n"; otherwise prints "ASCII Header Flag
 * should be either Y (y) or N (n)" and returns -1.
 */
VARNOKE_LIDAR_API int16_t check_YN(const char *text);

/*
 * check_numeric_argument() - returns if @str holds only digits, '.' and '-', at most one '.' and
 * at most one '-' anywhere, and is not a lone '.' or '-' (an empty @str passes). Otherwise prints
 * "Invalid argument value (<str>)" and ends the process with exit(-1).
 */
VARNOKE_LIDAR_API void check_numeric_argument(const char *str);

/*
 * check_DEM() - returns for a name ending in ".asc", or in ".flt" when the same name ending in
 * ".hdr" opens for reading (as file_access() tries). Otherwise prints why and ends the process
 * with exit(-1). On the way it prints the check_file_extension() complaint of each extension
 * tried that did not match: a ".asc" name gets the one about ".flt", a ".flt" name the one about
 * ".asc".
 */
VARNOKE_LIDAR_API void check_DEM(const char *str);

#ifdef __cplusplus
}
#endif

#endif /* VARNOKE_LIDAR_H */
