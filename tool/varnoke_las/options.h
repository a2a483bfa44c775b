// The command line of varnoke-las: the command, the options and the PATHs.
#ifndef VARNOKE_LAS_OPTIONS_H
#define VARNOKE_LAS_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

namespace varnoke_las {

enum class Command { check, repair };

struct Options {
    Command command = Command::check;
    bool exact = false;            // the box judged bit for bit (check only)
    bool quiet = false;            // no progress, no summary
    bool json = false;             // JSON Lines instead of text lines
    bool null_separated = false;   // the --files-from list is separated by NUL bytes
    bool allow_truncated = false;  // repair a file that ends before what it declares
    bool strict = false;           // the warnings about the counts and the box make a header stale
    bool summary = false;          // a summary of the whole run after the lines
    std::optional<std::string> footprints;  // a GeoJSON file of the files' boxes
    std::optional<std::string> since;       // an earlier JSON report: unchanged files reused
    unsigned jobs = 1;                      // files judged at a time
    std::optional<std::string> files_from;  // "-" is standard input
    std::vector<std::string> paths;
};

enum class Action { run, help, version, usage_error };

struct ParsedCommandLine {
    Action action = Action::usage_error;
    Options options;
    std::string error;  // for a usage error: what is wrong, without the program's name
};

// The most files judged at a time that --jobs accepts.
inline constexpr unsigned kMaxJobs = 1024;

// Reads argv; `processors` is the default of --jobs.
ParsedCommandLine parse_command_line(int argc, const char *const argv[], unsigned processors);

// The texts the command line leads to, each ending in a newline.
std::string help_text();
std::string version_text();
std::string usage_error_text(const std::string &error);

}  // namespace varnoke_las

#endif
