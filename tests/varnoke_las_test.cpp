// varnoke-las run as a separate process: its lines byte for byte and its exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "Varnoke_LiDAR.h"
#include "judgement.h"
#include "options.h"
#include "result_line.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

namespace lastest {
namespace {

// The header of `file` made right: the counts and the box the records give, and no reserved bit
// of the global encoding set (a warning). It has no CRS (a warning too).
Bytes made_right(Bytes file) {
    put_u8(file, 6, 0);
    put_u8(file, 7, 0);
    const HeaderCounts counts = expected_counts(file);
    put_u32(file, 107, counts.points);
    for (std::size_t k = 0; k < 5; ++k) put_u32(file, 111 + 4 * k, counts.by_return[k]);
    for (std::size_t k = 0; k < 6; ++k) put_f64(file, 179 + 8 * k, counts.box[k]);
    return file;
}

// Two records on a grid of 0.25, returns 1 and 2 of 2: the box is MaxX 100, MinX 1, MaxY 2,
// MinY -2, MaxZ 3, MinZ 0.
Bytes right_file() {
    LasSpec spec;
    spec.scale = {0.25, 0.25, 0.25};
    spec.points = {{4, 8, 12, 0x11}, {400, -8, 0, 0x12}};
    return made_right(make_las(spec));
}

// The right file with one record counted instead of two, three of return 1 instead of one, and
// a MaxX off the grid point of its raw value 400.
Bytes stale_file() {
    Bytes file = right_file();
    put_u32(file, 107, 1);
    put_u32(file, 111, 3);
    put_f64(file, 179, 101.5);
    return file;
}

const std::string kStaleWhat = "records 1 -> 2; by return 1: 3 -> 1; box MaxX 101.5 -> 100";
// Every file made here lacks a CRS: the warning ends its line.
const std::string kNoCrs = "; warnings: no CRS";
const std::string kOk = "ok ok.las" + kNoCrs + "\n";
const std::string kStaleLine = kStaleWhat + kNoCrs + "\n";

// The right file cut off: five records declared where two and 3 bytes of a third remain.
Bytes cut_file() {
    Bytes file = right_file();
    put_u32(file, 107, 5);
    file.insert(file.end(), {1, 2, 3});
    return file;
}

// A right LAS 1.4 file of point format 6 (two records, MaxX 100) with a count of 1, legacy
// count 2 where format 6 asks for zero (equal to the true count: a warning), and a MaxX one bit
// above the right value; a repair rewrites both in passing.
Bytes legacy_file() {
    LasSpec spec;
    spec.minor = 4;
    spec.format = 6;
    spec.scale = {0.25, 0.25, 0.25};
    spec.points = {{4, 8, 12, 0x21}, {400, -8, 0, 0x22}};
    Bytes file = make_las(spec);
    put_u32(file, 107, 2);
    for (std::size_t k = 0; k < 5; ++k) put_u32(file, 111 + 4 * k, 0);
    put_u64(file, 247, 1);
    for (std::size_t k = 0; k < 15; ++k) put_u64(file, 255 + 8 * k, k < 2 ? 1 : 0);
    const double box[6] = {std::nextafter(100.0, 200.0), 1, 2, -2, 3, 0};
    for (std::size_t k = 0; k < 6; ++k) put_f64(file, 179 + 8 * k, box[k]);
    return file;
}

std::string refused_line(const std::string &path, int status) {
    return "refused " + path + ": " + varnoke_las_strerror(status) + "\n";
}

struct RunCase {
    std::vector<std::string> args;
    std::string out;
    int status;
};

TEST(VarnokeLas, OneLineOfEachKindAndTheExitStatuses) {
    const std::string refused = refused_line("bad.las", VARNOKE_LAS_ERR_NOT_LAS);
    const std::string truncated =
        "truncated cut.las: records 5 -> 2; by return 1: 3 -> 1; box MaxX 101.5 -> 100; 3 bytes of "
        "a partial record" + kNoCrs + "\n";
    const std::string legacy =
        ": records 1 -> 2; box MaxX 100.00000000000001 -> 100 (in passing); legacy records 2 -> 0 "
        "(in passing); warnings: legacy counts set, no CRS, WKT required for point format 6\n";
    const std::string evlr_cut = "truncated e.las: missing: extended VLRs, at least 1 byte\n";
    const Bytes evlr_file = read_file((testdata_dir() / "las13-14" / "1_4_w_evlr.las").string());
    const RunCase cases[] = {
        {{"check", "ok.las"}, kOk, 0},
        {{"check", "ok.las", "stale.las"}, kOk + "stale stale.las: " + kStaleLine, 1},
        {{"check", "stale.las", "bad.las"}, "stale stale.las: " + kStaleLine + refused, 2},
        {{"repair", "ok.las", "stale.las"}, kOk + "repaired stale.las: " + kStaleLine, 0},
        {{"repair", "stale.las", "bad.las"}, "repaired stale.las: " + kStaleLine + refused, 2},
        {{"check", "ok.las", "cut.las"}, kOk + truncated, 1},
        {{"repair", "cut.las", "ok.las"}, truncated + kOk, 2},
        {{"repair", "--allow-truncated", "cut.las"},
         "repaired cut.las: records 5 -> 2; by return 1: 3 -> 1; box MaxX 101.5 -> 100" + kNoCrs +
             "\n",
         0},
        {{"check", "l.las"}, "stale l.las" + legacy, 1},
        {{"repair", "l.las"}, "repaired l.las" + legacy, 0},
        // Its EVLR one byte short, its values right: nothing to write, and still cut off.
        {{"check", "e.las"}, evlr_cut, 1},
        {{"repair", "e.las"}, evlr_cut, 2},
    };
    for (const RunCase &c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const ScratchDir dir;
        write_file(dir / "ok.las", right_file());
        write_file(dir / "stale.las", stale_file());
        Bytes bad = right_file();
        put_u8(bad, 3, 'T');  // "LAST": no LAS signature
        write_file(dir / "bad.las", bad);
        Bytes cut = cut_file();
        put_f64(cut, 179, 101.5);
        put_u32(cut, 111, 3);
        write_file(dir / "cut.las", cut);
        write_file(dir / "l.las", legacy_file());
        write_file(dir / "e.las", Bytes(evlr_file.begin(), evlr_file.end() - 1));
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, "--quiet");
        const ProcessResult run = run_varnoke_las(args, dir.str());
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.status, c.status);
        // A repair leaves the stale file right; a check leaves every file as it was.
        const bool repaired = c.args[0] == "repair" &&
                              std::find(c.args.begin(), c.args.end(), "stale.las") != c.args.end();
        EXPECT_EQ(read_file(dir / "stale.las"), repaired ? right_file() : stale_file());
        EXPECT_EQ(read_file(dir / "ok.las"), right_file());
        const bool allowed = c.args[1] == "--allow-truncated";
        const Bytes cut_after = read_file(dir / "cut.las");
        EXPECT_EQ(cut_after == cut, !allowed);
        if (allowed) {
            EXPECT_EQ(u32_at(cut_after, 107), 2u);
        }
    }
    // JSON tells the same, each change with its stored and new value and whether it was stale.
    const ScratchDir dir;
    write_file(dir / "l.las", legacy_file());
    write_file(dir / "cut.las", cut_file());
    const ProcessResult run =
        run_varnoke_las({"check", "--quiet", "--json", "l.las", "cut.las"}, dir.str());
    EXPECT_EQ(run.status, 1);
    const std::string first = run.out.substr(0, run.out.find('\n') + 1);
    const std::string second = run.out.substr(first.size());
    EXPECT_NE(first.find(",\"changes\":[{\"field\":\"records\",\"stored\":1,\"new\":2,"
                         "\"stale\":true},{\"field\":\"box.max_x\",\"stored\":100.00000000000001,"
                         "\"new\":100,\"stale\":false},{\"field\":\"legacy_records\",\"stored\":2,"
                         "\"new\":0,\"stale\":false}]}\n"),
              std::string::npos)
        << first;
    EXPECT_EQ(second.rfind("{\"format\":2,\"path\":\"cut.las\",\"result\":\"truncated\",", 0), 0u)
        << second;
    EXPECT_NE(second.find("\"trailing_bytes\":3,"), std::string::npos) << second;
    EXPECT_NE(second.find("\"truncated\":true,"), std::string::npos) << second;
    // Two records of 20 bytes from 227 and 3 bytes of a third, five declared: 57 bytes short.
    EXPECT_NE(second.find(",\"missing\":[\"records\"],\"missing_bytes\":57,"
                          "\"count_uncertain\":false,"),
              std::string::npos)
        << second;
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
// no other byte changes. Judged in-process, as the tool judges.
TEST(VarnokeLas, CheckListsTheBytesRepairWrites) {
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
    const Bytes evlr_file = read_file((testdata_dir() / "las13-14" / "1_4_w_evlr.las").string());
    const struct {
        const char *what;
        Bytes file;
        varnoke_las::Outcome checked;
        std::size_t changes;
    } cases[] = {
        {"ok", right_file(), varnoke_las::Outcome::ok, 0},
        {"stale, a side in passing", legacy_file(), varnoke_las::Outcome::stale, 3},
        {"truncated at a record's end", cut_whole, varnoke_las::Outcome::truncated, 1},
        {"truncated in a record", cut_file(), varnoke_las::Outcome::truncated, 1},
        {"an EVLR missing, the count stale", evlr_cut, varnoke_las::Outcome::truncated, 28},
        {"an EVLR missing", Bytes(evlr_file.begin(), evlr_file.end() - 1),
         varnoke_las::Outcome::truncated, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const ScratchDir dir;
        const std::string path = dir / "f.las";
        write_file(path, c.file);
        varnoke_las::Entry entry;
        entry.path = path;
        varnoke_las::Options options;
        const varnoke_las_options call = VARNOKE_LAS_OPTIONS_INIT;
        const varnoke_las::FileResult checked = varnoke_las::judge(entry, options, call, false);
        EXPECT_EQ(checked.outcome, c.checked);
        std::string line;
        varnoke_las::append_json_line(line, checked);
        options.command = varnoke_las::Command::repair;
        options.allow_truncated = true;
        const varnoke_las::FileResult repaired = varnoke_las::judge(entry, options, call, false);
        EXPECT_EQ(repaired.report.written, c.changes != 0 ? 1 : 0);
        const Bytes after = read_file(path);
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
    varnoke_las::FileResult laz;
    laz.path = "c.laz";
    laz.outcome = varnoke_las::Outcome::truncated;
    laz.stale = laz.report.stale = VARNOKE_LAS_STALE_COUNT | VARNOKE_LAS_STALE_BOX;
    laz.report.truncated = laz.report.count_uncertain = 1;
    laz.report.stored_records = 110000;
    laz.report.records = 100000;
    laz.report.stored_box[0] = 5;
    laz.report.missing = VARNOKE_LAS_MISSING_RECORDS | VARNOKE_LAS_MISSING_CHUNK_TABLE;
    laz.report.missing_bytes = 180986;
    laz.report.known = VARNOKE_LAS_KNOWN_VALUES;
    std::string text, json;
    varnoke_las::append_text_line(text, laz);
    varnoke_las::append_json_line(json, laz);
    EXPECT_EQ(text,
              "truncated c.laz: records 110000 -> 100000 or more; missing: point records, LAZ "
              "chunk table, at least 180986 bytes\n");
    EXPECT_NE(json.find(",\"missing\":[\"records\",\"chunk_table\"],\"missing_bytes\":180986,"),
              std::string::npos)
        << json;
}

// Folders walked in byte order of their names, symbolic links left alone, then the list; the
// first file is the longest by far, so that with two jobs the others finish before it.
// A walk takes LAZ files by their names too; they are judged and repaired like LAS files.
#if !defined(_WIN32)  // there the walk's paths are joined with a backslash
TEST(VarnokeLas, FolderOfLazFiles) {
    const ScratchDir dir;
    std::filesystem::create_directories(dir.path() / "d");
    const Bytes point10 = read_file((testdata_dir() / "laz" / "point10.las.laz").string());
    Bytes stale = point10;
    put_u32(stale, 107, 1000);  // 1065 points
    write_file(dir / "d/a.laz", point10);
    write_file(dir / "d/b.COPC.LAZ", read_file((testdata_dir() / "laz" / "simple.copc.laz").string()));
    write_file(dir / "d/c.LAZ", stale);
    write_file(dir / "d/d.lazy", point10);
    // Its legacy counts equal the true ones: a warning, stale only with --strict.
    const std::string copc = "ok d/b.COPC.LAZ; warnings: legacy counts set\n";
    const ProcessResult check = run_varnoke_las({"check", "-q", "d"}, dir.str());
    // Its writer's MaxY is one bit from ours: right, rewritten in passing.
    const std::string c = "d/c.LAZ: records 1000 -> 1065; box MaxY 4878817.02 -> "
                          "4878817.0200000005 (in passing)\n";
    EXPECT_EQ(check.out, "ok d/a.laz\n" + copc + "stale " + c);
    EXPECT_EQ(check.status, 1);
    const ProcessResult repair = run_varnoke_las({"repair", "-q", "d/c.LAZ"}, dir.str());
    EXPECT_EQ(repair.out, "repaired " + c);
    const Bytes after = read_file(dir / "d/c.LAZ");
    for (std::size_t k = 0; k < after.size(); ++k) {
        if (k < 195 || k >= 203) {
            ASSERT_EQ(after[k], point10[k]) << "byte " << k;  // all but MaxY
        }
    }
}
#endif

TEST(VarnokeLas, LinesInTheOrderListedWhateverTheJobs) {
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
    const std::string list("other.txt\0\0d/sub\0", 17);
    write_file(dir / "list", Bytes(list.begin(), list.end()));

    const fs::path d = "d", sub = d / "sub", listed_sub = "d/sub";
    const std::string lines[] = {"ok " + (d / "B.las").string(),
                                 "ok " + (d / "a.LAS").string(),
                                 "ok " + (sub / "x.las").string(),
                                 "stale " + (sub / "y.las").string() + ": " + kStaleWhat,
                                 "ok " + (d / "z.las").string(),
                                 "ok other.txt",
                                 "ok " + (listed_sub / "x.las").string(),
                                 "stale " + (listed_sub / "y.las").string() + ": " + kStaleWhat};
    std::string out;
    for (const std::string &line : lines) out += line + kNoCrs + "\n";
    const std::vector<std::string> runs[] = {
        {"check", "d", "--jobs", "1", "--quiet", "--null", "--files-from=list"},
        {"check", "--jobs=2", "d", "--quiet", "--null", "--files-from", "list"},
        {"check", "-j", "2", "-q", "-0", "--files-from", "list", "d"},
        {"check", "-q0j2", "d", "--files-from=list"},
    };
    for (const std::vector<std::string> &args : runs) {
        const ProcessResult run = run_varnoke_las(args, dir.str());
        EXPECT_EQ(run.out, out) << ::testing::PrintToString(args);
        EXPECT_EQ(run.status, 1);
    }
}

TEST(VarnokeLas, UsageErrorsHelpAndVersion) {
    const ScratchDir dir;
    const RunCase cases[] = {
        {{}, "", 2},
        {{"verify", "a.las"}, "", 2},
        {{"check"}, "", 2},
        {{"check", "--jobs", "0", "a.las"}, "", 2},
        {{"check", "--jobs"}, "", 2},
        {{"check", "--null", "a.las"}, "", 2},
        {{"repair", "--exact", "a.las"}, "", 2},
        {{"check", "--quiet=yes", "a.las"}, "", 2},
        {{"check", "-x", "a.las"}, "", 2},
        {{"check", "-qx", "a.las"}, "", 2},
        {{"check", "--frobnicate=1", "a.las"}, "", 2},
        {{"check", "--j", "2", "a.las"}, "", 2},
        {{"check", "a.las", "-j"}, "", 2},
        {{"check", "--files-from="}, "", 2},
        {{"check", "-q", "--", "-h"}, refused_line("-h", VARNOKE_LAS_ERR_OPEN), 2},
        {{"-V"}, "varnoke-las (Varnoke LiDAR Utilities) " VARNOKE_LIDAR_VERSION_STRING "\n", 0},
        {{"--version"},
         "varnoke-las (Varnoke LiDAR Utilities) " VARNOKE_LIDAR_VERSION_STRING "\n",
         0},
    };
    for (const RunCase &c : cases) {
        const ProcessResult run = run_varnoke_las(c.args, dir.str());
        EXPECT_EQ(run.out, c.out) << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
    }
    // The bounds of --jobs, where the command line is read.
    const struct {
        std::vector<const char *> args;
        varnoke_las::Action action;
        unsigned jobs;
    } parsed[] = {
        {{"varnoke-las", "check", "--jobs", "1024", "a.las"}, varnoke_las::Action::run, 1024},
        {{"varnoke-las", "check", "--jobs", "1025", "a.las"}, varnoke_las::Action::usage_error, 0},
        {{"varnoke-las", "check", "-j1", "a.las"}, varnoke_las::Action::run, 1},
        {{"varnoke-las", "check", "--jobs=0", "a.las"}, varnoke_las::Action::usage_error, 0},
    };
    for (const auto &p : parsed) {
        const varnoke_las::ParsedCommandLine line =
            varnoke_las::parse_command_line(static_cast<int>(p.args.size()), p.args.data(), 4);
        EXPECT_EQ(line.action, p.action) << ::testing::PrintToString(p.args);
        if (p.action == varnoke_las::Action::run) {
            EXPECT_EQ(line.options.jobs, p.jobs);
        }
    }
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"check", "a.las", "--help"}, {"-h"}, {"repair", "-h"}}) {
        const ProcessResult help = run_varnoke_las(args, dir.str());
        EXPECT_EQ(help.out.rfind("Usage: varnoke-las check [options] PATH...\n", 0), 0u);
        EXPECT_EQ(help.status, 0);
    }
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

// A grid point off by one bit is right, but not with --exact; JSON gives every double back to its
// bits, and non-finite values as strings.
TEST(VarnokeLas, ExactBoxAndJsonNumbers) {
    const ScratchDir dir;
    LasSpec spec;
    spec.offset = {500000.0, 4000000.0, 0.0};
    spec.points = {{123457, -98765, 4321, 0x09}};
    Bytes file = made_right(make_las(spec));
    const double max_x = expected_counts(file).box[0];
    put_f64(file, 179, std::nextafter(max_x, INFINITY));
    write_file(dir / "f.las", file);

    const RunCase cases[] = {
        {{"check", "--quiet", "f.las"}, "ok f.las" + kNoCrs + "\n", 0},
        {{"check", "--quiet", "--exact", "f.las"},
         "stale f.las: box MaxX 501234.57000000007 -> 501234.57" + kNoCrs + "\n",
         1},
    };
    for (const RunCase &c : cases) {
        const ProcessResult run = run_varnoke_las(c.args, dir.str());
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.status, c.status);
    }

    const double stored[6] = {INFINITY,
                              -INFINITY,
                              std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::quiet_NaN(),
                              std::bit_cast<double>(uint64_t{0x7FF0000000000001}),
                              -0.0};
    for (std::size_t k = 0; k < 6; ++k) put_f64(file, 179 + 8 * k, stored[k]);
    write_file(dir / "f.las", file);
    const ProcessResult run = run_varnoke_las({"check", "--quiet", "--json", "f.las"}, dir.str());
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    EXPECT_EQ(run.out.rfind("{\"format\":2,\"path\":\"f.las\",\"result\":\"stale\",\"status\":0,"
                            "\"error\":null,",
                            0),
              0u)
        << run.out;
    const HeaderCounts right = expected_counts(file);
    const char *const sides[6] = {"max_x", "min_x", "max_y", "min_y", "max_z", "min_z"};
    for (int k = 0; k < 6; ++k) {
        const std::string text = json_member(run.out, "box", sides[k]);
        EXPECT_EQ(std::bit_cast<uint64_t>(std::strtod(text.c_str(), nullptr)),
                  std::bit_cast<uint64_t>(right.box[static_cast<std::size_t>(k)]))
            << "box[" << k << "] " << text;
    }
    const char *const stored_text[6] = {"\"inf\"",  "\"-inf\"",     "\"nan\"",
                                        "\"-nan\"", "\"nan(0x1)\"", "-0"};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(json_member(run.out, "stored_box", sides[k]), stored_text[k]);
    EXPECT_EQ(json_element(run.out, "records_by_return", 0), "1");
}

}  // namespace
}  // namespace lastest
