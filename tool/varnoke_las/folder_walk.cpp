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

namespace {

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
    if ((errno == ELOOP || errno == ENOTDIR) && fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode)) {
        return VARNOKE_LAS_ERR_LINK;
    }
    return VARNOKE_LAS_ERR_OPEN;
}
#endif

std::string shown_prefix(const std::string &folder) {
    if (!folder.empty() && folder.back() == '/') return folder;
#if defined(_WIN32)
    if (!folder.empty() && folder.back() == '\\') return folder;
    return folder + '\\';
#else
    return folder + '/';
#endif
}

}  // namespace

FolderWalk::FolderWalk(const std::string &root) {
    Entry refused;
    Level level;
#if defined(_WIN32)
    level.folder = std::filesystem::path(root);
#else
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        pending_ = Entry{root, VARNOKE_LAS_ERR_OPEN, nullptr, {}};
        return;
    }
    level.folder = std::make_shared<const OpenFolder>(fd);
#endif
    enter(std::move(level), root, &refused);
    if (!refused.path.empty()) pending_ = std::move(refused);
}

// Reads and sorts the children of `level`'s folder and makes it the deepest level; a folder
// that cannot be read sets `refused` instead.
void FolderWalk::enter(Level level, const std::string &shown, Entry *refused) {
#if defined(_WIN32)
    std::error_code error;
    std::filesystem::directory_iterator it(level.folder, error);
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
        *refused = Entry{shown, VARNOKE_LAS_ERR_OPEN, nullptr, {}};
        return;
    }
    const std::string &names = level.names;
    std::sort(level.order.begin(), level.order.end(), [&names](std::size_t a, std::size_t b) {
        return std::strcmp(name_at(names, a), name_at(names, b)) < 0;
    });
    level.prefix = shown_prefix(shown);
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
        if (level.next == level.order.size()) {
            levels_.pop_back();
            continue;
        }
        const std::size_t start = level.order[level.next++];
        const bool folder = level.names[start] == 'd';
        std::string name = name_at(level.names, start);
        std::string shown = level.prefix + name;
        if (!folder) {
#if defined(_WIN32)
            entry = Entry{std::move(shown), 0, nullptr, {}};
#else
            entry = Entry{std::move(shown), 0, level.folder, std::move(name)};
#endif
            return true;
        }
        Level child;
#if defined(_WIN32)
        child.folder = level.folder / std::filesystem::path(name);
#else
        const int fd = openat(level.folder->fd, name.c_str(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            entry = Entry{std::move(shown), open_refusal(level.folder->fd, name.c_str()), nullptr, {}};
            return true;
        }
        child.folder = std::make_shared<const OpenFolder>(fd);
#endif
        Entry refused;
        enter(std::move(child), shown, &refused);  // may invalidate `level`
        if (!refused.path.empty()) {
            entry = std::move(refused);
            return true;
        }
    }
    return false;
}

}  // namespace varnoke_las
