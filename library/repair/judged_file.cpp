#include "judged_file.h"

#include <cstring>

#include "Varnoke_LiDAR.h"
#include "header_bytes.h"

namespace varnoke {

namespace {

int64_t read_through(void *f, uint64_t position, void *to, std::size_t size) {
    return read_at(static_cast<std::FILE *>(f), position, to, size);
}

}  // namespace

int read_and_judge(std::FILE *f, LayoutRules rules, JudgedFile &out) {
    if (!file_state(f, out.state)) return VARNOKE_LAS_ERR_READ;
    out.known = VARNOKE_LAS_KNOWN_FILE;
    // Only a regular file is read: a pipe or a device could make a read wait for ever.
    if (!out.state.regular) return VARNOKE_LAS_ERR_NOT_REGULAR;
    out.got = std::fread(out.header, 1, sizeof out.header, f);
    if (std::ferror(f)) return VARNOKE_LAS_ERR_READ;
    const int judged =
        judge_layout(out.header, out.got, static_cast<uint64_t>(out.state.size), rules, out.layout);
    if (out.got > at::kVersionMinor && std::memcmp(out.header, "LASF", 4) == 0) {
        out.known |= VARNOKE_LAS_KNOWN_VERSION;
    }
    if (judged == VARNOKE_LAS_OK) out.known |= VARNOKE_LAS_KNOWN_LAYOUT;
    if (judged != VARNOKE_LAS_OK || rules != LayoutRules::kAllVersions) return judged;
    const PointLayout &layout = out.layout;
    const int walked =
        walk_vlrs(read_through, f, layout.vlr_start, layout.vlr_count, layout.start, out.vlrs);
    if (walked != VARNOKE_LAS_OK) return walked;
    return walk_evlrs(read_through, f, layout.evlr_start, layout.evlr_count,
                      static_cast<uint64_t>(out.state.size), out.evlrs);
}

int still_as_judged(std::FILE *f, const JudgedFile &judged) {
    FileState now;
    if (!file_state(f, now)) return VARNOKE_LAS_ERR_READ;
    // The same file (not another one given its name), not written to since (its status time
    // too, which a writer that puts the data time back cannot restore): only then are its
    // header bytes read again, so that a pipe put in its place is never read.
    if (now.device != judged.state.device || now.inode != judged.state.inode ||
        now.size != judged.state.size || now.modified_ns != judged.state.modified_ns ||
        now.status_changed_ns != judged.state.status_changed_ns) {
        return VARNOKE_LAS_ERR_CHANGED;
    }
    unsigned char header[kMostHeaderBytes];
    const int64_t got = read_at(f, 0, header, judged.got);
    if (got < 0) return VARNOKE_LAS_ERR_READ;
    const bool same = static_cast<std::size_t>(got) == judged.got &&
                      std::memcmp(header, judged.header, judged.got) == 0;
    return same ? VARNOKE_LAS_OK : VARNOKE_LAS_ERR_CHANGED;
}

}  // namespace varnoke
