// The folder walk of varnoke-las in-process, step by step, so that the tree can change between
// two steps: deep trees walked with a bounded number of open folders, a folder closed on the way
// down taken again on the way up only if it is the folder it was, and folders that cannot be
// read refused as such.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "folder_walk.h"
#include "support/las_file.h"
#include "support/scratch.h"

namespace lastest {
namespace {

namespace fs = std::filesystem;
using varnoke_las::Entry;
using varnoke_las::FolderWalk;

bool never_stop() {
    return false;
}

// The descriptors this process holds open.
int open_descriptors() {
    int count = 0;
    for (int fd = 0; fd < 4096; ++fd) count += fcntl(fd, F_GETFD) != -1 ? 1 : 0;
    return count;
}

// "t/", "t/d/", "t/d/d/", ...: the folder at `depth` below t.
std::string folder_at(int depth) {
    std::string path = "t/";
    for (int k = 0; k < depth; ++k) path += "d/";
    return path;
}

// A chain of folders t/d/d/...: in each one a.las, the next d, and z/z.las; in the deepest
// a.las alone.
void make_chain(const ScratchDir &dir, int depth) {
    fs::create_directories(dir.path() / folder_at(depth));
    for (int k = 0; k <= depth; ++k) {
        write_file(dir / (folder_at(k) + "a.las"), Bytes{});
        if (k == depth) break;
        fs::create_directory(dir.path() / (folder_at(k) + "z"));
        write_file(dir / (folder_at(k) + "z/z.las"), Bytes{});
    }
}

// The walk of the chain: every a.las on the way down, every z/z.las on the way up.
std::vector<std::string> chain_order(int depth) {
    std::vector<std::string> order;
    for (int k = 0; k <= depth; ++k) order.push_back(folder_at(k) + "a.las");
    for (int k = depth - 1; k >= 0; --k) order.push_back(folder_at(k) + "z/z.las");
    return order;
}

std::string refused(const std::string &path, int status) {
    return path + ": " + varnoke_las_strerror(status);
}

// A chain deeper than the open folders: at its deepest, the walk holds the root and the 16
// deepest folders open. On the way back up the 4 folders closed on the way down are opened
// again as parents of their children; where a child was moved out of its parent, the parent is
// found again name by name from the root, and a parent that is another folder now (another
// inode under its name) is refused, its rest not walked, while the walk goes on above it.
TEST(FolderWalk, DeepChainsWithBoundedDescriptorsStayInTheFoldersWalked) {
    constexpr int kDepth = 20;
    static_assert(kDepth > FolderWalk::kOpenLevels + 1);
    const std::string last_below_closed = folder_at(5) + "z/z.las";
    const struct {
        const char *what;
        std::function<void(const ScratchDir &)> change;  // once last_below_closed is listed
        std::string instead;  // what is listed instead of t/d/d/d/d/z/z.las
    } cases[] = {
        {"unchanged", [](const ScratchDir &) {}, folder_at(4) + "z/z.las"},
        {"the child moved away",
         [](const ScratchDir &dir) { fs::rename(dir.path() / folder_at(5), dir.path() / "moved"); },
         folder_at(4) + "z/z.las"},
        {"the child moved away, its parent replaced",
         [](const ScratchDir &dir) {
             fs::rename(dir.path() / folder_at(5), dir.path() / "moved");
             fs::rename(dir.path() / folder_at(4), dir.path() / "old");
             fs::create_directory(dir.path() / folder_at(4));
         },
         refused("t/d/d/d/d", VARNOKE_LAS_ERR_FOLDER)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const ScratchDir dir;
        make_chain(dir, kDepth);
        std::vector<std::string> expected = chain_order(kDepth);
        for (std::string &path : expected) {
            if (path == folder_at(4) + "z/z.las") path = c.instead;
        }
        const std::string top = dir.str() + "/";
        for (std::string &path : expected) path.insert(0, top);
        const int before = open_descriptors();
        FolderWalk walk(dir / "t", never_stop);
        std::vector<std::string> listed;
        Entry entry;
        while (walk.next(entry)) {
            if (entry.refused != 0) {
                listed.push_back(refused(entry.path, entry.refused));
                continue;
            }
            listed.push_back(entry.path);
            // The file listed is the one under its name, not one reached otherwise.
            struct stat st;
            ASSERT_EQ(stat(entry.path.c_str(), &st), 0) << entry.path;
            EXPECT_EQ(entry.key, (varnoke_las::FileKey{static_cast<uint64_t>(st.st_dev),
                                                       static_cast<uint64_t>(st.st_ino), true}))
                << entry.path;
            if (entry.path == top + folder_at(kDepth) + "a.las") {
                EXPECT_EQ(open_descriptors() - before, FolderWalk::kOpenLevels + 1);
            }
            if (entry.path == top + last_below_closed) c.change(dir);
        }
        EXPECT_EQ(listed, expected);
    }
}

// A subfolder swapped for a file after its folder was read, and a root that is gone: refused as
// folders that cannot be read.
TEST(FolderWalk, AFolderThatCannotBeReadIsRefusedAsAFolder) {
    const ScratchDir dir;
    fs::create_directories(dir.path() / "t/s");
    write_file(dir / "t/s/x.las", Bytes{});
    write_file(dir / "t/z.las", Bytes{});
    FolderWalk walk(dir / "t", never_stop);
    fs::remove_all(dir.path() / "t/s");
    write_file(dir / "t/s", Bytes{});
    std::vector<std::string> listed;
    for (Entry entry; walk.next(entry);) listed.push_back(refused(entry.path, entry.refused));
    EXPECT_EQ(listed, (std::vector<std::string>{refused(dir / "t/s", VARNOKE_LAS_ERR_FOLDER),
                                                refused(dir / "t/z.las", 0)}));
    FolderWalk gone(dir / "gone", never_stop);
    Entry entry;
    ASSERT_TRUE(gone.next(entry));
    EXPECT_EQ(refused(entry.path, entry.refused), refused(dir / "gone", VARNOKE_LAS_ERR_FOLDER));
    EXPECT_FALSE(gone.next(entry));
}

}  // namespace
}  // namespace lastest
#endif
