#pragma once
// A record of every byte exchanged with the units, one row per transaction: when it started,
// the unit it addressed, what was sent and what came back (as text with the control
// characters named, and as hex), and how the transaction ended (accepted, rejected, an error
// code, a timeout, a resend). Bytes that pass while no transaction runs (typed in the
// terminal, or arriving unasked and flushed by the next transaction) get rows of their own.
//
// The trace only watches: it takes the bytes the port reports as sent and read, and the
// link tells it where transactions begin and end. It never reads the line itself, so the
// link's timing is the same with or without it. Memory is bounded: at most kMaxRows rows,
// each keeping at most kMaxBytes bytes per direction (the count of the rest is kept).

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <deque>

namespace kalvora {

class SerialPort;

struct TraceRow {
    enum class Kind {
        Command,   // controller command in its "PASS " frame
        Query,     // status query (also NTN)
        Prompt,    // direct command or probe, waiting for the unit's prompt
        Write,     // direct command sent without waiting for anything
        Outside,   // bytes outside any transaction: terminal typing, unasked bytes
    };
    qint64 id = 0;          // counts up from 1 over the trace's life
    QDateTime time;         // start
    qint64 durationMs = 0;  // start to end (real time)
    Kind kind = Kind::Outside;
    int unit = 0;           // 1 or 2; 0 = the port or the controller itself
    int attempt = 1;        // 2 and up: a resend
    QByteArray sent;
    QByteArray received;
    qint64 sentCut = 0;     // bytes beyond kMaxBytes, not kept
    qint64 receivedCut = 0;
    QString outcome;        // "accepted", "rejected", "error code 3", "timeout", ...
    bool open = true;       // still running (or, outside a transaction, still collecting)
};

class TrafficTrace : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 2000;
    static constexpr int kMaxBytes = 1024;

    explicit TrafficTrace(QObject* parent = nullptr);

    // Watches the bytes this port sends and reads.
    void attach(SerialPort& port);

    // The link: a transaction starts and ends.
    void begin(TraceRow::Kind kind, int unit, int attempt = 1);
    void end(const QString& outcome);
    bool inTransaction() const { return inTransaction_; }

    // The port: bytes sent and read.
    void addSent(const QByteArray& bytes);
    void addReceived(const QByteArray& bytes);

    const std::deque<TraceRow>& rows() const { return rows_; }
    // Rows dropped from the front to keep within kMaxRows.
    qint64 droppedRows() const { return dropped_; }
    void clear();

    // The readable form of a row and of a whole trace, the same in the traffic window's
    // "Save As..." and in kalvora-cli --trace.
    static QString KindText(const TraceRow& row);
    static QString UnitText(int unit);
    static QString FormatRow(const TraceRow& row);
    // rows whose unit passes the filter (-1: every unit).
    QString formatText(int unitFilter = -1) const;

signals:
    // A row was added (at the back) or the last row changed; rowsDropped(n) when n rows left
    // the front.
    void rowAdded();
    void lastRowChanged();
    void rowsDropped(int count);
    void cleared();

private:
    TraceRow& newRow(TraceRow::Kind kind, int unit, int attempt);
    void append(QByteArray& to, qint64& cut, const QByteArray& bytes);

    std::deque<TraceRow> rows_;
    qint64 nextId_ = 1;
    qint64 dropped_ = 0;
    bool inTransaction_ = false;
};

// Bytes as readable text: printable ASCII as is, CR, LF, NUL and the other control bytes
// named in angle brackets (<CR><LF>), other bytes as <xx>.
QString TraceText(const QByteArray& bytes);
// Bytes as upper-case hex pairs separated by spaces.
QString TraceHex(const QByteArray& bytes);
// Writes `text` to `path` through a temporary file that replaces it only once complete.
// False with `error` set when any step failed.
bool WriteTraceFile(const QString& path, const QString& text, QString* error);

}  // namespace kalvora
