// Decides whether a file can be handled: existence, name, signature, version, point format and
// record length, in that order. Every rejection prints its own message.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "las_types.h"
#include "messages.h"

namespace {

// Validation reads the header up to and including the record length: bytes 0 to 106.
constexpr std::size_t kValidatedBytes = offsetof(LAS12Header, NumberOfPointReturns);

int16_t reject_short(const char *filename) {
    std::printf(varnoke::kTooShortMessage, filename);
    return -1;
}

}  // namespace

extern "C" {

int16_t file_access(const char *filename) {
    std::FILE *f = std::fopen(filename, "r");
    if (f == nullptr) {
        std::printf("Unable to open file %s in file_access()\n", filename);
        return -1;
    }
    std::fclose(f);
    return 0;
}

int16_t check_file_extension(const char *filename, const char *extension) {
    const std::size_t length = std::strlen(filename);
    if (length <= 4) {
        std::printf("\nFile name (%s) is too short\n", filename);
        return -1;
    }
    if (filename[length - 4] != '.') {
        std::printf("\nExtension of file %s should be preceeded by a dot (.)\n", filename);
        return -1;
    }
    if (std::strcmp(filename + length - 3, extension) != 0) {
        std::printf("\nFile extension of %s is not .%s\n", filename, extension);
        return -1;
    }
    return 0;
}

void error_msg(int16_t i, const char *text) {
    switch (i) {
        case 1:
            std::printf("\nFile %s does NOT exist\n", text);
            break;
        case 2:
            std::printf("\nFile %s already exists\n", text);
            break;
        case 3:
            std::printf("\nSame file name (%s) has been specified twice\n", text);
            break;
        default:
            break;
    }
}

int16_t check_las(const char *filename) {
    if (file_access(filename) != 0) {
        error_msg(1, filename);
        return -1;
    }
    if (check_file_extension(filename, "las") != 0) return -1;

    const varnoke::File file = varnoke::open_file(filename, "rb");
    if (!file) {
        std::printf("\nCannot open binary file %s for reading\n", filename);
        return -1;
    }
    LAS12Header head{};
    const std::size_t got = std::fread(&head, 1, kValidatedBytes, file.get());
    if (got < kValidatedBytes && std::ferror(file.get())) {
        std::printf(varnoke::kReadErrorMessage, filename);
        return -1;
    }
    // Each check is judged only on bytes that were read; a file that ends before the bytes a
    // check needs is rejected as too short at that point.
    const auto have = [got](std::size_t offset, std::size_t width) {
        return got >= offset + width;
    };

    if (!have(offsetof(LAS12Header, LASF), 4)) return reject_short(filename);
    if (std::memcmp(head.LASF, "LASF", 4) != 0) {
        std::printf("\n%s is not a valid .las file\n\n", filename);
        return -1;
    }
    if (!have(offsetof(LAS12Header, VersionMajor), 1)) return reject_short(filename);
    const uint8_t major = head.VersionMajor;
    if (major != 1) {
        std::printf("\nCannot handle las files of version %c.x\n", '0' + major);
        return -1;
    }
    if (!have(offsetof(LAS12Header, VersionMinor), 1)) return reject_short(filename);
    const uint8_t minor = head.VersionMinor;
    if (minor > 2) {
        std::printf("\nCannot handle las files of version %c.%c\n", '0' + major, '0' + minor);
        return -1;
    }
    if (!have(offsetof(LAS12Header, PointDataFormatID), 1)) return reject_short(filename);
    const uint8_t format = head.PointDataFormatID;
    if (format > 3) {
        std::printf("\nPointDataFormatID in %s is %c. Only 0, 1, 2, or 3 is accepted\n", filename,
                    '0' + format);
        return -1;
    }
    if (!have(offsetof(LAS12Header, PointDataRecordLength), 2)) return reject_short(filename);
    const uint16_t record_length = head.PointDataRecordLength;

    for (const varnoke::LasType &row : varnoke::kLasTypes) {
        if (row.version_minor != minor || row.point_format != format) continue;
        if (row.record_length != record_length) {
            std::printf(
                "\nData format of %s (%c) is incompatible with Length of Data Record (%u)\n",
                filename, '0' + format, static_cast<unsigned>(record_length));
            return -1;
        }
        return row.type;
    }
    return 0;  // version 1.0 or 1.1 with point format 2 or 3
}

}  // extern "C"
