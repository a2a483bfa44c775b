// Another program swaps the file's name between the LAS file and a symbolic link to a victim, a
// LAS file in all but its signature, as fast as it can, while the real executable runs on the
// name again and again for a second, and at least a hundred times where each start of the tool
// is slow (under an emulator or the sanitizers). The victim must never change; every run either
// repairs the LAS file correctly or refuses with one of the three messages that such a swap can
// cause.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>

#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

namespace lastest {
namespace {

constexpr std::chrono::seconds kRaceTime{1};
constexpr int kLeastRuns = 100;

// Alternates `name` between a hard link to `real` and a symbolic link to `victim`, each swap a
// single atomic rename, until it is killed.
[[noreturn]] void swap_forever(const std::string &dir) {
    const std::string name = dir + "/f.las", real = dir + "/real.las";
    const std::string as_real = dir + "/next-real", as_link = dir + "/next-link";
    for (;;) {
        unlink(as_link.c_str());
        if (symlink("victim.las", as_link.c_str()) != 0 || rename(as_link.c_str(), name.c_str()))
            _exit(2);
        unlink(as_real.c_str());
        if (link(real.c_str(), as_real.c_str()) != 0 || rename(as_real.c_str(), name.c_str()))
            _exit(3);
    }
}

TEST(SymlinkRace, NeverWritesThroughASwappedName) {
    LasSpec spec;
    spec.format = 1;
    spec.points = {{10, -20, 30, 1}, {-40, 50, -60, 2}, {70, 80, 90, 1}};
    const Bytes original = make_las(spec);
    Bytes victim = original;
    put_u8(victim, 0, 'X');

    ScratchDir dir;
    write_file(dir / "real.las", original);
    write_file(dir / "victim.las", victim);
    ASSERT_EQ(link((dir / "real.las").c_str(), (dir / "f.las").c_str()), 0);

    const pid_t racer = fork();
    ASSERT_GE(racer, 0);
    if (racer == 0) swap_forever(dir.str());

    const std::string done = updated("f.las");
    const std::string not_las = kBanner + "\nf.las is not a valid .las file\n\n";
    const std::string changed = kBanner + changed_since_validation("f.las");
    // The name swapped, or the file's status changed (each hard link made changes it), while
    // the records were read.
    const std::string changed_while = kBanner + changed_while_read("f.las");
    std::map<std::string, int> seen;
    const auto end = std::chrono::steady_clock::now() + kRaceTime;
    int runs = 0;
    for (; runs < kLeastRuns || std::chrono::steady_clock::now() < end; ++runs) {
        const ProcessResult r = run_quillfen({"f.las"}, dir.str());
        const bool expected =
            (r.out == done && r.status == 0) ||
            ((r.out == not_las || r.out == changed || r.out == changed_while) && r.status == 255);
        if (!expected) ADD_FAILURE() << "run " << runs << " printed " << r.out;
        ++seen[r.out == done ? "repaired" : r.out == changed ? "changed" : "other"];
    }
    kill(racer, SIGKILL);
    int racer_status = 0;
    waitpid(racer, &racer_status, 0);
    EXPECT_TRUE(WIFSIGNALED(racer_status)) << "the racer stopped on its own";

    std::printf("%d runs: %d repaired, %d refused as changed, %d refused as not LAS\n", runs,
                seen["repaired"], seen["changed"], seen["other"]);
    EXPECT_EQ(read_file(dir / "victim.las"), victim);
    const Bytes real = read_file(dir / "real.las");
    if (seen["repaired"] > 0) {
        EXPECT_EQ(counts_of(real), expected_counts(original));
    } else {
        EXPECT_EQ(real, original);
    }
}

}  // namespace
}  // namespace lastest
