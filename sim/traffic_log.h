#pragma once
// Every byte the simulated port received and sent, in order, with the time it was read from or
// written to the pseudo-terminal.

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdio>
#include <vector>

namespace kalvora::sim {

class TrafficLog {
public:
    using Clock = std::chrono::steady_clock;
    enum class Direction { Received, Sent };
    struct Entry {
        Clock::time_point time;
        Direction direction;
        QByteArray bytes;  // one read or one write
    };

    TrafficLog();
    ~TrafficLog();
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    void add(Direction d, const QByteArray& bytes);
    // A long-running program keeps only the file: entries are not held in memory.
    void setRetainEntries(bool retain) { retain_ = retain; }
    void clear();  // forgets the entries (the log file keeps its lines)

    const std::vector<Entry>& entries() const { return entries_; }
    QByteArray received() const;  // all bytes received since the last clear(), in order
    QByteArray sent() const;      // all bytes sent since the last clear(), in order
    // Time of the last write; Clock::time_point{} when nothing was sent.
    Clock::time_point lastSentTime() const;

    // Also writes every entry as a readable line to this file (appends); false if it cannot be opened.
    bool openFile(const QString& path);
    // One entry as text: "  0.012345 RX  50 41 53 53 20  |PASS |" (seconds since the log began).
    QString formatEntry(const Entry& e) const;

private:
    std::vector<Entry> entries_;
    Clock::time_point start_;
    std::FILE* file_ = nullptr;
    bool retain_ = true;
};

}  // namespace kalvora::sim
