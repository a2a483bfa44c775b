// Files larger than the header's 32-bit counters can describe.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

namespace lastest {
namespace {

// 4,294,967,296 records of point format 0 in a sparse file of about 86 GB: the count does not
// fit the header, so the update must stop rather than write a wrapped count.
TEST(LargeFile, MoreRecordsThanTheHeaderCanCountAreRefused) {
    ScratchDir dir;
    const std::string name = dir / "big.las";
    LasSpec spec;
    const Bytes header = make_las(spec);
    write_file(name, header);
    std::filesystem::resize_file(name, header.size() + 20 * (uint64_t{1} << 32));

    const ProcessResult r = run_quillfen({"big.las"}, dir.str());
    EXPECT_EQ(r.out, kBanner +
                         "\nFile big.las holds more than 4294967295 point records; its header "
                         "cannot count them\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(read_file_prefix(name, header.size()), header);
}

}  // namespace
}  // namespace lastest
