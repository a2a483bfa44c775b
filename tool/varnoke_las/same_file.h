// One file named more than once in a run (twice in the list, as a file and inside a folder
// walked, through a hard link) is judged once: the later names take the result of the first,
// each under its own name, so that a repair writes once and no two threads read one file.
// Files are known by the device and inode they had when listed; the most recent `remembered`
// files are remembered, so memory stays bounded: a file named again after more than that many
// others is judged again (after a repair it is then right).
#ifndef VARNOKE_LAS_SAME_FILE_H
#define VARNOKE_LAS_SAME_FILE_H

#include <cstddef>
#include <deque>
#include <memory>
#include <unordered_map>

#include "folder_walk.h"
#include "judgement.h"

namespace varnoke_las {

// The result of the first name of a file, for its later names; filled when it is handed on.
struct SharedResult {
    FileResult result;
};

class SameFiles {
public:
    explicit SameFiles(std::size_t remembered);

    struct Listing {
        std::shared_ptr<SharedResult> shared;  // null where the file's key is unknown
        bool earlier = false;  // an earlier name of the file is judged: this one is not
    };
    // The file of an entry listed, by its key.
    Listing listed(const FileKey &key);

private:
    struct KeyHash {
        std::size_t operator()(const FileKey &key) const;
    };
    std::size_t remembered_;
    std::unordered_map<FileKey, std::shared_ptr<SharedResult>, KeyHash> files_;
    std::deque<FileKey> order_;  // the keys remembered, oldest first
};

}  // namespace varnoke_las

#endif
