// The files to judge, one at a time and in order: the PATHs of the command line (a folder walked
// recursively, its entries sorted), then the PATHs of the --files-from list, each of which may be
// a folder too. Only the folders being walked are held in memory, never the whole list.
#ifndef VARNOKE_LAS_PATH_LIST_H
#define VARNOKE_LAS_PATH_LIST_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "folder_walk.h"

namespace varnoke_las {

// Why a list stopped before its end.
enum class ListError {
    none,
    read,      // the system reported a read error
    nul,       // a line holds a NUL byte: a list of NUL-terminated items read without --null
    too_long,  // an item longer than kLongestItem bytes
};

// The longest item taken, the system's limit of a path; a longer one stops the list before
// more memory is taken.
extern const std::size_t kLongestItem;

// The items of a list file, one a line or NUL-terminated; empty items are skipped.
class ListReader {
public:
    // `stopped` is asked before each read of the file, so that a list of nothing but empty
    // items (/dev/zero read with --null) ends when the run is stopped.
    ListReader(std::FILE *file, bool null_separated, StopAsked stopped);
    // False at the end of the list, when the run is stopped, or at an item that cannot be a
    // path (error() tells).
    bool next(std::string &item);
    ListError error() const { return error_; }
    uint64_t items() const { return items_; }  // read so far, the one in error included

private:
    std::FILE *file_;
    char separator_;
    StopAsked stopped_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0, end_ = 0;
    uint64_t items_ = 0;
    bool eof_ = false;
    ListError error_ = ListError::none;
};

class PathList {
public:
    // `list` is the opened --files-from file, or null.
    PathList(std::vector<std::string> paths, std::FILE *list, bool null_separated,
             StopAsked stopped);
    bool next(Entry &entry);
    ListError list_error() const { return reader_ ? reader_->error() : ListError::none; }
    uint64_t list_items() const { return reader_ ? reader_->items() : 0; }
    bool exhausted() const { return exhausted_; }  // every entry listed

private:
    bool start(const std::string &path, Entry &entry);
    std::vector<std::string> paths_;
    StopAsked stopped_;
    std::size_t next_path_ = 0;
    std::optional<ListReader> reader_;
    std::optional<FolderWalk> walk_;
    bool exhausted_ = false;
};

}  // namespace varnoke_las

#endif
