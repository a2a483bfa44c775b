// The LAS files written by independent software: accepted ones are repaired, the others are
// rejected and left as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/las_file.h"
#include "support/scratch.h"
#include "support/update_run.h"

namespace lastest {
namespace {

struct Accepted {
    const char *file;
    uint32_t points;
    std::array<uint32_t, 5> by_return;
    bool stale;  // whether the header's counts were wrong before
};

const Accepted kAccepted[] = {
    {"1.0_0.las", 1, {0, 1, 0, 0, 0}, false},
    {"1.0_1.las", 1, {0, 1, 0, 0, 0}, false},
    {"1.1_0.las", 1, {0, 1, 0, 0, 0}, false},
    {"1.1_1.las", 1, {0, 1, 0, 0, 0}, false},
    {"1.2_0.las", 1, {0, 1, 0, 0, 0}, false},
    {"1.2_1.las", 1, {0, 1, 0, 0, 0}, false},
    {"1.2_2.las", 1, {0, 1, 0, 0, 0}, false},
    {"1.2_3.las", 1, {0, 1, 0, 0, 0}, false},
    {"TO_core_last_clip.las", 8, {4, 4, 0, 0, 0}, false},
    {"1.2-no-points.las", 0, {0, 0, 0, 0, 0}, true},
    {"1.2-with-color-clipped.las", 1064, {924, 114, 21, 5, 0}, true},
    {"no-points.las", 0, {0, 0, 0, 0, 0}, true},  // a zero box becomes the empty box
};

struct Rejected {
    const char *file;
    std::string message;
};

const Rejected kRejected[] = {
    {"1.2-empty-geotiff-vlrs.las",
     "\nData format of 1.2-empty-geotiff-vlrs.las (1) is incompatible with Length of Data Record "
     "(34)\n"},
    {"test1_4.las", "\nCannot handle las files of version 1.4\n"},
};

TEST(TestData, EveryFileIsCovered) {
    std::set<std::string> listed;
    for (const Accepted &a : kAccepted) listed.insert(a.file);
    for (const Rejected &r : kRejected) listed.insert(r.file);
    for (const auto &entry : std::filesystem::directory_iterator(testdata_dir())) {
        if (entry.path().extension() == ".las") {
            EXPECT_TRUE(listed.count(entry.path().filename().string())) << entry.path();
        }
    }
}

TEST(TestData, AcceptedFilesAreRepaired) {
    for (const Accepted &a : kAccepted) {
        SCOPED_TRACE(a.file);
        const Bytes before = read_file((testdata_dir() / a.file).string());
        const UpdateRun run = run_on_copy(before, a.file);
        expect_repaired(run);
        const HeaderCounts c = counts_of(run.after);
        EXPECT_EQ(c.points, a.points);
        EXPECT_EQ(c.by_return, a.by_return);
        EXPECT_EQ(counts_of(before) != c, a.stale);
    }
}

TEST(TestData, RejectedFilesAreLeftUnchanged) {
    for (const Rejected &rejected : kRejected) {
        SCOPED_TRACE(rejected.file);
        const Bytes before = read_file((testdata_dir() / rejected.file).string());
        expect_refused(run_on_copy(before, rejected.file), rejected.message);
    }
}

}  // namespace
}  // namespace lastest
