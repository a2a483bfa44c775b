// The header as the update reads it again through its own handle: any difference from what
// validation judged by name refuses the update, and so does a type without a record layout.
#include <gtest/gtest.h>

#include "header_update.h"
#include "road.h"
#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/printed.h"
#include "support/scratch.h"

namespace lastest {
namespace {

struct RecheckCase {
    const char *what;
    int16_t validated_type;  // what validation found by name
    LasSpec spec;            // what the handle reads
    std::size_t at = 0;      // and its byte `at` set to `value`,
    uint8_t value = 0;       // unless `value` is 0
    const char *message;     // printed on refusal; null when accepted
};

LasSpec of(uint8_t minor, uint8_t format, std::optional<uint16_t> length = {}) {
    LasSpec spec;
    spec.minor = minor;
    spec.format = format;
    spec.record_length = length;
    spec.points = {{1, 2, 3, 1}};
    return spec;
}

TEST(HeaderForUpdate, RefusesAHeaderOtherThanTheValidatedOne) {
    const std::string changed_text = changed_since_validation("f.las");
    const char *const changed = changed_text.c_str();
    const RecheckCase cases[] = {
        {"the validated header", 8, of(2, 3), 0, 0, nullptr},
        {"another signature", 8, of(2, 3), 0, 'X', changed},
        {"another major version", 8, of(2, 3), 24, 2, changed},
        {"a version 1.3", 8, of(2, 3), 25, 3, changed},
        {"another point format", 8, of(2, 1, 34), 0, 0, changed},
        {"another record length", 8, of(2, 3, 36), 0, 0, changed},
        {"another accepted type", 8, of(2, 0), 0, 0, changed},
        {"the same type of an older version is another type", 5, of(1, 0), 0, 0, changed},
        {"a type without records, as validated", 0, of(1, 3), 0, 0,
         "\nPointDataFormatID in f.las is 3. It is not defined for las files of version 1.1\n"},
    };
    for (const RecheckCase &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        Bytes bytes = make_las(c.spec);
        if (c.value != 0) put_u8(bytes, c.at, c.value);
        write_file(dir / "f.las", bytes);
        varnoke::File f = varnoke::open_without_waiting((dir / "f.las").c_str(), "rb");
        ASSERT_TRUE(f);
        varnoke::RoadPolicy policy;
        policy.layout = varnoke::LayoutRules::kLegacyTypes;
        policy.validated_type = c.validated_type;
        varnoke::RoadResult result;
        const varnoke::RoadOutcome outcome = varnoke::run_road(std::move(f), {}, policy, result);
        testing::internal::CaptureStdout();
        if (outcome.status != VARNOKE_LAS_OK) {
            varnoke::print_update_refusal(outcome, "f.las", result.judged.header);
        }
        const bool accepted = outcome.status == VARNOKE_LAS_OK;
        const std::string printed = testing::internal::GetCapturedStdout();
        const varnoke::JudgedFile &judged = result.judged;
        EXPECT_EQ(accepted, c.message == nullptr);
        EXPECT_EQ(printed, c.message ? c.message : "");
        if (accepted) {
            EXPECT_EQ(judged.layout.record_length, record_length_for(c.spec.format));
        }
    }
}

// A file that validation accepts (it reads 107 bytes) but that ends inside the 227-byte header
// is too short for the update, and left as it was.
TEST(HeaderForUpdate, AFileEndingInsideTheHeaderIsTooShort) {
    ScratchDir dir;
    const std::string name = dir / "t.las";
    LasSpec spec;
    spec.format = 3;
    spec.points = {{1, 2, 3, 1}, {4, 5, 6, 2}, {7, 8, 9, 1}};
    Bytes file = make_las(spec);
    file.resize(107);
    write_file(name, file);
    int status = 0;
    EXPECT_EQ(printed([&] { status = varnoke::update_header_status(name.c_str()); }),
              too_short(name));
    EXPECT_EQ(status, -1);
    EXPECT_EQ(read_file(name), file);
}

}  // namespace
}  // namespace lastest
