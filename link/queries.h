#pragma once
// The status queries: NTN (units behind the controller and their RS-485 IDs), SYINFOTN
// (system information text), IINFOTN (one input channel), OINFOTN (one output screen), and the
// read of one whole unit. Replies land in the settings records field by field.
//
// All run through Link::SendQuery(). A query that returns false with link.sequenceStopped() was
// given up by the operator at the way out of its resend loop, or lost its port: the caller
// stops its sequence.

#include <QString>

namespace kalvora {

class Link;
struct Settings;

inline const QString kStatusNtnError = QStringLiteral("Error detecting # of Tornel(s) from Controller");
inline const QString kMsgNoUnits =
    QStringLiteral("No Tornel(s) connected to Controllers. Check cables and try again.");
inline const QString kStatusParseSystemInfo = QStringLiteral("Error parsing SYINFOTN message....");
inline const QString kStatusParseInput = QStringLiteral("Error parsing IINFOTN message....");
inline const QString kStatusParseOutput = QStringLiteral("Error parsing OINFOTN message....");
inline const QString kMsgFormatMismatch = QStringLiteral(
    "Warning: Current Output Format and Input Format does not match (no valid input video?). Kalvora may not "
    "function properly.");

// MinReplyLength of each query.
constexpr int kMinReplyNtn = 1;
constexpr int kMinReplySystemInfo = 8;
constexpr int kMinReplyInput = 70;
constexpr int kMinReplyOutput = 62;

// Number of units the controller reports (0 on failure); fills the ID edits.
int QueryUnitCount(Link& link);
// u = 1, 2; sets link.unitInfoText(u).
bool QuerySystemInfo(Link& link, int u);
// ch = 1..4; fills settings.InputRecords[u][ch].
bool QueryInput(Link& link, Settings& settings, int u, int ch);
// s = 1..4; fills settings.OutputRecords[u][s].
bool QueryOutput(Link& link, Settings& settings, int u, int s);
// The whole read of one unit: system information, inputs 1..4, outputs 1..4 (each with one
// retry), then the read flag, the output size and the format check against unit 1.
bool QueryUnit(Link& link, Settings& settings, int u);

}  // namespace kalvora
