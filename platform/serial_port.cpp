#include "platform/serial_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include "platform/clock.h"

namespace kalvora {

// ---- COM1/COM2 devices ---------------------------------------------------------------------

PortOptions ParsePortOptions(const QStringList& args)
{
    PortOptions out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = nullptr;
        QString value;
        bool inline_ = false;
        for (int n : {1, 2}) {
            const QString name = QStringLiteral("--com%1").arg(n);
            if (a == name) target = n == 1 ? &out.com1 : &out.com2;
            else if (a.startsWith(name + QLatin1Char('='))) {
                target = n == 1 ? &out.com1 : &out.com2;
                value = a.mid(name.size() + 1);
                inline_ = true;
            }
        }
        if (!target) {
            out.rest << a;
            continue;
        }
        if (!inline_) {
            if (i + 1 >= args.size() || args[i + 1].startsWith(QLatin1String("--"))) {
                out.error = QStringLiteral("%1 needs a device, for example %1 /dev/ttyUSB0").arg(a);
                continue;
            }
            value = args[++i];
        }
        if (value.isEmpty()) {
            out.error = QStringLiteral("%1 needs a device, for example %1 /dev/ttyUSB0").arg(a.section('=', 0, 0));
            continue;
        }
        *target = value;
    }
    return out;
}

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

SerialPort::SerialPort(QObject* parent) : QObject(parent), port_(new QSerialPort(this))
{
    connect(port_, &QSerialPort::readyRead, this, &SerialPort::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this, &SerialPort::onError);
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
    if (port_->isOpen()) port_->close();
}

void SerialPort::setDevice(int n, const QString& path)
{
    if (n == 1 || n == 2) devices_[n] = path;
}

QString SerialPort::device(int n) const { return (n == 1 || n == 2) ? devices_[n] : QString(); }

bool SerialPort::isPortAvailable(int n) const
{
    const QString path = device(n);
    return !path.isEmpty() && QFileInfo::exists(path);
}

void SerialPort::setComNumber(int n) { comNumber_ = (n == 1 || n == 2) ? n : 0; }

QSerialPort::Parity SerialPort::requestedQtParity() const
{
    switch (parity_) {
    case Parity::None: return QSerialPort::NoParity;
    case Parity::Odd: return QSerialPort::OddParity;
    case Parity::Even: return QSerialPort::EvenParity;
    case Parity::Mark: return QSerialPort::MarkParity;
    case Parity::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::FlowControl SerialPort::requestedQtFlowControl() const
{
    return flow_ == FlowControl::RtsCts ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl;
}

bool SerialPort::open()
{
    const QString path = device(comNumber_);
    if (port_->isOpen()) {
        if (path == openDevice_) return true;
        close();  // another port number was selected: the open one is let go first
    }
    openError_ = OpenError::None;
    openErrorText_.clear();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        openError_ = OpenError::Missing;
        openErrorText_ = path.isEmpty() ? QStringLiteral("no device for COM%1").arg(comNumber_)
                                        : QStringLiteral("%1 does not exist").arg(path);
        return false;
    }
    // A stable name (/dev/serial/by-id/...) is a link: the device is opened, and locked against
    // other programs, under its real name.
    const QString real = QFileInfo(path).canonicalFilePath();
    port_->setPortName(real.isEmpty() ? path : real);
    port_->setBaudRate(baud_);
    port_->setDataBits(QSerialPort::Data8);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setParity(requestedQtParity());
    port_->setFlowControl(requestedQtFlowControl());
    if (!port_->open(QIODevice::ReadWrite)) {
        const QByteArray local = QFile::encodeName(path);
        if (::access(local.constData(), R_OK | W_OK) != 0 && errno == EACCES) openError_ = OpenError::Permission;
        else if (port_->error() == QSerialPort::DeviceNotFoundError) openError_ = OpenError::Missing;
        else if (port_->error() == QSerialPort::PermissionError) openError_ = OpenError::Busy;
        else openError_ = OpenError::Other;
        openErrorText_ = port_->errorString();
        port_->clearError();
        return false;
    }
    // Settings the device refuses (a pseudo-terminal ignores parity) are not an open failure.
    port_->clearError();
    openDevice_ = path;
    activeFlow_ = flow_;
    failed_ = false;
    modemLinesUnsupported_ = false;
    if (monitoring_) {
        lineTimer_.start(clock::scaled(kLinePollMs));
        pollLines();
    }
    return true;
}

void SerialPort::close()
{
    lineTimer_.stop();
    if (port_->isOpen()) port_->close();
    port_->clearError();
    openDevice_.clear();
    setActivity(false, false);
}

bool SerialPort::isOpen() const { return port_->isOpen(); }

void SerialPort::setBaud(int baud)
{
    baud_ = baud;
    if (port_->isOpen()) port_->setBaudRate(baud);
}

void SerialPort::setParity(Parity parity)
{
    parity_ = parity;
    if (port_->isOpen()) {
        port_->setParity(requestedQtParity());
        port_->clearError();
    }
}

void SerialPort::setFlowControl(FlowControl flow) { flow_ = flow; }

void SerialPort::flushInBuffer()
{
    if (!port_->isOpen()) return;
    const QByteArray dropped = port_->readAll();  // whatever Qt had already taken from the device
    port_->clear(QSerialPort::Input);
    if (!dropped.isEmpty()) emit bytesRead(dropped);
}

int SerialPort::outBuffFree() const
{
    const qint64 queued = port_->isOpen() ? port_->bytesToWrite() : 0;
    return static_cast<int>(std::max<qint64>(0, kOutputQueueSize - queued));
}

void SerialPort::putString(const QByteArray& bytes)
{
    if (!port_->isOpen() || bytes.isEmpty()) return;
    // Straight to the device while nothing waits in Qt's queue: the bytes leave now, and the
    // event loop is not woken twice per command to arm and disarm a write notifier. Whatever
    // the device does not take now (or an error) goes through Qt's queue, in order.
    qsizetype done = 0;
    if (writeThrough_ && port_->bytesToWrite() == 0 && port_->handle() >= 0) {
        while (done < bytes.size()) {
            const ssize_t n = ::write(port_->handle(), bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) done += n;
            else if (n < 0 && errno == EINTR) continue;
            else break;
        }
    }
    if (done < bytes.size()) port_->write(bytes.constData() + done, bytes.size() - done);
    emit bytesSent(bytes);
    setActivity(lines_.rxd, true);
}

void SerialPort::putChar(char c) { putString(QByteArray(1, c)); }

void SerialPort::flushOutput()
{
    if (port_->isOpen()) port_->flush();
}

bool SerialPort::waitForChar(char c, int ticks)
{
    if (!port_->isOpen()) return false;
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
        if (!port_->isOpen() || failed_) break;
        if (port_->bytesAvailable() > 0) {
            const QByteArray bytes = port_->readAll();
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
    if (!port_->isOpen() || buffer == nullptr || count <= 0) return 0;
    const qint64 n = port_->read(buffer, count);
    if (n <= 0) return 0;
    emit bytesRead(QByteArray(buffer, qsizetype(n)));
    return int(n);
}

int SerialPort::bytesAvailable() const
{
    return port_->isOpen() ? int(std::min<qint64>(port_->bytesAvailable(), INT32_MAX)) : 0;
}

void SerialPort::onReadyRead()
{
    if (monitoring_) setActivity(true, lines_.txd);
    if (waiting_) return;  // the tick wait reads the bytes itself
    const int n = bytesAvailable();
    if (n > 0) emit triggerAvail(n);
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // The other end went away. Qt would go on reporting the error at full speed until the
        // port is closed, so it is closed at once and the failure told once.
        if (!port_->isOpen() || failed_) return;
        failed_ = true;
        {
            const QString reason = port_->errorString();
            close();
            emit portFailed(reason);
        }
        return;
    default:
        return;  // settings a device refuses, unsupported line queries: not a failure of the link
    }
}

void SerialPort::setLineMonitoring(bool on)
{
    monitoring_ = on;
    if (on && port_->isOpen()) {
        lineTimer_.start(clock::scaled(kLinePollMs));
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
    if (!monitoring_ || !port_->isOpen()) return;
    LineState next = lines_;
    if (!modemLinesUnsupported_) {
        const QSerialPort::PinoutSignals pins = port_->pinoutSignals();
        if (port_->error() != QSerialPort::NoError) {
            // A pseudo-terminal has no modem lines: the CTS and DCD lights stay dark.
            modemLinesUnsupported_ = true;
            port_->clearError();
        } else {
            next.cts = pins.testFlag(QSerialPort::ClearToSendSignal);
            next.dcd = pins.testFlag(QSerialPort::DataCarrierDetectSignal);
        }
    }
    next.modemLinesKnown = !modemLinesUnsupported_;
    if (modemLinesUnsupported_) next.cts = next.dcd = false;
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
