#include "platform/whole_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvora {
namespace {

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
const QString kNotRegular = QStringLiteral("not a regular file");

FileResult Fail(int error) { return {false, Reason(error)}; }

// Follows a symbolic link to the file it names; a plain path is returned as it is.
bool ResolveTarget(const QByteArray& path, QByteArray& target, FileResult& failure)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        if (errno != ENOENT) {
            failure = Fail(errno);
            return false;
        }
        target = path;  // a new file
        return true;
    }
    if (S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.constData(), resolved) == nullptr) {
            failure = {false, QStringLiteral("symbolic link to a missing file")};
            return false;
        }
        target = QByteArray(resolved);
        if (::stat(resolved, &st) != 0) {
            failure = Fail(errno);
            return false;
        }
    } else {
        target = path;
    }
    if (!S_ISREG(st.st_mode)) {
        failure = {false, S_ISDIR(st.st_mode) ? Reason(EISDIR) : kNotRegular};
        return false;
    }
    return true;
}

QByteArray TempPathOf(const QByteArray& target)
{
    const int slash = target.lastIndexOf('/');
    const QByteArray dir = slash >= 0 ? target.left(slash + 1) : QByteArray();
    const QByteArray base = slash >= 0 ? target.mid(slash + 1) : target;
    return dir + '.' + base + ".saving";
}

bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

QString ReplacementTempPath(const QString& target)
{
    QByteArray resolved;
    FileResult ignored;
    const QByteArray path = target.toLocal8Bit();
    if (!ResolveTarget(path, resolved, ignored)) resolved = path;
    return QString::fromLocal8Bit(TempPathOf(resolved));
}

FileResult ReplaceWholeFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray name = path.toLocal8Bit();
    if (name.isEmpty()) return Fail(ENOENT);
    QByteArray target;
    FileResult failure;
    if (!ResolveTarget(name, target, failure)) return failure;

    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    const QByteArray temp = TempPathOf(target);
    // A save killed earlier may have left its temporary file: it is never a complete file of
    // its own, so it goes.
    ::unlink(temp.constData());
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return Fail(errno);

    int error = 0;
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
    if (error == 0 && !WriteAll(fd, bytes.constData(), bytes.size())) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return Fail(error);
    }
    // The rename itself reaches the disk with the folder.
    const int slash = target.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? target.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {true, {}};
}

FileResult ReadWholeFile(const QString& path, qsizetype maxBytes, QByteArray& bytes)
{
    bytes.clear();
    const QByteArray name = path.toLocal8Bit();
    if (name.isEmpty()) return Fail(ENOENT);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) return Fail(errno);
    if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
    if (!S_ISREG(st.st_mode)) return {false, kNotRegular};
    // Non-blocking, in case the path was swapped for a FIFO since the check.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Fail(errno);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        ::close(fd);
        return S_ISREG(st.st_mode) ? Fail(error) : FileResult{false, kNotRegular};
    }
    bytes.resize(maxBytes + 1);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            bytes.clear();
            return Fail(error);
        }
        if (n == 0) break;
        got += n;
    }
    ::close(fd);
    bytes.resize(got);
    return {true, {}};
}

}  // namespace kalvora
