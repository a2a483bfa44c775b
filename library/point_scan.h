// The single pass over the point records.
#ifndef VARNOKE_POINT_SCAN_H
#define VARNOKE_POINT_SCAN_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "record_tally.h"

namespace varnoke {

// The records are read in blocks of this size by each of up to kScanThreads threads, each into
// its own part of the scan buffer.
constexpr std::size_t kScanBlockBytes = std::size_t{512} << 10;
constexpr std::size_t kScanThreads = 2;
constexpr std::size_t kScanBufferBytes = kScanThreads * kScanBlockBytes;

// Reads the whole records from byte `start` of `f` to the end of the file through `buffer`
// (kScanBufferBytes long) and tallies them; a trailing fragment is not a record.
// `record_length` is at least 16 and at most kScanBlockBytes. The stream's position is left
// unspecified. Returns false on a read error, as opposed to the end of the file.
bool scan_points(std::FILE *f, uint64_t start, std::size_t record_length, unsigned char *buffer,
                 PointTally &tally);

}  // namespace varnoke

#endif
