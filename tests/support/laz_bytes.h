// LAZ files held in memory for the decoder's tests and its fuzz target: the bytes read through
// the decoder's own positioned read, optionally as a sparse file whose holes read as zeros.
#ifndef VARNOKE_TESTS_LAZ_BYTES_H
#define VARNOKE_TESTS_LAZ_BYTES_H

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "laz_file.h"
#include "laz_status.h"
#include "support/las_file.h"

namespace lastest {

// A file of `size` bytes holding `parts` at their offsets and zeros elsewhere.
struct SparseFile {
    uint64_t size = 0;
    std::vector<std::pair<uint64_t, Bytes>> parts;
};

// `file` as the decoder sees the bytes `laz` (or the sparse file `sparse`): its reads, its
// point data's start (and end at the end of the file), its point format and record length
// from the header, its LASzip VLR parsed. The status of the VLR's parse.
varnoke::laz::LazStatus describe_laz(const Bytes &laz, varnoke::laz::LazFile &file);
varnoke::laz::LazStatus describe_laz(const SparseFile &sparse, varnoke::laz::LazFile &file);

}  // namespace lastest

#endif
