#include "header_check.h"

#include <cmath>
#include <cstdio>

#include "Varnoke_LiDAR.h"

namespace bench {

namespace {

bool close_to(double got, int32_t raw, double offset) {
    const double want = raw * kScale + offset;
    return std::fabs(got - want) <= 1e-12 * std::fmax(1.0, std::fabs(want));
}

}  // namespace

std::string check_header(const std::string &path, const LasTruth &truth) {
    LAS12Header h{};
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "cannot open the file";
    const bool read = std::fread(&h, sizeof h, 1, f) == 1;
    std::fclose(f);
    if (!read) return "cannot read the header";

    std::string wrong;
    if (h.NumberOfPointReturns != truth.points) wrong += " point count;";
    for (std::size_t k = 0; k < 5; ++k) {
        if (h.NumberOfPointsByReturn[k] != truth.by_return[k]) {
            wrong += " count of return " + std::to_string(k + 1) + ";";
        }
    }
    const double max[3] = {h.MaxX, h.MaxY, h.MaxZ};
    const double min[3] = {h.MinX, h.MinY, h.MinZ};
    static const char *const axes[3] = {"X", "Y", "Z"};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        if (!close_to(max[axis], truth.raw_max[axis], kOffset[axis])) {
            wrong += std::string(" Max") + axes[axis] + ";";
        }
        if (!close_to(min[axis], truth.raw_min[axis], kOffset[axis])) {
            wrong += std::string(" Min") + axes[axis] + ";";
        }
    }
    if (!wrong.empty()) wrong = "wrong" + wrong;
    return wrong;
}

}  // namespace bench
