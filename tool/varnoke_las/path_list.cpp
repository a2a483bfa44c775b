#include "path_list.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace varnoke_las {

namespace fs = std::filesystem;

#if defined(PATH_MAX)
const std::size_t kLongestItem = PATH_MAX;
#else
const std::size_t kLongestItem = 32767;  // the longest path of Windows
#endif

namespace {

// Whatever the file holds now, up to `size` bytes, without waiting for more (a list arriving
// through a pipe is judged as it comes); 0 at the end, -1 on an error.
// A signal that stops the run ends the wait of a read with errno EINTR.
long read_some(std::FILE *file, char *buffer, std::size_t size, StopAsked stopped) {
#if defined(_WIN32)
    (void)stopped;
    return _read(_fileno(file), buffer, static_cast<unsigned>(size));
#else
    for (;;) {
        const ssize_t got = ::read(fileno(file), buffer, size);
        if (got >= 0 || errno != EINTR || stopped()) return static_cast<long>(got);
    }
#endif
}

}  // namespace

ListReader::ListReader(std::FILE *file, bool null_separated, StopAsked stopped)
    : file_(file), separator_(null_separated ? '\0' : '\n'), stopped_(stopped), buffer_(1 << 16) {}

bool ListReader::next(std::string &item) {
    item.clear();
    if (error_ != ListError::none) return false;
    const auto stop_at = [&](ListError why) {
        ++items_;
        error_ = why;
        return false;
    };
    for (;;) {
        const char *const begin = buffer_.data() + begin_;
        const char *const end = buffer_.data() + end_;
        const char *const stop = std::find(begin, end, separator_);
        if (separator_ != '\0' && std::find(begin, stop, '\0') != stop) {
            return stop_at(ListError::nul);
        }
        if (item.size() + static_cast<std::size_t>(stop - begin) > kLongestItem) {
            return stop_at(ListError::too_long);
        }
        item.append(begin, stop);
        if (stop != end) {
            begin_ = static_cast<std::size_t>(stop - buffer_.data()) + 1;
            if (item.empty()) continue;
            ++items_;
            return true;
        }
        begin_ = end_ = 0;
        if (eof_) {
            if (item.empty()) return false;
            ++items_;
            return true;
        }
        // Empty items alone never end the loop otherwise: a buffer read is a small step.
        if (stopped_()) return false;
        const long got = read_some(file_, buffer_.data(), buffer_.size(), stopped_);
        if (got < 0) {
#if !defined(_WIN32)
            if (errno == EINTR) return false;  // the run is stopped
#endif
            error_ = ListError::read;
            return false;
        }
        end_ = static_cast<std::size_t>(got);
        eof_ = got == 0;
    }
}

PathList::PathList(std::vector<std::string> paths, std::FILE *list, bool null_separated,
                   StopAsked stopped)
    : paths_(std::move(paths)), stopped_(stopped) {
    if (list != nullptr) reader_.emplace(list, null_separated, stopped);
}

// A folder starts a walk; anything else is an entry to judge, known by its device and inode
// where it is a regular file.
bool PathList::start(const std::string &path, Entry &entry) {
    FileKey key;
#if defined(_WIN32)
    std::error_code error;
    const bool folder = fs::is_directory(path, error);
#else
    struct stat st;
    const bool found = stat(path.c_str(), &st) == 0;
    const bool folder = found && S_ISDIR(st.st_mode);
    if (found && S_ISREG(st.st_mode)) {
        key = FileKey{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), true};
    }
#endif
    if (folder) {
        walk_.emplace(path, stopped_);
        return false;
    }
    entry = Entry::named(path, key);
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
        if (!reader_ || !reader_->next(item)) {
            exhausted_ = true;
            return false;
        }
        if (start(item, entry)) return true;
    }
}

}  // namespace varnoke_las
