// The header update as the tool does it, with the system's messages: validate by name, open for
// update, and take the road through that handle, writing whatever it counted.
#include "header_update.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "messages.h"
#include "road.h"
#include "status_text.h"

namespace varnoke {

RoadPolicy update_policy(int16_t validated_type) {
    RoadPolicy policy;
    policy.layout = LayoutRules::kLegacyTypes;
    policy.values.zero_box_without_records = false;
    policy.values.strict = true;
    policy.crs_and_warnings = false;
    policy.validated_type = validated_type;
    policy.write = true;
    policy.only_if_stale = false;
    return policy;
}

int update_header_status(const char *filename, AfterScan after_scan) {
    const int16_t las_type = check_las(filename);
    if (las_type < 0) return -1;

    File file = open_without_waiting(filename, "r+b");
    if (!file) {
        std::printf(msg::kCannotOpenForUpdate, filename);
        return -1;
    }
    RoadPolicy policy = update_policy(las_type);
    policy.after_scan = after_scan;
    RoadResult result;
    // The update is reported under the name: it must still lead to the file that is written.
    WriteTarget target;
    target.reported_name = filename;
    const RoadOutcome outcome = run_road(std::move(file), target, policy, result);
    if (outcome.status == VARNOKE_LAS_OK) return 0;
    print_update_refusal(outcome, filename, result.judged.header);
    return -1;
}

void print_update_refusal(const RoadOutcome &outcome, const char *filename,
                          const unsigned char *header) {
    if (outcome.changed_since_validation) {
        std::printf(msg::kChangedSinceValidation, filename);
        return;
    }
    print_update_message(outcome.status, filename, header);
}

}  // namespace varnoke

extern "C" void update_header(const char *filename) {
    if (varnoke::update_header_status(filename) != 0) std::exit(-1);
    std::printf(varnoke::msg::kUpdated, filename);
}
