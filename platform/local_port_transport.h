#pragma once
// A COM port on a serial device of this machine (/dev/ttyUSB0, a pseudo-terminal).

#include <QSerialPort>

#include "platform/port_transport.h"

namespace kalvora {

QSerialPort::Parity QtParity(Parity parity);
QSerialPort::FlowControl QtFlowControl(FlowControl flow);

class LocalPortTransport : public PortTransport {
    Q_OBJECT
public:
    explicit LocalPortTransport(QObject* parent = nullptr);
    ~LocalPortTransport() override;

    Kind kind() const override { return Kind::Local; }
    bool open(const QString& name, const LineSettings& line) override;
    void close() override;
    bool isOpen() const override { return port_->isOpen(); }
    void setBaud(int baud) override;
    void setParity(Parity parity) override;
    qint64 bytesAvailable() const override { return port_->isOpen() ? port_->bytesAvailable() : 0; }
    qint64 read(char* buffer, qint64 max) override { return port_->read(buffer, max); }
    QByteArray readAll() override { return port_->readAll(); }
    void clearInput() override;
    qint64 bytesToWrite() const override { return port_->isOpen() ? port_->bytesToWrite() : 0; }
    void write(const QByteArray& bytes, bool now) override;
    void flush() override;
    bool modemLines(bool& cts, bool& dcd) override;
    QString where() const override { return name_; }

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort* port_;
    QString name_;
    bool failed_ = false;
    bool modemLinesUnsupported_ = false;
};

}  // namespace kalvora
