// varnoke-las against lying lists, hostile names and stop signals: the quoting of names decided
// in-process, the rest with the real executable.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "name_quoting.h"
#include "result_line.h"
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

// The expected forms are those of `ls --quoting-style=shell-escape` (GNU coreutils 9.1).
TEST(NameQuoting, AsGnuLsShellEscape) {
    const struct {
        const char *name, *shown;
    } cases[] = {
        {"plain.las", "plain.las"},
        {"a b'c.las", "a b'c.las"},  // printable: not quoted
        {"caf\xc3\xa9.las", "caf\xc3\xa9.las"},
        {"evil\r\x1b[2Kok good.las\x1b[8m.las", "'evil'$'\\r\\033''[2Kok good.las'$'\\033''[8m.las'"},
        {"coll\xfe.las", "'coll'$'\\376''.las'"},
        {"\xff", "''$'\\377'"},
        {"\x01", "''$'\\001'"},
        {"\x01" "a", "''$'\\001''a'"},
        {"a\x01\x02" "b", "'a'$'\\001\\002''b'"},
        {"a\x07\x08\x0c\x0b\x7fz", "'a'$'\\a\\b\\f\\v\\177''z'"},
        {"tab\there.las", "'tab'$'\\t''here.las'"},
        {"it's\n.las", "'it'\\''s'$'\\n''.las'"},
        {"'a\x01", "''\\''a'$'\\001'"},
        {"a\x01'b", "'a'$'\\001'\\''b'"},
        {"a'b\x01", "'''a'\\''b'$'\\001'"},
        {"a'\x01'", "'a'\\'''$'\\001'\\'''"},
        {"\x01'a\x01", "'\\001'\\''a'$'\\001'"},
        {"b\xc2\x85z", "'b'$'\\302\\205''z'"},          // U+0085, a C1 control
        {"c\xe2\x80\xa8z", "'c'$'\\342\\200\\250''z'"},  // U+2028
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
        {"coll\xfe.las", "{\"format\":2,\"path\":\"coll\xef\xbf\xbd.las\",\"path_bytes\":\"Y29sbP4ubGFz\","},
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
        const ProcessResult r = run_varnoke_las({"check", "--quiet", "--files-from", "list"}, dir.str());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, 2);
    }
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
        ASSERT_EQ(pipe(list), 0);
        ASSERT_EQ(pipe(out), 0);
        const std::string err = dir / "err";
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            dup2(list[0], 0);
            dup2(out[1], 1);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(e, 2);
            close(list[1]);
            close(out[0]);
            if (chdir(dir.str().c_str()) != 0) _exit(126);
            // Under user-mode emulation the tool starts through the emulator.
            std::vector<std::string> words;
#if defined(TOOL_EMULATOR)
            const std::string emulator = TOOL_EMULATOR;
            for (std::size_t start = 0; start <= emulator.size();) {
                const std::size_t end = std::min(emulator.find('|', start), emulator.size());
                words.push_back(emulator.substr(start, end - start));
                start = end + 1;
            }
#endif
            for (const char *word : {VARNOKE_LAS_PATH, "check", "--jobs", "2", "--files-from", "-"})
                words.emplace_back(word);
            std::vector<char *> argv;
            for (std::string &word : words) argv.push_back(word.data());
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(list[0]);
        close(out[1]);
        const std::string items = "e.las\ne.las\ne.las\n";
        ASSERT_EQ(write(list[1], items.data(), items.size()), static_cast<ssize_t>(items.size()));
        // The lines wait while the tool waits for more of its list; the signal ends the wait.
        std::string printed;
        const std::string line = refused("e.las", VARNOKE_LAS_ERR_TOO_SHORT);
        char buffer[4096];
        usleep(500000);
        kill(child, signo);
        for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) {
            printed.append(buffer, static_cast<std::size_t>(got));
        }
        int status = 0;
        waitpid(child, &status, 0);
        close(list[1]);
        close(out[0]);
        EXPECT_EQ(printed, line + line + line);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signo);
        const Bytes e = read_file(err);
        const std::string summary(e.begin(), e.end());
        EXPECT_EQ(summary.rfind("varnoke-las: 3 files: 0 ok, 0 stale, 0 repaired, 0 truncated, 3 refused, 0 with warnings in ", 0), 0u)
            << summary;
    }
}

// Names as a terminal would receive them, and the JSON bytes of a name that is not UTF-8.
TEST(NameQuoting, TheRealExecutableQuotesTextAndKeepsJsonBytes) {
    ScratchDir dir;
    const std::string evil = "evil\r\x1b[2Kok good.las\x1b[8m.las";
    write_file(dir / evil, Bytes{});
    write_file(dir / "coll\xfe.las", Bytes{});
    const std::string why = varnoke_las_strerror(VARNOKE_LAS_ERR_TOO_SHORT);
    const ProcessResult text = run_varnoke_las({"check", "--quiet", "."}, dir.str());
    EXPECT_EQ(text.out, "refused './coll'$'\\376''.las': " + why + "\nrefused './evil'$'\\r\\033''[2Kok good.las'$'\\033''[8m.las': " + why + "\n");
    const ProcessResult json =
        run_varnoke_las({"check", "--quiet", "--json", "coll\xfe.las"}, dir.str());
    EXPECT_EQ(json.out.rfind("{\"format\":2,\"path\":\"coll\xef\xbf\xbd.las\",\"path_bytes\":\"Y29sbP4ubGFz\",\"result\":\"refused\"", 0), 0u) << json.out;
}
#endif

}  // namespace
}  // namespace lastest
