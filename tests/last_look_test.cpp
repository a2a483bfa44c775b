// The last look before the write: a file changed by another program between the scan and the
// write is refused and left as that program made it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "Varnoke_LiDAR.h"
#include "header_update.h"
#include "las_api.h"
#include "road.h"
#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/scratch.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace lastest {
namespace {

struct Change {
    const char *what;
    std::function<void(const std::string &name, Bytes &file)> apply;  // also updates `file`
    bool keep_time = true;  // the time of last change is put back, so that only the bytes tell
};

#if !defined(_WIN32)
// Runs `apply` and gives the file back the time of last change it had before.
void keeping_time(const std::string &name, const std::function<void()> &apply) {
    struct stat before;
    ASSERT_EQ(stat(name.c_str(), &before), 0);
    apply();
    const timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, name.c_str(), times, 0), 0);
}
#else
void keeping_time(const std::string &, const std::function<void()> &apply) {
    apply();  // a time of change kept to the second would let the write through here
}
#endif

// The road's hook that calls `change` between the scan and the last look.
varnoke::AfterScan calling(const std::function<void()> &change) {
    return {[](void *context) { (*static_cast<const std::function<void()> *>(context))(); },
            const_cast<std::function<void()> *>(&change)};
}

TEST(LastLook, RefusesAFileChangedBetweenTheScanAndTheWrite) {
    LasSpec spec;
    spec.format = 1;
    spec.points = {{10, -20, 30, 1}, {-40, 50, -60, 2}, {70, 80, 90, 4}};
    for (int32_t k = 3; k < 101; ++k) spec.points.push_back({k, k, k, 1});
    const Bytes original = make_las(spec);
    spec.points.push_back({7, 8, 9, 3});
    [[maybe_unused]] const Bytes other = make_las(spec);
    const Change changes[] = {
#if !defined(_WIN32)
        // Point 100 (format 1: 28 bytes a record from byte 227) moved far out, size kept. Only
        // the time of last status change tells, which Windows does not keep.
        {"point 100 rewritten in place, its time of change put back",
         [](const std::string &name, Bytes &file) {
             put_u32(file, 227 + 100 * 28, 0x7FFFFFFF);
             write_file(name, file);
         }},
        // There a file that is open cannot lose its name.
        {"another file renamed over its name",
         [&other](const std::string &name, Bytes &file) {
             write_file(name + ".new", other);
             std::filesystem::rename(name + ".new", name);
             file = other;
         },
         false},
#endif
        {"a byte appended",
         [](const std::string &name, Bytes &file) {
             file.push_back(0x5A);
             write_file(name, file);
         }},
        {"truncated to the header",
         [](const std::string &name, Bytes &file) {
             file.resize(227);
             std::filesystem::resize_file(name, 227);
         }},
        {"a header byte rewritten in place, size kept",
         [](const std::string &name, Bytes &file) {
             put_u8(file, 26, 'Q');  // the system identifier
             write_file(name, file);
         }},
        {"other data copied over it",
         [](const std::string &name, Bytes &file) {
             file.assign(file.size(), 0x11);
             write_file(name, file);
         }},
#if !defined(_WIN32)
        {"the same bytes written again, a new time of change",
         [](const std::string &name, Bytes &file) {
             const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 123}};
             write_file(name, file);
             ASSERT_EQ(utimensat(AT_FDCWD, name.c_str(), times, 0), 0);
         },
         false},
#endif
    };
    {
        SCOPED_TRACE("unchanged");
        ScratchDir dir;
        write_file(dir / "f.las", original);
        testing::internal::CaptureStdout();
        const std::function<void()> nothing = [] {};
        EXPECT_EQ(varnoke::update_header_status((dir / "f.las").c_str(), calling(nothing)), 0);
        testing::internal::GetCapturedStdout();
        EXPECT_NE(read_file(dir / "f.las"), original);
    }
    for (const Change &change : changes) {
        SCOPED_TRACE(change.what);
        ScratchDir dir;
        const std::string name = dir / "f.las";
        write_file(name, original);
        Bytes expected = original;
        testing::internal::CaptureStdout();
        const std::function<void()> apply = [&] {
            if (change.keep_time) {
                keeping_time(name, [&] { change.apply(name, expected); });
            } else {
                change.apply(name, expected);
            }
        };
        const int status = varnoke::update_header_status(name.c_str(), calling(apply));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), changed_while_read(name));
        EXPECT_EQ(status, -1);
        EXPECT_EQ(read_file(name), expected);
    }
}

// The repair writes only into the file it scanned, unchanged: not into another file given its
// name, nor over a header another program wrote meanwhile.
TEST(LastLook, RepairRefusesAFileSwappedOrChangedBeforeItsWrite) {
    LasSpec spec;
    spec.points = {{1, 2, 3, 1}, {4, 5, 6, 2}};
    const Bytes original = make_las(spec);
    spec.points.push_back({7, 8, 9, 3});
    [[maybe_unused]] const Bytes other = make_las(spec);
    const Change changes[] = {
#if !defined(_WIN32)  // there a file that is open cannot lose its name
        {"another file renamed over its name",
         [&other](const std::string &name, Bytes &file) {
             write_file(name + ".new", other);
             std::filesystem::rename(name + ".new", name);
             file = other;
         }},
#endif
        {"a header byte rewritten in place",
         [](const std::string &name, Bytes &file) {
             put_u8(file, 30, 'Q');
             keeping_time(name, [&] { write_file(name, file); });
         }},
#if !defined(_WIN32)  // only the time of last status change tells, which Windows does not keep
        {"a point record rewritten in place, its time of change put back",
         [](const std::string &name, Bytes &file) {
             put_u32(file, 227 + 20, 0x7FFFFFFF);  // the second record's X (format 0: 20 bytes)
             keeping_time(name, [&] { write_file(name, file); });
         }},
#endif
    };
    for (const Change &change : changes) {
        SCOPED_TRACE(change.what);
        ScratchDir dir;
        const std::string name = dir / "f.las";
        write_file(name, original);
        Bytes expected = original;
        varnoke_las_report report;
        const std::function<void()> apply = [&] { change.apply(name, expected); };
        // varnoke_las_repair() with the hook.
        const int status = varnoke::judge_file({varnoke::kByPath, name.c_str()}, nullptr, &report,
                                               VARNOKE_LAS_REPORT_SIZE_0_2, true, calling(apply));
        EXPECT_EQ(status, VARNOKE_LAS_ERR_CHANGED);
        EXPECT_EQ(report.written, 0);
        EXPECT_EQ(read_file(name), expected);
    }
}

}  // namespace
}  // namespace lastest
