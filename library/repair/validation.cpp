// Decides whether a file can be handled: existence, name, signature, version, point format and
// record length, in that order. Every rejection prints its own message.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "header_bytes.h"
#include "header_checks.h"
#include "messages.h"

extern "C" {

int16_t file_access(const char *filename) {
    // Without waiting: the name may be that of a pipe with no writer.
    if (!varnoke::open_without_waiting(filename, "r")) {
        std::printf(varnoke::msg::kCannotProbe, filename);
        return -1;
    }
    return 0;
}

int16_t check_file_extension(const char *filename, const char *extension) {
    const std::size_t length = std::strlen(filename);
    if (length <= 4) {
        std::printf(varnoke::msg::kNameTooShort, filename);
        return -1;
    }
    if (filename[length - 4] != '.') {
        std::printf(varnoke::msg::kNoDot, filename);
        return -1;
    }
    if (std::strcmp(filename + length - 3, extension) != 0) {
        std::printf(varnoke::msg::kWrongExtension, filename, extension);
        return -1;
    }
    return 0;
}

void error_msg(int16_t i, const char *text) {
    switch (i) {
        case 1:
            std::printf(varnoke::msg::kDoesNotExist, text);
            break;
        case 2:
            std::printf(varnoke::msg::kAlreadyExists, text);
            break;
        case 3:
            std::printf(varnoke::msg::kNamedTwice, text);
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

    const varnoke::File file = varnoke::open_without_waiting(filename, "rb");
    if (!file) {
        std::printf(varnoke::msg::kCannotOpenForReading, filename);
        return -1;
    }
    // Only a regular file is read: a pipe or a device could make the read wait for ever.
    varnoke::FileState state;
    if (!varnoke::file_state(file.get(), state)) {
        std::printf(varnoke::msg::kReadError, filename);
        return -1;
    }
    if (!state.regular) {
        std::printf(varnoke::msg::kNotRegular, filename);
        return -1;
    }
    unsigned char head[varnoke::kValidatedBytes] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file.get());
    if (got < varnoke::kValidatedBytes && std::ferror(file.get())) {
        std::printf(varnoke::msg::kReadError, filename);
        return -1;
    }
    // Each check is judged only on bytes that were read; a file that ends before the bytes a
    // check needs is rejected as too short at that point.
    const varnoke::HeaderJudgement judged = varnoke::judge_header(head, got);
    const uint8_t major = head[varnoke::at::kVersionMajor];
    const uint8_t minor = head[varnoke::at::kVersionMinor];
    const uint8_t format = head[varnoke::at::kPointFormat];
    switch (judged.status) {
        case VARNOKE_LAS_OK:
            return judged.type;
        case VARNOKE_LAS_ERR_TOO_SHORT:
            std::printf(varnoke::msg::kTooShort, filename);
            break;
        case VARNOKE_LAS_ERR_NOT_LAS:
            std::printf(varnoke::msg::kNotLas, filename);
            break;
        case VARNOKE_LAS_ERR_VERSION:
            if (major != 1) {
                std::printf(varnoke::msg::kMajorVersion, '0' + major);
            } else {
                std::printf(varnoke::msg::kMinorVersion, '0' + major, '0' + minor);
            }
            break;
        case VARNOKE_LAS_ERR_POINT_FORMAT:
            std::printf(varnoke::msg::kPointFormat, filename, '0' + format);
            break;
        default:  // VARNOKE_LAS_ERR_RECORD_LENGTH
            std::printf(
                varnoke::msg::kRecordLength, filename, '0' + format,
                static_cast<unsigned>(varnoke::load<uint16_t>(head, varnoke::at::kRecordLength)));
            break;
    }
    return -1;
}

}  // extern "C"
