// The files of the header update benchmark, and the check of what Quillfen makes of them.
//
//   stale_las write FILE FORMAT SIZE [SEED]
//     writes a file of about SIZE MiB (SIZEk: KiB) of random records of point format FORMAT
//     under a stale header, and forces it to the disk: LAS 1.2 for formats 0 to 3, LAS 1.4 for
//     formats 6 and 7;
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
#include "random/splitmix64.h"

namespace {

constexpr double kScale = 0.01;
constexpr std::array<double, 3> kOffset{500000.0, 4000000.0, 100.0};
constexpr std::size_t kFlagByte = 14;  // low three bits (four in 1.4's formats): return number
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

// The header bytes that Quillfen writes: the counts (107-130) and the box (179-226).
constexpr std::size_t kCountsBegin = 107, kCountsEnd = 131, kBoxBegin = 179;

uint16_t record_length_of(int format) {
    static constexpr uint16_t lengths[] = {20, 28, 26, 34, 57, 63, 30, 36};
    return lengths[format];
}

// LAS 1.4: the public header grows to 375 bytes, with 64-bit counts at 247 and 255.
constexpr std::size_t kHeader14 = 375, kCount64 = 247, kByReturn64 = 255;

bool is_las14(int format) {
    return format >= 6;
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

// The header as written: a LAS 1.2 header, or for formats 6 and 7 a LAS 1.4 one whose legacy
// counts are zero (as the format requires) and whose 64-bit counts are stale.
std::vector<unsigned char> stale_bytes(uint8_t format) {
    const LAS12Header h = stale_header(format);
    std::vector<unsigned char> bytes(is_las14(format) ? kHeader14 : sizeof h);
    std::memcpy(bytes.data(), &h, sizeof h);
    if (is_las14(format)) {
        bytes[25] = 4;
        const uint16_t size = kHeader14;
        const uint32_t offset = kHeader14, zero = 0;
        std::memcpy(&bytes[94], &size, 2);
        std::memcpy(&bytes[96], &offset, 4);
        for (std::size_t k = 107; k < 131; k += 4) std::memcpy(&bytes[k], &zero, 4);
        for (std::size_t k = 0; k < 16; ++k) {
            const uint64_t stale = 11 + k;
            std::memcpy(&bytes[kCount64 + 8 * k], &stale, 8);
        }
    }
    return bytes;
}

int write_file(const char *path, int format, uint64_t bytes_wanted, uint64_t seed) {
    const std::vector<unsigned char> header = stale_bytes(static_cast<uint8_t>(format));
    const std::size_t length = record_length_of(format);
    const unsigned mask = is_las14(format) ? 15 : 7;
    const uint64_t records = (bytes_wanted - header.size()) / length;
    std::FILE *f = std::fopen(path, "wb");
    if (f == nullptr) return std::perror(path), 1;
    bool ok = std::fwrite(header.data(), header.size(), 1, f) == 1;
    std::vector<unsigned char> block(kBlockBytes / length * length);
    varnoke_random::SplitMix64 random(seed);
    for (uint64_t left = records; ok && left > 0;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<uint64_t>(left, block.size() / length));
        for (std::size_t at = 0; at < n * length; at += 8) {
            const uint64_t word = random.next();
            std::memcpy(&block[at], &word, std::min<std::size_t>(8, n * length - at));
        }
        for (std::size_t r = 0; r < n; ++r) {
            unsigned char &flags = block[r * length + kFlagByte];
            flags = static_cast<unsigned char>((flags & ~mask) | return_number_of(flags));
        }
        ok = std::fwrite(block.data(), length, n, f) == n;
        left -= n;
    }
    // On the disk before any timing, so that no write-back competes with it.
    ok = ok && std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    if (std::fclose(f) != 0 || !ok) return std::perror(path), 1;
    return 0;
}

template <typename T>
T read_at(const unsigned char *bytes, std::size_t at) {
    T value;
    std::memcpy(&value, bytes + at, sizeof value);
    return value;
}

bool close_to(double got, int32_t raw, double offset) {
    const double want = raw * kScale + offset;
    return std::fabs(got - want) <= 1e-12 * std::fmax(1.0, std::fabs(want));
}

std::string check_file(const char *path) {
    std::FILE *f = std::fopen(path, "rb");
    if (f == nullptr) return "cannot be opened";
    unsigned char h[kHeader14] = {};
    const std::size_t got = std::fread(h, 1, sizeof h, f);
    const uint8_t format = h[104];
    const std::size_t header_size = format >= 6 ? kHeader14 : sizeof(LAS12Header);
    if (got < header_size || (format > 3 && format != 6 && format != 7)) {
        std::fclose(f);
        return "has no header of this benchmark";
    }
    std::fseek(f, static_cast<long>(header_size), SEEK_SET);
    const std::size_t length = record_length_of(format);
    const unsigned mask = is_las14(format) ? 15 : 7;
    uint64_t points = 0;
    std::array<uint64_t, 16> by_number{};
    std::array<int32_t, 3> min, max;
    min.fill(std::numeric_limits<int32_t>::max());
    max.fill(std::numeric_limits<int32_t>::min());
    std::vector<unsigned char> record(length);
    while (std::fread(record.data(), length, 1, f) == 1) {
        ++points;
        ++by_number[record[kFlagByte] & mask];
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

    const auto u32 = [&h](std::size_t at) { return uint64_t{read_at<uint32_t>(h, at)}; };
    const auto u64 = [&h](std::size_t at) { return read_at<uint64_t>(h, at); };
    const auto f64 = [&h](std::size_t at) { return read_at<double>(h, at); };
    std::string wrong;
    const bool las14 = is_las14(format);
    if ((las14 ? u64(kCount64) : u32(107)) != points) wrong += " point count;";
    for (std::size_t k = 0; k < (las14 ? 15u : 5u); ++k) {
        const uint64_t stored = las14 ? u64(kByReturn64 + 8 * k) : u32(111 + 4 * k);
        if (stored != by_number[k + 1]) wrong += " count of return " + std::to_string(k + 1) + ";";
    }
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::string name(1, "XYZ"[axis]);
        if (!close_to(f64(179 + 16 * axis), max[axis], kOffset[axis])) wrong += " Max" + name + ";";
        if (!close_to(f64(187 + 16 * axis), min[axis], kOffset[axis])) wrong += " Min" + name + ";";
    }
    // Every byte but the counts and the box as written (the 1.4 legacy counts stay zero).
    const std::vector<unsigned char> stale = stale_bytes(format);
    const std::size_t counts_end = las14 ? kCountsBegin : kCountsEnd;
    if (std::memcmp(h, stale.data(), kCountsBegin) != 0 ||
        std::memcmp(h + counts_end, stale.data() + counts_end, kBoxBegin - counts_end) != 0 ||
        (las14 && std::memcmp(h + 227, stale.data() + 227, kCount64 - 227) != 0)) {
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
    uint64_t format = 0, size = 0, seed = 1;
    // SIZE in MiB, or in KiB with a final k.
    std::string size_text = argc > 4 ? argv[4] : "";
    const bool kib = !size_text.empty() && size_text.back() == 'k';
    if (kib) size_text.pop_back();
    if (mode == "write" && (argc == 5 || argc == 6) && parse(argv[3], 7, format) &&
        (format <= 3 || format >= 6) && parse(size_text.c_str(), uint64_t{1} << 30, size) &&
        size > 0 && (argc == 5 || parse(argv[5], UINT64_MAX, seed))) {
        return write_file(argv[2], static_cast<int>(format), size << (kib ? 10 : 20), seed);
    }
    if (mode == "check" && argc == 3) {
        const std::string wrong = check_file(argv[2]);
        if (wrong.empty()) return 0;
        std::fprintf(stderr, "%s %s\n", argv[2], wrong.c_str());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: stale_las write FILE FORMAT SIZE [SEED]   (FORMAT 0 to 3, 6 or 7; SIZE "
                 "in MiB, or KiB with k)\n"
                 "       stale_las check FILE\n");
    return 2;
}
