#pragma once
// A disk that is really full, for tests of what a failed write leaves behind.
//   inLimitedChild: runs a function in a child process whose files cannot grow past a
//     size (RLIMIT_FSIZE): every write beyond it fails with EFBIG, as on a full disk.
//   FullProgramFolder: for the console in this process, the program folder moves onto a
//     small tmpfs filled to the last byte; where mounting is not allowed, this process's
//     file size limit is 0 instead. Either way, nothing more can be written.
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <functional>

#include "platform/ProgramFolder.h"
#include "platform/VbError.h"

namespace vb2test {

// The exit code of a child process, or -1 when it did not end within 20 s (it is killed
// then) or was ended by a signal.
inline int childExit(pid_t pid) {
    if (pid < 0)
        return -1;
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (clock.elapsed() > 20000) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        ::usleep(200);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// How an operation ended, as a child's exit code: 0 done, 1 refused with VbError, 2 anything else.
inline int outcomeOf(const std::function<void()> &fn) {
    try {
        fn();
    } catch (const VbError &) {
        return 1;
    } catch (...) {
        return 2;
    }
    return 0;
}

// The exit code of a child that ran `fn` with files limited to `limit` bytes: 0 when it
// returned, 1 when it raised VbError, 2 for any other exception, -1 when it did not end
// within 20 s (it is killed then).
inline int inLimitedChild(qint64 limit, const std::function<void()> &fn) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A write past the limit must fail, not kill the process.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        ::setrlimit(RLIMIT_FSIZE, &r);
        ::_exit(outcomeOf(fn));
    }
    return childExit(pid);
}

class FullProgramFolder {
  public:
    // The program folder's files named by `patterns` come along to the full disk.
    explicit FullProgramFolder(const QStringList &patterns = {"*.mxp", "*.lap", "jing.jin"})
        : old_(qEnvironmentVariable("VANTELBROOK2_HOME")) {
        const QString mountPoint = dir_.path() + QStringLiteral("/disk");
        QDir().mkpath(mountPoint);
        mounted_ = ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=256k") == 0;
        if (mounted_) {
            mountPoint_ = mountPoint;
            const QDir from(old_);
            for (const QString &name : from.entryList(patterns, QDir::Files))
                QFile::copy(from.filePath(name), mountPoint + QLatin1Char('/') + name);
            qputenv("VANTELBROOK2_HOME", mountPoint.toUtf8());
            fill(mountPoint + QStringLiteral("/filler"));
        } else {
            ::signal(SIGXFSZ, SIG_IGN);
            ::getrlimit(RLIMIT_FSIZE, &saved_);
            const rlimit none{0, saved_.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &none);
        }
    }
    ~FullProgramFolder() {
        if (mounted_) {
            qputenv("VANTELBROOK2_HOME", old_.toUtf8());
            ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
        } else {
            ::setrlimit(RLIMIT_FSIZE, &saved_);
        }
    }
    FullProgramFolder(const FullProgramFolder &) = delete;
    FullProgramFolder &operator=(const FullProgramFolder &) = delete;

    // A folder on the full disk (the program folder itself when no tmpfs could be made).
    QString folder(const QString &name) const {
        const QString path = ProgramFolder::file(name);
        QDir().mkpath(path);
        return path;
    }

  private:
    static void fill(const QString &path) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size() && f.flush()) {
        }
        // Byte by byte into the last partial page.
        while (f.write("x", 1) == 1 && f.flush()) {
        }
    }
    QString old_;
    QTemporaryDir dir_;
    QString mountPoint_;
    bool mounted_ = false;
    rlimit saved_{};
};

}  // namespace vb2test
