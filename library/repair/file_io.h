// Small portable wrappers over stdio: an owning FILE handle, an open that never waits, 64-bit
// seeks, the file's state, positioned reads, read-ahead advice and a checked flush-sync-close.
#ifndef VARNOKE_FILE_IO_H
#define VARNOKE_FILE_IO_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace varnoke {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens `name` with fopen's `mode` ("r", "rb" or "r+b") without waiting: a pipe with no writer,
// or a device, does not make the open block. Null, with errno set, when the open fails.
File open_without_waiting(const char *name, const char *mode);

// Where a file is opened: by its path (links followed), or, where `folder` is not kByPath, by
// the one name `name` in the folder open under the descriptor `folder`, following no link.
inline constexpr int kByPath = -1;
struct FileName {
    int folder = kByPath;
    const char *name = nullptr;
};

// As open_without_waiting, at `where`; a symbolic link under a name in a folder fails with
// errno ELOOP. Null, with errno set, when the open fails.
File open_named(const FileName &where, const char *mode);

// After an open of `where` failed: true when the name leads to something other than a regular
// file or a link (a socket, which no open takes, or a device or folder this user may not open),
// so that the refusal names what it is. False on Windows.
bool leads_to_non_regular(const FileName &where);

// What the system says of the file under a handle; compared before a write to tell whether the
// file changed since it was read.
struct FileState {
    bool regular = false;  // a regular file, not a pipe, socket, device or folder
    int64_t size = 0;
    int64_t modified_ns = 0;  // the time of the last change of its data, in nanoseconds
    // The time of the last change of its state, which no writer can set back as it can the
    // time of its data (0 on Windows, which keeps no such time).
    int64_t status_changed_ns = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
};

// The state of the file under `f`, as it is now; false if the system cannot tell.
bool file_state(std::FILE *f, FileState &state);

// True when `name` now leads to the file of `state` (the same device and inode).
bool name_leads_to(const char *name, const FileState &state);

// Seeks to an absolute byte position; offsets beyond 2 GiB work on every platform.
bool seek_to(std::FILE *f, uint64_t position);

// Reads up to `size` bytes from byte `position` of the file under `f`, without using or moving
// the stream's buffer; safe to call from several threads at once. Returns the number of bytes
// read (0 at the end of the file, fewer than asked for when the file ends), or -1 on a read
// error.
int64_t read_at(std::FILE *f, uint64_t position, void *to, std::size_t size);

// Tells the system that the file under `f` will be read from byte `position` to its end, in
// order, so that it may read further ahead than usual. Advice only: nothing happens where the
// system takes none, and a refusal is no error.
void advise_sequential(std::FILE *f, uint64_t position);

// Flushes the stream, forces its data to the disk and closes it; false if any step failed.
// The handle is closed in every case.
bool flush_sync_close(File file);

}  // namespace varnoke

#endif
