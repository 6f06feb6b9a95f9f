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

// Writes the file through a temporary in the same folder that replaces the old file only once
// complete, so a failed save never destroys the previous file. Reports failure to the operator.
bool WriteConfigFile(const Settings& settings, const QString& name, Operator& op);
// True when the tables were replaced; on any failure the operator is told and the tables are
// untouched.
bool ReadConfigFile(Settings& settings, const QString& name, Operator& op);

}  // namespace kalvora
