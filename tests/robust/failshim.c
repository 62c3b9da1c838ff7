/* A preloaded library that makes one chosen file-system call fail, for the write-fault tests.
 *
 * The process arms it with qm_failshim_arm(kind, nth, error): the nth matching call after
 * arming returns -1 with errno = error, once; every other call goes to the C library. Kinds:
 *   "create"  mkstemp family, and open/openat with O_CREAT (lock files, "*.lock", excepted)
 *   "write"   write
 *   "sync"    fsync and fdatasync
 *   "rename"  rename, renameat, renameat2
 * qm_failshim_fired() tells how many failures were handed out, so a test can tell a fault
 * that never hit from one that was survived.
 *
 * Built by the robustness test at run time: cc -shared -fPIC -o failshim.so failshim.c -ldl
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static char armedKind[16];
static int remaining;
static int failError;
static int fired;

void qm_failshim_arm(const char* kind, int nth, int error) {
    strncpy(armedKind, kind, sizeof armedKind - 1);
    armedKind[sizeof armedKind - 1] = '\0';
    remaining = nth;
    failError = error;
}

int qm_failshim_fired(void) {
    return fired;
}

/* True when this call is the one to fail. */
static int shouldFail(const char* kind) {
    if (remaining <= 0 || strcmp(kind, armedKind) != 0) return 0;
    if (--remaining > 0) return 0;
    ++fired;
    armedKind[0] = '\0';
    errno = failError;
    return 1;
}

static int isLockFile(const char* path) {
    const size_t n = path ? strlen(path) : 0;
    return n >= 5 && strcmp(path + n - 5, ".lock") == 0;
}

static int creates(const char* path, int flags) {
    return (flags & O_CREAT) && !isLockFile(path) && shouldFail("create");
}

#define NEXT(name, type) ((type)dlsym(RTLD_NEXT, name))

int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (creates(path, flags)) return -1;
    return NEXT("open", int (*)(const char*, int, ...))(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (creates(path, flags)) return -1;
    return NEXT("open64", int (*)(const char*, int, ...))(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (creates(path, flags)) return -1;
    return NEXT("openat", int (*)(int, const char*, int, ...))(dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (creates(path, flags)) return -1;
    return NEXT("openat64", int (*)(int, const char*, int, ...))(dir, path, flags, mode);
}

/* The C library opens the temporary file of mkstemp internally, past any preloaded open. */
int mkstemp(char* templ) {
    if (shouldFail("create")) return -1;
    return NEXT("mkstemp", int (*)(char*))(templ);
}

int mkstemp64(char* templ) {
    if (shouldFail("create")) return -1;
    return NEXT("mkstemp64", int (*)(char*))(templ);
}

int mkostemp(char* templ, int flags) {
    if (shouldFail("create")) return -1;
    return NEXT("mkostemp", int (*)(char*, int))(templ, flags);
}

int mkostemp64(char* templ, int flags) {
    if (shouldFail("create")) return -1;
    return NEXT("mkostemp64", int (*)(char*, int))(templ, flags);
}

ssize_t write(int fd, const void* buf, size_t count) {
    if (shouldFail("write")) return -1;
    return NEXT("write", ssize_t(*)(int, const void*, size_t))(fd, buf, count);
}

int fsync(int fd) {
    if (shouldFail("sync")) return -1;
    return NEXT("fsync", int (*)(int))(fd);
}

int fdatasync(int fd) {
    if (shouldFail("sync")) return -1;
    return NEXT("fdatasync", int (*)(int))(fd);
}

int rename(const char* from, const char* to) {
    if (shouldFail("rename")) return -1;
    return NEXT("rename", int (*)(const char*, const char*))(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    if (shouldFail("rename")) return -1;
    return NEXT("renameat", int (*)(int, const char*, int, const char*))(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    if (shouldFail("rename")) return -1;
    return NEXT("renameat2", int (*)(int, const char*, int, const char*, unsigned))(
        fromDir, from, toDir, to, flags);
}
