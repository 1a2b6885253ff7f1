#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "platform/VbError.h"

namespace FileSystem {

namespace {

QString systemError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

[[noreturn]] void fail(const QString &what, const QString &path, int err) {
    throw VbError(QStringLiteral("%1: %2 (%3)").arg(what, path, systemError(err)), err == ENOENT ? 76 : 75);
}

mode_t newFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

// A link is written through to the file it names, so the link itself survives.
QString writeTarget(const QString &path) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

bool writeAll(int fd, const char *data, qint64 size, int &err) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(std::min<qint64>(size, 1 << 20)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        if (n == 0) {
            err = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

void syncFolder(const QString &file) {
    const int fd =
        ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A temporary file beside the target that becomes the target only when it is whole.
class Sibling {
  public:
    explicit Sibling(const QString &target) : target_(target) {
        const QFileInfo info(target);
        name_ = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                  QStringLiteral(".vb2new-XXXXXX"));
        fd_ = ::mkstemp(name_.data());
        if (fd_ < 0)
            fail(QStringLiteral("Cannot create file"), target, errno);
    }
    ~Sibling() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!committed_)
            ::unlink(name_.constData());
    }
    Sibling(const Sibling &) = delete;
    Sibling &operator=(const Sibling &) = delete;

    void write(const char *data, qint64 size) {
        int err = 0;
        if (!writeAll(fd_, data, size, err))
            fail(QStringLiteral("Cannot write file"), target_, err);
        written_ += size;
    }
    // Checked, synced and closed, with the permission bits it will have in place.
    void finish(mode_t mode) {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            fail(QStringLiteral("Cannot write file"), target_, errno);
        if (st.st_size != written_)
            fail(QStringLiteral("Cannot write file"), target_, ENOSPC);
        if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0)
            fail(QStringLiteral("Cannot write file"), target_, errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            fail(QStringLiteral("Cannot write file"), target_, errno);
    }
    void replaceTarget() {
        if (::rename(name_.constData(), QFile::encodeName(target_).constData()) != 0)
            fail(QStringLiteral("Cannot replace file"), target_, errno);
        committed_ = true;
        syncFolder(target_);
    }
    // A hard link fails when the target exists, so a file made meanwhile is never replaced.
    void createTarget() {
        const QByteArray target = QFile::encodeName(target_);
        if (::link(name_.constData(), target.constData()) != 0) {
            const int err = errno;
            // A file system without hard links: a rename that looks first.
            const bool noLinks = err == EPERM || err == EOPNOTSUPP || err == ENOSYS;
            if (!noLinks || QFileInfo::exists(target_) || QFileInfo(target_).isSymLink())
                fail(QStringLiteral("Cannot create file"), target_, noLinks ? EEXIST : err);
            if (::rename(name_.constData(), target.constData()) != 0)
                fail(QStringLiteral("Cannot create file"), target_, errno);
        }
        committed_ = true;
        ::unlink(name_.constData());
        syncFolder(target_);
    }

  private:
    QString target_;
    QByteArray name_;
    int fd_ = -1;
    qint64 written_ = 0;
    bool committed_ = false;
};

}  // namespace

bool isExistingFile(const QString &path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

void setReadOnly(const QString &path, bool readOnly) {
    QFile f(path);
    QFileDevice::Permissions p = f.permissions();
    if (readOnly)
        p &= ~(QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup |
               QFileDevice::WriteOther);  // Qt maps WriteUser onto the owner bit too
    else
        p |= QFileDevice::WriteOwner;
    if (!f.setPermissions(p))
        throw VbError(QStringLiteral("Cannot set the attributes of %1").arg(path));
}

bool isReadOnly(const QString &path) {
    const QFileDevice::Permissions p = QFile(path).permissions();
    // WriteUser says what the current user may do (root may do anything); the bits are what count.
    return !(p & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther));
}

void makeFolder(const QString &path) {
    const QFileInfo info(path);
    if (info.exists())
        throw VbError(QStringLiteral("Path/File access error: %1").arg(path), 75);
    if (!QDir().mkdir(path))
        throw VbError(QStringLiteral("Path not found: %1").arg(path), 76);
}

void copyFile(const QString &from, const QString &to) {
    if (!isExistingFile(from))
        throw VbError(QStringLiteral("File not found: %1").arg(from), 53);
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        return;
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        fail(QStringLiteral("Cannot open file for reading"), from, errno);
    struct stat st {};
    if (::fstat(in, &st) != 0) {
        const int err = errno;
        ::close(in);
        fail(QStringLiteral("Cannot read file"), from, err);
    }
    try {
        // A link in the way is replaced, not written through.
        Sibling out(to);
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        for (;;) {
            const ssize_t n = ::read(in, buffer.data(), static_cast<size_t>(buffer.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail(QStringLiteral("Cannot read file"), from, errno);
            if (n == 0)
                break;
            out.write(buffer.constData(), n);
        }
        out.finish(static_cast<mode_t>(st.st_mode & 07777));
        out.replaceTarget();
    } catch (...) {
        ::close(in);
        throw;
    }
    ::close(in);
}

void deleteFile(const QString &path) {
    if (!isExistingFile(path))
        throw VbError(QStringLiteral("File not found: %1").arg(path), 53);
    if (!QFile::remove(path))
        throw VbError(QStringLiteral("Permission denied: %1").arg(path), 70);
}

void renameFile(const QString &from, const QString &to) {
    if (!QFileInfo::exists(from) && !QFileInfo(from).isSymLink())
        throw VbError(QStringLiteral("File not found: %1").arg(from), 53);
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        throw VbError(QStringLiteral("File already exists: %1").arg(to), 58);
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        fail(QStringLiteral("Cannot rename %1 to").arg(from), to, errno);
}

void writeWhole(const QString &path, const QByteArray &bytes) {
    const QString target = writeTarget(path);
    struct stat st {};
    mode_t mode = newFileMode();
    if (::stat(QFile::encodeName(target).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            fail(QStringLiteral("Cannot replace file"), path, EISDIR);
        if (isReadOnly(target))
            fail(QStringLiteral("Cannot replace file"), path, EACCES);
        mode = static_cast<mode_t>(st.st_mode & 07777);
    }
    Sibling out(target);
    out.write(bytes.constData(), bytes.size());
    out.finish(mode);
    out.replaceTarget();
}

void createWhole(const QString &path, const QByteArray &bytes) {
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        fail(QStringLiteral("Cannot create file"), path, EEXIST);
    Sibling out(path);
    out.write(bytes.constData(), bytes.size());
    out.finish(newFileMode());
    out.createTarget();
}

void appendWhole(const QString &path, const QByteArray &bytes) {
    const QByteArray name = QFile::encodeName(path);
    struct stat before {};
    const bool existed = ::stat(name.constData(), &before) == 0;
    if (existed && !S_ISREG(before.st_mode))
        fail(QStringLiteral("Cannot open file for appending"), path, EISDIR);
    const mode_t mode = existed ? static_cast<mode_t>(before.st_mode & 07777) : newFileMode();
    // A read-only file is opened through its owner's write bit, which is taken back below.
    if (existed && !(mode & S_IWUSR) && ::chmod(name.constData(), mode | S_IWUSR) != 0)
        fail(QStringLiteral("Cannot open file for appending"), path, errno);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, mode);
    const int openErr = errno;
    auto restore = [&] {
        if (existed)
            ::chmod(name.constData(), mode);
    };
    if (fd < 0) {
        restore();
        fail(QStringLiteral("Cannot open file for appending"), path, openErr);
    }
    // The old length is what a failed append is cut back to: without it nothing is written.
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        if (!existed)
            ::unlink(name.constData());
        restore();
        fail(QStringLiteral("Cannot open file for appending"), path, err);
    }
    const off_t oldSize = st.st_size;
    int err = 0;
    bool ok = writeAll(fd, bytes.constData(), bytes.size(), err);
    if (ok && ::fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && ::fstat(fd, &st) == 0 && st.st_size != oldSize + bytes.size()) {
        err = ENOSPC;
        ok = false;
    }
    if (!ok) {
        // Whole lines or nothing: the part that was written goes again.
        if (::ftruncate(fd, oldSize) == 0)
            ::fsync(fd);
    }
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
        if (::truncate(name.constData(), oldSize) != 0)
            err = errno;
    }
    if (!ok && !existed)
        ::unlink(name.constData());
    restore();
    if (!ok)
        fail(QStringLiteral("Cannot write file"), path, err);
}

}  // namespace FileSystem
