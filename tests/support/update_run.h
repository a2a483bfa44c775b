// Running the tool on a copy of a file in a scratch directory, and checking what it changed.
#ifndef VARNOKE_TESTS_UPDATE_RUN_H
#define VARNOKE_TESTS_UPDATE_RUN_H

#include <string>

#include "support/las_file.h"
#include "support/process.h"

namespace lastest {

struct UpdateRun {
    std::string name;  // of the file, as given to the tool
    Bytes before;      // the file as it was written
    ProcessResult result;
    Bytes after;  // the file once the tool has finished
};

// Writes `before` as `name` into a fresh scratch directory and runs Quillfen on it there.
UpdateRun run_on_copy(const Bytes &before, const std::string &name);

// The tool repaired the file: it printed the completion line, exited with 0 and wrote the
// file's true counts and box and nothing else.
void expect_repaired(const UpdateRun &run);

// The tool refused the file: it printed `message` after the banner, exited with 255 and left the
// file as it was.
void expect_refused(const UpdateRun &run, const std::string &message);

// `after` holds the true counts and box of `before`, and every other byte of `before`.
void expect_counts_and_box_updated(const Bytes &before, const Bytes &after);

// Every byte but those of offsets 107-130 and 179-226 is the same in both.
void expect_only_counts_and_box_changed(const Bytes &before, const Bytes &after);

}  // namespace lastest

#endif
