// Re-runs that read only what changed (--since): a recorded line reads back to the result it
// records, which results may stand for a later run, and that a file changed in any part of its
// identity is judged anew.
#include "since.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "judgement.h"
#include "result_line.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

namespace lastest {
namespace {

using varnoke_las::Command;
using varnoke_las::Entry;
using varnoke_las::FileResult;
using varnoke_las::JsonValue;
using varnoke_las::Options;
using varnoke_las::Outcome;

FileResult judged(const std::string &path, const Options &options) {
    const varnoke_las_options call = VARNOKE_LAS_OPTIONS_INIT;
    return varnoke_las::judge(Entry::named(path, {}), options, call, false);
}

std::string json_of(const FileResult &result) {
    std::string line;
    varnoke_las::append_json_line(line, result);
    return line;
}

// Every kind of line the bundled files give, under each set of rules, reads back to the same
// line: the result rebuilt from it is the result recorded.
TEST(Since, EveryLineReadsBackToItsResult) {
    ScratchDir dir;
    // A file cut off, and one refused, beside the independent projects' files.
    const Bytes simple = read_file((testdata_dir() / "1.2_3.las").string());
    write_file(dir / "cut.las", Bytes(simple.begin(), simple.end() - 10));
    write_file(dir / "short.las", Bytes(simple.begin(), simple.begin() + 100));
    std::vector<std::string> paths = {dir / "cut.las", dir / "short.las"};
    for (const char *folder : {"", "las13-14", "laz"}) {
        for (const auto &file : std::filesystem::directory_iterator(testdata_dir() / folder)) {
            const std::string name = file.path().string();
            if (name.ends_with(".las") || name.ends_with(".laz")) paths.push_back(name);
        }
    }
    std::vector<Options> rules(3);
    rules[1].strict = true;
    rules[2].exact = true;
    for (const Options &options : rules) {
        for (const std::string &path : paths) {
            SCOPED_TRACE(path);
            const std::string line = json_of(judged(path, options));
            JsonValue json;
            ASSERT_TRUE(varnoke_las::parse_json(line, json));
            FileResult back;
            ASSERT_TRUE(varnoke_las::result_from_json(json, options, back)) << line;
            EXPECT_EQ(json_of(back), line);
        }
    }
}

TEST(Since, WhichResultsMayStand) {
    struct Row {
        Outcome outcome;
        int status;
        bool check, repair;
    };
    const Row rows[] = {
        {Outcome::ok, VARNOKE_LAS_OK, true, true},
        {Outcome::uncertain, VARNOKE_LAS_ERR_COUNT_UNCERTAIN, true, true},
        {Outcome::stale, VARNOKE_LAS_OK, true, false},  // a repair must write it
        {Outcome::truncated, VARNOKE_LAS_OK, true, false},
        {Outcome::repaired, VARNOKE_LAS_OK, false, false},
        {Outcome::refused, VARNOKE_LAS_ERR_NOT_LAS, true, true},
        {Outcome::refused, VARNOKE_LAS_ERR_LAZ_CHUNK, true, true},
        {Outcome::refused, VARNOKE_LAS_ERR_RECORDS_OVERLAP, true, true},
        // Refusals of the moment: the next read may go otherwise.
        {Outcome::refused, VARNOKE_LAS_ERR_READ, false, false},
        {Outcome::refused, VARNOKE_LAS_ERR_OPEN, false, false},
        {Outcome::refused, VARNOKE_LAS_ERR_NO_MEMORY, false, false},
        {Outcome::refused, VARNOKE_LAS_ERR_CHANGED, false, false},
        {Outcome::refused, VARNOKE_LAS_ERR_STOPPED, false, false},
        {Outcome::refused, VARNOKE_LAS_ERR_OPEN_WRITE, false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message()
                     << varnoke_las::result_word(row.outcome) << " " << row.status);
        FileResult r;
        r.outcome = row.outcome;
        r.status = row.status;
        EXPECT_EQ(varnoke_las::reusable(r, Command::check), row.check);
        EXPECT_EQ(varnoke_las::reusable(r, Command::repair), row.repair);
    }
}

// The recorded line with one member of the file's identity changed by one, or other rules.
TEST(Since, AnyChangeOfTheFileOrTheRulesJudgesItAnew) {
#if defined(_WIN32)
    GTEST_SKIP() << "no inodes and no times of status change on Windows: nothing is reused";
#endif
    ScratchDir dir;
    const std::string path = dir / "a.las";
    const Bytes file = read_file((testdata_dir() / "1.2_3.las").string());
    write_file(path, file);
    Options options;
    const std::string line = json_of(judged(path, options));
    struct Row {
        const char *what, *from, *to;
        bool reused;
    };
    const std::string size = "\"size\":" + std::to_string(file.size());
    const std::string size_plus = "\"size\":" + std::to_string(file.size() + 1);
    const std::size_t at = line.find("\"modified_ns\":") + 14;
    const std::string modified = line.substr(at, line.find(',', at) - at);
    const std::string modified_plus = std::to_string(std::stoll(modified) + 1);
    const std::size_t at_c = line.find("\"status_changed_ns\":") + 20;
    const std::string changed = line.substr(at_c, line.find('}', at_c) - at_c);
    const std::string changed_plus = std::to_string(std::stoll(changed) + 1);
    const Row rows[] = {
        {"as recorded", "", "", true},
        {"another size", size.c_str(), size_plus.c_str(), false},
        {"another time of its data", modified.c_str(), modified_plus.c_str(), false},
        {"another time of its state", changed.c_str(), changed_plus.c_str(), false},
        {"another inode", "\"inode\":", "\"inode\":1", false},
        {"judged under other rules", "\"strict\":false", "\"strict\":true", false},
        {"another path", "a.las\"", "b.las\"", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        std::string recorded = line;
        if (*row.from != '\0') {
            const std::size_t where = recorded.find(row.from);
            ASSERT_NE(where, std::string::npos);
            recorded.replace(where, std::string(row.from).size(), row.to);
        }
        write_file(dir / "report.jsonl", Bytes(recorded.begin(), recorded.end()));
        varnoke_las::EarlierReport earlier;
        std::string error;
        ASSERT_TRUE(earlier.load(dir / "report.jsonl", error)) << error;
        const auto reused = earlier.reuse(Entry::named(path, {}), options);
        EXPECT_EQ(reused.has_value(), row.reused);
        if (reused) {
            EXPECT_TRUE(reused->reused);
            EXPECT_EQ(reused->outcome, Outcome::ok);
        }
    }
}

// A re-run reads no file it can reuse: with every open of a LAS file made to fail, the file
// recorded unchanged still gets its line, and the summary counts it reused.
TEST(Since, TheToolReadsNoUnchangedFile) {
#if defined(_WIN32)
    GTEST_SKIP() << "no preloading, and no times of status change, on Windows";
#else
    ScratchDir dir;
    const Bytes file = read_file((testdata_dir() / "1.2_3.las").string());
    write_file(dir / "a.las", file);
    const ProcessResult first = run_varnoke_las({"check", "--json", "-q", "a.las"}, dir.str());
    ASSERT_EQ(first.status, 0) << first.out;
    write_file(dir / "report.jsonl", Bytes(first.out.begin(), first.out.end()));
    const std::vector<std::pair<std::string, std::string> > no_opens = {
        {"LD_PRELOAD", FAULT_SHIM_PATH}, {"VARNOKE_FAULT", "open:check"}};
    const ProcessResult again = run_varnoke_las(
        {"check", "--summary", "--since", "report.jsonl", "a.las"}, dir.str(), no_opens);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out.substr(0, again.out.find('\n') + 1),
              "ok a.las; warnings: 1 point of return number above number of returns\n");
    EXPECT_NE(again.out.find("; 1 reused from the earlier report\n"), std::string::npos)
        << again.out;
    // Without the report the same run cannot open the file.
    const ProcessResult fresh = run_varnoke_las({"check", "-q", "a.las"}, dir.str(), no_opens);
    EXPECT_EQ(fresh.out.rfind("refused a.las: ", 0), 0u) << fresh.out;
#endif
}

}  // namespace
}  // namespace lastest
