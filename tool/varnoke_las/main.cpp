// varnoke-las: checks or repairs the headers of many LAS files, one line per file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "exit_status.h"
#include "footprints.h"
#include "job_runner.h"
#include "options.h"
#include "path_list.h"
#include "progress.h"
#include "result_line.h"
#include "signals.h"
#include "since.h"
#include "summary.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

using namespace varnoke_las;

namespace {

constexpr int kUsageStatus = 2;

// Why the --files-from list stopped early, with its newline; empty if it did not.
std::string list_error_text(const PathList &paths, const Options &options) {
    // Without a list there is no list error (and no list name to tell).
    if (paths.list_error() == ListError::none || !options.files_from) return {};
    const std::string where =
        "varnoke-las: item " + std::to_string(paths.list_items()) + " of " + *options.files_from;
    switch (paths.list_error()) {
        case ListError::none:
            return {};
        case ListError::read:
            return "varnoke-las: error while reading " + *options.files_from + "\n";
        case ListError::nul:
            return where +
                   " holds a NUL byte; a list of NUL-terminated names is read with --null\n";
        case ListError::too_long:
            return where + " is longer than " + std::to_string(kLongestItem) +
                   " bytes, the longest path the system takes; is it a list of names one a line "
                   "(or, with --null, NUL-terminated)?\n";
    }
    return {};
}

bool write_out(const std::string &text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

}  // namespace

int main(int argc, char *argv[]) {
#if defined(_WIN32)
    // The same bytes as elsewhere: no carriage return before each newline, and NUL-separated
    // lists read as they are.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    const ParsedCommandLine parsed =
        parse_command_line(argc, argv, std::thread::hardware_concurrency());
    switch (parsed.action) {
        case Action::help:
            return write_out(help_text()) && std::fflush(stdout) == 0 ? 0 : kUsageStatus;
        case Action::version:
            return write_out(version_text()) && std::fflush(stdout) == 0 ? 0 : kUsageStatus;
        case Action::usage_error:
            std::fputs(usage_error_text(parsed.error).c_str(), stderr);
            return kUsageStatus;
        case Action::run:
            break;
    }
    const Options &options = parsed.options;
    catch_stop_signals();

    std::FILE *list = nullptr;
    if (options.files_from) {
        list = *options.files_from == "-" ? stdin : std::fopen(options.files_from->c_str(), "rb");
        if (list == nullptr) {
            std::fprintf(stderr, "varnoke-las: cannot open %s: %s\n", options.files_from->c_str(),
                         std::strerror(errno));
            return 2;
        }
    }

    // The files of --since and --footprints, before any file is judged.
    EarlierReport earlier;
    std::string failure;
    if (options.since && !earlier.load(*options.since, failure)) {
        std::fprintf(stderr, "varnoke-las: %s\n", failure.c_str());
        return 2;
    }
    Footprints footprints;
    if (options.footprints) {
        if (!Footprints::available()) {
            std::fputs(
                "varnoke-las: --footprints is not built in: this varnoke-las was built "
                "without PROJ\n",
                stderr);
            return 2;
        }
        if (!footprints.open(*options.footprints, failure)) {
            std::fprintf(stderr, "varnoke-las: %s\n", failure.c_str());
            return 2;
        }
    }
    ArchiveSummary summary;
    // With --summary, --quiet leaves the summary alone on standard output.
    const bool file_lines = !(options.summary && options.quiet);

    Progress progress(options, !options.quiet && is_terminal(2));
    // Lines on the terminal that shows the progress line take its place first.
    const bool erase_first = progress.shown() && is_terminal(1);
    Tally tally;
    bool written = true;
    std::string line;
    PathList paths(options.paths, list, options.null_separated, stop_requested);
    run_in_order(
        paths, options, progress.shown(), options.since ? &earlier : nullptr,
        [&](FileResult &&result) {
            tally.add(result);
            if (options.summary) summary.add(result, result.reused);
            if (options.footprints) footprints.add(result);
            line.clear();
            if (!file_lines) {
                // Nothing of the file on standard output.
            } else if (options.json) {
                append_json_line(line, result);
            } else {
                append_text_line(line, result);
            }
            if (erase_first) progress.erase();
            // Whole and at once, so that a run stopped by any signal shows only files done. A
            // reader gone (or any failed write) stops the run: nobody sees what follows.
            if (written && !write_all(line)) {
                written = false;
                stop_for_output();
            }
            progress.file_done(result.bytes);
            progress.tick();
        },
        [&] {
            if (paths.exhausted()) progress.list_complete();
            progress.tick();
        },
        [&] { progress.listed(); });
    progress.erase();
    if (options.summary && written) {
        line = options.json ? summary.json() : summary.text();
        if (!write_all(line)) written = false;
    }
    bool footprints_written = true;
    if (options.footprints && !footprints.close(failure)) {
        std::fprintf(stderr, "varnoke-las: %s\n", failure.c_str());
        footprints_written = false;
    }

    int status = exit_status(options, tally);
    if (!footprints_written) status = 2;
    if (const std::string why = list_error_text(paths, options); !why.empty()) {
        std::fputs(why.c_str(), stderr);
        status = 2;
    }
    if (list != nullptr && list != stdin) std::fclose(list);
    if (!written || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "varnoke-las: cannot write to standard output\n");
        status = 2;
    }
    if (!options.quiet) std::fputs(summary_line(tally, progress.seconds()).c_str(), stderr);
    return stop_signal() != 0 ? 128 + stop_signal() : status;
}
