#pragma once
// Why a serial device cannot be used, found before it is opened and said in words the operator
// can act on: the device is not there (an adapter unplugged, a name mistyped), another program
// holds it (named by the lock file serial programs leave), or the user may not open it.
//
// Serial programs on Linux mark a device they hold with a lock file LCK..<name> in /run/lock
// (/var/lock): the holder's process ID in text (or, from old programs, as a 4-byte number).
// Qt's serial port writes one too, so two Kalvora programs see each other as well.

#include <QList>
#include <QString>
#include <QStringList>

namespace kalvora {

// A process that holds a device.
struct PortHolder {
    qint64 pid = 0;  // 0: nobody
    QString name;    // its command name, empty when it cannot be read
    bool operator==(const PortHolder&) const = default;
};

// The folders lock files are looked for in.
QStringList DefaultLockFolders();

// The lock file names `device` goes by: "LCK..ttyUSB0" for /dev/ttyUSB0 or a link to it,
// "LCK..pts_3" for /dev/pts/3.
QStringList LockFileNames(const QString& device);

// The live process, other than this one, whose lock file for `device` lies in one of
// `lockFolders`; pid 0 when there is none (no file, or one naming a process that has gone).
PortHolder LockHolder(const QString& device, const QStringList& lockFolders = DefaultLockFolders());

// The processes other than this one that have `device` open, by their /proc/<pid>/fd entries
// (those the user may look into), in process ID order.
QList<PortHolder> OpenHolders(const QString& device, const QString& procRoot = QStringLiteral("/proc"));

// Who holds `device`: its lock file's process, else the first process that has it open.
PortHolder DeviceHolder(const QString& device, const QStringList& lockFolders = DefaultLockFolders());

// The command name of a process, from /proc/<pid>/comm; empty when unknown.
QString ProcessName(qint64 pid);

struct PortProblem {
    enum class Kind { None, Missing, Busy, Permission };
    Kind kind = Kind::None;
    QString device;
    PortHolder holder;  // Busy: who
    QString group;      // Permission: the group that may open the device
    bool operator==(const PortProblem&) const = default;
};

// What keeps `device` from being opened, as far as can be told without opening it. None for
// an empty device (no port), and for a device that only opening will tell about.
PortProblem DiagnosePort(const QString& device, const QStringList& lockFolders = DefaultLockFolders());

// The operator's message for a problem of COM port `com`:
//   "Note: COM Port #1: /dev/ttyUSB9: no such device."
//   "Note: COM Port #1: /dev/ttyUSB0: in use by PID 1234 (minicom)."
//   "Note: COM Port #1: /dev/ttyS0: permission denied.\nOn Linux this program may not use ..."
QString PortProblemText(int com, const PortProblem& problem);
// The same problem in a few words, without the COM port and the device: "no such device",
// "in use by PID 1234 (minicom)", "permission denied (group dialout)".
QString PortProblemBrief(const PortProblem& problem);

}  // namespace kalvora
