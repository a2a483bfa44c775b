// Another program swaps a subfolder of a tree for a symbolic link to a folder outside it, and a
// listed file for a link to a file outside, while the real varnoke-las repairs the tree again
// and again for a second: nothing outside the tree is ever written, and a swap the walk meets
// is refused with its reason.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "Varnoke_LiDAR.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

namespace lastest {
namespace {

constexpr std::chrono::seconds kRaceTime{1};

// Swaps the subfolder and the file for their links and back, each swap one atomic exchange of
// two names, until it is killed.
[[noreturn]] void swap_forever(const std::string &dir) {
    const std::string b = dir + "/tree/b", b_link = dir + "/b-link";
    const std::string f = dir + "/tree/a/f39.las", f_link = dir + "/tree/a/f39-link";
    if (symlink("../outside", b_link.c_str()) != 0 ||
        symlink("../../outside/f39.las", f_link.c_str()) != 0)
        _exit(2);
    for (;;) {
        if (renameat2(AT_FDCWD, b.c_str(), AT_FDCWD, b_link.c_str(), RENAME_EXCHANGE) != 0 ||
            renameat2(AT_FDCWD, f.c_str(), AT_FDCWD, f_link.c_str(), RENAME_EXCHANGE) != 0)
            _exit(3);
        usleep(300);
    }
}

TEST(WalkRace, NothingOutsideTheTreeIsWritten) {
    LasSpec spec;
    spec.points = {{1, 2, 3, 1}, {4, 5, 6, 2}};
    const Bytes stale = make_las(spec);
    ScratchDir dir;
    std::filesystem::create_directories(dir / "tree/a");
    std::filesystem::create_directories(dir / "tree/b");
    std::filesystem::create_directories(dir / "outside");
    for (int k = 0; k < 40; ++k) write_file(dir / ("tree/a/f" + std::to_string(k) + ".las"), stale);
    write_file(dir / "tree/b/victim_dir.las", stale);
    write_file(dir / "outside/victim_dir.las", stale);
    write_file(dir / "outside/f39.las", stale);

    const pid_t racer = fork();
    ASSERT_GE(racer, 0);
    if (racer == 0) swap_forever(dir.str());
    const std::string link = varnoke_las_strerror(VARNOKE_LAS_ERR_LINK);
    int runs = 0, refused_links = 0;
    const auto end = std::chrono::steady_clock::now() + kRaceTime;
    for (; runs < 3 || std::chrono::steady_clock::now() < end; ++runs) {
        const ProcessResult r =
            run_varnoke_las({"repair", "--quiet", "--jobs", "1", "tree"}, dir.str());
        for (std::size_t at = 0; (at = r.out.find(link, at)) != std::string::npos; ++at) {
            ++refused_links;
        }
        EXPECT_TRUE(r.status == 0 || r.status == 2) << r.status;
    }
    kill(racer, SIGKILL);
    int racer_status = 0;
    waitpid(racer, &racer_status, 0);
    EXPECT_TRUE(WIFSIGNALED(racer_status)) << "the racer stopped on its own";
    std::printf("%d runs, %d swaps refused as links\n", runs, refused_links);
    EXPECT_EQ(read_file(dir / "outside/victim_dir.las"), stale);
    EXPECT_EQ(read_file(dir / "outside/f39.las"), stale);
}

}  // namespace
}  // namespace lastest
