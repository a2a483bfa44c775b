// The header update as a function that reports its outcome instead of ending the process.
#ifndef VARNOKE_HEADER_UPDATE_H
#define VARNOKE_HEADER_UPDATE_H

namespace varnoke {

// Validates the file, scans its point records and rewrites its header. Returns 0 once the new
// header is on the disk, or -1 after printing why not; before the header write, every failure
// leaves the file as it was.
int update_header_status(const char *filename);

}  // namespace varnoke

#endif
