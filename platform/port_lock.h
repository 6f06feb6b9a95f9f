#pragma once
// Who holds a serial device: the lock file that programs using the device leave in the
// system's lock folder ("LCK..ttyUSB0", holding the process id), read without blocking.

#include <QString>

namespace kalvora {

struct PortHolder {
    QString lockFile;  // empty: no lock file found
    qint64 pid = 0;
    QString program;   // the process's name, when it still runs
};

PortHolder FindPortHolder(const QString& device);

// "in use by PID 1234 (minicom)", or empty when no holder is known.
QString PortHolderText(const PortHolder& holder);

}  // namespace kalvora
