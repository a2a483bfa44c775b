// Odd names and odd files: printf directives and spaces in a name, a file that cannot be opened
// for writing, and data offsets in and around the header and the end of the file. Each ends in a
// clear message or exactly the update the rules give.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"
#include "support/update_run.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lastest {
namespace {

namespace fs = std::filesystem;

Bytes valid_file() {
    LasSpec spec;
    spec.format = 1;
    spec.points = {{10, -20, 30, 1}, {-40, 50, -60, 2}, {70, 80, 90, 1}};
    return make_las(spec);
}

// A name is printed as it is: directives in it are never interpreted.
TEST(OddNames, NamesWithDirectivesAndSpacesAreUpdated) {
    const Bytes before = valid_file();
    for (const char *name : {"100% sure.las", "%s%n%x %d.las", " leading and  double spaces.las",
                             "%%.las", "%999999999s.las"}) {
        SCOPED_TRACE(name);
        expect_repaired(run_on_copy(before, name));
    }
}

TEST(OddNames, NamesWithDirectivesAndSpacesInRejections) {
    struct Case {
        std::string name;
        Bytes file;
        std::string message;
    };
    Bytes not_las = valid_file();
    put_u8(not_las, 0, 'l');
    Bytes cut = valid_file();
    cut.resize(200);
    const Case cases[] = {
        {"%n%s %n.LAS", valid_file(), "\nFile extension of %n%s %n.LAS is not .las\n"},
        {"%s %n_las", valid_file(),
         "\nExtension of file %s %n_las should be preceeded by a dot (.)\n"},
        {"%n.las", not_las, "\n%n.las is not a valid .las file\n\n"},
        {"% 5d %n.las", Bytes(100, 0), "\n% 5d %n.las is not a valid .las file\n\n"},
        {"%n%n%n.las", cut, too_short("%n%n%n.las")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        expect_refused(run_on_copy(c.file, c.name), c.message);
    }
}

TEST(OddNames, MissingFileWithDirectivesInItsName) {
    ScratchDir dir;
    const ProcessResult r = run_quillfen({"%s %n missing.las"}, dir.str());
    EXPECT_EQ(r.out, kBanner + "Unable to open file %s %n missing.las in file_access()\n" +
                         "\nFile %s %n missing.las does NOT exist\n");
    EXPECT_EQ(r.status, 255);
}

// Root may write to any file whatever its mode, so there the tool runs without the capability
// that allows it (wherever the checkout lies, which another user might not reach); any other
// user simply lacks write permission on a read-only file. On Windows the
// test holds the file open, sharing it for reading only, as another program may.
TEST(OddFiles, FileThatCannotBeOpenedForWritingIsLeftAsItWas) {
    ScratchDir dir;
    const std::string name = dir / "ro.las";
    const Bytes before = valid_file();
    write_file(name, before);

    ProcessResult r;
#if defined(_WIN32)
    const HANDLE held = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    r = run_quillfen({"ro.las"}, dir.str());
    CloseHandle(held);
    const Bytes after = read_file(name);
#else
    fs::permissions(name, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (geteuid() == 0) {
        r = run_quillfen_bound_by_permissions({"ro.las"}, dir.str());
    } else {
        if (access(name.c_str(), W_OK) == 0) {
            GTEST_SKIP() << "this user may write to a read-only file and cannot change identity";
        }
        r = run_quillfen({"ro.las"}, dir.str());
    }
    const Bytes after = read_file(name);
#endif
    EXPECT_EQ(r.out, kBanner + "\nCannot open binary file ro.las for header update\n\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(after, before);
}

// Linux opens a directory for reading and fails at the first read; Windows does not open it.
TEST(OddFiles, DirectoryNamedLikeALasFileIsRejected) {
    for (const char *name : {"x.las", "%n dir.las"}) {
        SCOPED_TRACE(name);
        ScratchDir dir;
        fs::create_directory(dir.path() / name);
        const ProcessResult r = run_quillfen({name}, dir.str());
#if defined(_WIN32)
        EXPECT_EQ(r.out, kBanner + "Unable to open file " + name + " in file_access()\n" +
                             "\nFile " + name + " does NOT exist\n");
#else
        EXPECT_EQ(r.out, kBanner + not_regular(name));
#endif
        EXPECT_EQ(r.status, 255);
        EXPECT_TRUE(fs::is_empty(dir.path() / name));
    }
}

#if !defined(_WIN32)
// A pipe with no writer would make any read, or an open for reading, wait for ever.
TEST(OddFiles, PipeNamedLikeALasFileIsRefusedWithoutWaiting) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo((dir / "x.las").c_str(), 0600), 0);
    const ProcessResult r = run_quillfen({"x.las"}, dir.str());
    EXPECT_EQ(r.out, kBanner + not_regular("x.las"));
    EXPECT_EQ(r.status, 255);
}
#endif

// The point data must start after the 227-byte header and no later than the end of the file;
// from there on, whatever lies before the end is counted in whole records.
TEST(OddFiles, DataOffsets) {
    const Bytes file = valid_file();  // header of 227 bytes, three records of 28
    const auto size = static_cast<uint32_t>(file.size());
    const auto inside = [](uint32_t offset) { return offset_inside_header("off.las", offset); };
    const auto past = [](uint32_t offset) { return offset_past_end("off.las", offset); };
    struct Case {
        uint32_t offset;
        std::string refusal;  // empty: updated with `points` records
        uint32_t points;
    };
    const Case cases[] = {
        {0, inside(0), 0},
        {226, inside(226), 0},
        {227, "", 3},
        {228, "", 2},  // the records are read from the offset on, whatever the header says
        {size - 28, "", 1},
        {size - 1, "", 0},  // a fragment
        {size, "", 0},      // no records
        {size + 1, past(size + 1), 0},
        {0xFFFFFFFFu, past(0xFFFFFFFFu), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.offset);
        Bytes before = file;
        put_u32(before, 96, c.offset);
        const UpdateRun run = run_on_copy(before, "off.las");
        if (!c.refusal.empty()) {
            expect_refused(run, c.refusal);
            continue;
        }
        expect_repaired(run);
        EXPECT_EQ(counts_of(run.after).points, c.points);
    }
}

}  // namespace
}  // namespace lastest
