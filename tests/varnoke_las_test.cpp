// varnoke-las run as a separate process, once per kind of output: the text lines with the exit
// status, the JSON Lines, the help, the version and a usage error, byte for byte. The rules
// behind them are decided in-process in tool_rules_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "Varnoke_LiDAR.h"
#include "judgement.h"
#include "options.h"
#include "result_line.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"
#include "support/tool_files.h"

namespace lastest {
namespace {

// check: a line a file, and 1 where some are stale or truncated and none refused; nothing
// written.
TEST(VarnokeLas, TextLinesAndTheExitStatusThroughTheTool) {
    const ScratchDir dir;
    write_file(dir / "ok.las", right_file());
    write_file(dir / "stale.las", stale_file());
    write_file(dir / "cut.las", stale_cut_file());
    const ProcessResult run =
        run_varnoke_las({"check", "--quiet", "ok.las", "stale.las", "cut.las"}, dir.str());
    EXPECT_EQ(run.out, "ok ok.las" + kNoCrs + "\n" + "stale stale.las: " + kStaleWhat + kNoCrs +
                           "\ntruncated cut.las: records 5 -> 2; by return 1: 3 -> 1; box MaxX "
                           "101.5 -> 100; 3 bytes of a partial record" +
                           kNoCrs + "\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(read_file(dir / "ok.las"), right_file());
    EXPECT_EQ(read_file(dir / "stale.las"), stale_file());
    EXPECT_EQ(read_file(dir / "cut.las"), stale_cut_file());
}

// The lines are those the tool's parts make of the same files, in the order given.
TEST(VarnokeLas, JsonLinesThroughTheTool) {
    const ScratchDir dir;
    write_file(dir / "l.las", legacy_file());
    write_file(dir / "cut.las", cut_file());
    const ProcessResult run =
        run_varnoke_las({"check", "--quiet", "--json", "l.las", "cut.las"}, dir.str());
    EXPECT_EQ(run.status, 1);
    std::string expected;
    for (const char *name : {"l.las", "cut.las"}) {
        varnoke_las::Entry entry;
        entry.path = dir / name;
        const varnoke_las_options call = VARNOKE_LAS_OPTIONS_INIT;
        varnoke_las::FileResult result =
            varnoke_las::judge(entry, varnoke_las::Options{}, call, false);
        result.path = name;
        varnoke_las::append_json_line(expected, result);
    }
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.out.rfind("{\"format\":2,\"path\":\"l.las\",\"result\":\"stale\",", 0), 0u)
        << run.out;
}

TEST(VarnokeLas, HelpVersionAndUsageErrorThroughTheTool) {
    const ScratchDir dir;
    const ProcessResult version = run_varnoke_las({"--version"}, dir.str());
    EXPECT_EQ(version.out,
              "varnoke-las (Varnoke LiDAR Utilities) " VARNOKE_LIDAR_VERSION_STRING "\n");
    EXPECT_EQ(version.status, 0);
    const ProcessResult help = run_varnoke_las({"repair", "-h"}, dir.str());
    EXPECT_EQ(help.out, varnoke_las::help_text());
    EXPECT_EQ(help.out.rfind("Usage: varnoke-las check [options] PATH...\n", 0), 0u);
    EXPECT_EQ(help.status, 0);
    const ProcessResult usage = run_varnoke_las({"check", "--jobs", "0", "a.las"}, dir.str());
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.status, 2);
}

}  // namespace
}  // namespace lastest
