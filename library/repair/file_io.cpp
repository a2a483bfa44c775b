#include "file_io.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(_WIN32)
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace varnoke {

bool seek_to(std::FILE *f, uint64_t position) {
#if defined(_WIN32)
    if (position > static_cast<uint64_t>(std::numeric_limits<__int64>::max())) return false;
    return _fseeki64(f, static_cast<__int64>(position), SEEK_SET) == 0;
#else
    static_assert(sizeof(off_t) >= 8, "64-bit file offsets are required");
    if (position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return false;
    return fseeko(f, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

File open_without_waiting(const char *name, const char *mode) {
    return open_named(FileName{kByPath, name}, mode);
}

File open_named(const FileName &where, const char *mode) {
#if defined(_WIN32)
    // No name of a pipe or device is opened by mistake here: such names have their own forms.
    if (where.folder != kByPath) {
        errno = EINVAL;
        return nullptr;
    }
    return File(std::fopen(where.name, mode));
#else
    const int access = std::strcmp(mode, "r+b") == 0 ? O_RDWR : O_RDONLY;
    const int flags = access | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const int fd = where.folder == kByPath ? open(where.name, flags)
                                           : openat(where.folder, where.name, flags | O_NOFOLLOW);
    if (fd < 0) return nullptr;
    std::FILE *f = fdopen(fd, mode);
    if (f == nullptr) {
        const int why = errno;
        close(fd);
        errno = why;
        return nullptr;
    }
    // Reads and writes of a regular file never wait anyway; other files are refused by the
    // caller before anything is read from them.
    return File(f);
#endif
}

bool leads_to_non_regular(const FileName &where) {
#if defined(_WIN32)
    (void)where;
    return false;
#else
    struct stat st;
    const int got = where.folder == kByPath
                        ? stat(where.name, &st)
                        : fstatat(where.folder, where.name, &st, AT_SYMLINK_NOFOLLOW);
    return got == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode);
#endif
}

bool file_state(std::FILE *f, FileState &state) {
#if defined(_WIN32)
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0) return false;
    state.regular = (st.st_mode & _S_IFMT) == _S_IFREG;
    state.modified_ns = static_cast<int64_t>(st.st_mtime) * 1000000000;
#else
    struct stat st;
    if (fstat(fileno(f), &st) != 0) return false;
    state.regular = S_ISREG(st.st_mode);
    state.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    state.status_changed_ns =
        static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
#endif
    state.size = static_cast<int64_t>(st.st_size);
    state.device = static_cast<uint64_t>(st.st_dev);
    state.inode = static_cast<uint64_t>(st.st_ino);
    return true;
}

bool name_leads_to(const char *name, const FileState &state) {
#if defined(_WIN32)
    // A file that is open cannot lose its name there.
    (void)name;
    (void)state;
    return true;
#else
    struct stat st;
    return stat(name, &st) == 0 && static_cast<uint64_t>(st.st_dev) == state.device &&
           static_cast<uint64_t>(st.st_ino) == state.inode;
#endif
}

int64_t read_at(std::FILE *f, uint64_t position, void *to, std::size_t size) {
#if defined(_WIN32)
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    OVERLAPPED where = {};
    where.Offset = static_cast<DWORD>(position);
    where.OffsetHigh = static_cast<DWORD>(position >> 32);
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size, DWORD{1} << 30));
    DWORD got = 0;
    if (!ReadFile(handle, to, wanted, &got, &where)) {
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return got;
#else
    if (position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return -1;
    for (;;) {
        const ssize_t got = pread(fileno(f), to, size, static_cast<off_t>(position));
        if (got >= 0 || errno != EINTR) return got;
    }
#endif
}

void advise_sequential(std::FILE *f, uint64_t position) {
    // posix_fadvise is missing on Windows and some other systems; there the advice is dropped.
#if defined(POSIX_FADV_SEQUENTIAL)
    if (position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return;
    // A length of 0 reaches to the end of the file.
    posix_fadvise(fileno(f), static_cast<off_t>(position), 0, POSIX_FADV_SEQUENTIAL);
#else
    (void)f;
    (void)position;
#endif
}

bool flush_sync_close(File file) {
    std::FILE *f = file.release();
    bool ok = std::fflush(f) == 0;
#if defined(_WIN32)
    ok = ok && _commit(_fileno(f)) == 0;
#else
    ok = ok && fsync(fileno(f)) == 0;
#endif
    return std::fclose(f) == 0 && ok;
}

}  // namespace varnoke
