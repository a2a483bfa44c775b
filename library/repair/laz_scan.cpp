#include "laz_scan.h"

#include <atomic>
#include <new>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "layered_chunk.h"
#include "laz_tally.h"

namespace varnoke {

namespace {

using laz::LazStatus;

// The public status of each reason the decoder gives.
int status_of(LazStatus status) {
    switch (status) {
        case LazStatus::ok:
            return VARNOKE_LAS_OK;
        case LazStatus::read_failed:
            return VARNOKE_LAS_ERR_READ;
        case LazStatus::unsupported_compressor:
        case LazStatus::unsupported_coder:
            return VARNOKE_LAS_ERR_COMPRESSED;
        case LazStatus::unsupported_item_version:
        case LazStatus::item_version_1:
            return VARNOKE_LAS_ERR_LAZ_ITEM_VERSION;
        case LazStatus::no_laszip_vlr:
        case LazStatus::vlr_outside_header:
        case LazStatus::vlr_truncated:
        case LazStatus::item_mismatch:
        case LazStatus::record_length_mismatch:
        case LazStatus::unknown_item:
            return VARNOKE_LAS_ERR_LAZ_ITEMS;
        case LazStatus::table_missing:
            return VARNOKE_LAS_ERR_LAZ_NO_TABLE;
        case LazStatus::bad_chunk_size:
        case LazStatus::table_outside_file:
        case LazStatus::table_before_chunks:
        case LazStatus::table_version:
        case LazStatus::too_many_chunks:
        case LazStatus::table_overrun:
        case LazStatus::chunks_overrun:
            return VARNOKE_LAS_ERR_LAZ_TABLE;
        default:
            return VARNOKE_LAS_ERR_LAZ_CHUNK;
    }
}

// The chunks shared out between the call's threads: each takes the next chunk not yet taken,
// reads it into a buffer of its own and decodes it into its own tally.
struct ChunkWork {
    const laz::LazFile *file;
    const laz::ChunkTable *table;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::vector<PointTally> tallies;
    std::vector<std::size_t> failed_at;  // by share: the first chunk refused, or SIZE_MAX
    std::vector<LazStatus> why;
    std::vector<char> exact;

    void run(unsigned share) {
        std::vector<unsigned char> bytes;
        laz::LayeredChunkDecoder decoder;
        for (std::size_t i = next.fetch_add(1); i < table->chunks.size() && !failed.load();
             i = next.fetch_add(1)) {
            const laz::Chunk &chunk = table->chunks[i];
            LazStatus status = LazStatus::ok;
            try {
                bytes.resize(static_cast<std::size_t>(chunk.bytes));
            } catch (const std::bad_alloc &) {
                status = LazStatus::read_failed;
            }
            laz::ChunkResult result;
            if (status == LazStatus::ok &&
                file->read(chunk.offset, bytes.data(), bytes.size()) !=
                    static_cast<int64_t>(bytes.size())) {
                status = LazStatus::read_failed;
            }
            if (status == LazStatus::ok) {
                result = laz::decode_chunk(*file, *table, i, bytes, &decoder);
                status = result.status;
            }
            if (status != LazStatus::ok) {
                if (i < failed_at[share]) {
                    failed_at[share] = i;
                    why[share] = status;
                }
                failed.store(true);
                return;
            }
            merge(tallies[share], result.tally);
            if (!result.exact) exact[share] = 0;
        }
    }
};

void run_share(void *arg, unsigned share) {
    static_cast<ChunkWork *>(arg)->run(share);
}

}  // namespace

int scan_laz(std::FILE *f, const JudgedFile &judged, const Workers &workers, PointTally &tally,
             ScanFindings &found) {
    bool &exact = found.exact;
    exact = true;
    const PointLayout &layout = judged.layout;
    if (judged.vlrs.laszip_bytes == 0) return VARNOKE_LAS_ERR_LAZ_ITEMS;
    laz::LazFile file;
    file.read = [f](uint64_t position, void *to, std::size_t size) {
        return read_at(f, position, to, size);
    };
    // The chunks and their table lie in the point data, before any EVLR.
    file.file_size = layout.end;
    file.data_start = layout.start;
    file.data_end = layout.end;
    file.point_format = judged.header[104];
    file.record_length = layout.record_length;
    std::vector<unsigned char> payload(judged.vlrs.laszip_bytes);
    if (read_at(f, judged.vlrs.laszip_at, payload.data(), payload.size()) !=
        static_cast<int64_t>(payload.size())) {
        return VARNOKE_LAS_ERR_READ;
    }
    LazStatus status =
        laz::parse_laszip_vlr(payload, file.point_format, file.record_length, file.vlr);
    if (status != LazStatus::ok) return status_of(status);
    laz::ChunkTable table;
    laz::LazFile effective;
    status = laz::chunks_of(file, table, effective);
    if (status != LazStatus::ok) return status_of(status);

    const std::size_t chunks = table.chunks.size();
    const unsigned shares =
        static_cast<unsigned>(std::min<std::size_t>(std::max(workers.threads, 1u), chunks));
    ChunkWork work;
    work.file = &effective;
    work.table = &table;
    work.tallies.resize(shares);
    work.failed_at.assign(shares, SIZE_MAX);
    work.why.assign(shares, LazStatus::ok);
    work.exact.assign(shares, 1);
    run_tasks(workers, shares, run_share, &work);
    // The first chunk refused decides the status, whichever thread found it.
    std::size_t first = SIZE_MAX;
    for (unsigned k = 0; k < shares; ++k) {
        if (work.failed_at[k] < first) {
            first = work.failed_at[k];
            status = work.why[k];
        }
    }
    if (first != SIZE_MAX) return status_of(status);
    for (unsigned k = 0; k < shares; ++k) {
        merge(tally, work.tallies[k]);
        if (!work.exact[k]) exact = false;
    }
    return VARNOKE_LAS_OK;
}

}  // namespace varnoke
