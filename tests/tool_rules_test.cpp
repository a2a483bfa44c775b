// varnoke-las's rules decided in-process through the tool's own parts (varnoke_las_core), one
// behaviour a test: the options, the line of each kind of file, what a repair writes, the exit
// status of each mix of results, the JSON lines, --exact, LAZ files and the order of the lines.
// varnoke_las_test.cpp runs the executable once per kind of output.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "exit_status.h"
#include "folder_walk.h"
#include "job_runner.h"
#include "judgement.h"
#include "options.h"
#include "path_list.h"
#include "progress.h"
#include "result_line.h"
#include "support/las_file.h"
#include "support/scratch.h"
#include "support/tool_files.h"

namespace lastest {
namespace {

using varnoke_las::Command;
using varnoke_las::FileResult;
using varnoke_las::Options;
using varnoke_las::Outcome;

// The file `name` of `dir` judged as the tool judges it under `options`, and shown under
// `shown` (by default its name), as the tool shows a path given relative to `dir`.
FileResult judged(const ScratchDir &dir, const std::string &name, const Options &options,
                  const std::string &shown = {}) {
    varnoke_las::Entry entry;
    entry.path = dir / name;
    const varnoke_las_options call = VARNOKE_LAS_OPTIONS_INIT;
    FileResult result = varnoke_las::judge(entry, options, call, false);
    result.path = shown.empty() ? name : shown;
    return result;
}

std::string text_line(const FileResult &result) {
    std::string line;
    varnoke_las::append_text_line(line, result);
    return line;
}

std::string json_line(const FileResult &result) {
    std::string line;
    varnoke_las::append_json_line(line, result);
    return line;
}

Options repair_options(bool allow_truncated = false) {
    Options options;
    options.command = Command::repair;
    options.allow_truncated = allow_truncated;
    return options;
}

std::string refused_line(const std::string &path, int status) {
    return "refused " + path + ": " + varnoke_las_strerror(status) + "\n";
}

const std::string kOk = "ok ok.las" + kNoCrs + "\n";
const std::string kStaleLine = kStaleWhat + kNoCrs + "\n";
const std::string kTruncated =
    "truncated cut.las: records 5 -> 2; by return 1: 3 -> 1; box MaxX 101.5 -> 100; 3 bytes of a "
    "partial record" +
    kNoCrs + "\n";
const std::string kLegacy =
    ": records 1 -> 2; box MaxX 100.00000000000001 -> 100 (in passing); legacy records 2 -> 0 "
    "(in passing); warnings: legacy counts set, no CRS, WKT required for point format 6\n";
const std::string kEvlrCut = "truncated e.las: missing: extended VLRs, at least 1 byte\n";

struct KindCase {
    const char *name;
    Bytes file;
    std::string line;
    Outcome outcome;
};

TEST(ResultLines, CheckGivesEachKindItsLineAndWritesNothing) {
    const KindCase cases[] = {
        {"ok.las", right_file(), kOk, Outcome::ok},
        {"stale.las", stale_file(), "stale stale.las: " + kStaleLine, Outcome::stale},
        {"bad.las", not_las_file(), refused_line("bad.las", VARNOKE_LAS_ERR_NOT_LAS),
         Outcome::refused},
        {"cut.las", stale_cut_file(), kTruncated, Outcome::truncated},
        {"l.las", legacy_file(), "stale l.las" + kLegacy, Outcome::stale},
        // Its EVLR one byte short, its values right: still cut off.
        {"e.las", evlr_cut_file(), kEvlrCut, Outcome::truncated},
    };
    for (const KindCase &c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchDir dir;
        write_file(dir / c.name, c.file);
        const FileResult result = judged(dir, c.name, Options{});
        EXPECT_EQ(text_line(result), c.line);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(read_file(dir / c.name), c.file);
    }
}

// A repair writes a stale header and nothing else: a right file, a refused one and a cut-off
// one (without --allow-truncated) keep every byte.
TEST(ResultLines, RepairWritesTheStaleFilesAlone) {
    const struct {
        KindCase kind;
        bool written;
        Bytes after;  // empty: not compared
    } cases[] = {
        {{"ok.las", right_file(), kOk, Outcome::ok}, false, right_file()},
        {{"stale.las", stale_file(), "repaired stale.las: " + kStaleLine, Outcome::repaired},
         true,
         right_file()},
        {{"bad.las", not_las_file(), refused_line("bad.las", VARNOKE_LAS_ERR_NOT_LAS),
          Outcome::refused},
         false,
         not_las_file()},
        {{"cut.las", stale_cut_file(), kTruncated, Outcome::truncated}, false, stale_cut_file()},
        {{"l.las", legacy_file(), "repaired l.las" + kLegacy, Outcome::repaired}, true, {}},
        {{"e.las", evlr_cut_file(), kEvlrCut, Outcome::truncated}, false, evlr_cut_file()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind.name);
        const ScratchDir dir;
        write_file(dir / c.kind.name, c.kind.file);
        const FileResult result = judged(dir, c.kind.name, repair_options());
        EXPECT_EQ(text_line(result), c.kind.line);
        EXPECT_EQ(result.outcome, c.kind.outcome);
        EXPECT_EQ(result.report.written, c.written ? 1 : 0);
        if (!c.after.empty()) {
            EXPECT_EQ(read_file(dir / c.kind.name), c.after);
        }
    }
}

TEST(ResultLines, AllowTruncatedRepairsACutFile) {
    const ScratchDir dir;
    write_file(dir / "cut.las", stale_cut_file());
    const FileResult result = judged(dir, "cut.las", repair_options(true));
    EXPECT_EQ(text_line(result),
              "repaired cut.las: records 5 -> 2; by return 1: 3 -> 1; box MaxX 101.5 -> 100" +
                  kNoCrs + "\n");
    EXPECT_EQ(result.outcome, Outcome::repaired);
    const Bytes after = read_file(dir / "cut.las");
    EXPECT_NE(after, stale_cut_file());
    EXPECT_EQ(u32_at(after, 107), 2u);
}

// check: 0 all right, 1 stale, truncated or uncertain, 2 any refused; repair: 0 all right
// afterwards, 2 otherwise.
TEST(ExitStatus, OfEachMixOfResults) {
    const struct {
        Command command;
        std::vector<Outcome> outcomes;
        int status;
    } cases[] = {
        {Command::check, {Outcome::ok}, 0},
        {Command::check, {Outcome::ok, Outcome::stale}, 1},
        {Command::check, {Outcome::stale, Outcome::refused}, 2},
        {Command::check, {Outcome::ok, Outcome::truncated}, 1},
        {Command::check, {Outcome::truncated}, 1},
        {Command::check, {Outcome::uncertain}, 1},
        {Command::repair, {Outcome::ok, Outcome::repaired}, 0},
        {Command::repair, {Outcome::repaired}, 0},
        {Command::repair, {Outcome::repaired, Outcome::refused}, 2},
        {Command::repair, {Outcome::truncated, Outcome::ok}, 2},
        {Command::repair, {Outcome::truncated}, 2},
        {Command::repair, {Outcome::uncertain}, 2},
    };
    for (const auto &c : cases) {
        Options options;
        options.command = c.command;
        varnoke_las::Tally tally;
        std::string what = c.command == Command::check ? "check" : "repair";
        for (const Outcome outcome : c.outcomes) {
            FileResult result;
            result.outcome = outcome;
            tally.add(result);
            what += std::string(" ") + varnoke_las::result_word(outcome);
        }
        EXPECT_EQ(varnoke_las::exit_status(options, tally), c.status) << what;
    }
}

// Each change with its stored and new value and whether it was stale.
TEST(JsonLines, ChangesWithTheirStoredAndNewValues) {
    const ScratchDir dir;
    write_file(dir / "l.las", legacy_file());
    const std::string line = json_line(judged(dir, "l.las", Options{}));
    const std::string changes =
        ",\"changes\":[{\"field\":\"records\",\"stored\":1,\"new\":2,\"stale\":true},{\"field\":"
        "\"box.max_x\",\"stored\":100.00000000000001,\"new\":100,\"stale\":false},{\"field\":"
        "\"legacy_records\",\"stored\":2,\"new\":0,\"stale\":false}]}\n";
    EXPECT_TRUE(line.ends_with(changes)) << line;
}

// Two records of 20 bytes from 227 and 3 bytes of a third, five declared: 57 bytes short.
TEST(JsonLines, ACutFileSaysWhatIsMissing) {
    const ScratchDir dir;
    write_file(dir / "cut.las", cut_file());
    const std::string line = json_line(judged(dir, "cut.las", Options{}));
    EXPECT_EQ(line.rfind("{\"format\":2,\"path\":\"cut.las\",\"result\":\"truncated\",", 0), 0u)
        << line;
    EXPECT_NE(line.find("\"trailing_bytes\":3,"), std::string::npos) << line;
    EXPECT_NE(line.find("\"truncated\":true,"), std::string::npos) << line;
    EXPECT_NE(line.find(",\"missing\":[\"records\"],\"missing_bytes\":57,"
                        "\"count_uncertain\":false,"),
              std::string::npos)
        << line;
}

// One record at a grid point of an offset far from zero.
Bytes grid_point_file() {
    LasSpec spec;
    spec.offset = {500000.0, 4000000.0, 0.0};
    spec.points = {{123457, -98765, 4321, 0x09}};
    return made_right(make_las(spec));
}

// A grid point off by one bit is right, but not with --exact.
TEST(ExactOption, OneBitOffTheGridPointIsStaleOnlyWithExact) {
    const ScratchDir dir;
    Bytes file = grid_point_file();
    put_f64(file, 179, std::nextafter(expected_counts(file).box[0], INFINITY));
    write_file(dir / "f.las", file);
    const FileResult plain = judged(dir, "f.las", Options{});
    EXPECT_EQ(text_line(plain), "ok f.las" + kNoCrs + "\n");
    EXPECT_EQ(plain.outcome, Outcome::ok);
    Options exact;
    exact.exact = true;
    const FileResult bits = judged(dir, "f.las", exact);
    EXPECT_EQ(text_line(bits),
              "stale f.las: box MaxX 501234.57000000007 -> 501234.57" + kNoCrs + "\n");
    EXPECT_EQ(bits.outcome, Outcome::stale);
    const char *const args[] = {"varnoke-las", "check", "--exact", "f.las"};
    EXPECT_TRUE(varnoke_las::parse_command_line(4, args, 1).options.exact);
}

// The value of the JSON array `name` at `index`, as written.
std::string json_element(const std::string &line, const std::string &name, int index) {
    std::size_t at = line.find("\"" + name + "\":[");
    if (at == std::string::npos) return "(missing)";
    at += name.size() + 4;
    for (int k = 0; k < index; ++k) at = line.find(',', at) + 1;
    return line.substr(at, line.find_first_of(",]", at) - at);
}

// The value of member `key` of the JSON object `name`, as written.
std::string json_member(const std::string &line, const std::string &name, const std::string &key) {
    std::size_t at = line.find("\"" + name + "\":{");
    if (at == std::string::npos) return "(missing)";
    at = line.find("\"" + key + "\":", at);
    if (at == std::string::npos) return "(missing)";
    at += key.size() + 3;
    return line.substr(at, line.find_first_of(",}", at) - at);
}

// JSON gives every double back to its bits, and values that are not finite as strings.
TEST(JsonLines, DoublesReadBackToTheirBits) {
    const ScratchDir dir;
    Bytes file = grid_point_file();
    const double stored[6] = {INFINITY,
                              -INFINITY,
                              std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::quiet_NaN(),
                              std::bit_cast<double>(uint64_t{0x7FF0000000000001}),
                              -0.0};
    for (std::size_t k = 0; k < 6; ++k) put_f64(file, 179 + 8 * k, stored[k]);
    write_file(dir / "f.las", file);
    const FileResult result = judged(dir, "f.las", Options{});
    EXPECT_EQ(result.outcome, Outcome::stale);
    const std::string line = json_line(result);
    ASSERT_EQ(line.find('\n'), line.size() - 1) << line;
    EXPECT_EQ(line.rfind("{\"format\":2,\"path\":\"f.las\",\"result\":\"stale\",\"status\":0,"
                         "\"error\":null,",
                         0),
              0u)
        << line;
    const HeaderCounts right = expected_counts(file);
    const char *const sides[6] = {"max_x", "min_x", "max_y", "min_y", "max_z", "min_z"};
    for (int k = 0; k < 6; ++k) {
        const std::string text = json_member(line, "box", sides[k]);
        EXPECT_EQ(std::bit_cast<uint64_t>(std::strtod(text.c_str(), nullptr)),
                  std::bit_cast<uint64_t>(right.box[static_cast<std::size_t>(k)]))
            << "box[" << k << "] " << text;
    }
    const char *const stored_text[6] = {"\"inf\"",  "\"-inf\"",     "\"nan\"",
                                        "\"-nan\"", "\"nan(0x1)\"", "-0"};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(json_member(line, "stored_box", sides[k]), stored_text[k]);
    EXPECT_EQ(json_element(line, "records_by_return", 0), "1");
}

// The header bytes of a JSON change's field: offset, size, and whether it holds a double.
struct FieldBytes {
    std::size_t at, size;
    bool real;
};

FieldBytes field_bytes(const std::string &key, bool las14) {
    const auto number = [&key](std::size_t from) {
        return static_cast<std::size_t>(std::stoul(key.substr(from)));
    };
    if (key == "records") return las14 ? FieldBytes{247, 8, false} : FieldBytes{107, 4, false};
    if (key.starts_with("records_by_return.")) {
        const std::size_t n = number(18) - 1;
        return las14 ? FieldBytes{255 + 8 * n, 8, false} : FieldBytes{111 + 4 * n, 4, false};
    }
    if (key == "legacy_records") return {107, 4, false};
    if (key.starts_with("legacy_records_by_return.")) return {111 + 4 * (number(25) - 1), 4, false};
    const std::string sides[6] = {"box.max_x", "box.min_x", "box.max_y",
                                  "box.min_y", "box.max_z", "box.min_z"};
    for (std::size_t k = 0; k < 6; ++k) {
        if (key == sides[k]) return {179 + 8 * k, 8, true};
    }
    ADD_FAILURE() << "no header field for " << key;
    return {0, 0, false};
}

// Whether the `size` bytes at `at` hold `text`, a JSON number as written for that field.
bool holds(const Bytes &file, const FieldBytes &f, const std::string &text) {
    if (f.real) {
        return std::bit_cast<uint64_t>(f64_at(file, f.at)) ==
               std::bit_cast<uint64_t>(std::strtod(text.c_str(), nullptr));
    }
    const uint64_t value = f.size == 8 ? u64_at(file, f.at) : u32_at(file, f.at);
    return value == std::stoull(text);
}

// check previews every byte: the changes its JSON lists for each kind of result are the header
// fields repair (with --allow-truncated) then writes, from the stored value to the new one, and
// no other byte changes.
TEST(JsonLines, CheckListsTheBytesRepairWrites) {
    // LAS 1.4 format 6: two records and an EVLR of 16 bytes after them, cut one byte short; its
    // count 1.
    LasSpec evlr;
    evlr.minor = 4;
    evlr.format = 6;
    evlr.scale = {0.25, 0.25, 0.25};
    evlr.points = {{4, 8, 12, 1}, {400, -8, 0, 2}};
    evlr.evlr_count = 1;
    evlr.evlr_start = 375 + 2 * 30;
    evlr.bytes_after = 75;
    Bytes evlr_cut = make_las(evlr);
    put_u64(evlr_cut, 435 + 20, 16);
    Bytes cut_whole = cut_file();
    cut_whole.resize(cut_whole.size() - 3);
    const struct {
        const char *what;
        Bytes file;
        Outcome checked;
        std::size_t changes;
    } cases[] = {
        {"ok", right_file(), Outcome::ok, 0},
        {"stale, a side in passing", legacy_file(), Outcome::stale, 3},
        {"truncated at a record's end", cut_whole, Outcome::truncated, 1},
        {"truncated in a record", cut_file(), Outcome::truncated, 1},
        {"an EVLR missing, the count stale", evlr_cut, Outcome::truncated, 28},
        {"an EVLR missing", evlr_cut_file(), Outcome::truncated, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const ScratchDir dir;
        write_file(dir / "f.las", c.file);
        const FileResult checked = judged(dir, "f.las", Options{});
        EXPECT_EQ(checked.outcome, c.checked);
        const std::string line = json_line(checked);
        const FileResult repaired = judged(dir, "f.las", repair_options(true));
        EXPECT_EQ(repaired.report.written, c.changes != 0 ? 1 : 0);
        const Bytes after = read_file(dir / "f.las");
        ASSERT_EQ(after.size(), c.file.size());

        const bool las14 = c.file[25] == 4;
        std::vector<bool> listed(after.size(), false);
        std::size_t changes = 0;
        const std::string opening = "{\"field\":\"";
        for (std::size_t at = line.find(opening, line.find("\"changes\":["));
             at != std::string::npos; at = line.find(opening, at + 1)) {
            const std::size_t key_at = at + opening.size();
            const std::string key = line.substr(key_at, line.find('"', key_at) - key_at);
            const std::size_t stored_at = line.find("\"stored\":", at) + 9;
            const std::size_t new_at = line.find("\"new\":", at) + 6;
            const std::string stored =
                line.substr(stored_at, line.find(',', stored_at) - stored_at);
            const std::string written = line.substr(new_at, line.find(',', new_at) - new_at);
            const FieldBytes f = field_bytes(key, las14);
            EXPECT_TRUE(holds(c.file, f, stored)) << key << " stored " << stored;
            EXPECT_TRUE(holds(after, f, written)) << key << " new " << written;
            for (std::size_t k = f.at; k < f.at + f.size; ++k) listed[k] = true;
            ++changes;
        }
        EXPECT_EQ(changes, c.changes) << line;
        for (std::size_t k = 0; k < after.size(); ++k) {
            if (!listed[k]) {
                ASSERT_EQ(after[k], c.file[k]) << "byte " << k << " changed, not listed: " << line;
            }
        }
    }
    // A LAZ file cut inside its last chunk, whose count cannot be told: nothing is written, so
    // nothing is listed but the count.
    FileResult laz;
    laz.path = "c.laz";
    laz.outcome = Outcome::truncated;
    laz.stale = laz.report.stale = VARNOKE_LAS_STALE_COUNT | VARNOKE_LAS_STALE_BOX;
    laz.report.truncated = laz.report.count_uncertain = 1;
    laz.report.stored_records = 110000;
    laz.report.records = 100000;
    laz.report.stored_box[0] = 5;
    laz.report.missing = VARNOKE_LAS_MISSING_RECORDS | VARNOKE_LAS_MISSING_CHUNK_TABLE;
    laz.report.missing_bytes = 180986;
    laz.report.known = VARNOKE_LAS_KNOWN_VALUES;
    EXPECT_EQ(text_line(laz),
              "truncated c.laz: records 110000 -> 100000 or more; missing: point records, LAZ "
              "chunk table, at least 180986 bytes\n");
    EXPECT_NE(
        json_line(laz).find(",\"missing\":[\"records\",\"chunk_table\"],\"missing_bytes\":180986,"),
        std::string::npos)
        << json_line(laz);
}

#if !defined(_WIN32)  // there the walk's paths are joined with a backslash
// A walk takes LAZ files by their names too (".laz", ".copc.laz" in any case), not ".lazy".
TEST(FolderWalk, TakesLazFilesByTheirNames) {
    const ScratchDir dir;
    std::filesystem::create_directories(dir.path() / "d");
    for (const char *name : {"d/a.laz", "d/b.COPC.LAZ", "d/c.LAZ", "d/d.lazy"})
        write_file(dir / name, Bytes{});
    varnoke_las::FolderWalk walk(dir / "d", [] { return false; });
    std::vector<std::string> paths;
    for (varnoke_las::Entry entry; walk.next(entry);) paths.push_back(entry.path);
    EXPECT_EQ(paths,
              (std::vector<std::string>{dir / "d/a.laz", dir / "d/b.COPC.LAZ", dir / "d/c.LAZ"}));
}
#endif

// LAZ files are judged and repaired like LAS files; the repair of a stale one writes its count
// and, in passing, a MaxY one bit from ours, nothing else.
TEST(ResultLines, LazFilesJudgedAndRepairedLikeLas) {
    const ScratchDir dir;
    const Bytes point10 = read_file((testdata_dir() / "laz" / "point10.las.laz").string());
    Bytes stale = point10;
    put_u32(stale, 107, 1000);  // 1065 points
    write_file(dir / "a.laz", point10);
    write_file(dir / "b.COPC.LAZ",
               read_file((testdata_dir() / "laz" / "simple.copc.laz").string()));
    write_file(dir / "c.LAZ", stale);
    const std::string c =
        "d/c.LAZ: records 1000 -> 1065; box MaxY 4878817.02 -> "
        "4878817.0200000005 (in passing)\n";
    const struct {
        const char *name;
        std::string line;
    } checks[] = {
        {"a.laz", "ok d/a.laz\n"},
        // Its legacy counts equal the true ones: a warning, stale only with --strict.
        {"b.COPC.LAZ", "ok d/b.COPC.LAZ; warnings: legacy counts set\n"},
        {"c.LAZ", "stale " + c},
    };
    for (const auto &check : checks) {
        EXPECT_EQ(text_line(judged(dir, check.name, Options{}, std::string("d/") + check.name)),
                  check.line);
    }
    EXPECT_EQ(text_line(judged(dir, "c.LAZ", repair_options(), "d/c.LAZ")), "repaired " + c);
    const Bytes after = read_file(dir / "c.LAZ");
    ASSERT_EQ(after.size(), point10.size());
    for (std::size_t k = 0; k < after.size(); ++k) {
        if (k < 195 || k >= 203) {
            ASSERT_EQ(after[k], point10[k]) << "byte " << k;  // all but MaxY
        }
    }
}

// Folders walked in byte order of their names, symbolic links left alone, then the list; the
// first file is the longest by far, so that with two jobs the others finish before it.
TEST(JobRunner, LinesInTheOrderListedWhateverTheJobs) {
    const ScratchDir dir;
    namespace fs = std::filesystem;
    LasSpec big;
    big.points.assign(300000, Point{1, 2, 3, 0x09});
    fs::create_directories(dir.path() / "d" / "sub");
    write_file(dir / "d/B.las", made_right(make_las(big)));
    for (const char *name : {"d/a.LAS", "d/sub/x.las", "d/z.las", "d/c.txt", "other.txt"})
        write_file(dir / name, right_file());
    write_file(dir / "d/sub/y.las", stale_file());
#if !defined(_WIN32)
    fs::create_directory_symlink("..", dir.path() / "d" / "sub" / "loop");
    fs::create_symlink("../z.las", dir.path() / "d" / "sub" / "link.las");
#endif
    const std::string other = dir / "other.txt", listed = dir / "d/sub";
    const std::string list = other + '\0' + '\0' + listed + '\0';
    write_file(dir / "list", Bytes(list.begin(), list.end()));

    const fs::path d = dir.path() / "d", sub = d / "sub", listed_sub = listed;
    const std::vector<std::string> expected = {
        "ok " + (d / "B.las").string(),          "ok " + (d / "a.LAS").string(),
        "ok " + (sub / "x.las").string(),        "stale " + (sub / "y.las").string(),
        "ok " + (d / "z.las").string(),          "ok " + other,
        "ok " + (listed_sub / "x.las").string(), "stale " + (listed_sub / "y.las").string()};
    for (const unsigned jobs : {1u, 2u}) {
        SCOPED_TRACE(jobs);
        Options options;
        options.jobs = jobs;
        std::FILE *const file = std::fopen((dir / "list").c_str(), "rb");
        ASSERT_NE(file, nullptr);
        varnoke_las::PathList paths({d.string()}, file, true, [] { return false; });
        std::vector<std::string> emitted;
        varnoke_las::run_in_order(
            paths, options, false, nullptr,
            [&](FileResult &&result) {
                emitted.push_back(varnoke_las::result_word(result.outcome) + (" " + result.path));
            },
            [] {}, [] {});
        std::fclose(file);
        EXPECT_EQ(emitted, expected);
    }
}

std::vector<const char *> command_line(std::vector<const char *> args) {
    args.insert(args.begin(), "varnoke-las");
    return args;
}

varnoke_las::ParsedCommandLine parsed(const std::vector<const char *> &args) {
    const std::vector<const char *> line = command_line(args);
    return varnoke_las::parse_command_line(static_cast<int>(line.size()), line.data(), 4);
}

TEST(ToolOptions, UsageErrorsAreRefused) {
    const std::vector<const char *> cases[] = {
        {},
        {"verify", "a.las"},
        {"check"},
        {"check", "--jobs", "0", "a.las"},
        {"check", "--jobs"},
        {"check", "--null", "a.las"},
        {"repair", "--exact", "a.las"},
        {"check", "--quiet=yes", "a.las"},
        {"check", "-x", "a.las"},
        {"check", "-qx", "a.las"},
        {"check", "--frobnicate=1", "a.las"},
        {"check", "--j", "2", "a.las"},
        {"check", "a.las", "-j"},
        {"check", "--files-from="},
    };
    for (const std::vector<const char *> &args : cases) {
        EXPECT_EQ(parsed(args).action, varnoke_las::Action::usage_error)
            << ::testing::PrintToString(args);
    }
}

// The bounds of --jobs.
TEST(ToolOptions, JobsFromOneTo1024) {
    const struct {
        std::vector<const char *> args;
        varnoke_las::Action action;
        unsigned jobs;
    } cases[] = {
        {{"check", "--jobs", "1024", "a.las"}, varnoke_las::Action::run, 1024},
        {{"check", "--jobs", "1025", "a.las"}, varnoke_las::Action::usage_error, 0},
        {{"check", "-j1", "a.las"}, varnoke_las::Action::run, 1},
        {{"check", "--jobs=0", "a.las"}, varnoke_las::Action::usage_error, 0},
    };
    for (const auto &c : cases) {
        const varnoke_las::ParsedCommandLine line = parsed(c.args);
        EXPECT_EQ(line.action, c.action) << ::testing::PrintToString(c.args);
        if (c.action == varnoke_las::Action::run) {
            EXPECT_EQ(line.options.jobs, c.jobs);
        }
    }
}

// Long options with their values apart or after '=', short ones alone or bundled, before or
// after the PATHs: the same run.
TEST(ToolOptions, SpellingsOfTheSameRun) {
    const struct {
        std::vector<const char *> args;
        unsigned jobs;
    } cases[] = {
        {{"check", "d", "--jobs", "1", "--quiet", "--null", "--files-from=list"}, 1},
        {{"check", "--jobs=2", "d", "--quiet", "--null", "--files-from", "list"}, 2},
        {{"check", "-j", "2", "-q", "-0", "--files-from", "list", "d"}, 2},
        {{"check", "-q0j2", "d", "--files-from=list"}, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const varnoke_las::ParsedCommandLine line = parsed(c.args);
        ASSERT_EQ(line.action, varnoke_las::Action::run);
        EXPECT_EQ(line.options.command, Command::check);
        EXPECT_EQ(line.options.jobs, c.jobs);
        EXPECT_TRUE(line.options.quiet);
        EXPECT_TRUE(line.options.null_separated);
        EXPECT_EQ(line.options.files_from, "list");
        EXPECT_EQ(line.options.paths, std::vector<std::string>{"d"});
    }
}

// After "--" a name that looks like an option is a PATH.
TEST(ToolOptions, DoubleDashEndsTheOptions) {
    const varnoke_las::ParsedCommandLine line = parsed({"check", "-q", "--", "-h"});
    ASSERT_EQ(line.action, varnoke_las::Action::run);
    EXPECT_TRUE(line.options.quiet);
    EXPECT_EQ(line.options.paths, std::vector<std::string>{"-h"});
    const ScratchDir dir;
    EXPECT_EQ(text_line(judged(dir, "-h", line.options)), refused_line("-h", VARNOKE_LAS_ERR_OPEN));
}

TEST(ToolOptions, HelpWhereverAsked) {
    const std::vector<const char *> cases[] = {
        {"check", "a.las", "--help"}, {"-h"}, {"repair", "-h"}};
    for (const std::vector<const char *> &args : cases) {
        EXPECT_EQ(parsed(args).action, varnoke_las::Action::help) << ::testing::PrintToString(args);
    }
    EXPECT_EQ(varnoke_las::help_text().rfind("Usage: varnoke-las check [options] PATH...\n", 0),
              0u);
}

TEST(ToolOptions, VersionText) {
    for (const char *option : {"-V", "--version"}) {
        EXPECT_EQ(parsed({option}).action, varnoke_las::Action::version) << option;
    }
    EXPECT_EQ(varnoke_las::version_text(),
              "varnoke-las (Varnoke LiDAR Utilities) " VARNOKE_LIDAR_VERSION_STRING "\n");
}

}  // namespace
}  // namespace lastest
