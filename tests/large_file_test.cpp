// Files larger than 4 GiB, sparse on disk: point data found and counted past the 4 GiB mark, and
// more records than the header's 32-bit counters can describe.
#include <gtest/gtest.h>

#include <filesystem>

#include "Varnoke_LiDAR.h"
#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"
#include "support/update_run.h"

namespace lastest {
namespace {

constexpr uint64_t k4GiB = uint64_t{1} << 32;

struct LargeCase {
    const char *what;
    uint8_t format;
    uint32_t offset_to_data;
    uint64_t records;  // in the file; those not placed below are all zero bytes
    // Record numbers that hold the distinctive points, in order; the others are zero records.
    std::vector<uint64_t> placed;
};

std::vector<LargeCase> large_cases() {
    std::vector<LargeCase> cases;
    // The point data begins at the largest offset the header can hold, so every record lies at
    // or past 4 GiB and the first one straddles the mark.
    for (uint8_t format = 0; format < 4; ++format) {
        cases.push_back({"data offset just below 4 GiB", format, 0xFFFFFFF0u, 5, {0, 1, 2, 3, 4}});
    }
    // Point data from the header on, read across the 4 GiB mark: one record straddles it and the
    // last one lies past it.
    const uint64_t n = k4GiB / 34 + 100;
    cases.push_back({"4 GiB of records from the header on",
                     3,
                     227,
                     n,
                     {0, (k4GiB - 227) / 34, (k4GiB - 227) / 34 + 1, n - 1}});
    return cases;
}

TEST(LargeFile, RecordsPastFourGibibytesAreCounted) {
    const std::vector<Point> points = {
        {-7, 8, 9, 1}, {100, -200, 300, 2}, {5, 5, -5, 3}, {-1000, 2000, 7, 1}, {1, 2, 3, 5}};
    for (const LargeCase &c : large_cases()) {
        SCOPED_TRACE(testing::Message() << c.what << ", format " << int{c.format});
        // A small file of the same header and records stands for the large one: the distinctive
        // records, and one zero record where the large file has any.
        LasSpec spec;
        spec.format = c.format;
        spec.scale = {0.01, 0.02, 0.001};
        spec.offset = {300000, 4000000, 12};
        spec.points.assign(points.begin(), points.begin() + static_cast<long>(c.placed.size()));
        const bool zeros = c.records > c.placed.size();
        if (zeros) spec.points.push_back({0, 0, 0, 0});
        const Bytes small = make_las(spec);
        HeaderCounts expected = expected_counts(small);
        expected.points = static_cast<uint32_t>(c.records);

        ScratchDir dir;
        const std::string name = dir / "big.las";
        const std::size_t length = record_length_for(c.format);
        Bytes header(small.begin(), small.begin() + 227);
        put_u32(header, 96, c.offset_to_data);
        write_file(name, header);
        const uint64_t size = c.offset_to_data + c.records * length;
        resize_sparse(name, size);
        std::vector<std::pair<uint64_t, Bytes>> records;
        for (std::size_t k = 0; k < c.placed.size(); ++k) {
            const auto from = small.begin() + static_cast<long>(227 + k * length);
            records.emplace_back(c.offset_to_data + c.placed[k] * length,
                                 Bytes(from, from + static_cast<long>(length)));
            write_file_at(name, records.back().first, records.back().second);
        }

        const ProcessResult r = run_quillfen({"big.las"}, dir.str());
        EXPECT_EQ(r.out, updated("big.las"));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(std::filesystem::file_size(name), size);
        const Bytes after = read_file_prefix(name, 227);
        EXPECT_EQ(counts_of(after), expected);
        expect_only_counts_and_box_changed(header, after);
        for (const auto &[at, bytes] : records) {
            EXPECT_EQ(read_file_range(name, at, bytes.size()), bytes) << "record at " << at;
        }
    }
}

// 4,294,967,296 records of point format 0 in a sparse file of about 86 GB: the count does not
// fit the header, so the update must stop rather than write a wrapped count.
TEST(LargeFile, MoreRecordsThanTheHeaderCanCountAreRefused) {
    ScratchDir dir;
    const std::string name = dir / "big.las";
    LasSpec spec;
    const Bytes header = make_las(spec);
    write_file(name, header);
    resize_sparse(name, header.size() + 20 * k4GiB);

    const ProcessResult r = run_quillfen({"big.las"}, dir.str());
    EXPECT_EQ(r.out, kBanner +
                         "\nFile big.las holds more than 4294967295 point records; its header "
                         "cannot count them\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(read_file_prefix(name, header.size()), header);
}

// 4,294,967,297 records of a LAS 1.4 file in about 86 GB, sparse: the repair writes the 64-bit
// count and counts by return, and zero into the legacy 32-bit fields, which cannot hold them.
TEST(LargeFile, Las14CountsBeyondThirtyTwoBitsAreWritten) {
    ScratchDir dir;
    const std::string name = dir / "big.las";
    LasSpec spec;
    spec.minor = 4;
    spec.points = {{-5, 6, -7, 0x02}};
    const Bytes small = make_las(spec);
    const Bytes header(small.begin(), small.begin() + 375);
    write_file(name, header);
    resize_sparse(name, 375 + 20 * k4GiB);  // zero records, return number 0
    write_file_at(name, 375 + 20 * k4GiB, Bytes(small.begin() + 375, small.end()));

    varnoke_las_report report;
    ASSERT_EQ(varnoke_las_repair(name.c_str(), &report), VARNOKE_LAS_OK);
    EXPECT_EQ(report.records, k4GiB + 1);
    EXPECT_EQ(report.written, 1);
    const Bytes after = read_file_prefix(name, 375);
    EXPECT_EQ(u64_at(after, 247), k4GiB + 1);
    EXPECT_EQ(u64_at(after, 255), 0u);
    EXPECT_EQ(u64_at(after, 263), 1u);
    EXPECT_EQ(u32_at(after, 107), 0u);
    EXPECT_EQ(u32_at(after, 115), 0u);
    EXPECT_EQ(f64_at(after, 187), -0.05);  // MinX: the one record's, below the zeros
    EXPECT_EQ(f64_at(after, 179), 0.0);    // MaxX: the zero records'
}

}  // namespace
}  // namespace lastest
