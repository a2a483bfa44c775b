#include "support/tool_files.h"

#include <cmath>

#include "support/scratch.h"

namespace lastest {

Bytes made_right(Bytes file) {
    put_u8(file, 6, 0);
    put_u8(file, 7, 0);
    const HeaderCounts counts = expected_counts(file);
    put_u32(file, 107, counts.points);
    for (std::size_t k = 0; k < 5; ++k) put_u32(file, 111 + 4 * k, counts.by_return[k]);
    for (std::size_t k = 0; k < 6; ++k) put_f64(file, 179 + 8 * k, counts.box[k]);
    return file;
}

Bytes right_file() {
    LasSpec spec;
    spec.scale = {0.25, 0.25, 0.25};
    spec.points = {{4, 8, 12, 0x11}, {400, -8, 0, 0x12}};
    return made_right(make_las(spec));
}

Bytes stale_file() {
    Bytes file = right_file();
    put_u32(file, 107, 1);
    put_u32(file, 111, 3);
    put_f64(file, 179, 101.5);
    return file;
}

Bytes cut_file() {
    Bytes file = right_file();
    put_u32(file, 107, 5);
    file.insert(file.end(), {1, 2, 3});
    return file;
}

Bytes stale_cut_file() {
    Bytes file = cut_file();
    put_f64(file, 179, 101.5);
    put_u32(file, 111, 3);
    return file;
}

Bytes legacy_file() {
    LasSpec spec;
    spec.minor = 4;
    spec.format = 6;
    spec.scale = {0.25, 0.25, 0.25};
    spec.points = {{4, 8, 12, 0x21}, {400, -8, 0, 0x22}};
    Bytes file = make_las(spec);
    put_u32(file, 107, 2);
    for (std::size_t k = 0; k < 5; ++k) put_u32(file, 111 + 4 * k, 0);
    put_u64(file, 247, 1);
    for (std::size_t k = 0; k < 15; ++k) put_u64(file, 255 + 8 * k, k < 2 ? 1 : 0);
    const double box[6] = {std::nextafter(100.0, 200.0), 1, 2, -2, 3, 0};
    for (std::size_t k = 0; k < 6; ++k) put_f64(file, 179 + 8 * k, box[k]);
    return file;
}

Bytes not_las_file() {
    Bytes file = right_file();
    put_u8(file, 3, 'T');
    return file;
}

Bytes evlr_cut_file() {
    const Bytes whole = read_file((testdata_dir() / "las13-14" / "1_4_w_evlr.las").string());
    return Bytes(whole.begin(), whole.end() - 1);
}

}  // namespace lastest
