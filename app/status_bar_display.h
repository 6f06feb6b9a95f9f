#pragma once
// The main window's status bar: one permanent text (what the operation in progress says), and
// beside it the step a unit operation is at, taken from the session's traffic (the unit and the
// query or command now on the line), or a bulk send's count for the whole of the send.

#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;
class QTimer;

namespace kalvora {

class Session;
struct TraceRow;

// The step of a unit operation shown beside the status bar's text: "Reading unit 2: OINFOTN 3",
// "Sending to unit 1: BLKGN 1 20" (empty for rows that are neither).
QString OperationStepText(const TraceRow& row);

class StatusBarDisplay : public QObject {
    Q_OBJECT
public:
    StatusBarDisplay(QStatusBar* bar, Session& session);

    QString text() const;
    // The operation's text; the operation's step goes with it (a bulk send's count stays).
    void showStatus(const QString& text);
    // "Sending command k of n, unit u: what" while a bulk send runs; empty when it has ended.
    void showBulkStep(const QString& step);

private:
    void showTrafficStep();

    Session& session_;
    QLabel* statusLabel_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QTimer* stepClear_ = nullptr;  // clears the step shortly after the last exchange closed
    QString bulkStep_;
};

}  // namespace kalvora
