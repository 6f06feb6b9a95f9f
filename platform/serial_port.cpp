#include "platform/serial_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

#include "platform/clock.h"
#include "platform/local_port_transport.h"
#include "platform/network_port_address.h"

namespace kalvora {

// ---- COM1/COM2 devices ---------------------------------------------------------------------

QStringList OrderSerialDevices(QStringList devices)
{
    static const QRegularExpression split(QStringLiteral("^(.*?)(\\d*)$"));
    auto rank = [](const QString& path) {
        if (path.contains(QLatin1String("ttyUSB"))) return 0;
        if (path.contains(QLatin1String("ttyACM"))) return 1;
        return 2;
    };
    std::stable_sort(devices.begin(), devices.end(), [&](const QString& a, const QString& b) {
        const int ra = rank(a), rb = rank(b);
        if (ra != rb) return ra < rb;
        const auto ma = split.match(a), mb = split.match(b);
        const QString pa = ma.captured(1), pb = mb.captured(1);
        if (pa != pb) return pa < pb;
        return ma.captured(2).toLongLong() < mb.captured(2).toLongLong();
    });
    devices.removeDuplicates();
    return devices;
}

QString PortDisplayName(int n, const QString& device)
{
    return device.isEmpty() ? QStringLiteral("COM%1").arg(n) : QStringLiteral("COM%1 (%2)").arg(n).arg(device);
}

// ---- The port ------------------------------------------------------------------------------

namespace {
constexpr int kLinePollMs = 100;
constexpr int kActivityMs = 60;
}  // namespace

SerialPort::SerialPort(QObject* parent) : QObject(parent)
{
    useTransport(PortTransport::Kind::Local);
    lineTimer_.setTimerType(Qt::PreciseTimer);
    connect(&lineTimer_, &QTimer::timeout, this, &SerialPort::pollLines);
    activityTimer_.setTimerType(Qt::PreciseTimer);
    activityTimer_.setSingleShot(true);
    connect(&activityTimer_, &QTimer::timeout, this, [this] { setActivity(false, false); });
}

SerialPort::~SerialPort()
{
    lineTimer_.stop();
    activityTimer_.stop();
    if (transport_) transport_->close();
}

void SerialPort::useTransport(PortTransport::Kind kind)
{
    if (transport_ && transport_->kind() == kind) return;
    if (transport_) {
        // The old one may be the sender of the signal that led here: it goes once that returns.
        transport_->disconnect(this);
        transport_->close();
        transport_.release()->deleteLater();
    }
    transport_ = MakePortTransport(kind);
    connect(transport_.get(), &PortTransport::readyRead, this, &SerialPort::onReadyRead);
    connect(transport_.get(), &PortTransport::failed, this, &SerialPort::onTransportFailed);
    connect(transport_.get(), &PortTransport::modemLinesChanged, this, &SerialPort::pollLines);
}

PortTransport::Kind SerialPort::transportKind() const { return transport_->kind(); }

void SerialPort::setDevice(int n, const QString& path)
{
    if (n == 1 || n == 2) devices_[n] = path;
}

QString SerialPort::device(int n) const { return (n == 1 || n == 2) ? devices_[n] : QString(); }

bool SerialPort::isNetworkPort(int n) const { return IsNetworkPortName(device(n)); }

bool SerialPort::isPortAvailable(int n) const
{
    const QString path = device(n);
    if (path.isEmpty()) return false;
    if (IsNetworkPortName(path)) return ParseNetworkPortAddress(path).has_value();
    return QFileInfo::exists(path);
}

void SerialPort::setComNumber(int n) { comNumber_ = (n == 1 || n == 2) ? n : 0; }

QSerialPort::Parity SerialPort::requestedQtParity() const { return QtParity(parity_); }

QSerialPort::FlowControl SerialPort::requestedQtFlowControl() const { return QtFlowControl(flow_); }

bool SerialPort::open()
{
    const QString path = device(comNumber_);
    if (isOpen()) {
        if (path == openDevice_) return true;
        close();  // another port number was selected: the open one is let go first
    }
    openError_ = OpenError::None;
    openErrorText_.clear();
    if (path.isEmpty()) {
        openError_ = OpenError::Missing;
        openErrorText_ = QStringLiteral("no device for COM%1").arg(comNumber_);
        return false;
    }
    if (opening_) {
        // A network port's open waits in the event loop; nothing may open the port meanwhile.
        openError_ = OpenError::Other;
        openErrorText_ = QStringLiteral("the port is being opened");
        return false;
    }
    useTransport(TransportKindOf(path));
    opening_ = true;
    const bool ok = transport_->open(path, LineSettings{baud_, parity_, flow_});
    opening_ = false;
    if (!ok) {
        openError_ = transport_->openError();
        openErrorText_ = transport_->openErrorText();
        return false;
    }
    openDevice_ = path;
    activeFlow_ = flow_;
    failed_ = false;
    failureText_.clear();
    if (monitoring_) {
        if (!transport_->reportsModemLines()) lineTimer_.start(clock::scaled(kLinePollMs));
        pollLines();
    }
    return true;
}

void SerialPort::close()
{
    lineTimer_.stop();
    transport_->close();
    openDevice_.clear();
    setActivity(false, false);
}

bool SerialPort::isOpen() const { return transport_->isOpen(); }

void SerialPort::setBaud(int baud)
{
    baud_ = baud;
    if (isOpen()) transport_->setBaud(baud);
}

void SerialPort::setParity(Parity parity)
{
    parity_ = parity;
    if (isOpen()) transport_->setParity(parity);
}

void SerialPort::setFlowControl(FlowControl flow) { flow_ = flow; }

QByteArray SerialPort::flushInBuffer()
{
    if (!isOpen()) return {};
    const QByteArray dropped = transport_->readAll();  // whatever had already been taken from the line
    transport_->clearInput();
    if (!dropped.isEmpty()) emit bytesRead(dropped);
    return dropped;
}

int SerialPort::outBuffFree() const
{
    const qint64 queued = isOpen() ? transport_->bytesToWrite() : 0;
    return static_cast<int>(std::max<qint64>(0, kOutputQueueSize - queued));
}

void SerialPort::putString(const QByteArray& bytes)
{
    if (!isOpen() || bytes.isEmpty()) return;
    transport_->write(bytes, writeThrough_);
    emit bytesSent(bytes);
    setActivity(lines_.rxd, true);
}

void SerialPort::putChar(char c) { putString(QByteArray(1, c)); }

void SerialPort::flushOutput()
{
    if (isOpen()) transport_->flush();
}

bool SerialPort::waitForChar(char c, int ticks)
{
    if (!isOpen()) return false;
    const qint64 nominal = qint64(std::max(0, ticks)) * kTickMs;
    const int ms = clock::scaled(int(std::min<qint64>(nominal, 2000000000)));
    bool expired = false;
    QTimer deadline;
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, [&expired] { expired = true; });
    deadline.start(ms);

    const bool outerWaiting = waiting_;
    waiting_ = true;
    bool found = false;
    while (!found) {
        if (!isOpen() || failed_) break;
        if (transport_->bytesAvailable() > 0) {
            const QByteArray bytes = transport_->readAll();
            emit bytesRead(bytes);
            if (bytes.contains(c)) {
                found = true;
                break;
            }
        }
        if (expired) break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    waiting_ = outerWaiting;
    return found;
}

int SerialPort::getBlock(char* buffer, int count)
{
    if (!isOpen() || buffer == nullptr || count <= 0) return 0;
    const qint64 n = transport_->read(buffer, count);
    if (n <= 0) return 0;
    emit bytesRead(QByteArray(buffer, qsizetype(n)));
    return int(n);
}

int SerialPort::bytesAvailable() const
{
    return isOpen() ? int(std::min<qint64>(transport_->bytesAvailable(), INT32_MAX)) : 0;
}

void SerialPort::onReadyRead()
{
    if (monitoring_) setActivity(true, lines_.txd);
    if (waiting_) return;  // the tick wait reads the bytes itself
    const int n = bytesAvailable();
    if (n > 0) emit triggerAvail(n);
}

void SerialPort::onTransportFailed(const QString& reason)
{
    // The other end went away: the port is closed at once and the failure told once.
    if (!isOpen() || failed_) return;
    failed_ = true;
    failureText_ = reason;
    close();
    emit portFailed(reason);
}

void SerialPort::setLineMonitoring(bool on)
{
    monitoring_ = on;
    if (on && isOpen()) {
        if (!transport_->reportsModemLines()) lineTimer_.start(clock::scaled(kLinePollMs));
        pollLines();
    } else {
        lineTimer_.stop();
        if (!on && !(lines_ == LineState{})) {
            lines_ = LineState{};
            emit lineStateChanged(lines_);
        }
    }
}

void SerialPort::pollLines()
{
    if (!monitoring_ || !isOpen()) return;
    LineState next = lines_;
    bool cts = false, dcd = false;
    next.modemLinesKnown = transport_->modemLines(cts, dcd);
    next.cts = next.modemLinesKnown && cts;
    next.dcd = next.modemLinesKnown && dcd;
    if (!(next == lines_)) {
        lines_ = next;
        emit lineStateChanged(lines_);
    }
}

void SerialPort::setActivity(bool rx, bool tx)
{
    if (!monitoring_) rx = tx = false;
    if (rx || tx) activityTimer_.start(clock::scaled(kActivityMs));
    if (lines_.rxd == rx && lines_.txd == tx) return;
    lines_.rxd = rx;
    lines_.txd = tx;
    emit lineStateChanged(lines_);
}

}  // namespace kalvora
