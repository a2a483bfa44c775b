// Fuzzes the road of one file in-process: each input is written to a scratch file named like a
// LAS file, validated and updated by the header update core, and the outcome checked against an
// independent reading of the same bytes. The run must either reject the file, print why and leave
// every byte as it was, or accept it, print nothing, and change only the counts and the box, to
// exactly the values recomputed here (the box by the x87 unit itself). The last 20 bytes of each
// input are also converted as a raw value, a scale and an offset, by the library's conversion and
// by the x87 unit, which must agree to the bit.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "box_conversion.h"
#include "header_update.h"
#include "support/las_file.h"
#include "support/x87_world.h"

#if !defined(LASTEST_HAVE_X87)
#error "the fuzz target compares the box conversion with the x87 unit of an x86 processor"
#endif

namespace {

std::filesystem::path scratch_dir;
std::string las_name;
std::string copy_name;  // the same input, for the library's repair

[[noreturn]] void broken(const char *what) {
    std::fprintf(stderr, "\ninvariant broken: %s\n", what);
    std::abort();
}

void remove_scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_dir, ignored);
}

// Whether the update must accept the file, judged from its bytes alone: a LAS 1.0 to 1.2 header
// that is whole, a point format of 0 to 3 defined for its version, that format's record length,
// and point data that starts after the header and no later than the end of the file.
bool acceptable(const lastest::Bytes &b) {
    if (b.size() < 227 || std::memcmp(b.data(), "LASF", 4) != 0) return false;
    const uint8_t major = b[24], minor = b[25], format = b[104];
    const unsigned length = b[105] | (unsigned{b[106]} << 8);
    uint32_t offset;
    std::memcpy(&offset, b.data() + 96, 4);
    if (major != 1 || minor > 2 || format > 3) return false;
    if (format >= 2 && minor < 2) return false;
    if (offset < 227 || offset > b.size()) return false;
    return length == lastest::record_length_for(format);
}

// The same bits, NaN payloads and the signs of zeros included.
bool same_real(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

void check_conversion(const uint8_t *data, std::size_t size) {
    if (size < 20) return;
    int32_t raw;
    double scale, offset;
    std::memcpy(&raw, data + size - 20, 4);
    std::memcpy(&scale, data + size - 16, 8);
    std::memcpy(&offset, data + size - 8, 8);
    if (!same_real(varnoke::to_world(raw, scale, offset), lastest::x87_world(raw, scale, offset))) {
        broken("the box conversion differs from the x87 unit");
    }
}

bool same_counts(const lastest::HeaderCounts &a, const lastest::HeaderCounts &b) {
    if (a.points != b.points || a.by_return != b.by_return) return false;
    for (std::size_t k = 0; k < a.box.size(); ++k) {
        if (!same_real(a.box[k], b.box[k])) return false;
    }
    return true;
}

// Bytes printed on standard output since the last call, which also forgets them.
off_t printed_bytes() {
    std::fflush(stdout);
    struct stat st;
    if (fstat(STDOUT_FILENO, &st) != 0) broken("cannot inspect the captured output");
    if (ftruncate(STDOUT_FILENO, 0) != 0 || lseek(STDOUT_FILENO, 0, SEEK_SET) != 0) {
        broken("cannot reset the captured output");
    }
    return st.st_size;
}

// The library's repair of the same input (cut-off files allowed), held to a reading of the
// LAS text: never a change to a file it refuses; where it accepts, the records, counts by
// return and end of the point data of that reading, and where it writes, those counts and box
// and nothing but the header's counts, box and 64-bit counts. Where the update accepted the
// file, exactly the update's bytes (but for the box of zero records, zeros here), unless the
// header's size or its VLRs, which the update does not read, refuse it.
void check_repair(const lastest::Bytes &before, const lastest::Bytes *updated) {
    lastest::write_file(copy_name, before);
    varnoke_las_report report;
    varnoke_las_options allow = VARNOKE_LAS_OPTIONS_INIT;
    allow.flags = VARNOKE_LAS_ALLOW_TRUNCATED;
    const int status = varnoke_las_repair_ex(copy_name.c_str(), &allow, &report, sizeof report);
    const lastest::Bytes after = lastest::read_file(copy_name);
    if (status != VARNOKE_LAS_OK) {
        if (after != before) broken("the repair changed a file it refused");
        if (updated != nullptr && status != VARNOKE_LAS_ERR_VLR_INTO_DATA &&
            status != VARNOKE_LAS_ERR_TOO_SHORT && status != VARNOKE_LAS_ERR_DATA_IN_HEADER) {
            broken("the repair refused a file the update accepted");
        }
        return;
    }
    if (after.size() != before.size()) broken("the repair changed the size of the file");
    if (report.compressed != 0) {
        // LAZ: the points are the decoder's to count; what is written is the header alone.
        const bool las14 = before[25] >= 4;
        for (std::size_t k = 0; k < before.size(); ++k) {
            if (!lastest::rewritable_byte(k, las14) && after[k] != before[k])
                broken("the repair of a LAZ file changed a byte outside the counts and box");
        }
        if (report.written != 0 && report.count_uncertain != 0)
            broken("the repair wrote a count the bytes leave uncertain");
        return;
    }
    const lastest::PlainReading plain = lastest::read_plainly(before);
    if (report.records != plain.records || report.point_data_end != plain.end ||
        report.trailing_bytes != plain.trailing) {
        broken("the repair found other records than the LAS text places");
    }
    for (std::size_t k = 0; k < 15; ++k) {
        if (report.records_by_return[k] != plain.by_return[k + 1])
            broken("the repair counted other return numbers than the records hold");
    }
    if (report.written == 0) {
        if (after != before) broken("the repair changed a file unwritten");
        return;
    }
    if (report.stale == 0) broken("the repair wrote a right header");
    const bool las14 = before[25] >= 4;
    for (std::size_t k = 0; k < before.size(); ++k) {
        if (!lastest::rewritable_byte(k, las14) && after[k] != before[k])
            broken("the repair changed a byte outside the counts and box");
    }
    const uint64_t written = las14 ? lastest::u64_at(after, 247) : lastest::u32_at(after, 107);
    if (written != plain.records) broken("the repair wrote another count than the records");
    for (std::size_t side = 0; side < 6; ++side) {
        if (!same_real(lastest::f64_at(after, 179 + 8 * side), plain.box[side]))
            broken("the repair wrote another box than the records give");
    }
    if (updated != nullptr) {
        lastest::Bytes expected = *updated;
        if (plain.records == 0) {
            for (std::size_t side = 0; side < 6; ++side)
                lastest::put_f64(expected, 179 + 8 * side, 0.0);
        }
        if (after != expected) broken("the repair wrote other bytes than the update");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // A memory file system keeps the update's sync to the disk cheap.
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                           ? "/dev/shm"
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "header-update-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) broken("cannot make the scratch directory");
    scratch_dir = pattern;
    std::atexit(remove_scratch);
    las_name = (scratch_dir / "input.las").string();
    copy_name = (scratch_dir / "copy.las").string();
    // The messages go to a file, so that each run can be asked whether it printed one.
    const std::string out_name = (scratch_dir / "stdout.txt").string();
    const int out = open(out_name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || dup2(out, STDOUT_FILENO) < 0) broken("cannot capture standard output");
    close(out);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
    check_conversion(data, size);
    const lastest::Bytes before(data, data + size);
    lastest::write_file(las_name, before);
    printed_bytes();

    const int status = varnoke::update_header_status(las_name.c_str());
    const off_t printed = printed_bytes();
    const lastest::Bytes after = lastest::read_file(las_name);
    check_repair(before, status == 0 ? &after : nullptr);

    if (status != 0 && status != -1) broken("a status other than 0 and -1");
    if ((status == 0) != acceptable(before)) {
        broken(status == 0 ? "an unacceptable file was updated"
                           : "an acceptable file was rejected");
    }
    if (status == -1) {
        if (printed == 0) broken("a rejection without a message");
        if (after != before) broken("a rejected file was changed");
        return 0;
    }
    if (printed != 0) broken("a successful update printed a message");
    if (after.size() != before.size()) broken("the update changed the size of the file");
    for (std::size_t k = 0; k < size; ++k) {
        const bool rewritten = lastest::rewritable_byte(k);
        if (!rewritten && after[k] != before[k])
            broken("a byte outside the counts and box changed");
    }
    if (!same_counts(lastest::counts_of(after), lastest::expected_counts(before))) {
        broken("the counts or the box differ from the recomputation");
    }
    return 0;
}
