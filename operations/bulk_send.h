#pragma once
// "Send Current Settings to Tornel(s)": every setting the pages show, sent to the units in one
// go, in the order the units need it (projector count and layout first, then the inputs, the
// screens of unit 1, the unit-wide feathering and mode, the screens of unit 2, the seams).
//
// The sequence reads its values through BulkValues, so the window (its controls) and the
// command-line tool (the records of a file) send byte for byte the same commands. A value that is
// not a number, or lies outside what its field accepts, stops the send before its first command
// with one message naming the value; a link that fails stops it too: no further command is tried.

#include <QList>
#include <QString>
#include <vector>

#include "operations/bulk_plan.h"

namespace kalvora {

class BulkValues;
class CommandSet;
class Link;
struct Settings;

// A value the send carries that its unit does not hold.
struct CarriedDifference {
    int unit = 0;        // 1 or 2
    bool input = false;  // an input channel, else an output screen
    int index = 0;       // 1..4 within the unit
    const FieldDesc* field = nullptr;
    int element = 0;     // 0..7 for SeamGain
    QString command;     // "BLKGN screen 6"
    WireValue file;      // what the send carries (or the text it cannot send)
    WireValue units;     // what the unit holds, as the wire would carry it
};

inline const QString kMsgInvalidBulkValue = QStringLiteral(
    "Error! Unable to send parameters to Tornel(s). Invalid value exist in one of the settings.");

// kMsgInvalidBulkValue with the value that cannot be sent: its unit, command, field, text and
// what the field accepts.
QString InvalidValueMessage(int unit, const QString& what, const WireValue& bad);

struct BulkProgress {
    int k = 0;      // this command's number, 1..n
    int n = 0;      // commands in the whole send
    int unit = 0;   // 1 or 2
    QString what;   // keyword and target ("BLKGN screen 3", "MANSEAM channel 5")
};
// "command 12 of 214, unit 1: BLKGN screen 3"
QString BulkStepText(const BulkProgress& p);

enum class BulkOutcome {
    Done,          // every command of the send went out, except those its own field check refused
    NotStarted,    // another operation was running, a form is being filled or there is no link
    InvalidValue,  // a value could not be sent; the operator was told
    LinkFailed,    // the link gave up or was lost; the link told the operator
    Stopped,       // ShouldStop asked to stop before a command: the units are partly configured
};

// Who runs a send follows it: told of each command before it goes out, asked before each
// whether to stop there (after the command on the line).
class BulkObserver {
public:
    virtual void Progress(const BulkProgress& p) = 0;
    virtual bool ShouldStop() = 0;

protected:
    ~BulkObserver() = default;
};

class BulkSend {
public:
    BulkSend(CommandSet& commands, Link& link, Settings& settings, BulkValues& values);
    // When set, only the commands whose values differ from these records (what the units hold)
    // are sent, in the same order; a channel's MANSEAM goes once whatever number of gains differ.
    // The values compared are those the command carries, as the full send takes them: the
    // wall-wide values from the first unit's record for both units, check boxes as 0 or 1.
    const Settings* OnlyChangedFrom = nullptr;

    // What the full send would carry that the units (records read back from them) do not hold,
    // value by value, by unit, channel and screen; nothing is sent. Channels the send skips and
    // screens of a unit it does not address are not compared. False when the projector count
    // is not one the send can carry (it would stop with kMsgInvalidBulkValue).
    bool Differences(const Settings& units, std::vector<CarriedDifference>& out);

    // The whole operation with its guards: returns at once while EditorBusy is set, sends only
    // with FormFilling clear and the link established, holds EditorBusy until it ends.
    BulkOutcome Run(BulkObserver& observer);

    // Commands the units accepted.
    int CommandsSent() const { return sent_; }
    // Commands left out because their field refused its value (a colour or seam gain out of
    // range); the field told the operator.
    const QList<BulkProgress>& CommandsSkipped() const { return skipped_; }
    // The command that went out last (or was being sent when the send stopped).
    const BulkProgress& LastCommand() const { return last_; }

private:
    Link& link_;
    CommandSet& commands_;
    Settings& settings_;
    BulkValues& values_;
    int sent_ = 0;
    QList<BulkProgress> skipped_;
    BulkProgress last_;
};

}  // namespace kalvora
