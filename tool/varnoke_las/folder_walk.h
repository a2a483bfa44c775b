// A folder walked depth first through the handles of its folders: in each folder the entries
// sorted by name (byte order), a subfolder's files at the place of its name. Only regular files
// with a .las name are taken; symbolic links found inside, to files or folders, are not followed,
// and each file is later opened relative to the handle of the folder it was found in, so that a
// folder or file swapped for a link meanwhile is refused, not followed out of the tree. Memory
// holds the names of the folders being walked only (one folder's names per open level).
#ifndef VARNOKE_LAS_FOLDER_WALK_H
#define VARNOKE_LAS_FOLDER_WALK_H

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnoke_las {

// A folder open under a descriptor, shared by the entries listed from it; closed with the last.
struct OpenFolder {
    int fd = -1;
    explicit OpenFolder(int descriptor) : fd(descriptor) {}
    ~OpenFolder();
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
};

struct Entry {
    std::string path;  // as shown
    int refused = 0;   // a varnoke_las_status when the entry is refused without being judged
    // Where the walk found the file (POSIX): its folder's handle and its name there. Without a
    // folder the file is opened by its path.
    std::shared_ptr<const OpenFolder> folder;
    std::string name;
};

// True for a name ending in ".las" or ".laz" (".copc.laz" too) in any case.
bool has_las_extension(const std::string &name);

class FolderWalk {
public:
    // `root` is followed if it is a link, as every path given by the user is.
    explicit FolderWalk(const std::string &root);
    bool next(Entry &entry);

private:
    struct Level {
#if defined(_WIN32)
        std::filesystem::path folder;
#else
        std::shared_ptr<const OpenFolder> folder;
#endif
        std::string prefix;  // the folder's path as shown, ending in a separator
        // Each child as a kind ('d' a folder, 'f' a file), its name and a NUL, one after another;
        // `order` holds where each starts, sorted by name.
        std::string names;
        std::vector<std::size_t> order;
        std::size_t next = 0;
    };
    void enter(Level level, const std::string &shown, Entry *refused);
    std::vector<Level> levels_;
    std::optional<Entry> pending_;
};

}  // namespace varnoke_las

#endif
