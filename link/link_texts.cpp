// The operator's messages of the link: ports that cannot be used, commands and queries given up.
#include "link/link.h"

#include <QFileInfo>

#include "platform/port_lock.h"

namespace kalvora {

QString MsgPortBusy(int n)
{
    return QStringLiteral("Note: COM Port #%1 is not responding/being used by another application.").arg(n);
}

QString MsgPortPermission(int n, const QString& device)
{
    const QFileInfo info(device);
    QString group = info.exists() ? info.group() : QString();
    if (group.isEmpty() || group == QLatin1String("root")) group = QStringLiteral("dialout");
    return MsgPortBusy(n) +
           QStringLiteral("\nOn Linux this program may not use %1: add your user to the group '%2' that owns it "
                          "(sudo usermod -a -G %2 $USER), then log out and in again.")
               .arg(device.isEmpty() ? QStringLiteral("the port") : device, group);
}

QString MsgPortInUse(int n, const QString& device)
{
    const PortHolder holder = FindPortHolder(device);
    const QString who = PortHolderText(holder);
    if (who.isEmpty()) return MsgPortBusy(n);
    return MsgPortBusy(n) + QStringLiteral("\n%1 is %2 (lock file %3).").arg(device, who, holder.lockFile);
}

QString MsgPortNotResponding(int n) { return QStringLiteral("Note: COM Port #%1 is not responding.").arg(n); }

QString MsgPortUnreachable(int n, const QString& address, const QString& reason)
{
    return MsgPortBusy(n) + QStringLiteral("\n%1: %2.").arg(address, reason);
}

QString MsgPortLost(const SerialPort& port)
{
    const int n = port.comNumber();
    if (!port.isNetworkPort(n) || port.failureText().isEmpty()) return MsgPortNotResponding(n);
    return MsgPortNotResponding(n) + QStringLiteral("\n%1: %2.").arg(port.device(n), port.failureText());
}

namespace {
QString Because(const QString& cause) { return cause.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(cause); }
}  // namespace

QString MsgGiveUpCommand(int attempts, const QString& cause)
{
    return QStringLiteral("Error! The command has not been accepted after %1 attempts%2. Click Retry to keep trying. "
                          "Click Cancel to abandon it.")
        .arg(attempts)
        .arg(Because(cause));
}

QString MsgGiveUpQuery(int attempts, const QString& cause)
{
    // The query's resends follow answers (a rejection, an error code), not silence.
    if (cause.isEmpty())
        return QStringLiteral("Error! The query has not been answered after %1 attempts. Click Retry to keep "
                              "trying. Click Cancel to abandon it.")
            .arg(attempts);
    return QStringLiteral("Error! The query has failed %1 times (%2). Click Retry to keep trying. Click Cancel to "
                          "abandon it.")
        .arg(attempts)
        .arg(cause);
}

QString MsgUnitNotReported(int unit)
{
    return QStringLiteral("Tornel %1 is not among the Tornels the Controller reports, so nothing was sent to it.\n"
                          "Check the RS-485 cables, then use 'Serial Port->Search for Tornel(s)' to connect again.")
        .arg(unit);
}

}  // namespace kalvora
