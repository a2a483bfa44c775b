// The header update done the straightforward way, as a yardstick for Quillfen: read the header,
// then one fread per point record, keeping the box and the counts by return number, then write
// the header back. It checks only what it needs not to misread the file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "Varnoke_LiDAR.h"

namespace {

// The start values of a box that no record has widened: every minimum exceeds its maximum.
constexpr int32_t kNoRecordMax[3] = {-2147483646, -2147483646, -10000000};
constexpr int32_t kNoRecordMin[3] = {2147483646, 2147483646, 10000000};

int fail(const char *what, const char *name, std::FILE *f) {
    std::printf("%s %s\n", what, name);
    if (f != nullptr) std::fclose(f);
    return 1;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::printf("Usage: per_record_baseline <LAS file>\n");
        return 2;
    }
    const char *name = argv[1];
    std::FILE *f = std::fopen(name, "r+b");
    if (f == nullptr) return fail("Cannot open", name, nullptr);

    LAS12Header h;
    if (std::fread(&h, sizeof h, 1, f) != 1) return fail("Cannot read the header of", name, f);
    unsigned char record[sizeof(LAS12fm3)];
    const std::size_t length = h.PointDataRecordLength;
    if (std::memcmp(h.LASF, "LASF", 4) != 0 || length < sizeof(LAS12fm0) ||
        length > sizeof record) {
        return fail("Cannot handle the records of", name, f);
    }
    if (std::fseek(f, static_cast<long>(h.OffsetToData), SEEK_SET) != 0) {
        return fail("Cannot reach the records of", name, f);
    }

    int32_t lo[3], hi[3];
    std::copy(kNoRecordMin, kNoRecordMin + 3, lo);
    std::copy(kNoRecordMax, kNoRecordMax + 3, hi);
    uint64_t points = 0;
    uint32_t by_return[5] = {0, 0, 0, 0, 0};
    while (std::fread(record, length, 1, f) == 1) {
        for (int axis = 0; axis < 3; ++axis) {
            int32_t v;
            std::memcpy(&v, record + 4 * axis, sizeof v);
            if (points == 0 || v < lo[axis]) lo[axis] = v;
            if (points == 0 || v > hi[axis]) hi[axis] = v;
        }
        const unsigned number = record[14] & 7u;
        if (number >= 1 && number <= 5) ++by_return[number - 1];
        ++points;
    }
    if (std::ferror(f)) return fail("Error while reading", name, f);
    if (points > std::numeric_limits<uint32_t>::max()) return fail("Too many records in", name, f);

    h.NumberOfPointReturns = static_cast<uint32_t>(points);
    for (int k = 0; k < 5; ++k) h.NumberOfPointsByReturn[k] = by_return[k];
    h.MaxX = hi[0] * h.XScaleFactor + h.XOffset;
    h.MinX = lo[0] * h.XScaleFactor + h.XOffset;
    h.MaxY = hi[1] * h.YScaleFactor + h.YOffset;
    h.MinY = lo[1] * h.YScaleFactor + h.YOffset;
    h.MaxZ = hi[2] * h.ZScaleFactor + h.ZOffset;
    h.MinZ = lo[2] * h.ZScaleFactor + h.ZOffset;

    if (std::fseek(f, 0, SEEK_SET) != 0 || std::fwrite(&h, sizeof h, 1, f) != 1) {
        return fail("Cannot write the header of", name, f);
    }
    if (std::fclose(f) != 0) return fail("Cannot write the header of", name, nullptr);
    std::printf("Header of %s updated: %llu records\n", name,
                static_cast<unsigned long long>(points));
    return 0;
}
