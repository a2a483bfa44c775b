#include "options.h"

#include <getopt.h>

#include <charconv>
#include <string_view>
#include <vector>

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

// The values of the options that have no short form, above every character.
enum : int {
    kExact = 256,
    kJson,
    kAllowTruncated,
    kFilesFrom,
    kStrict,
    kSummary,
    kFootprints,
    kSince
};

// ':' first: a missing value returns ':' rather than '?'.
constexpr char kShortOptions[] = ":hVj:q0";
constexpr option kLongOptions[] = {
    {"allow-truncated", no_argument, nullptr, kAllowTruncated},
    {"exact", no_argument, nullptr, kExact},
    {"files-from", required_argument, nullptr, kFilesFrom},
    {"footprints", required_argument, nullptr, kFootprints},
    {"help", no_argument, nullptr, 'h'},
    {"jobs", required_argument, nullptr, 'j'},
    {"json", no_argument, nullptr, kJson},
    {"null", no_argument, nullptr, '0'},
    {"quiet", no_argument, nullptr, 'q'},
    {"since", required_argument, nullptr, kSince},
    {"strict", no_argument, nullptr, kStrict},
    {"summary", no_argument, nullptr, kSummary},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

std::string long_name(int value) {
    for (const option &o : kLongOptions)
        if (o.name != nullptr && o.val == value) return std::string("--") + o.name;
    return {};
}

// The option as the user wrote it: its long name when `arg`, the argument that held it, is long.
std::string option_name(int value, std::string_view arg) {
    if (arg.starts_with("--")) return long_name(value);
    return std::string(1, '-') + static_cast<char>(value);
}

// Why getopt_long refused an option: `value` is its optopt, `arg` the argument that held it.
std::string misused_option(int value, std::string_view arg) {
    if (value == 0) {
        // A long name that matches none, or the start of more than one.
        const std::string_view name = arg.substr(0, arg.find('='));
        if (!name.starts_with("--")) return "unknown option";
        int matches = 0;
        for (const option &o : kLongOptions)
            if (o.name != nullptr && std::string_view(o.name).starts_with(name.substr(2)))
                ++matches;
        if (matches > 1) return "option '" + std::string(name) + "' is ambiguous";
        return "unknown option '" + std::string(name) + "'";
    }
    if (const std::string name = long_name(value); !name.empty())
        return "option '" + name + "' takes no value";
    return "unknown option '-" + std::string(1, static_cast<char>(value)) + "'";
}

}  // namespace

ParsedCommandLine parse_command_line(int argc, const char *const argv[], unsigned processors) {
    ParsedCommandLine parsed;
    const auto usage_error = [&parsed](std::string error) {
        parsed.action = Action::usage_error;
        parsed.error = std::move(error);
        return parsed;
    };
    // An option naming a file: once, and not empty.
    const auto take_file_name = [&](std::optional<std::string> &into, const std::string &name) {
        if (into) {
            usage_error(name + " given twice");
            return false;
        }
        if (*optarg == '\0') {
            usage_error(name + " needs a file name");
            return false;
        }
        into = std::string(optarg);
        return true;
    };
    if (argc < 2) return usage_error("no command given: check or repair");
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h") {
        parsed.action = Action::help;
        return parsed;
    }
    if (command == "--version" || command == "-V") {
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

    // getopt_long sees the command as the program's name and permutes the rest, so options may
    // come before, between or after the paths. It reorders pointers only, never the strings.
    std::vector<char *> args;
    for (int i = 1; i < argc; ++i) args.push_back(const_cast<char *>(argv[i]));
    args.push_back(nullptr);
    const int count = argc - 1;
    // The argument before `next`: the one that held the option just refused.
    const auto held_by = [&args](int next) {
        return std::string_view(next > 0 ? args[static_cast<std::size_t>(next - 1)] : "");
    };
    opterr = 0;  // the messages below name the option as the user wrote it
    optind = 0;  // a full restart, also of a cluster of short options left half read
    for (;;) {
        const int code = getopt_long(count, args.data(), kShortOptions, kLongOptions, nullptr);
        if (code == -1) break;
        switch (code) {
            case 'h':
                parsed.action = Action::help;
                return parsed;
            case 'V':
                parsed.action = Action::version;
                return parsed;
            case 'q':
                options.quiet = true;
                break;
            case '0':
                options.null_separated = true;
                break;
            case 'j': {
                const std::optional<unsigned> jobs = jobs_value(optarg);
                if (!jobs) {
                    return usage_error("--jobs takes a number from 1 to " +
                                       std::to_string(kMaxJobs) + ", not '" + optarg + "'");
                }
                options.jobs = *jobs;
                break;
            }
            case kExact:
                options.exact = true;
                break;
            case kJson:
                options.json = true;
                break;
            case kAllowTruncated:
                options.allow_truncated = true;
                break;
            case kStrict:
                options.strict = true;
                break;
            case kFilesFrom:
                if (!take_file_name(options.files_from, "--files-from")) return parsed;
                break;
            case kSummary:
                options.summary = true;
                break;
            case kFootprints:
                if (!take_file_name(options.footprints, "--footprints")) return parsed;
                break;
            case kSince:
                if (!take_file_name(options.since, "--since")) return parsed;
                break;
            case ':':
                return usage_error("option '" + option_name(optopt, held_by(optind)) +
                                   "' needs a value");
            default:
                return usage_error(misused_option(optopt, held_by(optind)));
        }
    }
    for (int i = optind; i < count; ++i)
        options.paths.emplace_back(args[static_cast<std::size_t>(i)]);
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
           "files whose names end in .las or .laz (.copc.laz too) in any case; symbolic\n"
           "links inside it are not followed. Any other PATH is judged as a LAS or LAZ\n"
           "file, whatever its name.\n"
           "\n"
           "Options:\n"
           "      --allow-truncated  repair a file that ends before what its header\n"
           "                         declares (a cut-off download) instead of refusing it\n"
           "      --exact            judge the box bit for bit against what Quillfen writes\n"
           "                         (check only)\n"
           "      --files-from FILE  read more PATHs from FILE, one a line ('-': standard\n"
           "                         input)\n"
           "      --footprints FILE  write each file's box as a GeoJSON polygon in\n"
           "                         longitude and latitude to FILE (with PROJ)\n"
           "  -0, --null             the PATHs in FILE end with a NUL byte, not a newline\n"
           "  -j, --jobs N           judge N files at a time (default: the number of\n"
           "                         processors)\n"
           "      --json             write JSON Lines: one object per file\n"
           "  -q, --quiet            no progress line and no summary on standard error\n"
           "                         (with --summary: no lines of files either)\n"
           "      --since REPORT     take the result an earlier --json REPORT recorded for\n"
           "                         each file unchanged since, without reading the file\n"
           "      --strict           a box a fraction of a step off, LAS 1.4 legacy counts\n"
           "                         set where zeros are asked for, or a box of no points\n"
           "                         not zero make a header stale, not a warning\n"
           "      --summary          after the lines, the whole run: results, warnings,\n"
           "                         versions, points, the extent of each CRS, overlaps\n"
           "  -h, --help             show this help and exit\n"
           "  -V, --version          show the version and exit\n"
           "  --                     what follows is a PATH, even if it starts with '-'\n"
           "\n"
           "One line per file on standard output, in the order of the PATHs:\n"
           "  ok PATH\n"
           "  stale PATH: WHAT STORED -> COUNTED; ...\n"
           "  repaired PATH: WHAT STORED -> WRITTEN; ...\n"
           "  truncated PATH: WHAT STORED -> COUNTED; ...; missing: WHAT, at least N bytes\n"
           "  uncertain PATH: records STORED -> COUNTED or more; ...\n"
           "  refused PATH: REASON\n"
           "A value a repair rewrites although it is right is marked (in passing).\n"
           "Warnings follow, where the file departs from the LAS text without misleading\n"
           "a reader: ok PATH; warnings: no CRS, legacy counts set\n"
           "\n"
           "Exit status: check 0 when every file is right, 1 when some are stale,\n"
           "truncated or uncertain and none was refused, 2 when any was refused; repair 0\n"
           "when every file is right afterwards, 2 otherwise; warnings change neither. A\n"
           "usage error exits with 2.\n"
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
