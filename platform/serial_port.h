#pragma once
// The serial port the link talks through: COM1 and COM2 stand for device files or ports on a
// network serial server (socket://HOST:PORT, rfc2217://HOST:PORT), the line settings, the
// output queue, a tick wait that keeps the event loop running, the data-available event with a
// block read, and the line-state lights. Which transport carries the bytes (port_transport.h)
// is this class's own business: the link sees one kind of port.
//
// Everything runs on the one thread of the program. Waits sleep in the event loop until data,
// a timer or the operator wakes them.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "platform/port_transport.h"

namespace kalvora {

// The devices COM1 and COM2 stand for as the command line names them (platform/command_line.h):
// --com1 DEVICE / --com2 DEVICE, accepted by kalvora and kalvora-cli alike.
struct PortOptions {
    QString com1;  // empty: not given
    QString com2;
};

// The device name that leaves a port out: "--com2 none".
inline const QString kNoPort = QStringLiteral("none");

// Orders device paths the way COM1/COM2 are assigned by default: USB adapters (/dev/ttyUSB*,
// /dev/ttyACM*) before on-board ports (/dev/ttyS*), each group in numeric order.
QStringList OrderSerialDevices(QStringList devices);

class SerialPort : public QObject {
    Q_OBJECT
public:
    static constexpr int kOutputQueueSize = 4096;
    static constexpr int kTickMs = 55;

    // Line-state lights: CTS and DCD are the modem lines (false where the device has none,
    // such as a pseudo-terminal); RXD and TXD light up while bytes move.
    struct LineState {
        bool cts = false;
        bool dcd = false;
        bool rxd = false;
        bool txd = false;
        bool modemLinesKnown = false;  // false when the device offers no modem lines
        bool operator==(const LineState&) const = default;
    };

    // Why the last open failed (Network: a network port's server refused, could not be
    // reached or did not answer; lastErrorText() names it).
    using OpenError = PortTransport::OpenError;

    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    // The device files behind COM1 (n = 1) and COM2 (n = 2). An empty path is no port.
    void setDevice(int n, const QString& path);
    QString device(int n) const;

    // IsPortAvailable(n): the device of port n is named and exists; a network port: its
    // address is well formed (whether its server answers shows when it is opened).
    bool isPortAvailable(int n) const;
    // Port n stands for a port on a network serial server.
    bool isNetworkPort(int n) const;

    // ComNumber: the port number open/close act on (0 = none).
    void setComNumber(int n);
    int comNumber() const { return comNumber_; }

    // Open = true. Applies baud, parity, 8N1 and the flow-control setting. False on failure,
    // with lastOpenError()/lastErrorText() telling why.
    bool open();
    // Open = false. Harmless when closed.
    void close();
    bool isOpen() const;
    OpenError lastOpenError() const { return openError_; }
    QString lastErrorText() const { return openErrorText_; }
    QString openDevice() const { return openDevice_; }
    // Why the port last failed while open (portFailed's reason); empty before any failure.
    QString failureText() const { return failureText_; }
    // The kind of transport the open port uses.
    PortTransport::Kind transportKind() const;

    // Take effect at once, also on an open port.
    void setBaud(int baud);
    int baud() const { return baud_; }
    void setParity(Parity parity);
    Parity parity() const { return parity_; }
    // HWFlowOptions: recorded now, applied when the port is next opened.
    void setFlowControl(FlowControl flow);
    FlowControl flowControl() const { return flow_; }
    // The flow control the open port was opened with.
    FlowControl activeFlowControl() const { return activeFlow_; }

    // FlushInBuffer: discards every received byte not yet read; returns them.
    QByteArray flushInBuffer();
    // OutBuffFree: room left in the 4096-byte output queue.
    int outBuffFree() const;
    // PutString / PutChar: hand the bytes to the device at once; what it does not take now
    // waits in the output queue and leaves while the event loop runs.
    void putString(const QByteArray& bytes);
    void putChar(char c);
    // Off: every byte waits in the output queue until the event loop runs, as with a device
    // that is slow to take them (so a queue that fills up can be shown). On by default.
    void setWriteThrough(bool on) { writeThrough_ = on; }
    // Hands what is queued to the device now, as far as it takes it without blocking, rather
    // than when the event loop next runs.
    void flushOutput();

    // WaitForString with a one-character text, yield true, ignore case false: reads and
    // consumes incoming bytes until `c` arrives (true) or ticks × 55 ms (through the clock)
    // have passed (false), handling events meanwhile. A port error or closed port ends the
    // wait with false.
    bool waitForChar(char c, int ticks);
    bool isWaiting() const { return waiting_; }

    // GetBlock: moves up to `count` received bytes into `buffer`; returns how many.
    int getBlock(char* buffer, int count);
    int bytesAvailable() const;

    // Status-light monitoring. On a device without modem lines it degrades quietly.
    void setLineMonitoring(bool on);
    bool lineMonitoring() const { return monitoring_; }
    LineState lineState() const { return lines_; }

    // The QSerialPort settings as requested (for checks where a pseudo-terminal ignores them).
    QSerialPort::Parity requestedQtParity() const;
    QSerialPort::FlowControl requestedQtFlowControl() const;

signals:
    // OnTriggerAvail: `count` received bytes are waiting. Not raised during waitForChar,
    // which consumes the bytes itself.
    void triggerAvail(int count);
    // The device failed while open (unplugged, other end gone): the port has been closed.
    // Raised once per failure.
    void portFailed(const QString& reason);
    void lineStateChanged(const kalvora::SerialPort::LineState& state);
    // Every byte queued for sending, for a view of the traffic.
    void bytesSent(const QByteArray& bytes);
    // Every byte taken from the line (by a block read, a tick wait or a flush), for a terminal
    // view that shows the traffic. Bytes that come while nothing reads them stay queued: a
    // terminal may take them on triggerAvail when the link is not waiting.
    void bytesRead(const QByteArray& bytes);

private:
    void onReadyRead();
    void onTransportFailed(const QString& reason);
    void pollLines();
    void setActivity(bool rx, bool tx);
    void useTransport(PortTransport::Kind kind);

    // Replaced (and deleted later) only when a port of another kind is opened.
    std::unique_ptr<PortTransport> transport_;
    QString devices_[3];
    int comNumber_ = 0;
    int baud_ = 38400;
    Parity parity_ = Parity::None;
    FlowControl flow_ = FlowControl::RtsCts;
    FlowControl activeFlow_ = FlowControl::None;
    OpenError openError_ = OpenError::None;
    QString openErrorText_;
    QString openDevice_;
    QString failureText_;
    bool opening_ = false;
    bool waiting_ = false;
    bool writeThrough_ = true;
    bool failed_ = false;
    bool monitoring_ = false;
    LineState lines_;
    QTimer lineTimer_;
    QTimer activityTimer_;
};

// The text for a port name in messages and for the COM1/COM2 numbering: "COM1 (/dev/ttyUSB0)".
QString PortDisplayName(int n, const QString& device);

}  // namespace kalvora
