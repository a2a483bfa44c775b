#include "result_table.h"

#include <cstdio>
#include <cstdlib>

#include "run_summary.h"

namespace bench {

namespace {

constexpr double kRatioTarget = 1.15;     // Quillfen/dd
constexpr long kRssLimitKib = 8 * 1024;   // Quillfen's peak resident memory
constexpr long kRssEqualWithinKib = 256;  // one program's peak varies ~100 KiB between runs

const char *verdict(bool pass) {
    return pass ? "PASS" : "MISS";
}

double median_of(const ToolFigures &t) {
    return summarize(t.seconds).median;
}

double ratio(double a, double b) {
    return b > 0.0 ? a / b : 0.0;
}

double mib(long kib) {
    return static_cast<double>(kib) / 1024.0;
}

const FileFigures *small_file_of_format(const std::vector<FileFigures> &files, uint8_t format) {
    for (const FileFigures &f : files) {
        if (!f.large && f.point_format == format) return &f;
    }
    return nullptr;
}

void print_time_cell(const ToolFigures &t) {
    const Summary s = summarize(t.seconds);
    char cell[64];
    std::snprintf(cell, sizeof cell, "%.3f [%.3f-%.3f]", s.median, s.min, s.max);
    std::printf("  %-21s", cell);
}

}  // namespace

void ToolFigures::add(const ChildRun &run) {
    seconds.push_back(run.seconds);
    if (run.max_rss_kib > peak_rss_kib) peak_rss_kib = run.max_rss_kib;
}

void print_times(const std::vector<FileFigures> &files, int rounds) {
    std::printf("\nWall time in seconds, median [min-max] of %d round%s, files in the page cache\n",
                rounds, rounds == 1 ? "" : "s");
    std::printf("%-20s %10s  %-21s  %-21s  %-21s  %11s  %17s\n", "file", "records", "Quillfen",
                "dd", "baseline", "Quillfen/dd", "baseline/Quillfen");
    for (const FileFigures &f : files) {
        std::printf("%-20s %10llu", f.label.c_str(), static_cast<unsigned long long>(f.records));
        print_time_cell(f.quillfen);
        print_time_cell(f.dd);
        print_time_cell(f.baseline);
        const double q = median_of(f.quillfen);
        std::printf("  %11.2f  %17.2f\n", ratio(q, median_of(f.dd)),
                    ratio(median_of(f.baseline), q));
    }
}

void print_memory(const std::vector<FileFigures> &files, long floor_kib) {
    std::printf(
        "\nPeak resident memory in KiB, largest of all runs (`true` started the same way: "
        "%ld KiB)\n",
        floor_kib);
    std::printf("%-20s %10s %10s %10s\n", "file", "Quillfen", "dd", "baseline");
    for (const FileFigures &f : files) {
        std::printf("%-20s %10ld %10ld %10ld\n", f.label.c_str(), f.quillfen.peak_rss_kib,
                    f.dd.peak_rss_kib, f.baseline.peak_rss_kib);
    }
}

void print_targets(const std::vector<FileFigures> &files) {
    std::printf("\nTargets (for information only)\n");
    std::printf("  Quillfen/dd <= %.2f\n", kRatioTarget);
    for (const FileFigures &f : files) {
        if (!f.large) continue;
        const double r = ratio(median_of(f.quillfen), median_of(f.dd));
        std::printf("    %-20s %5.2f  %s\n", f.label.c_str(), r, verdict(r <= kRatioTarget));
    }

    std::printf("  peak RSS equal for 100 MiB and 1 GiB, < 8 MiB (equal: within %ld KiB)\n",
                kRssEqualWithinKib);
    for (const FileFigures &big : files) {
        if (!big.large) continue;
        const long b = big.quillfen.peak_rss_kib;
        bool pass = b < kRssLimitKib;
        std::printf("    Quillfen, point format %u: %.2f MiB (%llu MiB file)",
                    static_cast<unsigned>(big.point_format), mib(b),
                    static_cast<unsigned long long>(big.size_mib));
        if (const FileFigures *small = small_file_of_format(files, big.point_format)) {
            const long a = small->quillfen.peak_rss_kib;
            pass = pass && a < kRssLimitKib && std::labs(a - b) <= kRssEqualWithinKib;
            std::printf(", %.2f MiB (%llu MiB file)", mib(a),
                        static_cast<unsigned long long>(small->size_mib));
        }
        std::printf("  %s\n", verdict(pass));
    }
}

}  // namespace bench
