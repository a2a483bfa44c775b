// The command line, each message of validation (in its check order) and of the update once, and
// every failure path of the update, run through the real executable. Where a rule's boundaries
// give the same message, they are judged in-process (validation_test.cpp,
// header_for_update_test.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"
#include "support/update_run.h"

namespace lastest {
namespace {

// A valid 1.2 file of point format 3 with three records.
Bytes valid_file() {
    LasSpec spec;
    spec.format = 3;
    spec.points = {{1, 2, 3, 1}, {4, 5, 6, 2}, {7, 8, 9, 1}};
    return make_las(spec);
}

Bytes with_byte(Bytes b, std::size_t at, uint8_t v) {
    put_u8(b, at, v);
    return b;
}

Bytes truncated(Bytes b, std::size_t size) {
    b.resize(size);
    return b;
}

Bytes of_version(uint8_t major, uint8_t minor, uint8_t format, uint16_t length) {
    LasSpec spec;
    spec.major = major;
    spec.minor = minor;
    spec.format = format;
    spec.record_length = length;
    spec.points = {{1, 1, 1, 1}};
    return make_las(spec);
}

std::map<std::string, Bytes> snapshot(const ScratchDir &dir) {
    std::map<std::string, Bytes> files;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = read_file(entry.path().string());
    }
    return files;
}

struct CliCase {
    const char *what;
    std::map<std::string, Bytes> files;  // created in the scratch directory
    std::vector<std::string> args;
    std::string out;  // the whole standard output
    int status;
    std::string fault = {};  // a file call made to fail, as "operation:handle" (fault_shim.c)
};

// Where the header of `file` says the point data starts (OffsetToData).
uint64_t point_data_start(const Bytes &file) {
    return uint64_t{file[96]} | uint64_t{file[97]} << 8 | uint64_t{file[98]} << 16 |
           uint64_t{file[99]} << 24;
}

// Makes every positioned read of the update that covers byte `at` of the file fail.
std::string pread_fault_at(uint64_t at) {
    return "pread:update@" + std::to_string(at);
}

std::vector<CliCase> failure_cases() {
    const Bytes ok = valid_file();
    constexpr std::size_t kBigPoints = 150000;  // six blocks of reads
    LasSpec big_layout;
    big_layout.points.assign(kBigPoints, Point{5, 6, 7, 1});
    const Bytes big_file = make_las(big_layout);
    const uint64_t big_data = point_data_start(big_file);
    const uint64_t big_record =
        big_layout.record_length.value_or(record_length_for(big_layout.format));
    return {
        // Command line.
        {"no argument", {}, {}, kWrongCount, 255},
        {"two arguments", {{"a.las", ok}, {"b.las", ok}}, {"a.las", "b.las"}, kWrongCount, 255},
        // Validation, in check order: each file also breaks every later rule it can.
        {"missing file",
         {},
         {"missing.las"},
         kBanner + "Unable to open file missing.las in file_access()\n" +
             "\nFile missing.las does NOT exist\n",
         255},
        {"name too short",
         {{".las", ok}},
         {".las"},
         kBanner + "\nFile name (.las) is too short\n",
         255},
        {"no dot before the extension",
         {{"a_las", ok}},
         {"a_las"},
         kBanner + "\nExtension of file a_las should be preceeded by a dot (.)\n",
         255},
        {"extension in capitals",
         {{"a.LAS", ok}},
         {"a.LAS"},
         kBanner + "\nFile extension of a.LAS is not .las\n",
         255},
        {"bad signature",
         {{"sig.las", with_byte(of_version(2, 5, 9, 7), 3, 'X')}},
         {"sig.las"},
         kBanner + "\nsig.las is not a valid .las file\n\n",
         255},
        {"major version 2",
         {{"v2.las", of_version(2, 5, 9, 7)}},
         {"v2.las"},
         kBanner + "\nCannot handle las files of version 2.x\n",
         255},
        {"version 1.3",
         {{"v13.las", of_version(1, 3, 9, 7)}},
         {"v13.las"},
         kBanner + "\nCannot handle las files of version 1.3\n",
         255},
        {"point format 4",
         {{"f4.las", of_version(1, 2, 4, 7)}},
         {"f4.las"},
         kBanner + "\nPointDataFormatID in f4.las is 4. Only 0, 1, 2, or 3 is accepted\n",
         255},
        {"record length 36 for format 3",
         {{"len.las", of_version(1, 2, 3, 36)}},
         {"len.las"},
         kBanner + "\nData format of len.las (3) is incompatible with Length of Data Record (36)\n",
         255},
        // Files that end inside the header: judged only on the bytes that are there, by
        // validation and by the update.
        {"empty file", {{"t.las", {}}}, {"t.las"}, kBanner + too_short("t.las"), 255},
        {"validates, then ends at byte 226",
         {{"t.las", truncated(ok, 226)}},
         {"t.las"},
         kBanner + too_short("t.las"),
         255},
        // No record layout for point formats 2 and 3 before version 1.2.
        {"version 1.0 with point format 2",
         {{"t0.las", of_version(1, 0, 2, 26)}},
         {"t0.las"},
         kBanner +
             "\nPointDataFormatID in t0.las is 2. It is not defined for las files of version 1.0\n",
         255},
        // Failures of the system: opens, reads and the final write.
        {"binary open fails after the existence check",
         {{"x.las", ok}},
         {"x.las"},
         kBanner + "\nCannot open binary file x.las for reading\n",
         255,
         "open:check"},
        {"open for update fails",
         {{"x.las", ok}},
         {"x.las"},
         kBanner + "\nCannot open binary file x.las for header update\n\n",
         255,
         "open:update"},
        {"read error during validation",
         {{"x.las", ok}},
         {"x.las"},
         kBanner + read_error("x.las"),
         255,
         "read:check"},
        {"read error in the header",
         {{"x.las", ok}},
         {"x.las"},
         kBanner + read_error("x.las"),
         255,
         "read:update"},
        {"read error in the only block of records",
         {{"x.las", ok}},
         {"x.las"},
         kBanner + read_error("x.las"),
         255,
         pread_fault_at(point_data_start(ok))},
        {"read error in the first block of records",
         {{"x.las", big_file}},
         {"x.las"},
         kBanner + read_error("x.las"),
         255,
         pread_fault_at(big_data)},
        // The middle record lies in the third block, taken once both threads are reading.
        {"read error in the middle of the records, with both threads reading",
         {{"x.las", big_file}},
         {"x.las"},
         kBanner + read_error("x.las"),
         255,
         pread_fault_at(big_data + kBigPoints / 2 * big_record)},
        {"read error in the last block of records",
         {{"x.las", big_file}},
         {"x.las"},
         kBanner + read_error("x.las"),
         255,
         pread_fault_at(big_file.size() - 1)},
        {"seek back to the header fails",
         {{"x.las", ok}},
         {"x.las"},
         kBanner + "\nCannot write the updated header of x.las\n",
         255,
         "seek:update"},
        {"size of the file unknown to the update",
         {{"x.las", ok}},
         {"x.las"},
         kBanner + read_error("x.las"),
         255,
         "stat:update"},
        {"header write fails",
         {{"x.las", ok}},
         {"x.las"},
         kBanner + "\nCannot write the updated header of x.las\n",
         255,
         "write:update"},
    };
}

// Runs every case of failure_cases() that makes a stdio call fail (`faults`) or none that does.
void run_failure_cases(bool faults) {
    for (const CliCase &c : failure_cases()) {
        if (c.fault.empty() == faults) continue;
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        for (const auto &[name, bytes] : c.files) write_file(dir / name, bytes);
        const auto before = snapshot(dir);
        std::vector<std::pair<std::string, std::string>> env;
#if !defined(_WIN32)
        if (faults) env = {{"LD_PRELOAD", FAULT_SHIM_PATH}, {"VARNOKE_FAULT", c.fault}};
#endif

        const ProcessResult r = run_quillfen(c.args, dir.str(), env);

        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(snapshot(dir), before);
    }
}

TEST(CommandLine, FailuresPrintTheirMessageAndLeaveEveryFileUnchanged) {
    run_failure_cases(false);
}

TEST(CommandLine, FailingSystemCallsPrintTheirMessageAndLeaveEveryFileUnchanged) {
#if defined(_WIN32)
    GTEST_SKIP() << "the stdio faults are injected by a shim preloaded with LD_PRELOAD";
#else
    run_failure_cases(true);
#endif
}

// Once the header write has begun the file may have changed, but the failure must still be
// reported, no completion message printed, and the header is either the old one or the whole new
// one, never a mixture.
TEST(CommandLine, FailuresAfterTheWriteAreReported) {
#if defined(_WIN32)
    GTEST_SKIP() << "the stdio faults are injected by a shim preloaded with LD_PRELOAD";
#else
    const Bytes before = valid_file();
    for (const char *fault : {"flush:update", "sync:update", "close:update"}) {
        SCOPED_TRACE(fault);
        ScratchDir dir;
        write_file(dir / "x.las", before);
        const ProcessResult r = run_quillfen(
            {"x.las"}, dir.str(), {{"LD_PRELOAD", FAULT_SHIM_PATH}, {"VARNOKE_FAULT", fault}});
        EXPECT_EQ(r.out, kBanner + "\nCannot write the updated header of x.las\n");
        EXPECT_EQ(r.status, 255);
        const Bytes after = read_file(dir / "x.las");
        if (after != before) expect_counts_and_box_updated(before, after);
    }
#endif
}

TEST(CommandLine, SuccessfulUpdatePrintsTheCompletionLineAndExitsZero) {
    ScratchDir dir;
    write_file(dir / "ok.las", valid_file());
    const ProcessResult r = run_quillfen({"ok.las"}, dir.str());
    EXPECT_EQ(r.out, updated("ok.las"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(counts_of(read_file(dir / "ok.las")).points, 3u);
}

}  // namespace
}  // namespace lastest
