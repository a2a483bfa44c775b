// Header update throughput: times Quillfen beside dd (the cost of merely reading the file) and a
// record-by-record baseline on LAS files held in the page cache, and compares Quillfen's peak
// memory on a small and a large file.
#include <array>
#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_files.h"
#include "bench_options.h"
#include "child_process.h"
#include "header_check.h"
#include "page_cache.h"
#include "result_table.h"
#include "stale_las.h"

namespace {

using namespace bench;

constexpr uint64_t kSeed = 0x2545F4914F6CDD1Du;

enum class Program { quillfen, dd, baseline };
constexpr std::array<Program, 3> kPrograms{Program::quillfen, Program::dd, Program::baseline};

struct BenchFile {
    FileFigures figures;
    std::string path;
    LasTruth truth;

    ToolFigures &of(Program p) {
        if (p == Program::quillfen) return figures.quillfen;
        if (p == Program::dd) return figures.dd;
        return figures.baseline;
    }
};

const char *name_of(Program p) {
    if (p == Program::quillfen) return "Quillfen";
    if (p == Program::dd) return "dd";
    return "baseline";
}

// Runs `p` on `path`; anything but a clean exit ends the benchmark.
ChildRun run_on(Program p, const std::string &path, const Options &options) {
    std::vector<std::string> argv;
    if (p == Program::quillfen) argv = {options.quillfen, path};
    if (p == Program::dd) argv = {"dd", "if=" + path, "of=/dev/null", "bs=1M"};
    if (p == Program::baseline) argv = {options.baseline, path};
    const ChildRun run = run_child(argv, p == Program::dd);
    if (!run.ok()) {
        throw std::runtime_error(std::string(name_of(p)) + " failed on " + path + " (" +
                                 describe_failure(run) + ")");
    }
    return run;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<BenchFile> write_files(const Options &options, BenchFiles &dir) {
    struct Plan {
        uint8_t format;
        uint64_t mib;
        bool large;
    };
    const Plan plans[] = {
        {0, options.size_mib, true}, {3, options.size_mib, true}, {0, options.small_mib, false}};
    std::vector<BenchFile> files;
    uint64_t seed = kSeed;
    for (const Plan &plan : plans) {
        BenchFile f;
        f.figures.label =
            "format " + std::to_string(plan.format) + ", " + std::to_string(plan.mib) + " MiB";
        f.figures.point_format = plan.format;
        f.figures.size_mib = plan.mib;
        f.figures.large = plan.large;
        f.path = dir.path_for("format" + std::to_string(plan.format) + "-" +
                              std::to_string(plan.mib) + "MiB.las");
        const auto start = std::chrono::steady_clock::now();
        f.truth = write_stale_las(f.path, plan.format, plan.mib << 20, seed++);
        f.figures.records = f.truth.points;
        std::printf("wrote %s (%s) in %.1f s\n", f.path.c_str(), f.figures.label.c_str(),
                    seconds_since(start));
        std::fflush(stdout);
        files.push_back(std::move(f));
    }
    return files;
}

// One untimed run of the baseline and of Quillfen on each file, each checked against what the
// records hold: both do the work that is timed, and the header is repaired from here on.
void check_programs(std::vector<BenchFile> &files, const Options &options) {
    for (BenchFile &f : files) {
        for (Program p : {Program::baseline, Program::quillfen}) {
            run_on(p, f.path, options);
            const std::string wrong = check_header(f.path, f.truth);
            if (!wrong.empty()) {
                throw std::runtime_error(std::string(name_of(p)) + " left a header in " + f.path +
                                         " that is " + wrong);
            }
        }
    }
    std::printf("Quillfen and the baseline both write the right header on every file\n");
}

// Every round runs each program once on each file, in an order that turns from round to round.
void time_rounds(std::vector<BenchFile> &files, const Options &options) {
    for (int round = 0; round < options.rounds; ++round) {
        std::printf("round %d of %d\n", round + 1, options.rounds);
        std::fflush(stdout);
        for (std::size_t i = 0; i < files.size(); ++i) {
            for (std::size_t k = 0; k < kPrograms.size(); ++k) {
                const Program p =
                    kPrograms[(static_cast<std::size_t>(round) + i + k) % kPrograms.size()];
                files[i].of(p).add(run_on(p, files[i].path, options));
            }
        }
    }
}

int run(const Options &options) {
    BenchFiles dir(options.dir, options.keep);
    std::printf("Quillfen: %s\nbaseline: %s\nfiles in: %s%s\n", options.quillfen.c_str(),
                options.baseline.c_str(), dir.dir().c_str(), options.keep ? " (kept)" : "");
    std::vector<BenchFile> files = write_files(options, dir);
    for (const BenchFile &f : files) read_through(f.path);
    check_programs(files, options);

    const ChildRun floor = run_child({"true"}, false);
    if (!floor.ok()) throw std::runtime_error("cannot run true (" + describe_failure(floor) + ")");

    time_rounds(files, options);
    std::vector<FileFigures> figures;
    for (const BenchFile &f : files) figures.push_back(f.figures);
    print_times(figures, options.rounds);
    print_memory(figures, floor.max_rss_kib);
    print_targets(figures);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    bench::Options options;
    options.quillfen = QUILLFEN_PATH;
    options.baseline = BASELINE_PATH;
    if (const auto status = bench::parse_options(argc, argv, options)) return *status;
    try {
        return run(options);
    } catch (const std::exception &e) {
        std::fflush(stdout);
        std::fprintf(stderr, "update_throughput: %s\n", e.what());
        return 1;
    }
}
