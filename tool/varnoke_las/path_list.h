// The files to judge, one at a time and in order: the PATHs of the command line (a folder walked
// recursively, its entries sorted), then the PATHs of the --files-from list, each of which may be
// a folder too. Only the folders being walked are held in memory, never the whole list.
#ifndef VARNOKE_LAS_PATH_LIST_H
#define VARNOKE_LAS_PATH_LIST_H

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnoke_las {

struct Entry {
    std::string path;
    int refused = 0;  // a varnoke_las_status when the entry is refused without being judged
};

// True for a name ending in ".las" in any case.
bool has_las_extension(const std::string &name);

// A folder walked depth first: in each folder the entries sorted by name (byte order), a
// subfolder's files at the place of its name. Only regular files with a .las name are taken;
// symbolic links, to files or folders, are not followed. A folder that cannot be read is an
// entry refused with VARNOKE_LAS_ERR_OPEN.
class FolderWalk {
public:
    explicit FolderWalk(const std::filesystem::path &root);
    bool next(Entry &entry);

private:
    struct Child {
        std::filesystem::path path;
        bool folder;
    };
    struct Level {
        std::vector<Child> children;
        std::size_t next = 0;
    };
    void enter(const std::filesystem::path &folder, Entry *refused);
    std::vector<Level> levels_;
    std::optional<Entry> pending_;
};

// The items of a list file, one a line or NUL-terminated; empty items are skipped.
class ListReader {
public:
    ListReader(std::FILE *file, bool null_separated);
    // False at the end of the list or on a read error (failed() tells).
    bool next(std::string &item);
    bool failed() const { return failed_; }

private:
    std::FILE *file_;
    char separator_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0, end_ = 0;
    bool eof_ = false, failed_ = false;
};

class PathList {
public:
    // `list` is the opened --files-from file, or null.
    PathList(std::vector<std::string> paths, std::FILE *list, bool null_separated);
    bool next(Entry &entry);
    bool list_failed() const { return reader_ && reader_->failed(); }

private:
    bool start(const std::string &path, Entry &entry);
    std::vector<std::string> paths_;
    std::size_t next_path_ = 0;
    std::optional<ListReader> reader_;
    std::optional<FolderWalk> walk_;
};

}  // namespace varnoke_las

#endif
