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
    uint8_t bitfield;  // low three bits: return number
};

struct LasSpec {
    uint8_t major = 1, minor = 2, format = 0;
    std::optional<uint16_t> record_length;  // default: the length the point format requires
    uint16_t header_size = 227;   // bytes from 227 to header_size are filled with a pattern
    int64_t offset_to_data = -1;  // -1: header_size
    std::array<double, 3> scale{0.01, 0.01, 0.01};
    std::array<double, 3> offset{0.0, 0.0, 0.0};
    std::vector<Point> points;
    std::size_t trailing_bytes = 0;  // a fragment shorter than a record after the points
};

// The record length of point formats 0 to 3.
uint16_t record_length_for(uint8_t format);

// A file as the LasSpec describes it, with a stale header: counts and box hold arbitrary values,
// and every byte the update must keep holds a distinctive pattern.
Bytes make_las(const LasSpec &spec);

// Changes bytes of a built file.
void put_u8(Bytes &b, std::size_t at, uint8_t v);
void put_u32(Bytes &b, std::size_t at, uint32_t v);
void put_f64(Bytes &b, std::size_t at, double v);

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
