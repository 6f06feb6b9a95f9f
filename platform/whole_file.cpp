#include "platform/whole_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

// "/dir/.wall.tnc.saving-<pid>-<n>": one name per save, so saves of one file running side by side
// (two programs, or two runs of a script) never write into each other's temporary file.
constexpr char kSavingTag[] = ".saving-";

QByteArray DirOf(const QByteArray& target)
{
    const int slash = target.lastIndexOf('/');
    return slash > 0 ? target.left(slash) : QByteArray(slash == 0 ? "/" : ".");
}

QByteArray TempPrefixOf(const QByteArray& target)
{
    const int slash = target.lastIndexOf('/');
    const QByteArray base = slash >= 0 ? target.mid(slash + 1) : target;
    return '.' + base + kSavingTag;
}

QByteArray TempPathOf(const QByteArray& target)
{
    static std::atomic<unsigned> serial{0};
    const int slash = target.lastIndexOf('/');
    const QByteArray dir = slash >= 0 ? target.left(slash + 1) : QByteArray();
    return dir + TempPrefixOf(target) + QByteArray::number(qint64(::getpid())) + '-' +
           QByteArray::number(serial.fetch_add(1));
}

// A save killed earlier leaves its temporary file, never a complete file of its own: the files
// of processes that no longer run go, those of saves still running stay. Also the fixed name
// earlier versions used.
void RemoveStaleTempFiles(const QByteArray& target)
{
    const QByteArray dirPath = DirOf(target);
    const QByteArray prefix = TempPrefixOf(target);
    const QByteArray legacy = prefix.left(prefix.size() - 1);  // ".wall.tnc.saving"
    DIR* dir = ::opendir(dirPath.constData());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        bool stale = name == legacy;
        if (!stale && name.startsWith(prefix)) {
            const QByteArray rest = name.mid(prefix.size());
            const int dash = rest.indexOf('-');
            bool ok = false;
            const qint64 pid = (dash > 0 ? rest.left(dash) : rest).toLongLong(&ok);
            stale = ok && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
        }
        if (stale) ::unlinkat(::dirfd(dir), name.constData(), 0);
    }
    ::closedir(dir);
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

FileResult ReplaceWholeFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray name = path.toLocal8Bit();
    if (name.isEmpty()) return Fail(ENOENT);
    QByteArray target;
    FileResult failure;
    if (!ResolveTarget(name, target, failure)) return failure;

    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    RemoveStaleTempFiles(target);
    const QByteArray temp = TempPathOf(target);
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
    const int dirFd = ::open(DirOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

FileResult WriteOutputFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray name = path.toLocal8Bit();
    struct stat st {};
    // stat follows links: /dev/stdout names the descriptor it stands for.
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        return ReplaceWholeFile(path, bytes);
    if (!S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode)) return {false, kNotRegular};
    // A FIFO without a reader would block the open: it fails at once instead (ENXIO).
    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Fail(errno == ENXIO ? EPIPE : errno);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    int error = 0;
    if (!WriteAll(fd, bytes.constData(), bytes.size())) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    return error == 0 ? FileResult{true, {}} : Fail(error);
}

}  // namespace kalvora
