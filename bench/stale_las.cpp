// The files of the header update benchmark, and the check of what Quillfen makes of them.
//
//   stale_las write FILE FORMAT MIB [SEED]
//     writes a LAS 1.2 file of about MIB MiB of random records of point format FORMAT (0 to 3)
//     under a stale header, and forces it to the disk;
//   stale_las check FILE
//     reads the records one at a time, and exits with 0 when the header says what they hold and
//     every other header byte is as `write` made it, else prints what is wrong and exits with 1.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "splitmix64.h"

namespace {

constexpr double kScale = 0.01;
constexpr std::array<double, 3> kOffset{500000.0, 4000000.0, 100.0};
constexpr std::size_t kFlagByte = 14;  // low three bits: the return number
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

// The header bytes that Quillfen writes: the counts (107-130) and the box (179-226).
constexpr std::size_t kCountsBegin = 107, kCountsEnd = 131, kBoxBegin = 179;

uint16_t record_length_of(int format) {
    static constexpr uint16_t lengths[] = {20, 28, 26, 34};
    return lengths[format];
}

// Wrong on purpose: a tiny count and a box whose minima exceed its maxima.
LAS12Header stale_header(uint8_t format) {
    LAS12Header h{};
    initialize_header12(&h);
    std::memcpy(h.SystemIdentifier, "update benchmark", sizeof "update benchmark");
    h.PointDataFormatID = format;
    h.PointDataRecordLength = record_length_of(format);
    h.XScaleFactor = h.YScaleFactor = h.ZScaleFactor = kScale;
    h.XOffset = kOffset[0];
    h.YOffset = kOffset[1];
    h.ZOffset = kOffset[2];
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

// Mostly first and second returns, fewer later ones, and now and then 0, 6 or 7, which count in
// the total only.
uint8_t return_number_of(uint8_t random) {
    static constexpr std::array<std::array<uint8_t, 2>, 7> shares{
        {{0, 4}, {6, 7}, {7, 10}, {1, 130}, {2, 196}, {3, 230}, {4, 247}}};
    for (const auto &[number, below] : shares) {
        if (random < below) return number;
    }
    return 5;
}

int write_file(const char *path, int format, uint64_t mib, uint64_t seed) {
    const LAS12Header header = stale_header(static_cast<uint8_t>(format));
    const std::size_t length = header.PointDataRecordLength;
    const uint64_t records = ((mib << 20) - sizeof header) / length;
    std::FILE *f = std::fopen(path, "wb");
    if (f == nullptr) return std::perror(path), 1;
    bool ok = std::fwrite(&header, sizeof header, 1, f) == 1;
    std::vector<unsigned char> block(kBlockBytes / length * length);
    bench::SplitMix64 random(seed);
    for (uint64_t left = records; ok && left > 0;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<uint64_t>(left, block.size() / length));
        for (std::size_t at = 0; at < n * length; at += 8) {
            const uint64_t word = random.next();
            std::memcpy(&block[at], &word, std::min<std::size_t>(8, n * length - at));
        }
        for (std::size_t r = 0; r < n; ++r) {
            unsigned char &flags = block[r * length + kFlagByte];
            flags = static_cast<unsigned char>((flags & 0xF8u) | return_number_of(flags));
        }
        ok = std::fwrite(block.data(), length, n, f) == n;
        left -= n;
    }
    // On the disk before any timing, so that no write-back competes with it.
    ok = ok && std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    if (std::fclose(f) != 0 || !ok) return std::perror(path), 1;
    return 0;
}

bool close_to(double got, int32_t raw, double offset) {
    const double want = raw * kScale + offset;
    return std::fabs(got - want) <= 1e-12 * std::fmax(1.0, std::fabs(want));
}

std::string check_file(const char *path) {
    std::FILE *f = std::fopen(path, "rb");
    if (f == nullptr) return "cannot be opened";
    LAS12Header h;
    if (std::fread(&h, sizeof h, 1, f) != 1 || h.PointDataFormatID > 3) {
        std::fclose(f);
        return "has no header of this benchmark";
    }
    const std::size_t length = record_length_of(h.PointDataFormatID);
    uint64_t points = 0;
    std::array<uint64_t, 5> by_return{};
    std::array<int32_t, 3> min, max;
    min.fill(std::numeric_limits<int32_t>::max());
    max.fill(std::numeric_limits<int32_t>::min());
    std::vector<unsigned char> record(length);
    while (std::fread(record.data(), length, 1, f) == 1) {
        ++points;
        const unsigned number = record[kFlagByte] & 7u;
        if (number >= 1 && number <= 5) ++by_return[number - 1];
        for (std::size_t axis = 0; axis < 3; ++axis) {
            int32_t v;
            std::memcpy(&v, &record[4 * axis], sizeof v);
            min[axis] = std::min(min[axis], v);
            max[axis] = std::max(max[axis], v);
        }
    }
    const bool read_error = std::ferror(f) != 0;
    std::fclose(f);
    if (read_error) return "cannot be read";

    std::string wrong;
    if (h.NumberOfPointReturns != points) wrong += " point count;";
    for (std::size_t k = 0; k < 5; ++k) {
        if (h.NumberOfPointsByReturn[k] != by_return[k]) {
            wrong += " count of return " + std::to_string(k + 1) + ";";
        }
    }
    const std::array<double, 3> got_max{h.MaxX, h.MaxY, h.MaxZ}, got_min{h.MinX, h.MinY, h.MinZ};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::string name(1, "XYZ"[axis]);
        if (!close_to(got_max[axis], max[axis], kOffset[axis])) wrong += " Max" + name + ";";
        if (!close_to(got_min[axis], min[axis], kOffset[axis])) wrong += " Min" + name + ";";
    }
    const LAS12Header stale = stale_header(h.PointDataFormatID);
    const auto *a = reinterpret_cast<const unsigned char *>(&h);
    const auto *b = reinterpret_cast<const unsigned char *>(&stale);
    if (std::memcmp(a, b, kCountsBegin) != 0 ||
        std::memcmp(a + kCountsEnd, b + kCountsEnd, kBoxBegin - kCountsEnd) != 0) {
        wrong += " bytes outside the counts and the box;";
    }
    return wrong.empty() ? wrong : "has a wrong header:" + wrong;
}

bool parse(const char *text, uint64_t most, uint64_t &value) {
    char *end = nullptr;
    value = std::strtoull(text, &end, 10);
    return *text >= '0' && *text <= '9' && *end == '\0' && value <= most;
}

}  // namespace

int main(int argc, char **argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    uint64_t format = 0, mib = 0, seed = 1;
    if (mode == "write" && (argc == 5 || argc == 6) && parse(argv[3], 3, format) &&
        parse(argv[4], uint64_t{1} << 30, mib) && mib > 0 &&
        (argc == 5 || parse(argv[5], UINT64_MAX, seed))) {
        return write_file(argv[2], static_cast<int>(format), mib, seed);
    }
    if (mode == "check" && argc == 3) {
        const std::string wrong = check_file(argv[2]);
        if (wrong.empty()) return 0;
        std::fprintf(stderr, "%s %s\n", argv[2], wrong.c_str());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: stale_las write FILE FORMAT MIB [SEED]   (FORMAT 0 to 3)\n"
                 "       stale_las check FILE\n");
    return 2;
}
