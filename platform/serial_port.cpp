#include "platform/serial_port.h"

namespace kalvora {

PortOptions ParsePortOptions(const QStringList& args) { PortOptions o; o.rest = args; return o; }
QStringList OrderSerialDevices(QStringList devices) { return devices; }
QStringList SystemSerialDevices() { return {}; }
void ResolvePortDevices(const PortOptions& options, QString& com1, QString& com2) { com1 = options.com1; com2 = options.com2; }
QString PortDisplayName(int n, const QString& device) { return QStringLiteral("COM%1 (%2)").arg(n).arg(device); }

SerialPort::SerialPort(QObject* parent) : QObject(parent), port_(new QSerialPort(this)) {}
SerialPort::~SerialPort() = default;
void SerialPort::setDevice(int n, const QString& path) { if (n == 1 || n == 2) devices_[n] = path; }
QString SerialPort::device(int n) const { return (n == 1 || n == 2) ? devices_[n] : QString(); }
bool SerialPort::isPortAvailable(int) const { return false; }
void SerialPort::setComNumber(int n) { comNumber_ = n; }
bool SerialPort::open() { return false; }
void SerialPort::close() {}
bool SerialPort::isOpen() const { return port_->isOpen(); }
void SerialPort::setBaud(int baud) { baud_ = baud; }
void SerialPort::setParity(Parity parity) { parity_ = parity; }
void SerialPort::setFlowControl(FlowControl flow) { flow_ = flow; }
void SerialPort::flushInBuffer() {}
int SerialPort::outBuffFree() const { return kOutputQueueSize; }
void SerialPort::putString(const QByteArray&) {}
void SerialPort::putChar(char) {}
bool SerialPort::waitForChar(char, int) { return false; }
int SerialPort::getBlock(char*, int) { return 0; }
int SerialPort::bytesAvailable() const { return 0; }
void SerialPort::setLineMonitoring(bool on) { monitoring_ = on; }
QSerialPort::Parity SerialPort::requestedQtParity() const { return QSerialPort::NoParity; }
QSerialPort::FlowControl SerialPort::requestedQtFlowControl() const { return QSerialPort::NoFlowControl; }
void SerialPort::onReadyRead() {}
void SerialPort::onError(QSerialPort::SerialPortError) {}
void SerialPort::pollLines() {}
void SerialPort::applyLineSettings() {}
void SerialPort::setActivity(bool, bool) {}

}  // namespace kalvora
