// A valid file of each point format cut at every length from nothing to the end of its third
// record. A cut that ends inside the 227-byte header is rejected as too short, one that ends
// before its point data starts as cut before it, and both are left as they were; every longer cut
// is updated to exactly its whole records. Every cut is judged in this process by the update the
// tool makes; the real executable runs on one cut of each outcome.
#include <gtest/gtest.h>

#include "header_update.h"
#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/printed.h"
#include "support/scratch.h"
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

class Truncation : public testing::TestWithParam<Layout> {
protected:
    const Layout layout = GetParam();
    const std::size_t offset = static_cast<std::size_t>(layout.offset_to_data);
    const std::size_t length = record_length_for(layout.format);
    const Bytes whole = whole_file(layout);

    // The file cut to its first `size` bytes.
    Bytes cut(std::size_t size) const {
        return Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    }

    // What the update prints for the cut of `size` bytes named `name`: empty when it updates it.
    std::string refusal(std::size_t size, const std::string &name) const {
        if (size < 227) return too_short(name);
        if (size < offset) return offset_past_end(name, offset);
        return "";
    }

private:
    // Each record changes the count of its return number and at least one extreme of each axis.
    // The return numbers are 5, 2 and 4, under higher bits that are set: an update that takes
    // other than the low three bits of the field counts them elsewhere.
    static Bytes whole_file(const Layout &layout) {
        LasSpec spec;
        spec.minor = layout.minor;
        spec.format = layout.format;
        spec.offset_to_data = layout.offset_to_data;
        spec.scale = {0.25, 0.5, 0.125};
        spec.offset = {1000, -2000, 30};
        spec.points = {{-5, 10, 300, 0x0D}, {7, -20, 100, 0xF2}, {3, 40, -50, 0x2C}};
        return make_las(spec);
    }
};

TEST_P(Truncation, EveryCutIsRejectedOrUpdatedToItsWholeRecords) {
    ASSERT_EQ(whole.size(), offset + 3 * length);
    ScratchDir dir;
    const std::string name = dir / "cut.las";
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        SCOPED_TRACE(testing::Message() << "cut at " << size);
        const Bytes before = cut(size);
        write_file(name, before);
        int status = 0;
        const std::string out =
            printed([&] { status = varnoke::update_header_status(name.c_str()); });
        const Bytes after = read_file(name);
        const std::string message = refusal(size, name);
        EXPECT_EQ(out, message);
        EXPECT_EQ(status, message.empty() ? 0 : -1);
        if (!message.empty()) {
            EXPECT_EQ(after, before);
            continue;
        }
        EXPECT_EQ(counts_of(after).points, (size - offset) / length);
        expect_counts_and_box_updated(before, after);
    }
}

// The longest cut inside the header, the longest before the point data where that is another,
// and a cut inside the last record.
TEST_P(Truncation, TheToolPrintsEachOutcome) {
    std::vector<std::size_t> sizes = {226};
    if (offset - 1 != 226) sizes.push_back(offset - 1);
    sizes.push_back(whole.size() - 1);
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(testing::Message() << "cut at " << size);
        const UpdateRun run = run_on_copy(cut(size), "cut.las");
        const std::string message = refusal(size, "cut.las");
        if (message.empty()) {
            expect_repaired(run);
        } else {
            expect_refused(run, message);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachPointFormat, Truncation,
                         testing::Values(Layout{0, 0, 227}, Layout{1, 1, 250}, Layout{2, 2, 227},
                                         Layout{2, 3, 261}));

}  // namespace
}  // namespace lastest
