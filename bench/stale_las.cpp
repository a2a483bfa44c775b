#include "stale_las.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "Varnoke_LiDAR.h"
#include "mapped_buffer.h"
#include "splitmix64.h"

namespace bench {

namespace {

constexpr std::size_t kBlockBytes = std::size_t{4} << 20;  // written in blocks of about 4 MiB
constexpr std::size_t kFlagByte = 14;  // the byte whose low three bits are the return number

uint16_t record_length_of_format(uint8_t format) {
    static constexpr uint16_t lengths[] = {20, 28, 26, 34};
    if (format > 3) throw std::runtime_error("point format must be 0 to 3");
    return lengths[format];
}

// A return number drawn from a random byte: mostly first and second returns, fewer of the later
// ones, and now and then 0, 6 or 7, which count in the total only.
uint8_t return_number_of(uint8_t random) {
    struct Share {
        uint8_t number;
        unsigned below;  // cumulative share out of 256
    };
    static constexpr Share shares[] = {{0, 4},   {6, 7},   {7, 10},  {1, 130},
                                       {2, 196}, {3, 230}, {4, 247}, {5, 256}};
    for (const Share &s : shares) {
        if (random < s.below) return s.number;
    }
    return 1;
}

void write_all(int fd, const unsigned char *data, std::size_t size, const std::string &path) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

LAS12Header stale_header(uint8_t format, uint16_t length) {
    LAS12Header h{};
    initialize_header12(&h);
    std::memcpy(h.SystemIdentifier, "update benchmark", sizeof "update benchmark");
    h.PointDataFormatID = format;
    h.PointDataRecordLength = length;
    h.XScaleFactor = kScale;
    h.YScaleFactor = kScale;
    h.ZScaleFactor = kScale;
    h.XOffset = kOffset[0];
    h.YOffset = kOffset[1];
    h.ZOffset = kOffset[2];
    // Wrong on purpose: a tiny count and a box whose minima exceed its maxima.
    h.NumberOfPointReturns = 7;
    for (uint32_t k = 0; k < 5; ++k) h.NumberOfPointsByReturn[k] = 9 - k;
    h.MaxX = 1.0;
    h.MinX = 2.0;
    h.MaxY = 3.0;
    h.MinY = 4.0;
    h.MaxZ = 5.0;
    h.MinZ = 6.0;
    return h;
}

// Fills `records` records of `length` bytes with random bytes, sets realistic return numbers and
// adds what they hold to `truth`.
void fill_records(unsigned char *out, std::size_t records, uint16_t length, SplitMix64 &random,
                  LasTruth &truth) {
    const std::size_t bytes = records * length;
    for (std::size_t at = 0; at < bytes; at += 8) {
        const uint64_t word = random.next();
        std::memcpy(out + at, &word, std::min<std::size_t>(8, bytes - at));
    }
    for (std::size_t n = 0; n < records; ++n) {
        unsigned char *record = out + n * length;
        const uint8_t flags = record[kFlagByte];
        const uint8_t number = return_number_of(static_cast<uint8_t>(random.next()));
        record[kFlagByte] = static_cast<unsigned char>((flags & 0xF8u) | number);
        if (number >= 1 && number <= 5) ++truth.by_return[number - 1u];
        for (std::size_t axis = 0; axis < 3; ++axis) {
            int32_t v;
            std::memcpy(&v, record + 4 * axis, sizeof v);
            truth.raw_min[axis] = std::min(truth.raw_min[axis], v);
            truth.raw_max[axis] = std::max(truth.raw_max[axis], v);
        }
    }
    truth.points += records;
}

}  // namespace

LasTruth write_stale_las(const std::string &path, uint8_t point_format, uint64_t size_bytes,
                         uint64_t seed) {
    const uint16_t length = record_length_of_format(point_format);
    const LAS12Header header = stale_header(point_format, length);
    if (size_bytes < sizeof header) throw std::runtime_error("file size below the header size");
    const uint64_t total = (size_bytes - sizeof header) / length;

    LasTruth truth;
    truth.raw_min.fill(std::numeric_limits<int32_t>::max());
    truth.raw_max.fill(std::numeric_limits<int32_t>::min());

    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    try {
        write_all(fd, reinterpret_cast<const unsigned char *>(&header), sizeof header, path);
        const std::size_t per_block = kBlockBytes / length;
        MappedBuffer block(per_block * length);
        SplitMix64 random(seed);
        for (uint64_t written = 0; written < total;) {
            const std::size_t records =
                static_cast<std::size_t>(std::min<uint64_t>(per_block, total - written));
            fill_records(block.data(), records, length, random, truth);
            write_all(fd, block.data(), records * length, path);
            written += records;
        }
        // On the disk before the timing starts, so that no write-back competes with it.
        if (fsync(fd) != 0) throw std::runtime_error("cannot sync " + path);
    } catch (...) {
        close(fd);
        throw;
    }
    if (close(fd) != 0) throw std::runtime_error("cannot close " + path);
    return truth;
}

}  // namespace bench
