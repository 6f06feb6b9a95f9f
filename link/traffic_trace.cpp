#include "link/traffic_trace.h"

#include <algorithm>

#include "platform/serial_port.h"
#include "platform/whole_file.h"

namespace kalvora {

QString TraceText(const QByteArray& bytes)
{
    static const char* const kNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "TAB", "LF",
                                           "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                           "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 32)
            out += QLatin1Char('<') + QLatin1String(kNames[b]) + QLatin1Char('>');
        else if (b == '<')
            out += QStringLiteral("<<");  // so that a '<' of the line is never read as a name
        else if (b < 127)
            out += QLatin1Char(c);
        else
            out += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString TraceHex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

TrafficTrace::TrafficTrace(QObject* parent) : QObject(parent) {}

void TrafficTrace::attach(SerialPort& port)
{
    connect(&port, &SerialPort::bytesSent, this, &TrafficTrace::addSent);
    connect(&port, &SerialPort::bytesRead, this, &TrafficTrace::addReceived);
}

TraceRow& TrafficTrace::newRow(TraceRow::Kind kind, int unit, int attempt)
{
    if (!rows_.empty()) rows_.back().open = false;
    if (int(rows_.size()) >= kMaxRows) {
        rows_.pop_front();
        ++dropped_;
        emit rowsDropped(1);
    }
    TraceRow row;
    row.id = nextId_++;
    row.time = QDateTime::currentDateTime();
    row.kind = kind;
    row.unit = unit;
    row.attempt = attempt;
    rows_.push_back(std::move(row));
    emit rowAdded();
    return rows_.back();
}

void TrafficTrace::begin(TraceRow::Kind kind, int unit, int attempt)
{
    if (inTransaction_) end(QStringLiteral("interrupted"));
    newRow(kind, unit, attempt);
    inTransaction_ = true;
}

void TrafficTrace::end(const QString& outcome)
{
    if (!inTransaction_ || rows_.empty()) return;
    TraceRow& row = rows_.back();
    row.outcome = outcome;
    row.durationMs = row.time.msecsTo(QDateTime::currentDateTime());
    row.open = false;
    inTransaction_ = false;
    emit lastRowChanged();
}

void TrafficTrace::append(QByteArray& to, qint64& cut, const QByteArray& bytes)
{
    const qint64 room = std::max<qint64>(0, kMaxBytes - to.size());
    const qint64 keep = std::min<qint64>(room, bytes.size());
    to.append(bytes.constData(), qsizetype(keep));
    cut += bytes.size() - keep;
}

void TrafficTrace::addSent(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return;
    // Outside a transaction the bytes join the open outside row, or start one.
    if (!inTransaction_ && (rows_.empty() || rows_.back().kind != TraceRow::Kind::Outside || !rows_.back().open))
        newRow(TraceRow::Kind::Outside, 0, 1);
    TraceRow& row = rows_.back();
    append(row.sent, row.sentCut, bytes);
    emit lastRowChanged();
}

void TrafficTrace::addReceived(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return;
    if (!inTransaction_ && (rows_.empty() || rows_.back().kind != TraceRow::Kind::Outside || !rows_.back().open))
        newRow(TraceRow::Kind::Outside, 0, 1);
    TraceRow& row = rows_.back();
    append(row.received, row.receivedCut, bytes);
    emit lastRowChanged();
}

void TrafficTrace::clear()
{
    rows_.clear();
    dropped_ = 0;
    inTransaction_ = false;
    emit cleared();
}

QString TrafficTrace::KindText(const TraceRow& row)
{
    QString text;
    switch (row.kind) {
    case TraceRow::Kind::Command: text = QStringLiteral("command"); break;
    case TraceRow::Kind::Query: text = QStringLiteral("query"); break;
    case TraceRow::Kind::Prompt: text = QStringLiteral("prompt wait"); break;
    case TraceRow::Kind::Write: text = QStringLiteral("write"); break;
    case TraceRow::Kind::Outside: text = QStringLiteral("outside a transaction"); break;
    }
    if (row.attempt > 1) text += QStringLiteral(" (resend %1)").arg(row.attempt - 1);
    return text;
}

QString TrafficTrace::UnitText(int unit) { return unit == 1 || unit == 2 ? QStringLiteral("unit %1").arg(unit) : QStringLiteral("port"); }

QString TrafficTrace::FormatRow(const TraceRow& row)
{
    QString text = QStringLiteral("#%1 %2 %3 %4")
                       .arg(row.id)
                       .arg(row.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")), UnitText(row.unit), KindText(row));
    if (!row.outcome.isEmpty()) text += QStringLiteral(" - %1 (%2 ms)").arg(row.outcome).arg(row.durationMs);
    text += QLatin1Char('\n');
    const struct {
        const char* arrow;
        const QByteArray& bytes;
        qint64 cut;
    } directions[] = {{"->", row.sent, row.sentCut}, {"<-", row.received, row.receivedCut}};
    for (const auto& d : directions) {
        if (d.bytes.isEmpty() && d.cut == 0) continue;
        text += QStringLiteral("  %1 %2").arg(QLatin1String(d.arrow), TraceText(d.bytes));
        if (d.cut > 0) text += QStringLiteral(" ... (%1 more bytes)").arg(d.cut);
        text += QStringLiteral("\n     %1\n").arg(TraceHex(d.bytes));
    }
    return text;
}

QString TrafficTrace::formatText(int unitFilter) const
{
    QString text = QStringLiteral("Kalvora serial traffic, %1 rows").arg(rows_.size());
    if (dropped_ > 0) text += QStringLiteral(" (%1 earlier rows no longer kept)").arg(dropped_);
    text += QStringLiteral("\n-> sent to the units, <- received; control characters in <>, '<' as <<\n\n");
    for (const TraceRow& row : rows_)
        if (unitFilter < 0 || row.unit == unitFilter) text += FormatRow(row);
    return text;
}

}  // namespace kalvora

namespace kalvora {

bool WriteTraceFile(const QString& path, const QString& text, QString* error)
{
    const FileResult r = WriteOutputFile(path, text.toUtf8());
    if (!r.ok && error) *error = r.reason;
    return r.ok;
}

}  // namespace kalvora
