// An I/O fault injector for the tests: makes the Nth write, fsync, rename, close or fstat
// on a file under one folder fail, the way a full disk, a failing device or a power cut
// makes it fail. Linked into a test (or preloaded with LD_PRELOAD into any program), it
// passes every call through until armed:
//   VB2_FAULTS_DIR=/some/folder   only calls on files (and folders) under it are counted
//   VB2_FAULTS=write:3:enospc     the 3rd counted write fails; no VB2_FAULTS: count only
// Kinds: write, fsync (fdatasync too), rename (renameat, renameat2), close, fstat.
// Modes:
//   enospc, eio  the call fails with that error and does nothing (close still closes)
//   short        a write puts half its bytes down and says so; every later write fails
//                with ENOSPC, as on a disk that just filled up
//   lost         a write puts half its bytes down but reports all of them, as a device
//                that drops data silently; what the file holds is the only witness
//   crash        the call is made, then the power is cut: every file loses what was
//                written to it since its last fsync, and the process ends with code 99
// It is armed at load from the environment, and again by vb2_faults_arm(). It keeps no
// locks: arm it only in a process with one thread (a forked child).
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define VB2_EXPORT __attribute__((visibility("default")))

enum { OP_WRITE, OP_FSYNC, OP_RENAME, OP_CLOSE, OP_FSTAT, OP_KINDS };
enum { M_NONE, M_ENOSPC, M_EIO, M_SHORT, M_LOST, M_CRASH };
static const char *const kOpNames[OP_KINDS] = {"write", "fsync", "rename", "close", "fstat"};
static const char *const kModeNames[] = {"", "enospc", "eio", "short", "lost", "crash"};

static struct {
    int armed;
    char dir[PATH_MAX];
    size_t dirLen;
    int op;
    long nth;
    int mode;
    long counts[OP_KINDS];
    int fired;
    int full;  // a short write filled the disk
} S;

// Files written since their last fsync, with the size they had then: what a power cut
// leaves of them.
#define MAX_DIRTY 256
static struct {
    dev_t dev;
    ino_t ino;
    off_t synced;
} dirty[MAX_DIRTY];
static int dirtyCount;

// The injector's own calls pass through.
static __thread int inside;

static ssize_t (*real_write)(int, const void *, size_t);
static int (*real_fsync)(int);
static int (*real_fdatasync)(int);
static int (*real_rename)(const char *, const char *);
static int (*real_renameat)(int, const char *, int, const char *);
static int (*real_renameat2)(int, const char *, int, const char *, unsigned);
static int (*real_close)(int);
static int (*real_fstat)(int, struct stat *);
static int (*real_fstat64)(int, struct stat64 *);

static void resolve(void) {
    if (real_close)
        return;
    real_write = (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
    real_fsync = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    real_fdatasync = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    real_rename = (int (*)(const char *, const char *))dlsym(RTLD_NEXT, "rename");
    real_renameat = (int (*)(int, const char *, int, const char *))dlsym(RTLD_NEXT, "renameat");
    real_renameat2 = (int (*)(int, const char *, int, const char *, unsigned))dlsym(RTLD_NEXT, "renameat2");
    real_fstat = (int (*)(int, struct stat *))dlsym(RTLD_NEXT, "fstat");
    real_fstat64 = (int (*)(int, struct stat64 *))dlsym(RTLD_NEXT, "fstat64");
    real_close = (int (*)(int))dlsym(RTLD_NEXT, "close");
}

static int underDir(const char *path) {
    char absolute[PATH_MAX];
    if (path[0] != '/') {
        if (!getcwd(absolute, sizeof absolute))
            return 0;
        size_t len = strlen(absolute);
        snprintf(absolute + len, sizeof absolute - len, "/%s", path);
        path = absolute;
    }
    return strncmp(path, S.dir, S.dirLen) == 0 && (path[S.dirLen] == '/' || path[S.dirLen] == '\0');
}

static int watchedPath(const char *path) {
    return S.armed && !inside && path && underDir(path);
}

static int watchedFd(int fd) {
    if (!S.armed || inside || fd < 0)
        return 0;
    char link[64], path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return 0;
    path[n] = '\0';
    return path[0] == '/' && underDir(path);
}

static int findDirty(dev_t dev, ino_t ino) {
    for (int i = 0; i < dirtyCount; ++i)
        if (dirty[i].dev == dev && dirty[i].ino == ino)
            return i;
    return -1;
}

static void noteWrite(int fd) {
    struct stat st;
    if (real_fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return;
    if (findDirty(st.st_dev, st.st_ino) < 0 && dirtyCount < MAX_DIRTY) {
        dirty[dirtyCount].dev = st.st_dev;
        dirty[dirtyCount].ino = st.st_ino;
        dirty[dirtyCount].synced = st.st_size;
        ++dirtyCount;
    }
}

static void noteSync(int fd) {
    struct stat st;
    if (real_fstat(fd, &st) != 0)
        return;
    const int i = findDirty(st.st_dev, st.st_ino);
    if (i >= 0)
        dirty[i] = dirty[--dirtyCount];
}

static void loseUnsynced(const char *folder) {
    DIR *d = opendir(folder);
    if (!d)
        return;
    struct dirent *e;
    while ((e = readdir(d)) != NULL) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        char path[PATH_MAX];
        snprintf(path, sizeof path, "%s/%s", folder, e->d_name);
        struct stat st;
        if (lstat(path, &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            loseUnsynced(path);
        } else if (S_ISREG(st.st_mode)) {
            const int i = findDirty(st.st_dev, st.st_ino);
            if (i >= 0 && st.st_size > dirty[i].synced && truncate(path, dirty[i].synced) != 0)
                fprintf(stderr, "vb2faults: cannot cut %s back\n", path);
        }
    }
    closedir(d);
}

static void powerCut(void) {
    inside = 1;
    loseUnsynced(S.dir);
    _exit(99);
}

// The mode this call gets: the fault when it is the one chosen, else none.
static int count(int op) {
    const long n = ++S.counts[op];
    if (op == S.op && n == S.nth) {
        S.fired = 1;
        return S.mode;
    }
    return M_NONE;
}

// A failure for a call that moves no data: short and lost act as an I/O error there.
static int failWith(int mode) {
    errno = mode == M_ENOSPC ? ENOSPC : EIO;
    return -1;
}

VB2_EXPORT void vb2_faults_arm(void) {
    resolve();
    memset(&S, 0, sizeof S);
    dirtyCount = 0;
    S.op = -1;
    const char *dir = getenv("VB2_FAULTS_DIR");
    if (!dir || dir[0] != '/' || strlen(dir) >= sizeof S.dir)
        return;
    strcpy(S.dir, dir);
    S.dirLen = strlen(S.dir);
    while (S.dirLen > 1 && S.dir[S.dirLen - 1] == '/')
        S.dir[--S.dirLen] = '\0';
    const char *spec = getenv("VB2_FAULTS");
    if (spec && *spec) {
        char op[16] = "", mode[16] = "";
        long nth = 0;
        if (sscanf(spec, "%15[a-z]:%ld:%15[a-z]", op, &nth, mode) != 3 || nth < 1) {
            fprintf(stderr, "vb2faults: VB2_FAULTS=%s is not kind:N:mode\n", spec);
            _exit(98);
        }
        for (int i = 0; i < OP_KINDS; ++i)
            if (strcmp(op, kOpNames[i]) == 0)
                S.op = i;
        for (int i = M_ENOSPC; i <= M_CRASH; ++i)
            if (strcmp(mode, kModeNames[i]) == 0)
                S.mode = i;
        if (S.op < 0 || S.mode == M_NONE) {
            fprintf(stderr, "vb2faults: unknown kind or mode in VB2_FAULTS=%s\n", spec);
            _exit(98);
        }
        S.nth = nth;
    }
    S.armed = 1;
}

VB2_EXPORT long vb2_faults_count(const char *op) {
    for (int i = 0; i < OP_KINDS; ++i)
        if (strcmp(op, kOpNames[i]) == 0)
            return S.counts[i];
    return 0;
}

VB2_EXPORT int vb2_faults_fired(void) {
    return S.fired;
}

__attribute__((constructor)) static void armAtLoad(void) {
    vb2_faults_arm();
}

VB2_EXPORT ssize_t write(int fd, const void *buf, size_t n) {
    resolve();
    if (!watchedFd(fd))
        return real_write(fd, buf, n);
    noteWrite(fd);
    if (S.full) {
        errno = ENOSPC;
        return -1;
    }
    ssize_t r;
    switch (count(OP_WRITE)) {
        case M_ENOSPC:
        case M_EIO:
            return failWith(S.mode);
        case M_SHORT:
            S.full = 1;
            if (n < 2) {
                errno = ENOSPC;
                return -1;
            }
            return real_write(fd, buf, n / 2);
        case M_LOST:
            r = real_write(fd, buf, n / 2);
            return r < 0 ? r : (ssize_t)n;
        case M_CRASH:
            real_write(fd, buf, n);
            powerCut();
            return -1;
        default:
            return real_write(fd, buf, n);
    }
}

static int syncWith(int (*sync)(int), int fd) {
    resolve();
    if (!watchedFd(fd))
        return sync(fd);
    const int mode = count(OP_FSYNC);
    if (mode != M_NONE && mode != M_CRASH)
        return failWith(mode);
    const int r = sync(fd);
    if (r == 0)
        noteSync(fd);
    if (mode == M_CRASH)
        powerCut();
    return r;
}

VB2_EXPORT int fsync(int fd) {
    resolve();
    return syncWith(real_fsync, fd);
}

VB2_EXPORT int fdatasync(int fd) {
    resolve();
    return syncWith(real_fdatasync, fd);
}

// The fault for a rename that touches the watched folder.
static int renameFault(const char *from, const char *to) {
    if (!watchedPath(from) && !watchedPath(to))
        return M_NONE;
    return count(OP_RENAME);
}

VB2_EXPORT int rename(const char *from, const char *to) {
    resolve();
    const int mode = renameFault(from, to);
    if (mode != M_NONE && mode != M_CRASH)
        return failWith(mode);
    const int r = real_rename(from, to);
    if (mode == M_CRASH)
        powerCut();
    return r;
}

VB2_EXPORT int renameat(int fromDir, const char *from, int toDir, const char *to) {
    resolve();
    const int mode = renameFault(fromDir == AT_FDCWD || from[0] == '/' ? from : NULL,
                                 toDir == AT_FDCWD || to[0] == '/' ? to : NULL);
    if (mode != M_NONE && mode != M_CRASH)
        return failWith(mode);
    const int r = real_renameat(fromDir, from, toDir, to);
    if (mode == M_CRASH)
        powerCut();
    return r;
}

VB2_EXPORT int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags) {
    resolve();
    const int mode = renameFault(fromDir == AT_FDCWD || from[0] == '/' ? from : NULL,
                                 toDir == AT_FDCWD || to[0] == '/' ? to : NULL);
    if (mode != M_NONE && mode != M_CRASH)
        return failWith(mode);
    const int r = real_renameat2(fromDir, from, toDir, to, flags);
    if (mode == M_CRASH)
        powerCut();
    return r;
}

VB2_EXPORT int close(int fd) {
    resolve();
    if (!watchedFd(fd))
        return real_close(fd);
    const int mode = count(OP_CLOSE);
    // The descriptor is gone either way, as Linux does it.
    const int r = real_close(fd);
    if (mode == M_CRASH)
        powerCut();
    if (mode != M_NONE)
        return failWith(mode);
    return r;
}

VB2_EXPORT int fstat(int fd, struct stat *st) {
    resolve();
    if (!watchedFd(fd))
        return real_fstat(fd, st);
    const int mode = count(OP_FSTAT);
    if (mode != M_NONE && mode != M_CRASH)
        return failWith(mode);
    const int r = real_fstat(fd, st);
    if (mode == M_CRASH)
        powerCut();
    return r;
}

VB2_EXPORT int fstat64(int fd, struct stat64 *st) {
    resolve();
    if (!watchedFd(fd))
        return real_fstat64(fd, st);
    const int mode = count(OP_FSTAT);
    if (mode != M_NONE && mode != M_CRASH)
        return failWith(mode);
    const int r = real_fstat64(fd, st);
    if (mode == M_CRASH)
        powerCut();
    return r;
}
