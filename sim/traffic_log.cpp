#include "sim/traffic_log.h"

namespace kalvora::sim {

TrafficLog::TrafficLog() : start_(Clock::now()) {}

TrafficLog::~TrafficLog()
{
    if (file_) std::fclose(file_);
}

void TrafficLog::add(Direction d, const QByteArray& bytes)
{
    if (bytes.isEmpty()) return;
    const Entry e{Clock::now(), d, bytes};
    if (file_) {
        const QByteArray text = formatEntry(e).toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }
    if (retain_) entries_.push_back(e);
}

void TrafficLog::clear() { entries_.clear(); }

QByteArray TrafficLog::received() const
{
    QByteArray all;
    for (const Entry& e : entries_)
        if (e.direction == Direction::Received) all.append(e.bytes);
    return all;
}

QByteArray TrafficLog::sent() const
{
    QByteArray all;
    for (const Entry& e : entries_)
        if (e.direction == Direction::Sent) all.append(e.bytes);
    return all;
}

TrafficLog::Clock::time_point TrafficLog::lastSentTime() const
{
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->direction == Direction::Sent) return it->time;
    return {};
}

bool TrafficLog::openFile(const QString& path)
{
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "a");
    if (!f) return false;
    if (file_) std::fclose(file_);
    file_ = f;
    return true;
}

QString TrafficLog::formatEntry(const Entry& e) const
{
    const double seconds = std::chrono::duration<double>(e.time - start_).count();
    QString hex;
    QString text;
    for (const char ch : e.bytes) {
        const auto b = static_cast<unsigned char>(ch);
        hex += QString::asprintf(" %02X", b);
        text += (b >= 0x20 && b < 0x7F) ? QChar(b) : QChar('.');
    }
    return QString::asprintf("%10.6f %s ", seconds, e.direction == Direction::Received ? "RX" : "TX") + hex +
           QStringLiteral("  |") + text + QStringLiteral("|");
}

}  // namespace kalvora::sim
