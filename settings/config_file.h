#pragma once
// The .tnc configuration file: a raw 1560-byte image of unit blocks 1 and 2 of the input
// and output tables, with no header. Records 0 and reserved bytes travel unchanged.

#include <QByteArray>
#include <QString>

#include "settings/records.h"

namespace kalvora {

class Operator;

constexpr int kConfigFileSize = 2 * int(sizeof(UnitInputBlock)) + 2 * int(sizeof(UnitOutputBlock));
static_assert(kConfigFileSize == 1560);

inline const QString kMsgUnableToCreate =
    QStringLiteral("Error! Unable to create Configuration file. Check if disk is write-protected");
inline const QString kMsgUnableToOpen = QStringLiteral("Error! Unable to open Configuration file. Check if file exist?");
inline const QString kMsgSizeInvalid = QStringLiteral("Error! File corrupted. File size invalid.");
inline const QString kMsgFileOpenSuccessful =
    QStringLiteral("File open successful. Kalvora updated with settings from file.");

// The four blocks in file order.
QByteArray ConfigImage(const Settings& settings);
// Replaces the four blocks from an image of exactly kConfigFileSize bytes; false (and nothing
// changed) for any other size.
bool ApplyConfigImage(Settings& settings, const QByteArray& image);

// The outcome of a save or load: on failure the message for the operator and the system's
// reason ("No space left on device", "not a regular file", "is 12 bytes, not 1560").
struct ConfigFileResult {
    bool ok = false;
    QString message;
    QString reason;
};

// Writes the file through a temporary in the same folder that replaces the old file only once
// every write, sync and close succeeded, so a failed save never destroys the previous file.
// Refuses to replace anything but a regular file (a link to one is written through).
ConfigFileResult SaveConfigFile(const Settings& settings, const QString& name);
// Replaces the tables from a regular file of exactly kConfigFileSize bytes; on failure the
// tables are untouched. Never blocks on opening (FIFOs and devices are refused).
ConfigFileResult LoadConfigFile(Settings& settings, const QString& name);

// The same, telling the operator of a failure with the message alone.
bool WriteConfigFile(const Settings& settings, const QString& name, Operator& op);
bool ReadConfigFile(Settings& settings, const QString& name, Operator& op);

}  // namespace kalvora
