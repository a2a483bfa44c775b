// Running the tool on a copy of a file in a scratch directory, and checking what it changed.
#ifndef VARNOKE_TESTS_UPDATE_RUN_H
#define VARNOKE_TESTS_UPDATE_RUN_H

#include <string>

#include "support/las_file.h"
#include "support/process.h"

namespace lastest {

struct UpdateRun {
    ProcessResult result;
    Bytes after;  // the file once the tool has finished
};

// Writes `before` as `name` into a fresh scratch directory and runs Quillfen on it there.
UpdateRun run_on_copy(const Bytes &before, const std::string &name);

// Every byte but those of offsets 107-130 and 179-226 is the same in both.
void expect_only_counts_and_box_changed(const Bytes &before, const Bytes &after);

}  // namespace lastest

#endif
