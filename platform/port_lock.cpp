#include "platform/port_lock.h"

#include <QFileInfo>

#include "platform/whole_file.h"

namespace kalvora {

PortHolder FindPortHolder(const QString& device)
{
    PortHolder holder;
    QString real = QFileInfo(device).canonicalFilePath();
    if (real.isEmpty()) real = device;
    if (real.startsWith(QLatin1String("/dev/"))) real = real.mid(5);
    const QString name = QStringLiteral("LCK..") + QString(real).replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : {"/run/lock/", "/var/lock/", "/tmp/"}) {
        const QString path = QLatin1String(folder) + name;
        QByteArray bytes;
        if (!ReadWholeFile(path, 4096, bytes).ok) continue;
        holder.lockFile = path;
        // The pid is the first line (or the whole file, in the older form).
        bool ok = false;
        holder.pid = bytes.split('\n').constFirst().trimmed().toLongLong(&ok);
        if (!ok) holder.pid = 0;
        QByteArray comm;
        if (holder.pid > 0 && ReadWholeFile(QStringLiteral("/proc/%1/comm").arg(holder.pid), 256, comm).ok)
            holder.program = QString::fromLocal8Bit(comm.trimmed());
        break;
    }
    return holder;
}

QString PortHolderText(const PortHolder& holder)
{
    if (holder.pid <= 0) return QString();
    return holder.program.isEmpty() ? QStringLiteral("in use by PID %1").arg(holder.pid)
                                    : QStringLiteral("in use by PID %1 (%2)").arg(holder.pid).arg(holder.program);
}

}  // namespace kalvora
