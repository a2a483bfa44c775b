#include "header_for_update.h"

#include "file_io.h"
#include "header_checks.h"
#include "las_types.h"
#include "messages.h"

namespace varnoke {

bool read_header_for_update(std::FILE *f, const char *filename, int16_t validated_type,
                            HeaderForUpdate &out) {
    LAS12Header &header = out.header;
    if (std::fread(&header, sizeof header, 1, f) != 1) {
        std::printf(std::ferror(f) ? kReadErrorMessage : kTooShortMessage, filename);
        return false;
    }
    const int64_t size = file_size(f);
    if (size < 0) {
        std::printf(kReadErrorMessage, filename);
        return false;
    }

    // Validation opened the file by name; the name may have been given to another file since.
    // Everything validation decided is decided again on these bytes, the ones that are written.
    const HeaderJudgement judged = judge_header(header, sizeof header);
    if (judged.verdict != HeaderVerdict::kAccepted || judged.type != validated_type) {
        std::printf("\nFile %s changed after it was validated; nothing was written to it\n",
                    filename);
        return false;
    }

    out.record_length = record_length_of(judged.type);
    if (out.record_length == 0) {
        std::printf(
            "\nPointDataFormatID in %s is %c. It is not defined for las files of version %c.%c\n",
            filename, '0' + header.PointDataFormatID, '0' + header.VersionMajor,
            '0' + header.VersionMinor);
        return false;
    }

    const uint32_t offset = header.OffsetToData;
    if (offset < sizeof header) {
        std::printf(
            "\nOffsetToData of %s is %u: its point data would start inside the 227-byte header\n",
            filename, static_cast<unsigned>(offset));
        return false;
    }
    if (offset > static_cast<uint64_t>(size)) {
        std::printf(
            "\nOffsetToData of %s is %u: its point data would start past the end of the file\n",
            filename, static_cast<unsigned>(offset));
        return false;
    }
    return true;
}

}  // namespace varnoke
