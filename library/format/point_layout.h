// Where a LAS file's point records lie and how they are laid out, judged on its header's bytes
// and its size alone: the rules every reader of the records must meet.
#ifndef VARNOKE_POINT_LAYOUT_H
#define VARNOKE_POINT_LAYOUT_H

#include <cstddef>
#include <cstdint>

namespace varnoke {

// The files a judgement takes and the rules it reads them by. kLegacyTypes: LAS 1.0 to 1.2 of
// the LAS types, judged as validation judges them (header_checks: point formats 0 to 3 of
// exactly their record lengths), the records from the offset to point data to the end of the
// file. kAllVersions: LAS 1.0 to 1.4, point formats 0 to 10, records at least as long as their
// format's fields, ending where the header's pointers place them.
enum class LayoutRules { kLegacyTypes, kAllVersions };

// The bytes of the longest public header, LAS 1.4's; 1.0 to 1.2 have 227, 1.3 has 235.
inline constexpr std::size_t kMostHeaderBytes = 375;

struct PointLayout {
    uint8_t version_major = 0, version_minor = 0, point_format = 0;
    uint16_t record_length = 0;
    std::size_t header_bytes = 0;  // of the public header of its version
    uint64_t start = 0;            // of the first record
    uint64_t end = 0;              // of the records: the end of the file or of the point data
    // kAllVersions only: the header's own size, where its VLRs start, and their count as the
    // header declares it.
    uint64_t vlr_start = 0;
    uint32_t vlr_count = 0;
    unsigned return_bits = 3;  // low bits of byte 14 that hold the return number
    bool counts64 = false;     // LAS 1.4: 64-bit counts, 15 return numbers
    // kAllVersions only: LAZ; point_format is then without its compression bits.
    bool compressed = false;
    // kAllVersions, LAS 1.4: the extended VLRs counted whose start lies inside the file, to be
    // walked; 0 and 0 otherwise.
    uint64_t evlr_start = 0;
    uint32_t evlr_count = 0;
    // kAllVersions: what the header places past the end of the file (VARNOKE_LAS_MISSING_*
    // bits), and the least number of bytes that would have to follow the end for all of it to
    // be there.
    unsigned missing = 0;
    uint64_t missing_bytes = 0;
    // kLegacyTypes: the LAS type (1 to 8, or 0 for 1.0 or 1.1 with point format 2 or 3) once the
    // version, the point format and the record length are judged; -1 before.
    int16_t las_type = -1;
};

// Judges the first `got` bytes of a file of `file_size` bytes by `rules`. Returns VARNOKE_LAS_OK
// with `out` complete, or the varnoke_las_status of the first rule broken, with `out` filled as
// far as the judgement came.
int judge_layout(const unsigned char *head, std::size_t got, uint64_t file_size, LayoutRules rules,
                 PointLayout &out);

}  // namespace varnoke

#endif
