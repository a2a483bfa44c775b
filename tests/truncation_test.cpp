// A valid file of each point format cut at every length from nothing to the end of its third
// record, run through the real executable. A cut that ends inside the 227-byte header is rejected
// as too short, one that ends before its point data starts as cut before it, and both are left as
// they were; every longer cut is updated to exactly its whole records.
#include <gtest/gtest.h>

#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/update_run.h"

namespace lastest {
namespace {

struct Layout {
    uint8_t minor, format;
    int64_t offset_to_data;  // bytes from 227 to the offset stand for variable-length records
};

std::ostream &operator<<(std::ostream &os, const Layout &l) {
    return os << "1." << int{l.minor} << " format " << int{l.format} << " data at "
              << l.offset_to_data;
}

class Truncation : public testing::TestWithParam<Layout> {};

TEST_P(Truncation, EveryCutIsRejectedOrUpdatedToItsWholeRecords) {
    const Layout layout = GetParam();
    LasSpec spec;
    spec.minor = layout.minor;
    spec.format = layout.format;
    spec.offset_to_data = layout.offset_to_data;
    spec.scale = {0.25, 0.5, 0.125};
    spec.offset = {1000, -2000, 30};
    // Each record changes the count by return and at least one extreme of each axis.
    spec.points = {{-5, 10, 300, 1}, {7, -20, 100, 2}, {3, 40, -50, 0x0B}};
    const Bytes whole = make_las(spec);
    const std::size_t length = record_length_for(layout.format);
    const auto offset = static_cast<std::size_t>(layout.offset_to_data);
    ASSERT_EQ(whole.size(), offset + 3 * length);

    for (std::size_t size = 0; size <= whole.size(); ++size) {
        SCOPED_TRACE(testing::Message() << "cut at " << size);
        const Bytes before(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        const UpdateRun run = run_on_copy(before, "cut.las");
        if (size < 227) {
            EXPECT_EQ(run.result.out, kBanner + too_short("cut.las"));
            EXPECT_EQ(run.result.status, 255);
            EXPECT_EQ(run.after, before);
            continue;
        }
        if (size < offset) {
            EXPECT_EQ(run.result.out, kBanner + offset_past_end("cut.las", offset));
            EXPECT_EQ(run.result.status, 255);
            EXPECT_EQ(run.after, before);
            continue;
        }
        EXPECT_EQ(run.result.out, updated("cut.las"));
        EXPECT_EQ(run.result.status, 0);
        const HeaderCounts c = counts_of(run.after);
        EXPECT_EQ(c.points, (size - offset) / length);
        EXPECT_EQ(c, expected_counts(before));
        expect_only_counts_and_box_changed(before, run.after);
    }
}

INSTANTIATE_TEST_SUITE_P(EachPointFormat, Truncation,
                         testing::Values(Layout{0, 0, 227}, Layout{1, 1, 250}, Layout{2, 2, 227},
                                         Layout{2, 3, 261}));

}  // namespace
}  // namespace lastest
