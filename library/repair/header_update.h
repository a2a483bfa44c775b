// The header update as a function that reports its outcome instead of ending the process.
#ifndef VARNOKE_HEADER_UPDATE_H
#define VARNOKE_HEADER_UPDATE_H

#include <cstdint>

#include "judged_file.h"
#include "record_pass.h"

namespace varnoke {

// Validates the file, scans its point records and rewrites its header. Returns 0 once the new
// header is on the disk, or -1 after printing why not; before the header write, every failure
// leaves the file as it was.
int update_header_status(const char *filename, const AfterScan &after_scan = {});

// Whether the update must stop at the header it read through its own handle, judged with
// `status` (from read_and_judge): a read error, a short file, a header other than the one
// validation accepted as `validated_type` by name, type 0, or an offset to point data out of
// range. Prints the message when it must.
bool refused_for_update(int status, int16_t validated_type, const JudgedFile &judged,
                        const char *filename);

}  // namespace varnoke

#endif
