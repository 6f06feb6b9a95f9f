#pragma once
// One section of the user's kalvora.conf, an INI file that several parts of the program share:
// each reads its own keys and rewrites only them, every other line kept as it was.

#include <QList>
#include <QPair>
#include <QString>
#include <functional>

namespace kalvora {

using IniValues = QList<QPair<QString, QString>>;  // key, value, in file order

// The keys and values of `section` ("[ComPorts]"). Read only from a regular file and without
// blocking: anything else (a FIFO, a device, a missing file) reads as empty.
IniValues LoadIniSection(const QString& file, const QString& section);
// Replaces the keys of `section` that `owned` accepts by `values` (in this order, at the
// section's start; the section is added at the end when missing and there is something to
// write), through a whole-file replacement. The reason on failure.
bool SaveIniSection(const QString& file, const QString& section, const std::function<bool(const QString& key)>& owned,
                    const IniValues& values, QString* reason = nullptr);

}  // namespace kalvora
