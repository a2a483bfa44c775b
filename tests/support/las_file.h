// Builds LAS files byte by byte and reads their headers back, with explicit little-endian
// encoding, independently of the library's records.
#ifndef VARNOKE_TESTS_LAS_FILE_H
#define VARNOKE_TESTS_LAS_FILE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lastest {

using Bytes = std::vector<uint8_t>;

struct Point {
    int32_t x, y, z;
    uint8_t bitfield;  // low three bits (four for point formats 6 to 10): return number
};

struct LasSpec {
    uint8_t major = 1, minor = 2, format = 0;
    std::optional<uint16_t> record_length;  // default: the length the point format requires
    uint16_t header_size = 0;     // 0: the version's; bytes past 227 are filled with a pattern
    int64_t offset_to_data = -1;  // -1: header_size
    std::array<double, 3> scale{0.01, 0.01, 0.01};
    std::array<double, 3> offset{0.0, 0.0, 0.0};
    std::vector<Point> points;
    std::size_t trailing_bytes = 0;          // a fragment shorter than a record after the points
    std::optional<uint64_t> stored_records;  // the stale count: one fewer than the points
    // LAS 1.3 and 1.4: waveform data or extended VLRs after the points, and where they start.
    uint16_t global_encoding = 0;
    uint64_t waveform_start = 0;
    uint64_t evlr_start = 0;
    uint32_t evlr_count = 0;
    std::size_t bytes_after = 0;  // of a pattern after the points and the fragment
};

// The record length of point formats 0 to 10 (the length of their fields).
uint16_t record_length_for(uint8_t format);

// The bytes of the header of LAS 1.`minor`.
uint16_t header_size_for(uint8_t minor);

// What a check must find in `file`, read plainly from the LAS text: where the records lie (the
// end of the file, or where waveform data or extended VLRs start after them), their counts and
// extremes (a box of zeros without records). For files the check accepts.
struct PlainReading {
    uint64_t records = 0;
    std::array<uint64_t, 16> by_return{};  // by return number 0 to 15
    std::array<double, 6> box{};           // MaxX, MinX, MaxY, MinY, MaxZ, MinZ
    uint64_t end = 0, trailing = 0;
};
PlainReading read_plainly(const Bytes &file);

// Little-endian fields of a built file.
uint16_t u16_at(const Bytes &b, std::size_t at);
uint32_t u32_at(const Bytes &b, std::size_t at);
int32_t i32_at(const Bytes &b, std::size_t at);
double f64_at(const Bytes &b, std::size_t at);
uint64_t u64_at(const Bytes &b, std::size_t at);
void put_u64(Bytes &b, std::size_t at, uint64_t v);
void put_f64(Bytes &b, std::size_t at, double v);

// A file as the LasSpec describes it, with a stale header: counts and box hold arbitrary values,
// and every byte the update must keep holds a distinctive pattern.
Bytes make_las(const LasSpec &spec);

// Whether byte `k` of a header is one a repair may rewrite: the counts (107-130), the box
// (179-226), and in LAS 1.4 the 64-bit counts (247-374).
inline bool rewritable_byte(std::size_t k, bool las14 = false) {
    return (k >= 107 && k <= 130) || (k >= 179 && k <= 226) || (las14 && k >= 247 && k < 375);
}

// Changes bytes of a built file.
void put_u8(Bytes &b, std::size_t at, uint8_t v);
void put_u32(Bytes &b, std::size_t at, uint32_t v);

// The recomputed header fields, read back from a file's first 227 bytes.
struct HeaderCounts {
    uint32_t points;
    std::array<uint32_t, 5> by_return;
    std::array<double, 6> box;  // MaxX, MinX, MaxY, MinY, MaxZ, MinZ

    bool operator==(const HeaderCounts &) const = default;
};
HeaderCounts counts_of(const Bytes &file);

// What the update must write, recomputed from the records of `file` (a trailing fragment is no
// record; the box is raw x scale + offset at extended precision, rounded once).
HeaderCounts expected_counts(const Bytes &file);

Bytes read_file(const std::string &path);
Bytes read_file_prefix(const std::string &path, std::size_t size);
void write_file(const std::string &path, const Bytes &bytes);
// Reads or overwrites `size` bytes at a 64-bit position of an existing file.
Bytes read_file_range(const std::string &path, uint64_t at, std::size_t size);
void write_file_at(const std::string &path, uint64_t at, const Bytes &bytes);
// Sets the size of an existing file; added bytes read as zeros and take no disk space where the
// file system allows.
void resize_sparse(const std::string &path, uint64_t size);

}  // namespace lastest

#endif
