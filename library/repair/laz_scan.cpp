#include "laz_scan.h"

#include <atomic>
#include <limits>
#include <new>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "chunk_decoder.h"
#include "chunk_table.h"
#include "file_io.h"
#include "header_values.h"

namespace varnoke {

namespace {

using laz::ChunkResult;
using laz::ChunkSpec;
using laz::LazStatus;

// The status functions' answer to each reason of the decoder.
constexpr struct {
    LazStatus why;
    int status;
} kPublicStatus[] = {
    {LazStatus::ok, VARNOKE_LAS_OK},
    {LazStatus::no_laszip_vlr, VARNOKE_LAS_ERR_LAZ_ITEMS},
    {LazStatus::vlr_outside_header, VARNOKE_LAS_ERR_LAZ_ITEMS},
    {LazStatus::vlr_truncated, VARNOKE_LAS_ERR_LAZ_ITEMS},
    {LazStatus::unsupported_compressor, VARNOKE_LAS_ERR_COMPRESSED},
    {LazStatus::unsupported_coder, VARNOKE_LAS_ERR_COMPRESSED},
    {LazStatus::item_mismatch, VARNOKE_LAS_ERR_LAZ_ITEMS},
    {LazStatus::record_length_mismatch, VARNOKE_LAS_ERR_LAZ_ITEMS},
    {LazStatus::unknown_item, VARNOKE_LAS_ERR_LAZ_ITEMS},
    {LazStatus::unsupported_item_version, VARNOKE_LAS_ERR_LAZ_ITEM_VERSION},
    {LazStatus::item_version_1, VARNOKE_LAS_ERR_LAZ_ITEM_VERSION},
    {LazStatus::bad_chunk_size, VARNOKE_LAS_ERR_LAZ_TABLE},
    {LazStatus::table_missing, VARNOKE_LAS_ERR_LAZ_NO_TABLE},
    {LazStatus::table_outside_data, VARNOKE_LAS_ERR_LAZ_TABLE},
    {LazStatus::table_before_chunks, VARNOKE_LAS_ERR_LAZ_TABLE},
    {LazStatus::table_version, VARNOKE_LAS_ERR_LAZ_TABLE},
    {LazStatus::too_many_chunks, VARNOKE_LAS_ERR_LAZ_TABLE},
    {LazStatus::table_overrun, VARNOKE_LAS_ERR_LAZ_TABLE},
    {LazStatus::chunks_overrun, VARNOKE_LAS_ERR_LAZ_TABLE},
    {LazStatus::chunks_short_of_table, VARNOKE_LAS_ERR_LAZ_TABLE},
    {LazStatus::chunk_truncated, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::no_points, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::too_many_points, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::count_mismatch, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::layers_past_end, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::layers_short_of_end, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::missing_layer, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::stream_overrun, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::stream_corrupt, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::stream_end, VARNOKE_LAS_ERR_LAZ_CHUNK},
    {LazStatus::read_failed, VARNOKE_LAS_ERR_READ},
    {LazStatus::no_memory, VARNOKE_LAS_ERR_NO_MEMORY},
    {LazStatus::stopped, VARNOKE_LAS_ERR_STOPPED},
};

laz::Stop stop_of(const Workers &workers) {
    return laz::Stop{workers.stop, workers.stop_arg};
}

// The count a last chunk of fixed size must hold, after `chunks_before` full ones, for the file
// to hold `stored` (0: none, as no chunk holds 0).
uint64_t wanted_last(uint64_t stored, uint64_t chunks_before, uint64_t chunk_size) {
    const uint64_t before = chunks_before * chunk_size;
    return stored > before ? stored - before : 0;
}

// What is known of chunk `i` of a table before it is decoded.
ChunkSpec spec_of(const laz::LazFile &file, const laz::ChunkTable &table, std::size_t i,
                  uint64_t stored) {
    const laz::Chunk &c = table.chunks[i];
    ChunkSpec spec;
    spec.offset = c.offset;
    spec.bytes = c.bytes;
    if (file.variable()) {
        // The table holds each chunk's count, and the chunk must hold just that.
        spec.points = c.points;
        spec.max_points = c.points;
        return spec;
    }
    spec.max_points = file.vlr.chunk_size;
    const bool last = i + 1 == table.chunks.size();
    // Layered chunks store their count; pointwise ones hold the chunk size but the last, whose
    // count its bytes tell.
    if (!file.layered() && !last) spec.points = file.vlr.chunk_size;
    if (!file.layered() && last) spec.wanted = wanted_last(stored, i, file.vlr.chunk_size);
    return spec;
}

// The outcome of the scan before it is put in the caller's tally: the chunks whose count was
// certain, and the last chunk where its bytes allow several counts.
struct Counted {
    PointTally certain;
    bool with_last = false;  // `last` is a chunk whose bytes told its count
    ChunkResult last;
};

void finish(const Counted &counted, PointTally &tally, ScanFindings &found) {
    tally = counted.certain;
    if (!counted.with_last) return;
    const ChunkResult &last = counted.last;
    merge(tally, last.tally);
    if (last.most == last.tally.records) return;
    found.exact = false;
    found.most_records = tally.records - last.tally.records + last.most;
    if (last.has_wanted) {
        found.stored_allowed = true;
        found.at_stored = counted.certain;
        merge(found.at_stored, last.at_wanted);
    }
}

// The chunks shared out between the call's threads: each takes the next chunk not yet taken and
// decodes it with its own decoder into its own tally.
struct ChunkWork {
    const laz::LazFile *file;
    const laz::ChunkTable *table;
    uint64_t stored;
    laz::Stop stop;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::vector<PointTally> tallies;
    std::vector<std::size_t> failed_at;  // by share: the first chunk refused, or SIZE_MAX
    std::vector<LazStatus> why;
    ChunkResult last;  // of the last chunk, where its bytes tell its count
    bool with_last = false;

    void run(unsigned share) {
        LazStatus status = LazStatus::ok;
        std::size_t at = SIZE_MAX;
        try {
            laz::ChunkDecoder decoder(*file);
            const std::size_t chunks = table->chunks.size();
            for (std::size_t i = next.fetch_add(1); i < chunks && !failed.load();
                 i = next.fetch_add(1)) {
                at = i;
                if (stop.requested()) {
                    status = LazStatus::stopped;
                    break;
                }
                const ChunkSpec spec = spec_of(*file, *table, i, stored);
                ChunkResult result = decoder.decode(spec, stop);
                if (result.status != LazStatus::ok) {
                    status = result.status;
                    break;
                }
                if (spec.points == 0 && !file->layered()) {
                    // Only the last chunk's count is told by its bytes, and one thread has it.
                    last = result;
                    with_last = true;
                } else {
                    merge(tallies[share], result.tally);
                }
            }
        } catch (const std::bad_alloc &) {
            status = LazStatus::no_memory;
        }
        if (status != LazStatus::ok) {
            failed_at[share] = at;
            why[share] = status;
            failed.store(true);
        }
    }
};

void run_share(void *arg, unsigned share) {
    static_cast<ChunkWork *>(arg)->run(share);
}

LazStatus decode_table(const laz::LazFile &file, const laz::ChunkTable &table,
                       const Workers &workers, uint64_t stored, Counted &counted) {
    const std::size_t chunks = table.chunks.size();
    if (chunks == 0) return LazStatus::ok;
    const unsigned shares =
        static_cast<unsigned>(std::min<std::size_t>(std::max(workers.threads, 1u), chunks));
    ChunkWork work;
    work.file = &file;
    work.table = &table;
    work.stored = stored;
    work.stop = stop_of(workers);
    work.tallies.resize(shares);
    work.failed_at.assign(shares, SIZE_MAX);
    work.why.assign(shares, LazStatus::ok);
    run_tasks(workers, shares, run_share, &work);
    // The first chunk refused decides the status, whichever thread found it.
    std::size_t first = SIZE_MAX;
    LazStatus status = LazStatus::ok;
    for (unsigned k = 0; k < shares; ++k) {
        if (work.why[k] != LazStatus::ok &&
            (status == LazStatus::ok || work.failed_at[k] < first)) {
            first = work.failed_at[k];
            status = work.why[k];
        }
    }
    if (status != LazStatus::ok) return status;
    for (unsigned k = 0; k < shares; ++k) merge(counted.certain, work.tallies[k]);
    counted.with_last = work.with_last;
    counted.last = work.last;
    return LazStatus::ok;
}

// A chunk whose decode ran past the bytes it may span.
bool ran_past(LazStatus why) {
    return why == LazStatus::stream_overrun || why == LazStatus::chunk_truncated ||
           why == LazStatus::layers_past_end;
}

// The chunks of a file whose table is lost, one after the other from the first: a chunk ends
// where its layers or its stream end. Where the chunks reach past the end of the file, the whole
// ones before the cut are counted; where they all lie in the file, they must end exactly where
// the table would begin.
LazStatus walk_chunks(const laz::LazFile &file, const laz::ChunkTable &table,
                      const Workers &workers, uint64_t stored, Counted &counted,
                      ScanFindings &found) {
    const laz::Stop stop = stop_of(workers);
    const bool cut = table.table_offset > file.data_end;
    const uint64_t end = cut ? file.data_end : table.table_offset;
    found.missing = VARNOKE_LAS_MISSING_CHUNK_TABLE | (cut ? VARNOKE_LAS_MISSING_RECORDS : 0u);
    found.missing_bytes = table.missing_bytes;
    const auto unbounded = [&] {
        found.exact = false;
        found.most_records = std::numeric_limits<uint64_t>::max();
        return LazStatus::ok;
    };
    // Pointwise chunks of variable size store their count in the table alone.
    if (file.variable() && !file.layered()) return unbounded();
    laz::ChunkDecoder decoder(file);
    uint64_t at = file.data_start + 8;
    uint64_t chunks = 0;
    while (at < end) {
        if (stop.requested()) return LazStatus::stopped;
        ChunkSpec spec;
        spec.offset = at;
        spec.bytes = end - at;
        spec.walk = true;
        spec.max_points =
            file.variable() ? std::numeric_limits<uint32_t>::max() : file.vlr.chunk_size;
        if (!file.layered()) spec.points = file.vlr.chunk_size;
        ChunkResult r = decoder.decode(spec, stop);
        // A pointwise chunk that ends the point data may hold fewer points than the chunk size:
        // its bytes tell how many.
        const bool last = r.status == LazStatus::ok ? at + r.bytes == end : ran_past(r.status);
        if (!cut && last && !file.layered()) {
            spec.walk = false;
            spec.points = 0;
            spec.wanted = wanted_last(stored, chunks, file.vlr.chunk_size);
            r = decoder.decode(spec, stop);
            if (r.status != LazStatus::ok) return r.status;
            counted.with_last = true;
            counted.last = r;
            return LazStatus::ok;
        }
        if (r.status != LazStatus::ok) {
            if (cut && ran_past(r.status)) return unbounded();
            return r.status;
        }
        merge(counted.certain, r.tally);
        at += r.bytes;
        ++chunks;
    }
    return cut ? unbounded() : LazStatus::ok;
}

LazStatus scan(const laz::LazFile &file, const Workers &workers, uint64_t stored, Counted &counted,
               ScanFindings &found) {
    const laz::Stop stop = stop_of(workers);
    if (stop.requested()) return LazStatus::stopped;
    if (file.vlr.compressor == 1) {
        // One stream without chunks, from the start of the point data to its end; its count is
        // told by its bytes, searched up to the header's count and one point for every byte
        // read: a stream of zeros yields thousands of points a byte, and never ends.
        if (file.data_end <= file.data_start) return LazStatus::ok;
        ChunkSpec spec;
        spec.offset = file.data_start;
        spec.bytes = file.data_end - file.data_start;
        spec.max_points = stored;
        spec.bound_grows = true;
        spec.wanted = stored;
        laz::ChunkDecoder decoder(file);
        counted.last = decoder.decode(spec, stop);
        counted.with_last = true;
        return counted.last.status;
    }
    laz::ChunkTable table;
    const LazStatus status = laz::read_chunk_table(file, stop, table);
    if (status != LazStatus::ok) return status;
    if (table.lost) return walk_chunks(file, table, workers, stored, counted, found);
    return decode_table(file, table, workers, stored, counted);
}

}  // namespace

int laz_public_status(LazStatus why) {
    for (const auto &row : kPublicStatus) {
        if (row.why == why) return row.status;
    }
    return VARNOKE_LAS_ERR_LAZ_CHUNK;
}

int scan_laz_file(const laz::LazFile &file, const Workers &workers, uint64_t stored_records,
                  PointTally &tally, ScanFindings &found) {
    found = ScanFindings{};
    LazStatus status;
    Counted counted;
    try {
        status = scan(file, workers, stored_records, counted, found);
    } catch (const std::bad_alloc &) {
        status = LazStatus::no_memory;
    }
    if (status != LazStatus::ok) {
        found = ScanFindings{};
        return laz_public_status(status);
    }
    finish(counted, tally, found);
    return VARNOKE_LAS_OK;
}

int scan_laz(std::FILE *f, const JudgedFile &judged, const Workers &workers, PointTally &tally,
             ScanFindings &found) {
    found = ScanFindings{};
    const PointLayout &layout = judged.layout;
    if (judged.vlrs.laszip_bytes == 0) return VARNOKE_LAS_ERR_LAZ_ITEMS;
    laz::LazFile file;
    file.read = [f](uint64_t position, void *to, std::size_t size) {
        return read_at(f, position, to, size);
    };
    file.file_size = static_cast<uint64_t>(judged.state.size);
    file.data_start = layout.start;
    file.data_end = layout.end;
    file.point_format = judged.header[104];
    file.record_length = layout.record_length;
    std::vector<unsigned char> payload(judged.vlrs.laszip_bytes);
    if (read_at(f, judged.vlrs.laszip_at, payload.data(), payload.size()) !=
        static_cast<int64_t>(payload.size())) {
        return VARNOKE_LAS_ERR_READ;
    }
    const LazStatus status =
        laz::parse_laszip_vlr(payload, file.point_format, file.record_length, file.vlr);
    if (status != LazStatus::ok) return laz_public_status(status);
    const uint64_t stored = stored_values(judged.header, layout).records;
    return scan_laz_file(file, workers, stored, tally, found);
}

}  // namespace varnoke
