#include "platform/port_open_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace kalvora {
namespace {

// The device a path stands for: a stable name (/dev/serial/by-id/...) is a link to it.
QString RealDevice(const QString& device)
{
    const QString real = QFileInfo(device).canonicalFilePath();
    return real.isEmpty() ? device : real;
}

// A small regular file's first bytes; never opens a FIFO or a device.
QByteArray SmallFile(const QString& path, qint64 limit = 128)
{
    const QFileInfo info(path);
    if (!info.isFile()) return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.read(limit);
}

// The process ID in a lock file: text ("      1234\n", "1234\nkalvora\n...") or a 4-byte number.
qint64 LockFilePid(const QByteArray& content)
{
    bool ok = false;
    const qint64 text = content.split('\n').value(0).trimmed().toLongLong(&ok);
    if (ok) return text;
    if (content.size() == 4) {
        qint32 binary = 0;
        std::memcpy(&binary, content.constData(), 4);
        return binary;
    }
    return 0;
}

bool Alive(qint64 pid) { return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM); }

}  // namespace

QStringList DefaultLockFolders() { return {QStringLiteral("/run/lock"), QStringLiteral("/var/lock")}; }

QStringList LockFileNames(const QString& device)
{
    QString name = RealDevice(device);
    if (name.startsWith(QLatin1String("/dev/"))) name = name.mid(5);
    QStringList names{QStringLiteral("LCK..") + QString(name).replace(QLatin1Char('/'), QLatin1Char('_'))};
    const QString base = QStringLiteral("LCK..") + QFileInfo(name).fileName();
    if (!names.contains(base)) names << base;
    return names;
}

QString ProcessName(qint64 pid)
{
    return QString::fromLocal8Bit(SmallFile(QStringLiteral("/proc/%1/comm").arg(pid))).trimmed();
}

PortHolder LockHolder(const QString& device, const QStringList& lockFolders)
{
    const qint64 self = ::getpid();
    for (const QString& folder : lockFolders)
        for (const QString& name : LockFileNames(device)) {
            const qint64 pid = LockFilePid(SmallFile(folder + QLatin1Char('/') + name));
            // A lock of this program's own is its own port; one whose process has gone is stale.
            if (pid != self && Alive(pid)) return {pid, ProcessName(pid)};
        }
    return {};
}

QList<PortHolder> OpenHolders(const QString& device, const QString& procRoot)
{
    QList<PortHolder> holders;
    const QString real = RealDevice(device);
    const qint64 self = ::getpid();
    const QStringList processes = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : processes) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == self) continue;
        const QDir fds(procRoot + QLatin1Char('/') + entry + QStringLiteral("/fd"));
        const QStringList open = fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& fd : open)
            if (QFileInfo(fds.filePath(fd)).symLinkTarget() == real) {
                holders.append({pid, ProcessName(pid)});
                break;
            }
    }
    std::sort(holders.begin(), holders.end(), [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
    return holders;
}

PortHolder DeviceHolder(const QString& device, const QStringList& lockFolders)
{
    const PortHolder locked = LockHolder(device, lockFolders);
    if (locked.pid) return locked;
    return OpenHolders(device).value(0);
}

PortProblem DiagnosePort(const QString& device, const QStringList& lockFolders)
{
    PortProblem p;
    p.device = device;
    if (device.isEmpty()) return p;
    const QFileInfo info(device);
    if (!info.exists()) {  // also a stable name whose adapter is unplugged: a dangling link
        p.kind = PortProblem::Kind::Missing;
        return p;
    }
    p.holder = LockHolder(device, lockFolders);
    if (p.holder.pid) {
        p.kind = PortProblem::Kind::Busy;
        return p;
    }
    const QByteArray local = QFile::encodeName(device);
    if (::access(local.constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        p.kind = PortProblem::Kind::Permission;
        p.group = info.group();
        // A device only root may open is opened by adding the user to dialout, the group
        // serial devices are given.
        if (p.group.isEmpty() || p.group == QLatin1String("root")) p.group = QStringLiteral("dialout");
    }
    return p;
}

QString PortProblemBrief(const PortProblem& p)
{
    switch (p.kind) {
    case PortProblem::Kind::None: return {};
    case PortProblem::Kind::Missing: return QStringLiteral("no such device");
    case PortProblem::Kind::Busy:
        return p.holder.name.isEmpty() ? QStringLiteral("in use by PID %1").arg(p.holder.pid)
                                       : QStringLiteral("in use by PID %1 (%2)").arg(p.holder.pid).arg(p.holder.name);
    case PortProblem::Kind::Permission: return QStringLiteral("permission denied (group %1)").arg(p.group);
    }
    return {};
}

QString PortProblemText(int com, const PortProblem& p)
{
    if (p.kind == PortProblem::Kind::None) return {};
    const QString head = QStringLiteral("Note: COM Port #%1: %2: ").arg(com).arg(p.device);
    if (p.kind != PortProblem::Kind::Permission) return head + PortProblemBrief(p) + QLatin1Char('.');
    return head +
           QStringLiteral("permission denied.\nOn Linux this program may not use %1: add your user to the group '%2' "
                          "that owns it (sudo usermod -a -G %2 $USER), then log out and in again.")
               .arg(p.device, p.group);
}

}  // namespace kalvora
