#include "judgement.h"

#include <bit>
#include <filesystem>
#include <optional>
#include <system_error>

#include "since.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace varnoke_las {

const char *result_word(Outcome outcome) {
    constexpr const char *kWords[] = {"ok",        "stale",     "repaired",
                                      "truncated", "uncertain", "refused"};
    return kWords[static_cast<int>(outcome)];
}

bool box_bits_differ(const varnoke_las_report &report, int k) {
    return std::bit_cast<uint64_t>(report.box[k]) != std::bit_cast<uint64_t>(report.stored_box[k]);
}

unsigned exact_stale_bits(const varnoke_las_report &report) {
    unsigned stale = report.stale & ~VARNOKE_LAS_STALE_BOX;
    if (report.records > 0 || (report.stale & VARNOKE_LAS_STALE_COUNT) != 0) {
        for (int k = 0; k < 6; ++k) {
            if (box_bits_differ(report, k)) stale |= VARNOKE_LAS_STALE_BOX;
        }
    }
    return stale;
}

namespace {

// The size of the entry's file, for the progress line; 0 where it cannot be told.
uint64_t size_of(const Entry &entry) {
#if !defined(_WIN32)
    if (entry.folder) {
        struct stat st;
        return fstatat(entry.folder->fd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
                   ? static_cast<uint64_t>(st.st_size)
                   : 0;
    }
#endif
    std::error_code ignored;
    const std::uintmax_t size = std::filesystem::file_size(entry.path, ignored);
    return ignored ? 0 : size;
}

// A file found by a walk is opened in the folder the walk found it in, following no link.
int check_or_repair(const Entry &entry, bool repair, const varnoke_las_options &call,
                    varnoke_las_report *report) {
    if (entry.folder) {
        const int fd = entry.folder->fd;
        const char *const name = entry.name.c_str();
        return repair ? varnoke_las_repair_at(fd, name, &call, report, sizeof *report)
                      : varnoke_las_check_at(fd, name, &call, report, sizeof *report);
    }
    const char *const path = entry.path.c_str();
    return repair ? varnoke_las_repair_ex(path, &call, report, sizeof *report)
                  : varnoke_las_check_ex(path, &call, report, sizeof *report);
}

}  // namespace

FileResult judge(Entry entry, const Options &options, const varnoke_las_options &base,
                 bool measure_size, const EarlierReport *earlier) {
    FileResult result;
    if (measure_size) result.bytes = size_of(entry);
    if (entry.refused != 0) {
        result.path = std::move(entry.path);
        result.status = entry.refused;
        return result;
    }
    if (earlier != nullptr) {
        if (std::optional<FileResult> reused = earlier->reuse(entry, options)) {
            reused->bytes = result.bytes;
            return std::move(*reused);
        }
    }
    const bool repair = options.command == Command::repair;
    varnoke_las_options call = base;
    if (options.allow_truncated) call.flags |= VARNOKE_LAS_ALLOW_TRUNCATED;
    if (options.strict) call.flags |= VARNOKE_LAS_STRICT;
    result.status = check_or_repair(entry, repair, call, &result.report);
    result.path = std::move(entry.path);
    interpret(result, options);
    return result;
}

void interpret(FileResult &result, const Options &options) {
    const bool repair = options.command == Command::repair;
    result.strict = options.strict;
    result.exact = options.exact;
    result.stale_sides = result.report.stale_box_sides;
    if ((result.report.known & VARNOKE_LAS_KNOWN_VALUES) != 0) {
        result.warnings = result.report.warnings;
        result.warning_sides = result.report.warning_box_sides;
    }
    // A cut-off file is truncated first, whether or not its count could be told.
    if (result.status == VARNOKE_LAS_ERR_TRUNCATED ||
        result.status == VARNOKE_LAS_ERR_COUNT_UNCERTAIN) {
        result.stale = result.report.stale;
        result.outcome = result.report.truncated ? Outcome::truncated : Outcome::uncertain;
        return;
    }
    if (result.status != VARNOKE_LAS_OK) {
        result.outcome = Outcome::refused;
        return;
    }
    result.stale = options.exact ? exact_stale_bits(result.report) : result.report.stale;
    if (options.exact) {
        result.stale_sides = 0;
        for (int k = 0; k < 6; ++k) {
            if ((result.stale & VARNOKE_LAS_STALE_BOX) && box_bits_differ(result.report, k))
                result.stale_sides |= 1u << k;
        }
        // Judged bit for bit, a box that is off is stale, not a warning.
        if ((result.stale & VARNOKE_LAS_STALE_BOX) != 0) {
            result.warnings &= ~(VARNOKE_LAS_WARN_BOX_IMPRECISE | VARNOKE_LAS_WARN_EMPTY_BOX);
            result.warning_sides = 0;
        }
    }
    if (repair) {
        result.outcome = result.report.written     ? Outcome::repaired
                         : result.report.truncated ? Outcome::truncated
                                                   : Outcome::ok;
    } else if (result.report.truncated) {
        result.outcome = Outcome::truncated;
    } else if (result.report.count_uncertain) {
        result.outcome = Outcome::uncertain;
    } else {
        result.outcome = result.stale != 0 ? Outcome::stale : Outcome::ok;
    }
}

}  // namespace varnoke_las
