// The two steps that every face of the repair takes after the header is judged: one pass over
// the records, and the one write of the header.
#ifndef VARNOKE_RECORD_PASS_H
#define VARNOKE_RECORD_PASS_H

#include <cstdio>
#include <functional>

#include "file_io.h"
#include "judged_file.h"
#include "record_tally.h"

namespace varnoke {

// Called between the scan and the last look before the write; the tests change the file there.
using AfterScan = std::function<void()>;

// Tallies the records `judged` lays out, through `f`. VARNOKE_LAS_OK, VARNOKE_LAS_ERR_READ or
// VARNOKE_LAS_ERR_NO_MEMORY.
int scan_records(std::FILE *f, const JudgedFile &judged, PointTally &tally);

// Writes the first `judged.layout.header_bytes` bytes of `header` over the start of the file
// through `file`, then flushes, syncs and closes it, if the file is still as it was judged (the
// last look). VARNOKE_LAS_OK; VARNOKE_LAS_ERR_CHANGED or _READ with nothing written; or
// VARNOKE_LAS_ERR_WRITE. The handle is closed in every case.
int write_header(File file, const JudgedFile &judged, const unsigned char *header);

}  // namespace varnoke

#endif
