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

int update_header_status(const char *filename) {
    const int16_t las_type = check_las(filename);
    if (las_type < 0) return -1;

    File file = open_without_waiting(filename, "r+b");
    if (!file) {
        std::printf(msg::kCannotOpenForUpdate, filename);
        return -1;
    }
    RoadRules rules;
    rules.scope = Scope::kLegacy;
    rules.validated_type = las_type;
    rules.write = true;
    rules.only_if_stale = false;
    RoadResult result;
    // The update is reported under the name: it must still lead to the file that is written.
    WriteTarget target;
    target.reported_name = filename;
    const int status = run_road(std::move(file), target, rules, result);
    if (status == VARNOKE_LAS_OK) return 0;
    print_update_message(status, filename, result.judged.header);
    return -1;
}

}  // namespace varnoke

extern "C" void update_header(const char *filename) {
    if (varnoke::update_header_status(filename) != 0) std::exit(-1);
    std::printf(varnoke::msg::kUpdated, filename);
}
