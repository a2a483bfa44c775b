#include "options.h"

#include <charconv>
#include <string_view>

#include "Varnoke_LiDAR.h"

namespace varnoke_las {

namespace {

constexpr std::string_view kUsage =
    "Usage: varnoke-las check [options] PATH...\n"
    "       varnoke-las repair [options] PATH...\n";

// A --jobs value: a decimal number from 1 to kMaxJobs, nothing else.
std::optional<unsigned> jobs_value(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 1 || value > kMaxJobs)
        return std::nullopt;
    return value;
}

}  // namespace

ParsedCommandLine parse_command_line(int argc, const char *const argv[], unsigned processors) {
    ParsedCommandLine parsed;
    const auto usage_error = [&parsed](std::string error) {
        parsed.action = Action::usage_error;
        parsed.error = std::move(error);
        return parsed;
    };
    if (argc < 2) return usage_error("no command given: check or repair");
    const std::string_view command = argv[1];
    if (command == "--help") {
        parsed.action = Action::help;
        return parsed;
    }
    if (command == "--version") {
        parsed.action = Action::version;
        return parsed;
    }
    Options &options = parsed.options;
    if (command == "check") {
        options.command = Command::check;
    } else if (command == "repair") {
        options.command = Command::repair;
    } else {
        return usage_error("unknown command '" + std::string(command) + "': check or repair");
    }
    options.jobs = processors < 1 ? 1 : processors > kMaxJobs ? kMaxJobs : processors;

    bool options_end = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options_end || arg.size() < 2 || arg[0] != '-') {
            options.paths.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            options_end = true;
            continue;
        }
        // --name or --name=value; a value may also be the next argument.
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        std::optional<std::string_view> value;
        if (equals != std::string_view::npos) value = arg.substr(equals + 1);
        const bool takes_value = name == "--jobs" || name == "--files-from";
        if (takes_value && !value) {
            if (i + 1 == argc)
                return usage_error("option '" + std::string(name) + "' needs a value");
            value = argv[++i];
        }
        if (!takes_value && value) {
            return usage_error("option '" + std::string(name) + "' takes no value");
        }
        if (name == "--help") {
            parsed.action = Action::help;
            return parsed;
        } else if (name == "--version") {
            parsed.action = Action::version;
            return parsed;
        } else if (name == "--exact") {
            options.exact = true;
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--json") {
            options.json = true;
        } else if (name == "--null") {
            options.null_separated = true;
        } else if (name == "--allow-truncated") {
            options.allow_truncated = true;
        } else if (name == "--jobs") {
            const std::optional<unsigned> jobs = jobs_value(*value);
            if (!jobs) {
                return usage_error("--jobs takes a number from 1 to " + std::to_string(kMaxJobs) +
                                   ", not '" + std::string(*value) + "'");
            }
            options.jobs = *jobs;
        } else if (name == "--files-from") {
            if (options.files_from) return usage_error("--files-from given twice");
            if (value->empty()) return usage_error("--files-from needs a file name");
            options.files_from = std::string(*value);
        } else {
            return usage_error("unknown option '" + std::string(name) + "'");
        }
    }
    if (options.paths.empty() && !options.files_from) {
        return usage_error("no PATH given, and no --files-from");
    }
    if (options.null_separated && !options.files_from) {
        return usage_error("--null needs --files-from");
    }
    if (options.exact && options.command == Command::repair) {
        return usage_error("--exact applies to check only");
    }
    if (options.allow_truncated && options.command == Command::check) {
        return usage_error("--allow-truncated applies to repair only");
    }
    parsed.action = Action::run;
    return parsed;
}

std::string help_text() {
    return std::string(kUsage) +
           "Check or repair the headers of ASPRS LAS files: the point count, the counts by\n"
           "return number and the bounding box, recomputed from the point records.\n"
           "\n"
           "  check   tell which headers are stale; write nothing\n"
           "  repair  rewrite the stale headers in place; leave the right ones untouched\n"
           "\n"
           "A PATH that is a folder is walked recursively, in sorted order, for regular\n"
           "files whose names end in .las in any case; symbolic links inside it are not\n"
           "followed. Any other PATH is judged as a LAS file, whatever its name.\n"
           "\n"
           "Options:\n"
           "  --exact            judge the box bit for bit against what Quillfen writes\n"
           "                     (check only)\n"
           "  --allow-truncated  repair a file whose header declares more records than\n"
           "                     the file holds (a cut-off file?) instead of refusing it\n"
           "  --files-from FILE  read more PATHs from FILE, one a line ('-': standard input)\n"
           "  --null             the PATHs in FILE end with a NUL byte, not a newline\n"
           "  --jobs N           judge N files at a time (default: the number of processors)\n"
           "  --json             write JSON Lines: one object per file\n"
           "  --quiet            no progress line and no summary on standard error\n"
           "  --help             show this help and exit\n"
           "  --version          show the version and exit\n"
           "\n"
           "One line per file on standard output, in the order of the PATHs:\n"
           "  ok PATH\n"
           "  stale PATH: WHAT STORED -> COUNTED; ...\n"
           "  repaired PATH: WHAT STORED -> WRITTEN; ...\n"
           "  truncated PATH: records STORED -> COUNTED; N bytes of a partial record\n"
           "  refused PATH: REASON\n"
           "A value a repair rewrites although it is right is marked (in passing).\n"
           "\n"
           "Exit status: check 0 when every file is right, 1 when some are stale or\n"
           "truncated and none was refused, 2 when any was refused; repair 0 when every\n"
           "file is right afterwards, 2 otherwise. A usage error exits with 2.\n"
           "See varnoke-las(1) for the details.\n";
}

std::string version_text() {
    return "varnoke-las (Varnoke LiDAR Utilities) " VARNOKE_LIDAR_VERSION_STRING "\n";
}

std::string usage_error_text(const std::string &error) {
    return "varnoke-las: " + error + "\n" + std::string(kUsage) +
           "Try 'varnoke-las --help' for more information.\n";
}

}  // namespace varnoke_las
