#include "header_for_update.h"

#include "header_checks.h"
#include "las_types.h"
#include "messages.h"

namespace varnoke {

UpdateRefusal read_header_for_update(std::FILE *f, int16_t validated_type, HeaderForUpdate &out) {
    if (!file_state(f, out.state)) return UpdateRefusal::kReadError;
    // Validation read a regular file; a pipe or device put in its place is not read from.
    if (!out.state.regular) return UpdateRefusal::kChanged;
    LAS12Header &header = out.header;
    if (std::fread(&header, sizeof header, 1, f) != 1) {
        return std::ferror(f) ? UpdateRefusal::kReadError : UpdateRefusal::kTooShort;
    }
    out.as_read = header;

    // Validation opened the file by name; the name may have been given to another file since.
    // Everything validation decided is decided again on these bytes, the ones that are written.
    const HeaderJudgement judged = judge_header(header, sizeof header);
    if (judged.verdict != HeaderVerdict::kAccepted || judged.type != validated_type) {
        return UpdateRefusal::kChanged;
    }

    out.record_length = record_length_of(judged.type);
    if (out.record_length == 0) return UpdateRefusal::kNoRecordLayout;

    const uint32_t offset = header.OffsetToData;
    if (offset < sizeof header) return UpdateRefusal::kDataInsideHeader;
    if (offset > static_cast<uint64_t>(out.state.size)) return UpdateRefusal::kDataPastTheEnd;
    return UpdateRefusal::kNone;
}

void print_refusal(UpdateRefusal refusal, const char *filename, const LAS12Header &header) {
    const auto offset = static_cast<unsigned>(header.OffsetToData);
    switch (refusal) {
        case UpdateRefusal::kNone:
            break;
        case UpdateRefusal::kReadError:
            std::printf(msg::kReadError, filename);
            break;
        case UpdateRefusal::kTooShort:
            std::printf(msg::kTooShort, filename);
            break;
        case UpdateRefusal::kChanged:
            std::printf(msg::kChangedSinceValidation, filename);
            break;
        case UpdateRefusal::kNoRecordLayout:
            std::printf(msg::kNoRecordLayout, filename, '0' + header.PointDataFormatID,
                        '0' + header.VersionMajor, '0' + header.VersionMinor);
            break;
        case UpdateRefusal::kDataInsideHeader:
            std::printf(msg::kDataInsideHeader, filename, offset);
            break;
        case UpdateRefusal::kDataPastTheEnd:
            std::printf(msg::kDataPastTheEnd, filename, offset);
            break;
    }
}

}  // namespace varnoke
