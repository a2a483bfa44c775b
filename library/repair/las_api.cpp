// The exported face of the check and the repair.
#include "Varnoke_LiDAR.h"
#include "las_inspect.h"

extern "C" {

int varnoke_las_check(const char *path, varnoke_las_report *report) {
    return varnoke::inspect(path, report, false, {});
}

int varnoke_las_repair(const char *path, varnoke_las_report *report) {
    return varnoke::inspect(path, report, true, {});
}

int varnoke_las_check_at(int dirfd, const char *name, varnoke_las_report *report) {
#if defined(_WIN32)
    (void)dirfd, (void)name, (void)report;
    return VARNOKE_LAS_ERR_ARGUMENT;
#else
    if (dirfd < 0) return VARNOKE_LAS_ERR_ARGUMENT;
    return varnoke::inspect_named(varnoke::FileName{dirfd, name}, report, false, {});
#endif
}

int varnoke_las_repair_at(int dirfd, const char *name, varnoke_las_report *report) {
#if defined(_WIN32)
    (void)dirfd, (void)name, (void)report;
    return VARNOKE_LAS_ERR_ARGUMENT;
#else
    if (dirfd < 0) return VARNOKE_LAS_ERR_ARGUMENT;
    return varnoke::inspect_named(varnoke::FileName{dirfd, name}, report, true, {});
#endif
}

const char *varnoke_las_strerror(int status) {
    switch (status) {
        case VARNOKE_LAS_OK:
            return "success";
        case VARNOKE_LAS_ERR_ARGUMENT:
            return "no path or no report was given";
        case VARNOKE_LAS_ERR_OPEN:
            return "the file cannot be opened for reading";
        case VARNOKE_LAS_ERR_NOT_REGULAR:
            return "not a regular file (a folder, pipe, socket or device)";
        case VARNOKE_LAS_ERR_READ:
            return "the system reported an error while reading the file";
        case VARNOKE_LAS_ERR_TOO_SHORT:
            return "the file or its header is too short for a LAS header of its version";
        case VARNOKE_LAS_ERR_NOT_LAS:
            return "not a LAS file (no LASF signature)";
        case VARNOKE_LAS_ERR_VERSION:
            return "a LAS version other than 1.0 to 1.4";
        case VARNOKE_LAS_ERR_POINT_FORMAT:
            return "a point data format that its LAS version does not define";
        case VARNOKE_LAS_ERR_COMPRESSED:
            return "compressed point data is not supported";
        case VARNOKE_LAS_ERR_RECORD_LENGTH:
            return "a point record length shorter than its point data format";
        case VARNOKE_LAS_ERR_DATA_IN_HEADER:
            return "the offset to point data lies inside the header";
        case VARNOKE_LAS_ERR_DATA_PAST_END:
            return "the offset to point data lies past the end of the file";
        case VARNOKE_LAS_ERR_TOO_MANY:
            return "more point records than the header's 32-bit count can hold";
        case VARNOKE_LAS_ERR_NO_MEMORY:
            return "not enough memory to read the file";
        case VARNOKE_LAS_ERR_OPEN_WRITE:
            return "the stale file cannot be opened for writing";
        case VARNOKE_LAS_ERR_CHANGED:
            return "the file changed while it was read; nothing was written to it";
        case VARNOKE_LAS_ERR_WRITE:
            return "writing the header failed; its first bytes may hold the old or the new header";
        case VARNOKE_LAS_ERR_LINK:
            return "a symbolic link where a file was found in its folder; it is not followed";
        default:
            return "unknown status";
    }
}

}  // extern "C"
