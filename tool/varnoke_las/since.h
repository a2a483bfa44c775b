// --since REPORT.jsonl: a file whose device, inode, size and times of last change (of its data
// and of its state) are those an earlier JSON report recorded keeps its recorded result without
// being read. The report is read once into an index of its lines by path; a line is read again
// only when its file is taken, so memory grows with the paths, not with the report.
#ifndef VARNOKE_LAS_SINCE_H
#define VARNOKE_LAS_SINCE_H

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "json_text.h"
#include "judgement.h"

namespace varnoke_las {

// What the system says of a file now, in the terms the report records.
struct FileIdentity {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified_ns = 0, status_changed_ns = 0;
    bool operator==(const FileIdentity &) const = default;
};

// The identity of the file of `entry`, stated as the library states it (links followed for a
// path given, not for a file a walk found); none where the system cannot tell, or keeps no
// inodes and no time of status change (Windows), so that nothing is reused there.
std::optional<FileIdentity> identity_of(const Entry &entry);

// Whether a recorded result rests on the file's bytes alone, and may stand for a run of
// `command`: never one a repair must act on (stale, truncated), nor a refusal for a reason of
// the moment (a read error, no memory, a change during the read, a stop).
bool reusable(const FileResult &recorded, Command command);

// The result a JSON line of layout 2 records: its path, status and report as far as the line
// tells them, interpreted under `options`; false where the line is no such result or does not
// read back to the result it records.
bool result_from_json(const JsonValue &line, const Options &options, FileResult &out);

class EarlierReport {
public:
    EarlierReport() = default;
    ~EarlierReport();
    EarlierReport(const EarlierReport &) = delete;
    EarlierReport &operator=(const EarlierReport &) = delete;

    // Indexes the report at `path`; false, with `error`, where it cannot be read. Lines that are
    // not results of layout 2 are passed over; a path recorded twice keeps its last line.
    bool load(const std::string &path, std::string &error);
    std::size_t size() const { return lines_.size(); }

    // The recorded result of `entry`'s file if it is still the file recorded and its result may
    // stand under `options`. Safe to call from several threads at once.
    std::optional<FileResult> reuse(const Entry &entry, const Options &options) const;

private:
    struct Line {
        FileIdentity identity;
        uint64_t at = 0;
        std::size_t bytes = 0;
    };
    std::unordered_map<std::string, Line> lines_;
    int fd_ = -1;
};

}  // namespace varnoke_las

#endif
