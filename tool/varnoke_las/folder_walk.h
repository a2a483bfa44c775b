// A folder walked depth first through the handles of its folders: in each folder the entries
// sorted by name (byte order), a subfolder's files at the place of its name. Only regular files
// with a .las name are taken; symbolic links found inside, to files or folders, are not followed,
// and each file is later opened relative to the handle of the folder it was found in, so that a
// folder or file swapped for a link meanwhile is refused, not followed out of the tree.
// Memory holds the names in the folders being walked (one folder's names per level) and the
// path of the deepest once: it grows with the depth, not with its square. At most the root and
// the kOpenLevels deepest folders are held open; a folder closed on the way down is opened again
// on the way up, as the parent of its child, and taken only if it is the same folder (device and
// inode) as walked.
#ifndef VARNOKE_LAS_FOLDER_WALK_H
#define VARNOKE_LAS_FOLDER_WALK_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnoke_las {

// Whether the run is to stop; asked while a list or a walk yields nothing to judge.
using StopAsked = bool (*)();

// A folder open under a descriptor, shared by the entries listed from it; closed with the last.
struct OpenFolder {
    int fd = -1;
    explicit OpenFolder(int descriptor) : fd(descriptor) {}
    ~OpenFolder();
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
};

// A file as the system knows it, whatever its name: its device and inode (POSIX only).
struct FileKey {
    uint64_t device = 0, inode = 0;
    bool known = false;
    bool operator==(const FileKey &) const = default;
};

struct Entry {
    std::string path;  // as shown
    int refused = 0;   // a varnoke_las_status when the entry is refused without being judged
    // Where the walk found the file (POSIX): its folder's handle and its name there. Without a
    // folder the file is opened by its path.
    std::shared_ptr<const OpenFolder> folder;
    std::string name;
    FileKey key;  // as the entry was listed; unknown where it could not be told

    static Entry named(std::string path, FileKey key);
    static Entry refusal(std::string path, int status);
};

// True for a name ending in ".las" or ".laz" (".copc.laz" too) in any case.
bool has_las_extension(const std::string &name);

class FolderWalk {
public:
    // The folders held open below the root.
    static constexpr std::size_t kOpenLevels = 16;

    // `root` is followed if it is a link, as every path given by the user is. `stopped` is
    // asked before each folder is read.
    FolderWalk(const std::string &root, StopAsked stopped);
    bool next(Entry &entry);

private:
    struct Level {
#if !defined(_WIN32)
        std::shared_ptr<const OpenFolder> folder;  // null while closed
        FileKey key;                               // of the folder, to know it again
#endif
        std::size_t shown_size = 0;  // of the folder's path as shown, with its separator
        // Each child as a kind ('d' a folder, 'f' a file), its name and a NUL, one after another;
        // `order` holds where each starts, sorted by name.
        std::string names;
        std::vector<std::size_t> order;
        std::size_t next = 0;
    };
    bool enter(Level level, Entry &refused);
    bool leave(Entry &refused);
    StopAsked stopped_;
    std::string shown_;  // the path of the deepest folder as shown, ending in a separator
    std::vector<Level> levels_;
    std::optional<Entry> pending_;
};

}  // namespace varnoke_las

#endif
