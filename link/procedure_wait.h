#pragma once
// Waiting out a unit that runs one of its procedures (colour balance, position, phase, seam).
//
// Through a controller the program only pauses a little after starting a procedure, while the
// unit keeps working for minutes and meanwhile answers nobody: the controller either says
// nothing or reports that the unit did not answer. The re-read that follows therefore polls
// the unit quietly, without a message box or a resend notice every 8 s, for as long as a
// directly cabled unit would be given for the same procedure, and reports a failure once.

#include <QElapsedTimer>
#include <QString>
#include <functional>

namespace kalvora {

class Link;

// "Error! Tornel <unit> did not answer within <seconds> seconds after <procedure> started. ..."
QString MsgUnitSilentAfterProcedure(int unit, const QString& procedure, int seconds);

// The controller's own "did not answer" error comes back at once; a poll that met one waits
// out the rest of a reply interval before the next, so a busy unit is asked about every 8 s.
constexpr int kPollIntervalMs = 8000;
// After a poll was answered, replies to earlier polls that the controller held back may still
// come; the line must have been quiet this long before the next query goes out.
constexpr int kLateReplyQuietMs = 1000;
// A unit that answers nothing at all after a procedure, not even "busy" through the controller,
// is given its procedure's pauses and this much more before it is reported.
constexpr int kSilentUnitGraceMs = 60000;

struct ProcedureWait {
    int unit = 1;              // 1 or 2, for the message
    QString procedure;         // as the operator knows it ("Auto Color Balance")
    int allowanceTicks = 80;   // the direct-mode wait of the procedure, 55 ms ticks
    int minimumAttempts = 1;   // polls made even when the allowance has already run out
    // A unit the controller does not even report busy is given this long after its last sign
    // of life (the procedure's own pauses and a minute); -1: the whole allowance.
    int silentAllowanceMs = -1;
};

// Polls with `poll` (a status query that returns true when the unit answered) until it
// succeeds or the allowance, counted from `started`, has passed; while the controller does not
// report the unit busy, only until the silent allowance has passed. Quiet throughout, with the
// link held waiting for the units and no other operation started; when the unit never answered, tells the
// operator once and returns false. Also false, without a message, when the operator abandoned
// a query or the link went away.
bool WaitForUnitAfterProcedure(Link& link, const ProcedureWait& wait, const QElapsedTimer& started,
                               const std::function<bool()>& poll);

}  // namespace kalvora
