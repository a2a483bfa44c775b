#include "folder_walk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "Varnoke_LiDAR.h"

#if !defined(_WIN32)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace varnoke_las {

bool has_las_extension(const std::string &name) {
    if (name.size() < 4) return false;
    const char *const tail = name.data() + name.size() - 4;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    // .las, and .laz (which .copc.laz ends in too)
    return tail[0] == '.' && lower(tail[1]) == 'l' && lower(tail[2]) == 'a' &&
           (lower(tail[3]) == 's' || lower(tail[3]) == 'z');
}

OpenFolder::~OpenFolder() {
#if !defined(_WIN32)
    if (fd >= 0) close(fd);
#endif
}

Entry Entry::named(std::string path, FileKey key) {
    Entry entry;
    entry.path = std::move(path);
    entry.key = key;
    return entry;
}

Entry Entry::refusal(std::string path, int status) {
    Entry entry;
    entry.path = std::move(path);
    entry.refused = status;
    return entry;
}

namespace {

#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

void add_child(std::string &names, std::vector<std::size_t> &order, char kind,
               const std::string &name) {
    order.push_back(names.size());
    names += kind;
    names += name;
    names += '\0';
}

const char *name_at(const std::string &names, std::size_t start) {
    return names.data() + start + 1;
}

#if !defined(_WIN32)
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY;

FileKey key_of(const struct stat &st) {
    return FileKey{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), true};
}

// The folder `name` under `parent`, following no link, if it is the folder `key` (or any
// folder where `key` is unknown); null otherwise.
std::shared_ptr<const OpenFolder> open_folder(int parent, const char *name, int flags,
                                              FileKey *key) {
    const int fd = openat(parent, name, flags);
    if (fd < 0) return nullptr;
    auto folder = std::make_shared<const OpenFolder>(fd);
    struct stat st;
    if (fstat(fd, &st) != 0) return nullptr;
    if (key->known && key_of(st) != *key) return nullptr;
    *key = key_of(st);
    return folder;
}

// The children of the folder under `fd` worth taking: folders, and regular files with a .las
// name; links are neither. False, with errno set, when the folder cannot be read.
bool read_children(int fd, std::string &names, std::vector<std::size_t> &order) {
    const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return false;
    DIR *const dir = fdopendir(copy);
    if (dir == nullptr) {
        const int why = errno;
        close(copy);
        errno = why;
        return false;
    }
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent *const d = readdir(dir);
        if (d == nullptr) {
            ok = errno == 0;
            break;
        }
        const std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = d->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
        }
        if (type == DT_DIR) {
            add_child(names, order, 'd', name);
        } else if (type == DT_REG && has_las_extension(name)) {
            add_child(names, order, 'f', name);
        }
    }
    const int why = errno;
    closedir(dir);
    errno = why;
    return ok;
}

// Why a folder of the walk cannot be entered: a link put in its place is named as such.
int open_refusal(int parent, const char *name) {
    struct stat st;
    if ((errno == ELOOP || errno == ENOTDIR) &&
        fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
        return VARNOKE_LAS_ERR_LINK;
    }
    return VARNOKE_LAS_ERR_FOLDER;
}
#endif

}  // namespace

FolderWalk::FolderWalk(const std::string &root, StopAsked stopped) : stopped_(stopped) {
    Level level;
    shown_ = root;
#if !defined(_WIN32)
    level.folder = open_folder(AT_FDCWD, root.c_str(), kFolderFlags, &level.key);
    if (!level.folder) {
        pending_ = Entry::refusal(root, VARNOKE_LAS_ERR_FOLDER);
        return;
    }
#endif
    Entry refused;
    if (!enter(std::move(level), refused)) pending_ = std::move(refused);
}

// Reads and sorts the children of the folder whose path shown_ holds, without its separator,
// and makes it the deepest level; false, with `refused` set, when the folder cannot be read.
bool FolderWalk::enter(Level level, Entry &refused) {
#if defined(_WIN32)
    std::error_code error;
    std::filesystem::directory_iterator it(std::filesystem::path(shown_), error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::filesystem::file_type type = it->symlink_status(error).type();
        if (error) break;
        const std::string name = it->path().filename().string();
        if (type == std::filesystem::file_type::directory) {
            add_child(level.names, level.order, 'd', name);
        } else if (type == std::filesystem::file_type::regular && has_las_extension(name)) {
            add_child(level.names, level.order, 'f', name);
        }
    }
    const bool ok = !error;
#else
    const bool ok = read_children(level.folder->fd, level.names, level.order);
#endif
    if (!ok) {
        refused = Entry::refusal(shown_, VARNOKE_LAS_ERR_FOLDER);
        shown_.resize(levels_.empty() ? 0 : levels_.back().shown_size);
        return false;
    }
    const std::string &names = level.names;
    std::sort(level.order.begin(), level.order.end(), [&names](std::size_t a, std::size_t b) {
        return std::strcmp(name_at(names, a), name_at(names, b)) < 0;
    });
    if (shown_.empty() || (shown_.back() != '/' && shown_.back() != kSeparator)) {
        shown_ += kSeparator;
    }
    level.shown_size = shown_.size();
    levels_.push_back(std::move(level));
#if !defined(_WIN32)
    // The root stays open; of the others only the deepest kOpenLevels.
    if (levels_.size() > kOpenLevels + 1) levels_[levels_.size() - 1 - kOpenLevels].folder.reset();
#endif
    return true;
}

// Ends the deepest level. False, with `refused` set, where its parent was closed and cannot be
// opened again as the same folder: the rest of the parent is then not walked.
bool FolderWalk::leave(Entry &refused) {
#if defined(_WIN32)
    levels_.pop_back();
    if (!levels_.empty()) shown_.resize(levels_.back().shown_size);
    (void)refused;
    return true;
#else
    const std::shared_ptr<const OpenFolder> child = std::move(levels_.back().folder);
    levels_.pop_back();
    if (levels_.empty()) return true;
    Level &parent = levels_.back();
    shown_.resize(parent.shown_size);
    if (parent.folder) return true;
    // Through the child's "..": one step, whatever the depth.
    if (child) parent.folder = open_folder(child->fd, "..", kFolderFlags, &parent.key);
    if (parent.folder) return true;
    // The child was moved, or its parent may no longer be opened: down again from the nearest
    // open folder, name by name, each the folder it was.
    std::size_t open = levels_.size() - 1;
    while (!levels_[open].folder) --open;  // the root is always open
    std::shared_ptr<const OpenFolder> at = levels_[open].folder;
    for (std::size_t k = open + 1; at && k < levels_.size(); ++k) {
        const Level &above = levels_[k - 1];
        const char *const name = name_at(above.names, above.order[above.next - 1]);
        at = open_folder(at->fd, name, kFolderFlags | O_NOFOLLOW, &levels_[k].key);
    }
    parent.folder = std::move(at);
    if (parent.folder) return true;
    parent.next = parent.order.size();
    refused = Entry::refusal(shown_.substr(0, shown_.size() - 1), VARNOKE_LAS_ERR_FOLDER);
    return false;
#endif
}

bool FolderWalk::next(Entry &entry) {
    if (pending_) {
        entry = std::move(*pending_);
        pending_.reset();
        return true;
    }
    while (!levels_.empty()) {
        Level &level = levels_.back();
        if (level.next == level.order.size()) {
            if (!leave(entry)) return true;
            continue;
        }
        const std::size_t start = level.order[level.next++];
        const char *const name = name_at(level.names, start);
        if (level.names[start] == 'f') {
            entry = Entry::named(shown_ + name, FileKey{});
#if !defined(_WIN32)
            struct stat st;
            if (fstatat(level.folder->fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode)) {
                entry.key = key_of(st);
            }
            entry.folder = level.folder;
            entry.name = name;
#endif
            return true;
        }
        // A tree of folders without files lists nothing for long.
        if (stopped_()) {
            levels_.clear();
            return false;
        }
        shown_ += name;
        Level child;
#if !defined(_WIN32)
        child.folder = open_folder(level.folder->fd, name, kFolderFlags | O_NOFOLLOW, &child.key);
        if (!child.folder) {
            entry = Entry::refusal(shown_, open_refusal(level.folder->fd, name));
            shown_.resize(level.shown_size);
            return true;
        }
#endif
        if (!enter(std::move(child), entry)) return true;  // may invalidate `level`
    }
    return false;
}

}  // namespace varnoke_las
