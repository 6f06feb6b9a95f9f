#include "platform/local_port_transport.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

namespace kalvora {

QSerialPort::Parity QtParity(Parity parity)
{
    switch (parity) {
    case Parity::None: return QSerialPort::NoParity;
    case Parity::Odd: return QSerialPort::OddParity;
    case Parity::Even: return QSerialPort::EvenParity;
    case Parity::Mark: return QSerialPort::MarkParity;
    case Parity::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::FlowControl QtFlowControl(FlowControl flow)
{
    return flow == FlowControl::RtsCts ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl;
}

LocalPortTransport::LocalPortTransport(QObject* parent) : PortTransport(parent), port_(new QSerialPort(this))
{
    connect(port_, &QSerialPort::readyRead, this, &PortTransport::readyRead);
    connect(port_, &QSerialPort::errorOccurred, this, &LocalPortTransport::onError);
}

LocalPortTransport::~LocalPortTransport()
{
    if (port_->isOpen()) port_->close();
}

bool LocalPortTransport::open(const QString& path, const LineSettings& line)
{
    setOpenError(OpenError::None, {});
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        setOpenError(OpenError::Missing, path.isEmpty() ? QStringLiteral("no device") : QStringLiteral("%1 does not exist").arg(path));
        return false;
    }
    // A stable name (/dev/serial/by-id/...) is a link: the device is opened, and locked against
    // other programs, under its real name.
    const QString real = QFileInfo(path).canonicalFilePath();
    port_->setPortName(real.isEmpty() ? path : real);
    port_->setBaudRate(line.baud);
    port_->setDataBits(QSerialPort::Data8);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setParity(QtParity(line.parity));
    port_->setFlowControl(QtFlowControl(line.flow));
    if (!port_->open(QIODevice::ReadWrite)) {
        const QByteArray local = QFile::encodeName(path);
        OpenError error = OpenError::Other;
        if (::access(local.constData(), R_OK | W_OK) != 0 && errno == EACCES) error = OpenError::Permission;
        else if (port_->error() == QSerialPort::DeviceNotFoundError) error = OpenError::Missing;
        else if (port_->error() == QSerialPort::PermissionError) error = OpenError::Busy;
        setOpenError(error, port_->errorString());
        port_->clearError();
        return false;
    }
    // Settings the device refuses (a pseudo-terminal ignores parity) are not an open failure.
    port_->clearError();
    name_ = path;
    failed_ = false;
    modemLinesUnsupported_ = false;
    return true;
}

void LocalPortTransport::close()
{
    if (port_->isOpen()) port_->close();
    port_->clearError();
}

void LocalPortTransport::setBaud(int baud)
{
    if (port_->isOpen()) port_->setBaudRate(baud);
}

void LocalPortTransport::setParity(Parity parity)
{
    if (!port_->isOpen()) return;
    port_->setParity(QtParity(parity));
    port_->clearError();
}

void LocalPortTransport::clearInput()
{
    if (port_->isOpen()) port_->clear(QSerialPort::Input);
}

void LocalPortTransport::write(const QByteArray& bytes, bool now)
{
    if (!port_->isOpen() || bytes.isEmpty()) return;
    // Straight to the device while nothing waits in Qt's queue: the bytes leave now, and the
    // event loop is not woken twice per command to arm and disarm a write notifier. Whatever
    // the device does not take now (or an error) goes through Qt's queue, in order.
    qsizetype done = 0;
    if (now && port_->bytesToWrite() == 0 && port_->handle() >= 0) {
        while (done < bytes.size()) {
            const ssize_t n = ::write(port_->handle(), bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) done += n;
            else if (n < 0 && errno == EINTR) continue;
            else break;
        }
    }
    if (done < bytes.size()) port_->write(bytes.constData() + done, bytes.size() - done);
}

void LocalPortTransport::flush()
{
    if (port_->isOpen()) port_->flush();
}

bool LocalPortTransport::modemLines(bool& cts, bool& dcd)
{
    if (!port_->isOpen() || modemLinesUnsupported_) return false;
    const QSerialPort::PinoutSignals pins = port_->pinoutSignals();
    if (port_->error() != QSerialPort::NoError) {
        // A pseudo-terminal has no modem lines: the CTS and DCD lights stay dark.
        modemLinesUnsupported_ = true;
        port_->clearError();
        return false;
    }
    cts = pins.testFlag(QSerialPort::ClearToSendSignal);
    dcd = pins.testFlag(QSerialPort::DataCarrierDetectSignal);
    return true;
}

void LocalPortTransport::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // The other end went away. Qt would go on reporting the error at full speed until the
        // port is closed, so the failure is told once and the port closes it.
        if (!port_->isOpen() || failed_) return;
        failed_ = true;
        emit failed(port_->errorString());
        return;
    default:
        return;  // settings a device refuses, unsupported line queries: not a failure of the link
    }
}

}  // namespace kalvora
