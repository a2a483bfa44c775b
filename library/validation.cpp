// Decides whether a file can be handled: existence, name, signature, version, point format and
// record length, in that order. Every rejection prints its own message.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "header_checks.h"
#include "messages.h"

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
    const std::size_t got = std::fread(&head, 1, varnoke::kValidatedBytes, file.get());
    if (got < varnoke::kValidatedBytes && std::ferror(file.get())) {
        std::printf(varnoke::kReadErrorMessage, filename);
        return -1;
    }
    // Each check is judged only on bytes that were read; a file that ends before the bytes a
    // check needs is rejected as too short at that point.
    const varnoke::HeaderJudgement judged = varnoke::judge_header(head, got);
    const uint8_t major = head.VersionMajor;
    const uint8_t minor = head.VersionMinor;
    const uint8_t format = head.PointDataFormatID;
    switch (judged.verdict) {
        case varnoke::HeaderVerdict::kAccepted:
            return judged.type;
        case varnoke::HeaderVerdict::kTooShort:
            std::printf(varnoke::kTooShortMessage, filename);
            break;
        case varnoke::HeaderVerdict::kNotLas:
            std::printf("\n%s is not a valid .las file\n\n", filename);
            break;
        case varnoke::HeaderVerdict::kMajorVersion:
            std::printf("\nCannot handle las files of version %c.x\n", '0' + major);
            break;
        case varnoke::HeaderVerdict::kMinorVersion:
            std::printf("\nCannot handle las files of version %c.%c\n", '0' + major, '0' + minor);
            break;
        case varnoke::HeaderVerdict::kPointFormat:
            std::printf("\nPointDataFormatID in %s is %c. Only 0, 1, 2, or 3 is accepted\n",
                        filename, '0' + format);
            break;
        case varnoke::HeaderVerdict::kRecordLength:
            std::printf(
                "\nData format of %s (%c) is incompatible with Length of Data Record (%u)\n",
                filename, '0' + format, static_cast<unsigned>(head.PointDataRecordLength));
            break;
    }
    return -1;
}

}  // extern "C"
