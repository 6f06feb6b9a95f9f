#pragma once
// What carries the bytes of a COM port: a local serial device, a raw TCP connection to a
// network serial server, or a Telnet connection that also sets the server's line (the COM port
// control option). SerialPort picks one by the name the port stands for and keeps the rest of
// the program unaware of which it talks through.
//
// A transport runs on the program's one thread. Its open may wait (a network connection is
// made), and then it sleeps in the event loop, bounded by the clock.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

namespace kalvora {

enum class Parity { None, Odd, Even, Mark, Space };
enum class FlowControl { None, RtsCts };  // "use RTS and require CTS", or none

// The line the port is to have: always 8 data bits and 1 stop bit.
struct LineSettings {
    int baud = 38400;
    Parity parity = Parity::None;
    FlowControl flow = FlowControl::None;
    static constexpr int kDataBits = 8;
    static constexpr int kStopBits = 1;
};

class PortTransport : public QObject {
    Q_OBJECT
public:
    enum class Kind { Local, RawTcp, Rfc2217 };
    // Why an open failed.
    enum class OpenError { None, Missing, Busy, Permission, Network, Other };

    using QObject::QObject;
    ~PortTransport() override = default;

    virtual Kind kind() const = 0;
    // Opens `name` with the line settings. False with openError()/openErrorText() on failure.
    virtual bool open(const QString& name, const LineSettings& line) = 0;
    // Harmless when closed. Emits nothing.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    OpenError openError() const { return openError_; }
    QString openErrorText() const { return openErrorText_; }

    // Take effect at once on the open line.
    virtual void setBaud(int baud) = 0;
    virtual void setParity(Parity parity) = 0;

    // Received bytes not yet read.
    virtual qint64 bytesAvailable() const = 0;
    virtual qint64 read(char* buffer, qint64 max) = 0;
    virtual QByteArray readAll() = 0;
    // Drops every received byte not yet read, also those the device still holds.
    virtual void clearInput() = 0;

    // Bytes handed over but not yet gone out.
    virtual qint64 bytesToWrite() const = 0;
    // Queues the bytes; `now`: hands them on at once as far as that does not block.
    virtual void write(const QByteArray& bytes, bool now) = 0;
    // Hands on what is queued, as far as that does not block.
    virtual void flush() = 0;

    // CTS and DCD. False when the line's modem state is not known (a pseudo-terminal, a raw
    // network connection, a server that has not told it yet).
    virtual bool modemLines(bool& cts, bool& dcd) = 0;
    // True when modemLinesChanged() tells every change, so nothing needs to poll.
    virtual bool reportsModemLines() const { return false; }
    // What a person reads for this port in messages: the device path, or "HOST:PORT".
    virtual QString where() const = 0;

signals:
    void readyRead();
    // The line failed while open (device gone, connection dropped, server silent). Emitted
    // once; the transport is closed by the port that receives it.
    void failed(const QString& reason);
    void modemLinesChanged();

protected:
    void setOpenError(OpenError error, const QString& text)
    {
        openError_ = error;
        openErrorText_ = text;
    }

private:
    OpenError openError_ = OpenError::None;
    QString openErrorText_;
};

// The kind of transport a port name asks for: "socket://" and "rfc2217://" are network
// ports, anything else a local device.
PortTransport::Kind TransportKindOf(const QString& name);
std::unique_ptr<PortTransport> MakePortTransport(PortTransport::Kind kind);

}  // namespace kalvora
