#include "support/update_run.h"

#include <gtest/gtest.h>

#include "support/expected_output.h"
#include "support/scratch.h"

namespace lastest {

UpdateRun run_on_copy(const Bytes &before, const std::string &name) {
    ScratchDir dir;
    write_file(dir / name, before);
    ProcessResult result = run_quillfen({name}, dir.str());
    return {name, before, std::move(result), read_file(dir / name)};
}

void expect_repaired(const UpdateRun &run) {
    EXPECT_EQ(run.result.out, updated(run.name));
    EXPECT_EQ(run.result.status, 0);
    expect_counts_and_box_updated(run.before, run.after);
}

void expect_refused(const UpdateRun &run, const std::string &message) {
    EXPECT_EQ(run.result.out, kBanner + message);
    EXPECT_EQ(run.result.status, 255);
    EXPECT_EQ(run.after, run.before);
}

void expect_counts_and_box_updated(const Bytes &before, const Bytes &after) {
    EXPECT_EQ(counts_of(after), expected_counts(before));
    expect_only_counts_and_box_changed(before, after);
}

void expect_only_counts_and_box_changed(const Bytes &before, const Bytes &after) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t k = 0; k < before.size(); ++k) {
        const bool rewritten = rewritable_byte(k);
        if (!rewritten) {
            ASSERT_EQ(before[k], after[k]) << "byte " << k;
        }
    }
}

}  // namespace lastest
