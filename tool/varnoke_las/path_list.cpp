#include "path_list.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "Varnoke_LiDAR.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>

#include <cerrno>
#endif

namespace varnoke_las {

namespace fs = std::filesystem;

namespace {

// Whatever the file holds now, up to `size` bytes, without waiting for more (a list arriving
// through a pipe is judged as it comes); 0 at the end, -1 on an error.
long read_some(std::FILE *file, char *buffer, std::size_t size) {
#if defined(_WIN32)
    return _read(_fileno(file), buffer, static_cast<unsigned>(size));
#else
    for (;;) {
        const ssize_t got = ::read(fileno(file), buffer, size);
        if (got >= 0 || errno != EINTR) return static_cast<long>(got);
    }
#endif
}

}  // namespace

bool has_las_extension(const std::string &name) {
    if (name.size() < 4) return false;
    const char *const tail = name.data() + name.size() - 4;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return tail[0] == '.' && lower(tail[1]) == 'l' && lower(tail[2]) == 'a' &&
           lower(tail[3]) == 's';
}

FolderWalk::FolderWalk(const fs::path &root) {
    Entry refused;
    enter(root, &refused);
    if (!refused.path.empty()) pending_ = std::move(refused);
}

// Reads and sorts the entries of `folder` as a new level; a folder that cannot be read sets
// `refused` instead.
void FolderWalk::enter(const fs::path &folder, Entry *refused) {
    Level level;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::file_type type = it->symlink_status(error).type();
        if (error) break;
        if (type == fs::file_type::directory) {
            level.children.push_back({it->path(), true});
        } else if (type == fs::file_type::regular &&
                   has_las_extension(it->path().filename().string())) {
            level.children.push_back({it->path(), false});
        }
    }
    if (error) {
        refused->path = folder.string();
        refused->refused = VARNOKE_LAS_ERR_OPEN;
        return;
    }
    std::sort(level.children.begin(), level.children.end(), [](const Child &a, const Child &b) {
        return a.path.filename().native() < b.path.filename().native();
    });
    levels_.push_back(std::move(level));
}

bool FolderWalk::next(Entry &entry) {
    if (pending_) {
        entry = std::move(*pending_);
        pending_.reset();
        return true;
    }
    while (!levels_.empty()) {
        Level &level = levels_.back();
        if (level.next == level.children.size()) {
            levels_.pop_back();
            continue;
        }
        Child child = std::move(level.children[level.next++]);
        if (!child.folder) {
            entry = Entry{child.path.string(), 0};
            return true;
        }
        Entry refused;
        enter(child.path, &refused);  // may invalidate `level`
        if (!refused.path.empty()) {
            entry = std::move(refused);
            return true;
        }
    }
    return false;
}

ListReader::ListReader(std::FILE *file, bool null_separated)
    : file_(file), separator_(null_separated ? '\0' : '\n'), buffer_(1 << 16) {}

bool ListReader::next(std::string &item) {
    item.clear();
    for (;;) {
        const char *const begin = buffer_.data() + begin_;
        const char *const end = buffer_.data() + end_;
        const char *const stop = std::find(begin, end, separator_);
        item.append(begin, stop);
        if (stop != end) {
            begin_ = static_cast<std::size_t>(stop - buffer_.data()) + 1;
            if (item.empty()) continue;
            return true;
        }
        begin_ = end_ = 0;
        if (eof_) return !item.empty();
        const long got = read_some(file_, buffer_.data(), buffer_.size());
        if (got < 0) {
            failed_ = true;
            return false;
        }
        end_ = static_cast<std::size_t>(got);
        eof_ = got == 0;
    }
}

PathList::PathList(std::vector<std::string> paths, std::FILE *list, bool null_separated)
    : paths_(std::move(paths)) {
    if (list != nullptr) reader_.emplace(list, null_separated);
}

// A folder starts a walk; anything else is an entry to judge.
bool PathList::start(const std::string &path, Entry &entry) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        walk_.emplace(fs::path(path));
        return false;
    }
    entry = Entry{path, 0};
    return true;
}

bool PathList::next(Entry &entry) {
    for (;;) {
        if (walk_) {
            if (walk_->next(entry)) return true;
            walk_.reset();
        }
        if (next_path_ < paths_.size()) {
            if (start(paths_[next_path_++], entry)) return true;
            continue;
        }
        std::string item;
        if (!reader_ || !reader_->next(item)) return false;
        if (start(item, entry)) return true;
    }
}

}  // namespace varnoke_las
