// A LAS file as the repair sees it through one open handle: its state, its header's bytes and
// the layout judged on them. Everything later decided about the file, and the last look before
// a write, rests on what is read here.
#ifndef VARNOKE_JUDGED_FILE_H
#define VARNOKE_JUDGED_FILE_H

#include <cstddef>
#include <cstdio>

#include "file_io.h"
#include "point_layout.h"
#include "vlr_walk.h"

namespace varnoke {

struct JudgedFile {
    FileState state;                              // when the header was read
    unsigned char header[kMostHeaderBytes] = {};  // the first bytes of the file, as read
    std::size_t got = 0;                          // how many of them the file has
    PointLayout layout;
    VlrWalk vlrs;        // judged by LayoutRules::kAllVersions
    EvlrWalk evlrs;      // LAS 1.4 with extended VLRs counted from inside the file
    unsigned known = 0;  // VARNOKE_LAS_KNOWN_* bits of what was learned: the state, the
                         // version, the layout
};

// Learns the state of the file under `f` and reads its header from the start of the file
// through the stream, then judges it by `rules` (and, by LayoutRules::kAllVersions, walks its
// VLRs and EVLRs). Returns VARNOKE_LAS_OK, or the varnoke_las_status of the first rule broken: a
// read error, not a regular file (nothing is read then), or a judgement of judge_layout. `out`
// holds what was learned up to then.
int read_and_judge(std::FILE *f, LayoutRules rules, JudgedFile &out);

// The last look before a write through `f`: its header bytes, size and times of last change (of
// its data and of its state) must be those of `judged`. VARNOKE_LAS_OK, VARNOKE_LAS_ERR_CHANGED, or
// VARNOKE_LAS_ERR_READ where the system cannot tell.
int still_as_judged(std::FILE *f, const JudgedFile &judged);

}  // namespace varnoke

#endif
