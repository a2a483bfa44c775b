/*
 * Preloaded into Quillfen by the tests to make one file call fail, named by what it does:
 * VARNOKE_FAULT="<operation>:<handle>" fails the first such call on that handle, and
 * "pread:<handle>@<byte>" fails every positioned read, from any thread, that covers that byte of
 * the file. Every other call goes through unchanged; an unknown name ends the process with 99.
 *
 * Handles, by the mode the tool opens them with: probe ("r", the existence check), check ("rb",
 * the validation's read), update ("r+b"). Calls on a descriptor find the handle it belongs to.
 * Operations: open (fopen, fopen64, fdopen: NULL and EACCES), read (fread: part of the data, then
 * the stream's error flag and EIO), pread (pread, pread64), seek (fseeko, fseeko64), write (fwrite:
 * ENOSPC), flush (fflush), sync (fsync), close (fclose: the stream is closed all the same), stat
 * (fstat, fstat64); EIO where not said otherwise.
 */
#define _GNU_SOURCE
/* The shim defines the C library's own names. Fortified builds (-D_FORTIFY_SOURCE, Debian's
 * hardening flags, compilers that add it themselves) declare some of them, pread and pread64
 * among them, as inline wrappers that may not be defined again here: the shim is built without. */
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

enum { NO_HANDLE = -1, PROBE, CHECK, UPDATE, HANDLES };
static const char *const handle_names[HANDLES] = {"probe", "check", "update"};
static const char *const handle_modes[HANDLES] = {"r", "rb", "r+b"};

enum { OPEN, READ, PREAD, SEEK, WRITE, FLUSH, SYNC, CLOSE, STAT, OPERATIONS };
static const char *const operation_names[OPERATIONS] = {"open",  "read", "pread", "seek", "write",
                                                        "flush", "sync", "close", "stat"};

/* The failing call, set before main from VARNOKE_FAULT; no operation when it is unset. */
static const char *fault_text;
static int fault_operation = -1;
static int fault_handle = NO_HANDLE;
static int fault_at_byte;
static uint64_t fault_byte;
static int fault_fired; /* atomic: the first matching call has failed */

static void refuse(const char *why) {
    const char *parts[] = {"fault_shim: VARNOKE_FAULT=\"", fault_text, "\": ", why, "\n"};
    for (size_t k = 0; k < sizeof parts / sizeof parts[0]; ++k) {
        if (write(2, parts[k], strlen(parts[k])) < 0) break;
    }
    _exit(99);
}

/* The index of the name in `names` that `text` starts with; -1 if none. */
static int name_at(const char *text, const char *const *names, int count, size_t *length) {
    for (int k = 0; k < count; ++k) {
        *length = strlen(names[k]);
        if (strncmp(text, names[k], *length) == 0) return k;
    }
    return -1;
}

__attribute__((constructor)) static void read_fault(void) {
    size_t length;
    fault_text = getenv("VARNOKE_FAULT");
    if (fault_text == NULL) return;
    fault_operation = name_at(fault_text, operation_names, OPERATIONS, &length);
    if (fault_operation < 0 || fault_text[length] != ':') refuse("unknown operation");
    const char *handle = fault_text + length + 1;
    fault_handle = name_at(handle, handle_names, HANDLES, &length);
    if (fault_handle < 0) refuse("unknown handle");
    if (handle[length] == '@' && fault_operation == PREAD) {
        const char *digits = handle + length + 1;
        char *end;
        errno = 0;
        fault_byte = strtoull(digits, &end, 10);
        if (*digits < '0' || *digits > '9' || *end != '\0' || errno != 0) {
            refuse("the byte is no number");
        }
        fault_at_byte = 1;
    } else if (handle[length] != '\0') {
        refuse(handle[length] == '@' ? "only pread takes a byte" : "unknown handle");
    }
}

/* The handles open now. Only fopen and fclose change the table, on the main thread while no
 * other thread reads it; the positioned reads of the scan read it from two threads. */
#define MAX_STREAMS 16
static struct {
    FILE *stream; /* NULL: a free slot */
    int fd;
    int handle;
} streams[MAX_STREAMS];

static void remember(FILE *f, int handle) {
    for (int k = 0; k < MAX_STREAMS; ++k) {
        if (__atomic_load_n(&streams[k].stream, __ATOMIC_ACQUIRE) == NULL) {
            __atomic_store_n(&streams[k].fd, fileno(f), __ATOMIC_RELAXED);
            __atomic_store_n(&streams[k].handle, handle, __ATOMIC_RELAXED);
            __atomic_store_n(&streams[k].stream, f, __ATOMIC_RELEASE);
            return;
        }
    }
    if (fault_text != NULL) refuse("too many streams open at once");
}

static int forget(FILE *f) {
    for (int k = 0; f != NULL && k < MAX_STREAMS; ++k) {
        if (__atomic_load_n(&streams[k].stream, __ATOMIC_ACQUIRE) == f) {
            __atomic_store_n(&streams[k].stream, NULL, __ATOMIC_RELEASE);
            return __atomic_load_n(&streams[k].handle, __ATOMIC_RELAXED);
        }
    }
    return NO_HANDLE;
}

static int handle_of_stream(FILE *f) {
    for (int k = 0; f != NULL && k < MAX_STREAMS; ++k) {
        if (__atomic_load_n(&streams[k].stream, __ATOMIC_ACQUIRE) == f) {
            return __atomic_load_n(&streams[k].handle, __ATOMIC_RELAXED);
        }
    }
    return NO_HANDLE;
}

static int handle_of_fd(int fd) {
    for (int k = 0; k < MAX_STREAMS; ++k) {
        if (__atomic_load_n(&streams[k].stream, __ATOMIC_ACQUIRE) != NULL &&
            __atomic_load_n(&streams[k].fd, __ATOMIC_RELAXED) == fd) {
            return __atomic_load_n(&streams[k].handle, __ATOMIC_RELAXED);
        }
    }
    return NO_HANDLE;
}

static int handle_of_mode(const char *mode) {
    for (int k = 0; mode != NULL && k < HANDLES; ++k) {
        if (strcmp(mode, handle_modes[k]) == 0) return k;
    }
    return NO_HANDLE;
}

/* Whether this call of `operation` on `handle` is the one to fail: the first that matches. */
static int should_fail(int operation, int handle) {
    if (operation != fault_operation || handle == NO_HANDLE || handle != fault_handle) return 0;
    return __atomic_exchange_n(&fault_fired, 1, __ATOMIC_SEQ_CST) == 0;
}

/* The next definition of `name`, normally the C library's. */
#define NEXT(real, name) (*(void **)&(real) = dlsym(RTLD_NEXT, name))

static FILE *open_unless_failing(const char *real_name, const char *name, const char *mode) {
    FILE *(*real)(const char *, const char *);
    NEXT(real, real_name);
    const int handle = handle_of_mode(mode);
    if (should_fail(OPEN, handle)) {
        errno = EACCES;
        return NULL;
    }
    FILE *f = real(name, mode);
    if (f != NULL && handle != NO_HANDLE) remember(f, handle);
    return f;
}

FILE *fopen(const char *name, const char *mode) {
    return open_unless_failing("fopen", name, mode);
}

FILE *fopen64(const char *name, const char *mode) {
    return open_unless_failing("fopen64", name, mode);
}

/* The tool opens a descriptor without waiting and takes its stream with fdopen, whose mode names
 * the handle; a failing open closes the descriptor. */
FILE *fdopen(int fd, const char *mode) {
    FILE *(*real)(int, const char *);
    NEXT(real, "fdopen");
    const int handle = handle_of_mode(mode);
    if (should_fail(OPEN, handle)) {
        close(fd);
        errno = EACCES;
        return NULL;
    }
    FILE *f = real(fd, mode);
    if (f != NULL && handle != NO_HANDLE) remember(f, handle);
    return f;
}

size_t fread(void *ptr, size_t size, size_t n, FILE *f) {
    size_t (*real)(void *, size_t, size_t, FILE *);
    NEXT(real, "fread");
    if (should_fail(READ, handle_of_stream(f))) {
        /* Part of the data arrives, then the device reports an error. */
        size_t got = real(ptr, 1, size * n / 2, f);
        f->_flags |= 0x20; /* glibc's error flag, as ferror reads it */
        errno = EIO;
        return size ? got / size : 0;
    }
    return real(ptr, size, n, f);
}

size_t fwrite(const void *ptr, size_t size, size_t n, FILE *f) {
    size_t (*real)(const void *, size_t, size_t, FILE *);
    NEXT(real, "fwrite");
    if (should_fail(WRITE, handle_of_stream(f))) {
        errno = ENOSPC;
        return 0;
    }
    return real(ptr, size, n, f);
}

int fflush(FILE *f) {
    int (*real)(FILE *);
    NEXT(real, "fflush");
    if (f != NULL && f != stdout && should_fail(FLUSH, handle_of_stream(f))) {
        errno = EIO;
        return EOF;
    }
    return real(f);
}

int fsync(int fd) {
    int (*real)(int);
    NEXT(real, "fsync");
    if (should_fail(SYNC, handle_of_fd(fd))) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

int fclose(FILE *f) {
    int (*real)(FILE *);
    NEXT(real, "fclose");
    const int failing = should_fail(CLOSE, forget(f));
    const int result = real(f);
    if (failing) {
        errno = EIO;
        return EOF;
    }
    return result;
}

/* Both seeks go to the 64-bit one; an off_t always fits an off64_t. */
static int seek_unless_failing(FILE *f, off64_t offset, int whence) {
    int (*real)(FILE *, off64_t, int);
    NEXT(real, "fseeko64");
    if (should_fail(SEEK, handle_of_stream(f))) {
        errno = EIO;
        return -1;
    }
    return real(f, offset, whence);
}

int fseeko(FILE *f, off_t offset, int whence) {
    return seek_unless_failing(f, offset, whence);
}

int fseeko64(FILE *f, off64_t offset, int whence) {
    return seek_unless_failing(f, offset, whence);
}

/* Both positioned reads go to the 64-bit one. */
static ssize_t pread_unless_failing(int fd, void *to, size_t n, off64_t offset) {
    ssize_t (*real)(int, void *, size_t, off64_t);
    NEXT(real, "pread64");
    const int handle = handle_of_fd(fd);
    int failing;
    if (fault_at_byte) {
        failing = handle != NO_HANDLE && handle == fault_handle && offset >= 0 &&
                  (uint64_t)offset <= fault_byte && fault_byte - (uint64_t)offset < n;
    } else {
        failing = should_fail(PREAD, handle);
    }
    if (failing) {
        errno = EIO;
        return -1;
    }
    return real(fd, to, n, offset);
}

ssize_t pread(int fd, void *to, size_t n, off_t offset) {
    return pread_unless_failing(fd, to, n, offset);
}

ssize_t pread64(int fd, void *to, size_t n, off64_t offset) {
    return pread_unless_failing(fd, to, n, offset);
}

int fstat(int fd, struct stat *st) {
    int (*real)(int, struct stat *);
    NEXT(real, "fstat");
    if (should_fail(STAT, handle_of_fd(fd))) {
        errno = EIO;
        return -1;
    }
    return real(fd, st);
}

int fstat64(int fd, struct stat64 *st) {
    int (*real)(int, struct stat64 *);
    NEXT(real, "fstat64");
    if (should_fail(STAT, handle_of_fd(fd))) {
        errno = EIO;
        return -1;
    }
    return real(fd, st);
}
