// varnoke-las against lying lists, hostile names, stop signals, a closed output and files named
// twice: the quoting of names, the reading of a list and the sharing of results decided
// in-process, one run of the real executable for each behaviour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "name_quoting.h"
#include "path_list.h"
#include "result_line.h"
#include "same_file.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace lastest {
namespace {

// The expected forms are what `ls --quoting-style=shell-escape` (GNU coreutils 9.1, C.UTF-8)
// prints for a file of that name, but in the one row where its output reads back, by shell
// rules, as another name.
TEST(NameQuoting, AsGnuLsShellEscape) {
    const struct {
        const char *name, *shown;
    } cases[] = {
        {"plain.las", "plain.las"},
        {"a]b%c+d,e-f:g_h@i", "a]b%c+d,e-f:g_h@i"},  // nothing a shell takes otherwise
        {"caf\xc3\xa9.las", "caf\xc3\xa9.las"},
        {"a\xee\x80\x80"
         "b",
         "a\xee\x80\x80"
         "b"},  // U+E000, private use: printable
        // Special to a shell anywhere.
        {"a b", "'a b'"},
        {"a!b", "'a!b'"},
        {"a\"b", "'a\"b'"},
        {"a$b", "'a$b'"},
        {"a&b", "'a&b'"},
        {"a(b", "'a(b'"},
        {"a*b", "'a*b'"},
        {"a;b", "'a;b'"},
        {"a<b", "'a<b'"},
        {"a=b", "'a=b'"},
        {"a?b", "'a?b'"},
        {"a[b", "'a[b'"},
        {"a\\b", "'a\\b'"},
        {"a^b", "'a^b'"},
        {"a`b", "'a`b'"},
        {"a|b", "'a|b'"},
        // Special at the start of a word only, or as a word of its own.
        {"~x", "'~x'"},
        {"x~", "x~"},
        {"#x", "'#x'"},
        {"x#", "x#"},
        {"{", "'{'"},
        {"{a", "{a"},
        // A quote among characters that need nothing more: double quotes.
        {"it's", "\"it's\""},
        {"a b'c.las", "\"a b'c.las\""},
        {"~'", "\"~'\""},
        {"' ", "\"' \""},
        {"a~'", "'a~'\\'''"},
        {"a#b'c", "'a#b'\\''c'"},
        {"'a'$'\\n''b'.las", "''\\''a'\\''$'\\''\\n'\\'''\\''b'\\''.las'"},
        // Characters a terminal does not show.
        {"a\nb.las", "'a'$'\\n''b.las'"},
        {"evil\r\x1b[2Kok good.las\x1b[8m.las",
         "'evil'$'\\r\\033''[2Kok good.las'$'\\033''[8m.las'"},
        {"coll\xfe.las", "'coll'$'\\376''.las'"},
        {"\xff", "''$'\\377'"},
        {"\x01", "''$'\\001'"},
        {"\x01"
         "a",
         "''$'\\001''a'"},
        {"a\x01\x02"
         "b",
         "'a'$'\\001\\002''b'"},
        {"a\x07\x08\x0c\x0b\x7fz", "'a'$'\\a\\b\\f\\v\\177''z'"},
        {"tab\there.las", "'tab'$'\\t''here.las'"},
        {"it's\n.las", "'it'\\''s'$'\\n''.las'"},
        {"'a\x01", "''\\''a'$'\\001'"},
        {"a\x01'b", "'a'$'\\001'\\''b'"},
        {"a'b\x01", "'''a'\\''b'$'\\001'"},
        {"a'\x01'", "'a'\\'''$'\\001'\\'''"},
        // ls prints '\001'\''a'$'\001', which a shell reads as a backslash and digits.
        {"\x01'a\x01", "''$'\\001'\\''a'$'\\001'"},
        {"b\xc2\x85z", "'b'$'\\302\\205''z'"},           // U+0085, a C1 control
        {"c\xe2\x80\xa8z", "'c'$'\\342\\200\\250''z'"},  // U+2028
        {"a\xcd\xb8"
         "b",
         "'a'$'\\315\\270''b'"},                         // U+0378, unassigned
        {"d\xed\xa0\x80z", "'d'$'\\355\\240\\200''z'"},  // a surrogate
        {"e\xc0\xafz", "'e'$'\\300\\257''z'"},           // an overlong form
        {"a\xe2\x82", "'a'$'\\342\\202'"},               // cut short
    };
    for (const auto &c : cases) {
        EXPECT_EQ(varnoke_las::shown_name(c.name), c.shown) << c.shown;
    }
}

TEST(NameQuoting, Base64OfPathsThatAreNotUtf8) {
    EXPECT_EQ(varnoke_las::base64("coll\xfe.las"), "Y29sbP4ubGFz");
    EXPECT_EQ(varnoke_las::base64("coll\xff.las"), "Y29sbP8ubGFz");
    EXPECT_EQ(varnoke_las::base64("\xff"), "/w==");
    EXPECT_EQ(varnoke_las::base64("\xff\xfe"), "//4=");
    EXPECT_TRUE(varnoke_las::is_valid_utf8("caf\xc3\xa9"));
    EXPECT_FALSE(varnoke_las::is_valid_utf8("coll\xfe.las"));
    // The JSON line: a quote and a backslash escaped, a control character as \u00XX, bytes that
    // are not UTF-8 as U+FFFD with the name's bytes after.
    const struct {
        const char *name, *json;
    } lines[] = {
        {"a\\b.las", "{\"format\":2,\"path\":\"a\\\\b.las\",\"result\":"},
        {"q\"x.las", "{\"format\":2,\"path\":\"q\\\"x.las\",\"result\":"},
        {"t\tx.las", "{\"format\":2,\"path\":\"t\\u0009x.las\",\"result\":"},
        {"coll\xfe.las",
         "{\"format\":2,\"path\":\"coll\xef\xbf\xbd.las\",\"path_bytes\":\"Y29sbP4ubGFz\","},
    };
    for (const auto &l : lines) {
        varnoke_las::FileResult result;
        result.path = l.name;
        std::string line;
        varnoke_las::append_json_line(line, result);
        EXPECT_EQ(line.rfind(l.json, 0), 0u) << line;
    }
}

#if !defined(_WIN32)
std::string refused(const std::string &path, int status) {
    return "refused " + path + ": " + varnoke_las_strerror(status) + "\n";
}

// A list with a NUL byte read without --null, or an item longer than a path can be, stops the
// run at that item with status 2: what came before is judged, nothing after.
TEST(FilesFrom, ANulByteOrAnOverlongItemStopsTheRunAtThatItem) {
    ScratchDir dir;
    write_file(dir / "e.las", Bytes{});
    const std::string empty = refused("e.las", VARNOKE_LAS_ERR_TOO_SHORT);
    const struct {
        const char *what;
        std::string list, out;
    } cases[] = {
        {"find -print0 without --null", std::string("e.las\0e.las\0", 12), ""},
        {"a NUL in the second line", std::string("e.las\ne.las\0x\ne.las\n", 20), empty},
        {"an item of 4097 bytes", "e.las\n" + std::string(4097, 'a') + "\ne.las\n", empty},
        {"an item of 4096 bytes is a path", std::string(4096, 'a') + "\n",
         refused(std::string(4096, 'a'), VARNOKE_LAS_ERR_OPEN)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        write_file(dir / "list", Bytes(c.list.begin(), c.list.end()));
        const ProcessResult r =
            run_varnoke_las({"check", "--quiet", "--files-from", "list"}, dir.str());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, 2);
    }
}

// Everything this process wrote to `fd`, read to its end.
std::string read_all(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

std::string file_text(const std::string &path) {
    const Bytes bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

// A list of 1 MiB of NUL bytes and one item, read with --null: the empty items are skipped
// through many reads; a stop asked ends the list long before its end, and is no error.
int stop_asks = 0;
bool stop_at_third_ask() {
    return ++stop_asks >= 3;
}
bool never_stop() {
    return false;
}

TEST(ListReader, AListOfEmptyItemsEndsWhenTheRunIsStopped) {
    constexpr long kEmpty = 1 << 20;
    const struct {
        const char *what;
        varnoke_las::StopAsked stopped;
        bool item;
        uint64_t items;
    } cases[] = {
        {"not stopped", never_stop, true, 1},
        {"stopped", stop_at_third_ask, false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::FILE *const list = std::tmpfile();
        ASSERT_NE(list, nullptr);
        const std::string bytes = std::string(kEmpty, '\0') + std::string("a.las\0", 6);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), list), bytes.size());
        std::rewind(list);
        stop_asks = 0;
        varnoke_las::ListReader reader(list, true, c.stopped);
        std::string item;
        EXPECT_EQ(reader.next(item), c.item);
        EXPECT_EQ(item, c.item ? "a.las" : "");
        EXPECT_FALSE(reader.next(item));
        EXPECT_EQ(reader.error(), varnoke_las::ListError::none);
        EXPECT_EQ(reader.items(), c.items);
        const off_t read_to = lseek(fileno(list), 0, SEEK_CUR);
        if (c.item) {
            EXPECT_EQ(read_to, static_cast<off_t>(bytes.size()));
        } else {
            EXPECT_LT(read_to, kEmpty);
        }
        std::fclose(list);
    }
}

// Which listing of a file takes the result of which earlier one: files by device and inode,
// the most recent `remembered` of them remembered.
TEST(SameFiles, AFileIsJudgedOnceWhileRemembered) {
    using varnoke_las::FileKey;
    const FileKey a{1, 10, true}, b{1, 11, true}, other_device{2, 10, true}, d{1, 12, true},
        unknown{};
    const struct {
        const char *what;
        std::size_t remembered;
        std::vector<FileKey> keys;
        std::vector<int> result_of;  // the listing whose result each takes; -1: judged itself
    } cases[] = {
        {"named twice", 4, {a, a}, {-1, 0}},
        {"named three times", 4, {a, b, a, a}, {-1, -1, 0, 0}},
        {"another inode, another device", 4, {a, b, other_device}, {-1, -1, -1}},
        {"keys unknown", 4, {unknown, unknown}, {-1, -1}},
        {"the oldest remembered", 2, {a, b, a}, {-1, -1, 0}},
        {"forgotten", 2, {a, b, d, a}, {-1, -1, -1, -1}},
        {"forgotten, then remembered anew", 2, {a, b, d, a, a}, {-1, -1, -1, -1, 3}},
        {"nothing remembered", 0, {a, a}, {-1, -1}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        varnoke_las::SameFiles same(c.remembered);
        std::vector<varnoke_las::SameFiles::Listing> listings;
        for (std::size_t k = 0; k < c.keys.size(); ++k) {
            listings.push_back(same.listed(c.keys[k]));
            const varnoke_las::SameFiles::Listing &now = listings.back();
            const int of = c.result_of[k];
            EXPECT_EQ(now.earlier, of >= 0) << k;
            if (of >= 0) {
                EXPECT_EQ(now.shared, listings[static_cast<std::size_t>(of)].shared) << k;
            } else if (c.keys[k].known && c.remembered > 0) {
                ASSERT_NE(now.shared, nullptr);
                for (std::size_t j = 0; j < k; ++j) EXPECT_NE(now.shared, listings[j].shared) << k;
            }
        }
    }
}

// Two records, and a header right but for its count of 1: "records 1 -> 2".
Bytes stale_las() {
    LasSpec spec;
    spec.scale = {0.25, 0.25, 0.25};
    spec.points = {{4, 8, 12, 0x11}, {400, -8, 0, 0x12}};
    Bytes file = make_las(spec);
    const HeaderCounts counts = expected_counts(file);
    for (std::size_t k = 0; k < 5; ++k) put_u32(file, 111 + 4 * k, counts.by_return[k]);
    for (std::size_t k = 0; k < 6; ++k) put_f64(file, 179 + 8 * k, counts.box[k]);
    put_u32(file, 107, 1);
    return file;
}

// SIGINT while the tool waits for more of its list (half a second after it got three items), and
// SIGTERM and SIGHUP likewise: the lines of the files listed, whole, the summary, and 128 + the
// signal's number.
TEST(StopSignals, LinesOfTheFilesDoneTheSummaryAnd128PlusTheSignal) {
    ScratchDir dir;
    write_file(dir / "e.las", Bytes{});
    for (const int signo : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signo);
        int list[2], out[2];
        ASSERT_EQ(pipe2(list, O_CLOEXEC), 0);
        ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
        const int err = open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int child = start_varnoke_las({"check", "--jobs", "2", "--files-from", "-"},
                                            dir.str(), list[0], out[1], err);
        close(list[0]);
        close(out[1]);
        close(err);
        const std::string items = "e.las\ne.las\ne.las\n";
        ASSERT_EQ(write(list[1], items.data(), items.size()), static_cast<ssize_t>(items.size()));
        // The lines wait while the tool waits for more of its list; the signal ends the wait.
        usleep(500000);
        kill(child, signo);
        const std::string printed = read_all(out[0]);
        const int status = wait_for(child);
        close(list[1]);
        close(out[0]);
        const std::string line = refused("e.las", VARNOKE_LAS_ERR_TOO_SHORT);
        EXPECT_EQ(printed, line + line + line);
        EXPECT_EQ(status, 128 + signo);
        const std::string summary = file_text(dir / "err");
        EXPECT_EQ(summary.rfind("varnoke-las: 3 files: 0 ok, 0 stale, 0 repaired, 0 truncated, 3 "
                                "refused, 0 with warnings in ",
                                0),
                  0u)
            << summary;
    }
}

// A list of 4 GiB of NUL bytes, sparse, read with --null: nothing but empty items, and no
// read that waits. SIGINT ends the run long before the list's end, with no line.
TEST(StopSignals, EndAListOfNothingButEmptyItems) {
    ScratchDir dir;
    constexpr off_t kListSize = off_t{1} << 32;
    const int list = open((dir / "list").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(list, 0);
    if (ftruncate(list, kListSize) != 0) GTEST_SKIP() << "no file of 4 GiB here";
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    const int err = open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int child =
        start_varnoke_las({"check", "--null", "--files-from", "-"}, dir.str(), list, out[1], err);
    close(out[1]);
    close(err);
    // The tool reads the list through this very open file: once its offset moves, the tool reads
    // its list, and its handlers are in place.
    while (lseek(list, 0, SEEK_CUR) == 0 && waitpid(child, nullptr, WNOHANG) == 0) usleep(1000);
    kill(child, SIGINT);
    EXPECT_EQ(read_all(out[0]), "");
    EXPECT_EQ(wait_for(child), 130);
    EXPECT_LT(lseek(list, 0, SEEK_CUR), kListSize);
    close(out[0]);
    close(list);
    const std::string summary = file_text(dir / "err");
    EXPECT_EQ(summary.rfind("varnoke-las: 0 files: 0 ok, 0 stale, 0 repaired, 0 truncated, 0 "
                            "refused, 0 with warnings in ",
                            0),
              0u)
        << summary;
}

// `repair ... | head -1` where head is gone before the first line: the write fails (no SIGPIPE
// ends the tool), the files taken finish, no new one is taken, the summary follows the failure
// on standard error, and the status is 2. One job takes at most the 16 files of its window
// before the first line.
TEST(ClosedOutput, StopsTheRunLikeASignalWithStatus2) {
    ScratchDir dir;
    const Bytes stale = stale_las();
    std::vector<std::string> args = {"repair", "--jobs", "1"};
    for (int k = 10; k < 50; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "f%d.las", k);
        args.emplace_back(name);
        write_file(dir / args.back(), stale);
    }
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    close(out[0]);
    const int err = open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int child = start_varnoke_las(args, dir.str(), -1, out[1], err);
    close(out[1]);
    close(err);
    EXPECT_EQ(wait_for(child), 2);
    const std::string text = file_text(dir / "err");
    const std::string failed = "varnoke-las: cannot write to standard output\nvarnoke-las: ";
    EXPECT_EQ(text.rfind(failed, 0), 0u) << text;
    const std::size_t files = std::strtoul(text.c_str() + failed.size(), nullptr, 10);
    EXPECT_GE(files, 1u) << text;
    EXPECT_LE(files, 16u) << text;
    const std::string counts = std::string(files == 1 ? " file: " : " files: ") +
                               "0 ok, 0 stale, " + std::to_string(files) + " repaired, ";
    EXPECT_NE(text.find(counts), std::string::npos) << text;
    EXPECT_EQ(u32_at(read_file(dir / "f10.las"), 107), 2u);  // taken first: finished
    EXPECT_EQ(read_file(dir / "f49.las"), stale);            // never taken
}

// One file named twice, as ./NAME and through a hard link: each name gets the line of the one
// judgement (which repaired it), where judging each name would find it repaired already, or,
// on two threads at once, changed while it was read.
TEST(SameFile, NamedTwiceAndThroughAHardLinkIsJudgedOnce) {
    ScratchDir dir;
    const Bytes stale = stale_las();
    write_file(dir / "a.las", stale);
    write_file(dir / "c.las", stale);
    ASSERT_EQ(link((dir / "a.las").c_str(), (dir / "b.las").c_str()), 0);
    const ProcessResult r = run_varnoke_las(
        {"repair", "--quiet", "--jobs", "2", "a.las", "a.las", "./a.las", "b.las", "c.las"},
        dir.str());
    // The built file's global encoding holds a pattern (reserved bits set), and it has no CRS.
    const std::string what = ": records 1 -> 2; warnings: no CRS, reserved encoding bits set\n";
    EXPECT_EQ(r.out, "repaired a.las" + what + "repaired a.las" + what + "repaired ./a.las" + what +
                         "repaired b.las" + what + "repaired c.las" + what);
    EXPECT_EQ(r.status, 0);
}

// Names as a terminal would receive them, and the JSON bytes of a name that is not UTF-8.
TEST(NameQuoting, TheRealExecutableQuotesTextAndKeepsJsonBytes) {
    ScratchDir dir;
    const std::string evil = "evil\r\x1b[2Kok good.las\x1b[8m.las";
    write_file(dir / evil, Bytes{});
    write_file(dir / "coll\xfe.las", Bytes{});
    const std::string why = varnoke_las_strerror(VARNOKE_LAS_ERR_TOO_SHORT);
    const ProcessResult text = run_varnoke_las({"check", "--quiet", "."}, dir.str());
    EXPECT_EQ(text.out,
              "refused './coll'$'\\376''.las': " + why +
                  "\nrefused './evil'$'\\r\\033''[2Kok good.las'$'\\033''[8m.las': " + why + "\n");
    const ProcessResult json =
        run_varnoke_las({"check", "--quiet", "--json", "coll\xfe.las"}, dir.str());
    EXPECT_EQ(json.out.rfind("{\"format\":2,\"path\":\"coll\xef\xbf\xbd.las\",\"path_bytes\":"
                             "\"Y29sbP4ubGFz\",\"result\":\"refused\"",
                             0),
              0u)
        << json.out;
}
#endif

}  // namespace
}  // namespace lastest
