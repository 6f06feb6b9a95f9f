#pragma once
// The commit check of the colour fields of the source page and the seam gain fields of the seam
// page, as the bulk send runs it for the channel selected on the page: the text must be a number
// within the field's range, else the field's own message is shown and nothing is sent.

#include <QString>

#include "operations/bulk_values.h"

namespace kalvora {

class CommandSet;
class Link;

// True for the sixteen fields this check knows.
bool IsCommitCheckedField(const FieldKey& key);

// What the seam page always sends as the seam parameter of MANSEAM.
constexpr int kSeamParam = -4;

// The value the check accepts from `text` for the field `key`: a number within the field's
// range. False for anything it would refuse with the field's own message.
bool CommitCheckedValue(const FieldKey& key, const QString& text, double& value);

// `channel` is the wall channel 1..8 selected on the field's page. The field's text and, for a
// seam gain, the other seven gains are read through `values`.
CommitOutcome RunFieldCommit(BulkValues& values, const FieldKey& key, int channel, CommandSet& commands, Link& link);

}  // namespace kalvora
