#include "support/update_run.h"

#include <gtest/gtest.h>

#include "support/scratch.h"

namespace lastest {

UpdateRun run_on_copy(const Bytes &before, const std::string &name) {
    ScratchDir dir;
    write_file(dir / name, before);
    ProcessResult result = run_quillfen({name}, dir.str());
    return {std::move(result), read_file(dir / name)};
}

void expect_only_counts_and_box_changed(const Bytes &before, const Bytes &after) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t k = 0; k < before.size(); ++k) {
        const bool rewritten = (k >= 107 && k <= 130) || (k >= 179 && k <= 226);
        if (!rewritten) {
            ASSERT_EQ(before[k], after[k]) << "byte " << k;
        }
    }
}

}  // namespace lastest
