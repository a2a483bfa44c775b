/*
 * Preloaded into Quillfen by the tests to make one file call fail. VARNOKE_FAULT names the call
 * and which of its calls fails, for example "fread:2" (the second fread), "fopen:2", "fwrite:1",
 * "fflush:1", "fsync:1", "fclose:2", "fseeko:1" (fseeko and fseeko64 counted together) or
 * "pread:3" (pread and pread64 counted together, from every thread). Every other call goes
 * through unchanged.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>

static int should_fail(const char *call) {
    static int counts[8];
    static const char *const calls[8] = {"fopen", "fread",  "fwrite", "fflush",
                                         "fsync", "fclose", "fseeko", "pread"};
    const char *spec = getenv("VARNOKE_FAULT");
    size_t len = strlen(call);
    int k;
    if (spec == NULL || strncmp(spec, call, len) != 0 || spec[len] != ':') return 0;
    for (k = 0; k < 8; ++k) {
        if (strcmp(calls[k], call) == 0) {
            return __atomic_add_fetch(&counts[k], 1, __ATOMIC_SEQ_CST) == atoi(spec + len + 1);
        }
    }
    return 0;
}

/* The next definition of `name`, normally the C library's. */
#define NEXT(real, name) (*(void **)&(real) = dlsym(RTLD_NEXT, name))

static FILE *open_unless_failing(const char *real_name, const char *name, const char *mode) {
    FILE *(*real)(const char *, const char *);
    NEXT(real, real_name);
    if (should_fail("fopen")) {
        errno = EACCES;
        return NULL;
    }
    return real(name, mode);
}

FILE *fopen(const char *name, const char *mode) {
    return open_unless_failing("fopen", name, mode);
}

FILE *fopen64(const char *name, const char *mode) {
    return open_unless_failing("fopen64", name, mode);
}

size_t fread(void *ptr, size_t size, size_t n, FILE *f) {
    size_t (*real)(void *, size_t, size_t, FILE *);
    NEXT(real, "fread");
    if (should_fail("fread")) {
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
    if (should_fail("fwrite")) {
        errno = ENOSPC;
        return 0;
    }
    return real(ptr, size, n, f);
}

int fflush(FILE *f) {
    int (*real)(FILE *);
    NEXT(real, "fflush");
    if (f != NULL && f != stdout && should_fail("fflush")) {
        errno = EIO;
        return EOF;
    }
    return real(f);
}

int fsync(int fd) {
    int (*real)(int);
    NEXT(real, "fsync");
    if (should_fail("fsync")) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

int fclose(FILE *f) {
    int (*real)(FILE *);
    NEXT(real, "fclose");
    int failing = should_fail("fclose");
    int result = real(f);
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
    if (should_fail("fseeko")) {
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
    if (should_fail("pread")) {
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
