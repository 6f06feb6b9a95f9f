#include "app/status_bar_display.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "link/frame.h"
#include "operations/session.h"
#include "platform/gui/named_widget.h"

namespace kalvora {

QString OperationStepText(const TraceRow& row)
{
    // "TNQUERY *2OINFOTN 3!\r" or "OINFOTN 3\r" -> "OINFOTN 3"; "PASS *2BLKGN 2 30!C4\r\r" -> "BLKGN 2 30",
    // also while the frame is still being sent.
    const QByteArray text = ParseFrame(row.sent).frame.text.trimmed();
    if (text.isEmpty()) return QString();
    const QString what = QString::fromLatin1(text).left(40);
    const QString unit = row.unit == 1 || row.unit == 2 ? QStringLiteral("unit %1").arg(row.unit) : QStringLiteral("controller");
    return row.kind == TraceRow::Kind::Query ? QStringLiteral("Reading %1: %2").arg(unit, what)
                                             : QStringLiteral("Sending to %1: %2").arg(unit, what);
}

StatusBarDisplay::StatusBarDisplay(QStatusBar* bar, Session& session) : QObject(bar), session_(session)
{
    bar->setObjectName(QStringLiteral("MainStatusBar"));
    bar->setSizeGripEnabled(false);
    // One permanent text: menu hints must not wipe the progress and notes written here.
    statusLabel_ = MakeNamed<QLabel>(bar, QStringLiteral("MainStatusBarText"));
    bar->addWidget(statusLabel_, 1);
    progressLabel_ = MakeNamed<QLabel>(bar, QStringLiteral("ProgressLabel"));
    bar->addPermanentWidget(progressLabel_);
    // Once no exchange has been open for a moment the operation is over and its step goes; the
    // short delay keeps the text steady between the exchanges of one operation.
    stepClear_ = new QTimer(this);
    stepClear_->setSingleShot(true);
    stepClear_->setInterval(150);
    connect(stepClear_, &QTimer::timeout, this, [this] {
        const TrafficTrace& trace = session_.trace();
        const bool open = !trace.rows().empty() && trace.rows().back().open;
        if (!open && bulkStep_.isEmpty()) progressLabel_->clear();
    });
    connect(&session_, &Session::trafficChanged, this, &StatusBarDisplay::showTrafficStep);
}

QString StatusBarDisplay::text() const { return statusLabel_->text(); }

void StatusBarDisplay::showStatus(const QString& text)
{
    statusLabel_->setText(text);
    // The operation's step goes with the operation's text; a bulk send's count stays for the
    // whole send, across the transactions of each of its commands.
    if (text.isEmpty()) progressLabel_->setText(bulkStep_);
}

void StatusBarDisplay::showBulkStep(const QString& step)
{
    bulkStep_ = step;
    if (step.isEmpty())
        progressLabel_->clear();
    else
        progressLabel_->setText(step);
}

void StatusBarDisplay::showTrafficStep()
{
    const TrafficTrace& trace = session_.trace();
    if (trace.rows().empty()) return;
    const TraceRow& row = trace.rows().back();
    if (!bulkStep_.isEmpty()) return;
    if (!row.open) {
        stepClear_->start();
        return;
    }
    if (row.kind != TraceRow::Kind::Query && row.kind != TraceRow::Kind::Command) return;
    stepClear_->stop();
    progressLabel_->setText(OperationStepText(row));
}

}  // namespace kalvora
